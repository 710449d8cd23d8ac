#include "remote/ServerText.h"

#include <cstddef>
#include <cstdint>

namespace {

// The length of a well-formed UTF-8 sequence of two or more bytes at `at`
// (no overlong forms, no surrogates, nothing above U+10FFFF), with its code
// point; 0 when there is none.
std::size_t Sequence(std::string_view bytes, std::size_t at, std::uint32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t length = 0;
  std::uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u, least = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsControl(std::uint32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

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

constexpr std::uint32_t kReplacement = 0xFFFD;

}  // namespace

std::string ServerTextToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const std::uint8_t c = static_cast<std::uint8_t>(bytes[at]);
    std::uint32_t code = c;
    std::size_t length = c >= 0x80 ? Sequence(bytes, at, code) : 1;
    if (length == 0) {
      code = c;  // not UTF-8: the byte's ISO-8859-1 character
      length = 1;
    }
    if (IsControl(code)) {
      AppendCode(out, kReplacement);
    } else if (length > 1) {
      out.append(bytes.substr(at, length));
    } else {
      AppendCode(out, code);
    }
    at += length;
  }
  return out;
}
