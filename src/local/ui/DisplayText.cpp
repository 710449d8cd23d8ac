#include "local/ui/DisplayText.h"

#include <cstddef>
#include <cstdint>

#include "platform/Utf8.h"

wxString DisplayText(const std::string& bytes) {
  wxString text;
  text.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::uint32_t code = 0;
    const std::size_t length = utf8::SequenceAt(bytes, at, code);
    if (length == 0) {
      text += wxUniChar(static_cast<unsigned>(utf8::kReplacement));
      ++at;
      continue;
    }
    text += wxUniChar(static_cast<unsigned>(utf8::IsControl(code) ? utf8::kReplacement : code));
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
