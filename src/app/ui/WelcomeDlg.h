// The splash window: the start-up picture, borderless and above other
// windows, centred on the screen; it closes itself after two seconds or on
// a left click. The start-up does not show it.
#pragma once

#include <wx/bitmap.h>
#include <wx/dialog.h>
#include <wx/timer.h>

#include <cstdint>

class CWelcomeDlg : public wxDialog {
 public:
  static constexpr int kShowMs = 2000;

  // Made hidden; Start shows it.
  explicit CWelcomeDlg(wxWindow* parent = nullptr);
  ~CWelcomeDlg() override;

  // Centres the picture on the screen, shows it and starts the two seconds.
  void Start();
  // Stops the timer and destroys the window (as its timer and a click do).
  void Finish();

  const wxTimer& CloseTimer() const { return timer_; }
  std::int32_t pictureHeight = 0;
  std::int32_t pictureWidth = 0;

 private:
  void OnPaint(wxPaintEvent& event);

  wxBitmap picture_;
  wxTimer timer_;
  bool finished_ = false;
};
