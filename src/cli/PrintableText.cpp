#include "cli/PrintableText.h"

#include <cstddef>
#include <cstdint>

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
  unsigned char lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  std::uint32_t code = 0, least = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    code = lead & 0x1Fu;
    least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    code = lead & 0x0Fu;
    least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    code = lead & 0x07u;
    least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3Fu);
  }
  bool overlong = code < least;
  bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  bool c1 = code >= 0x80 && code <= 0x9F;
  if (overlong || surrogate || c1 || code > 0x10FFFF) return 0;
  return length;
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
