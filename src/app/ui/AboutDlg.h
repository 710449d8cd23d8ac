// The about box: the program icon, the name and version, a line on what the
// program is, the copyright and the no-warranty notice, and "OK".
#pragma once

#include <wx/dialog.h>

#include <string>

class CAboutDlg : public wxDialog {
 public:
  static constexpr wxWindowID kOkId = 1041;
  static constexpr int kWidth = 400;
  static constexpr int kHeight = 320;

  // `title`: the about title ("Vessa Skiffline Version 4.3.2"); `name` and
  // `version` for the text. Centred on `parent`.
  CAboutDlg(wxWindow* parent, const std::string& title, const std::string& name,
            const std::string& version);

  // The notice under the name and version: what the program is, the
  // copyright and the warranty.
  static std::string NoticeText(const std::string& name);
};
