// Record texts in the site dialogs: UTF-8 when they are, else single-byte
// text (a site file from elsewhere); what the user types is stored as UTF-8.
#pragma once

#include <wx/string.h>

#include <string>

#include "platform/ui/TextBytes.h"

inline wxString SiteTextToWx(const std::string& bytes) { return platform::TextFromBytes(bytes); }

inline std::string WxToSiteText(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}
