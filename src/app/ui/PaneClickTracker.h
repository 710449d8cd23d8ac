// Tells its owner about every mouse button pressed in the program's windows,
// so a click into a pane makes that pane active even where the click gives
// no window the focus (an empty generic list keeps the focus where it was).
#pragma once

#include <wx/eventfilter.h>
#include <wx/window.h>

#include <functional>

class CPaneClickTracker : private wxEventFilter {
 public:
  explicit CPaneClickTracker(std::function<void(wxWindow* clicked)> onClick);
  ~CPaneClickTracker() override;
  CPaneClickTracker(const CPaneClickTracker&) = delete;
  CPaneClickTracker& operator=(const CPaneClickTracker&) = delete;

 private:
  int FilterEvent(wxEvent& event) override;

  std::function<void(wxWindow*)> onClick_;
};
