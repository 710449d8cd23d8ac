// The drop window: a small borderless picture near the top right corner of
// the screen. Entries dragged from a pane and dropped on it join the
// background queue (the pane does that; the window plays a short animation).
// A double click shows or hides the background transmission window, the
// right button opens the Background transmission menu, whose commands go to
// the menu owner (the main window), and the left button drags the window
// around. Enter and Escape do nothing.
//
// The drop animation: the window turns nearly black, then the picture's
// upper half slides in from the top edge and its lower half from the bottom
// edge, one row each 10 ms, until they meet; then the whole picture. A timer
// drives it, so the window stays responsive while it plays.
#pragma once

#include <wx/bitmap.h>
#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <memory>

class CGeniusDlg : public wxDialog {
 public:
  static constexpr int kRightGap = 50;  // from the screen's right edge to x
  static constexpr int kTop = 10;
  static constexpr int kStepMs = 10;
  static const wxColour kDropColour;  // the animation's background (10, 5, 5)

  // At (screen width - 50, 10), the picture's size, owned by `owner` (the
  // background transmission window) and destroyed with it. Made hidden:
  // ShowWithoutActivating() shows it without taking the focus.
  explicit CGeniusDlg(wxWindow* owner);
  ~CGeniusDlg() override;

  // The window a double click shows or hides; `toggle`, when given, does
  // the showing and hiding instead (the main window's, so that its Window
  // menu follows).
  void SetToggleTarget(wxWindow* target, std::function<void()> toggle = {});
  // The window that receives the context menu's commands.
  void SetMenuOwner(wxWindow* owner) { menuOwner_ = owner; }

  // The context menu: the main menu's Background transmission entries.
  std::unique_ptr<wxMenu> ContextMenu() const;
  // Shows the context menu; by default a pop-up at the pointer (tests look
  // at the menu instead).
  void SetMenuShower(std::function<void(wxMenu&)> show) { showMenu_ = std::move(show); }

  // Starts the drop animation (a running one starts again) and returns.
  void PlayDropAnimation();
  bool Animating() const { return step_ >= 0; }
  const wxTimer& AnimationTimer() const { return timer_; }
  // The number of steps before the whole picture: height / 2 + 1.
  int StepCount() const;
  // What the window shows at animation step `step` (0 ... StepCount() - 1).
  wxBitmap StepPicture(int step) const;

  const wxBitmap& Picture() const { return picture_; }
  wxWindow* Canvas() const { return canvas_; }
  std::int32_t pictureHeight = 0;
  std::int32_t pictureWidth = 0;
  wxWindow* ToggleTarget() const { return toggleTarget_; }
  wxWindow* MenuOwner() const { return menuOwner_; }

  // For tests: paints so far, and whether the last one drew the whole picture.
  int Paints() const { return paints_; }
  bool LastPaintWhole() const { return lastPaintWhole_; }
  // Enter and Escape key presses that reached the window and were ignored.
  int IgnoredKeys() const { return ignoredKeys_; }

 private:
  void DrawStep(wxDC& dc, int step) const;
  void OnPaint(wxPaintEvent& event);
  void OnTimer(wxTimerEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  void OnDoubleClick(wxMouseEvent& event);
  void OnRightDown(wxMouseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void EndMove();

  wxBitmap picture_;
  wxWindow* canvas_ = nullptr;  // the picture and the mouse; a child, owned by wx
  wxWindow* toggleTarget_ = nullptr;
  std::function<void()> toggle_;
  wxWindow* menuOwner_ = nullptr;
  std::function<void(wxMenu&)> showMenu_;
  wxTimer timer_;
  int step_ = -1;  // the animation's step; -1 when the whole picture shows
  bool moving_ = false;
  wxPoint grab_;  // the pointer's offset from the window's corner while moving
  int paints_ = 0;
  bool lastPaintWhole_ = false;
  int ignoredKeys_ = 0;
};
