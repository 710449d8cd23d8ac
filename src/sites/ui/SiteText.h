// Record texts in the site dialogs: UTF-8 when they are, else single-byte
// text (a site file from elsewhere); what the user types is stored as UTF-8.
#pragma once

#include <wx/string.h>

#include <string>

inline wxString SiteTextToWx(const std::string& bytes) {
  wxString text = wxString::FromUTF8(bytes.c_str(), bytes.size());
  if (text.empty() && !bytes.empty()) text = wxString(bytes.c_str(), wxConvISO8859_1, bytes.size());
  return text;
}

inline std::string WxToSiteText(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}
