#include "local/ui/DisplayText.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one well-formed UTF-8 sequence at `at` (no overlong forms, no
// surrogates, nothing above U+10FFFF); its length, or 0 when there is none.
std::size_t DecodeOne(const std::string& bytes, std::size_t at, char32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(at);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsControl(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

}  // namespace

wxString DisplayText(const std::string& bytes) {
  wxString text;
  text.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    char32_t code = 0;
    const std::size_t length = DecodeOne(bytes, at, code);
    if (length == 0) {
      text += wxUniChar(static_cast<unsigned>(kReplacement));
      ++at;
      continue;
    }
    text += wxUniChar(static_cast<unsigned>(IsControl(code) ? kReplacement : code));
    at += length;
  }
  return text;
}

wxString ShortDisplayText(const std::string& bytes, std::size_t maxChars) {
  wxString text = DisplayText(bytes);
  if (text.length() <= maxChars || maxChars < 3) return text;
  const std::size_t head = (maxChars - 1) / 2;
  const std::size_t tail = maxChars - 1 - head;
  return text.Left(head) + wxString::FromUTF8("\xE2\x80\xA6") + text.Right(tail);
}
