// The main frame's status bar: the message pane, the Caps Lock, Num Lock and
// Scroll Lock indicators, and the transfer progress: a progress bar (547), a
// right-aligned status text (548) and a speed text (549, "0 k/s" at first).
#pragma once

#include <wx/longlong.h>
#include <wx/statusbr.h>

#include <cstdint>

#include "app/ui/ProgressFields.h"

class CImageStatusBar : public wxStatusBar {
 public:
  static constexpr wxWindowID kProgressId = 547;
  static constexpr wxWindowID kStatusTextId = 548;
  static constexpr wxWindowID kSpeedTextId = 549;
  // Fields: 0 message pane, then the three lock indicators.
  static constexpr int kFieldCount = 4;
  static constexpr int kCapsField = 1;
  static constexpr int kNumField = 2;
  static constexpr int kScrollField = 3;

  explicit CImageStatusBar(wxWindow* parent, wxWindowID id = wxID_ANY);

  // Places the three progress children for the frame's outer width (the
  // owner calls it after creation and on every resize). Returns 1.
  int LayoutFields(int width);
  // The transfer's status text (not the message pane; that is field 0 of
  // wxStatusBar::SetStatusText(text, 0)).
  void SetStatusText(const wxString& text);
  void SetProgress(int percent);
  // Shows bytes per second as whole kilobytes. Returns 1.
  int SetSpeed(std::int64_t bytesPerSecond);
  // Shows the lock keys' state in their fields (also done when idle).
  void UpdateIndicators();

  wxGauge* progressBar() const { return fields_.progressBar; }
  wxStaticText* statusText() const { return fields_.statusText; }
  wxStaticText* speedText() const { return fields_.speedText; }

 private:
  void OnIdle(wxIdleEvent& event);

  CProgressFields fields_;
  wxLongLong lastIndicatorCheck_ = 0;
};
