// The background transmission window's status strip: the progress bar (803),
// the status text (804) and the speed text (549, "  k/s" until the first
// speed), 3 pixels from the top. A bare strip that a dialog places itself.
#pragma once

#include <wx/statusbr.h>

#include <cstdint>

#include "app/ui/ProgressFields.h"

class CProgressStatusCtrl : public wxStatusBar {
 public:
  static constexpr wxWindowID kProgressId = 803;
  static constexpr wxWindowID kStatusTextId = 804;
  static constexpr wxWindowID kSpeedTextId = 549;

  explicit CProgressStatusCtrl(wxWindow* parent, wxWindowID id = wxID_ANY);

  // Places the three children for the owner's width. Returns 1.
  int LayoutFields(int width);
  void SetStatusText(const wxString& text);
  void SetProgress(int percent);
  // Returns 1.
  int SetSpeed(std::int64_t bytesPerSecond);

  wxGauge* progressBar() const { return fields_.progressBar; }
  wxStaticText* statusText() const { return fields_.statusText; }
  wxStaticText* speedText() const { return fields_.speedText; }

 private:
  CProgressFields fields_;
};
