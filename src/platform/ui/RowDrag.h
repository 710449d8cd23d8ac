// Dragging rows of a list with the mouse, from one pane to windows anywhere
// in the program. The drag follows the pointer with a small picture of what
// is dragged (GTK shows no drag images of its own), asks the window under the
// pointer whether it takes a drop there, shows the arrow or the no-entry
// cursor, and hands the drop to that window. Windows take part by
// registering as drop targets, so a window built later adds itself without
// this file knowing it; a target window that is destroyed drops out by
// itself. Escape or a lost mouse capture ends the drag without effect.
#pragma once

#include <wx/bitmap.h>
#include <wx/event.h>
#include <wx/eventfilter.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <functional>
#include <vector>

class wxPopupWindow;

struct DropTarget {
  wxWindow* window = nullptr;  // the target, with every window inside it
  // The pointer is over the target at `screen`: true when a drop there
  // would do something (a row may be marked for it).
  std::function<bool(const wxPoint& screen)> hover;
  // The pointer left the target, or the drag ended: remove any mark.
  std::function<void()> leave;
  // The button was released over the target at `screen`.
  std::function<void(const wxPoint& screen)> drop;
};

class CRowDrag : public wxEvtHandler, private wxEventFilter {
 public:
  // `owner` captures the mouse while a drag runs.
  explicit CRowDrag(wxWindow* owner);
  ~CRowDrag() override;

  void AddTarget(DropTarget target);
  void RemoveTargetsOf(wxWindow* window);

  // Starts a drag of what `label` describes; the pointer is where it is now.
  void Begin(const wxString& label, const wxBitmap& icon);
  // Ends the drag without a drop.
  void Cancel();
  bool Dragging() const { return dragging_; }
  // The picture that follows the pointer (null when no drag runs).
  wxWindow* Picture() const;
  // Whether the cursor shows that a drop here would be taken.
  bool DropAllowed() const { return allowed_; }

 private:
  void OnMotion(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  int FilterEvent(wxEvent& event) override;
  void Track(const wxPoint& screen);
  void End();

  wxWindow* owner_;
  struct Registered {
    DropTarget target;
    wxWeakRef<wxWindow> alive;  // null once the window is gone
  };
  Registered* TargetAt(const wxPoint& screen);
  void LeaveCurrent();

  std::vector<Registered> targets_;
  Registered* current_ = nullptr;
  wxPopupWindow* picture_ = nullptr;  // owned by wx; destroyed at the end of a drag
  bool dragging_ = false;
  bool allowed_ = false;
};
