#include "remote/ServerText.h"

#include <cstddef>
#include <cstdint>

#include "platform/Utf8.h"

namespace {

void AppendCode(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string ServerTextToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const std::uint8_t c = static_cast<std::uint8_t>(bytes[at]);
    std::uint32_t code = c;
    std::size_t length = utf8::SequenceAt(bytes, at, code);
    if (length == 0) {
      code = c;  // not UTF-8: the byte's ISO-8859-1 character
      length = 1;
    }
    if (utf8::IsControl(code)) {
      AppendCode(out, utf8::kReplacement);
    } else if (length > 1) {
      out.append(bytes.substr(at, length));
    } else {
      AppendCode(out, code);
    }
    at += length;
  }
  return out;
}
