// Texts from servers and files as wx strings: UTF-8 where the bytes are
// UTF-8, else each byte as its ISO-8859-1 character, so that text in another
// single-byte code page is shown rather than dropped.
#pragma once

#include <wx/string.h>

#include <string>

namespace platform {

inline wxString TextFromBytes(const std::string& bytes) {
  wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
  if (text.empty() && !bytes.empty()) text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
  return text;
}

}  // namespace platform
