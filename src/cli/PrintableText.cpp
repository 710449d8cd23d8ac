#include "cli/PrintableText.h"

#include <cstddef>
#include <cstdint>

#include "platform/Utf8.h"

namespace {

void AppendEscape(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 0x0f];
}

// The length of the valid, printable UTF-8 sequence of two or more bytes at
// `at`, or 0 if there is none.
std::size_t PrintableSequence(std::string_view text, std::size_t at) {
  std::uint32_t code = 0;
  const std::size_t length = utf8::SequenceAt(text, at, code);
  return length > 1 && !utf8::IsControl(code) ? length : 0;
}

}  // namespace

std::string PrintableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
      ++at;
    } else if (std::size_t n = c >= 0x80 ? PrintableSequence(text, at) : 0) {
      out.append(text.substr(at, n));
      at += n;
    } else if (c >= 0xA0) {
      // Not part of valid UTF-8: the ISO-8859-1 character of the byte.
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
      ++at;
    } else {
      AppendEscape(out, c);
      ++at;
    }
  }
  return out;
}
