#include "local/ui/DisplayText.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the valid UTF-8 sequence at `at`, 0 when there is none; the
// code point goes to `out`.
std::size_t DecodeOne(const std::string& s, std::size_t at, char32_t& out) {
  const auto b0 = static_cast<unsigned char>(s[at]);
  if (b0 < 0x80) {
    out = b0;
    return 1;
  }
  std::size_t length = 0;
  char32_t value = 0, least = 0;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, value = b0 & 0x1F, least = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, value = b0 & 0x0F, least = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, value = b0 & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (at + length > s.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[at + i]);
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  out = value;
  return length;
}

}  // namespace

wxString DisplayText(const std::string& bytes) {
  wxString text;
  text.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    char32_t c = 0;
    const std::size_t used = DecodeOne(bytes, at, c);
    if (used == 0) {
      c = kReplacement;
      at += 1;
    } else {
      at += used;
    }
    if (c < 0x20 || c == 0x7F) c = kReplacement;
    text += wxUniChar(static_cast<wxUint32>(c));
  }
  return text;
}
