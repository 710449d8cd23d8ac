// Dragging rows of the remote list. The drag itself (the picture, the
// cursors, Escape) is the shared row drag; this file says where remote rows
// may go and what a drop there does. Over the remote list itself a drop is
// refused. The main frame registers the other targets, made here:
//   - the local list: onto a folder row, a download into that folder (the
//     row is marked while the pointer is over it); elsewhere on the list,
//     into the local pane's folder;
//   - the transfer queue list: a download into the local pane's folder;
//   - the background list: the rows join the background queue;
//   - a floating drop window: it is told, then the rows join the background
//     queue.
// Every target but the drop window refuses while the session is logged out.
#pragma once

#include <functional>

#include "platform/ui/RowDrag.h"

class CDirListCtrl;
class CFtpDirView;

class CFtpDirDrag {
 public:
  // Drags start from `pane`'s list; `pane` captures the mouse meanwhile.
  explicit CFtpDirDrag(CFtpDirView& pane);
  CFtpDirDrag(const CFtpDirDrag&) = delete;
  CFtpDirDrag& operator=(const CFtpDirDrag&) = delete;

  CRowDrag& Rows() { return drag_; }
  void AddTarget(DropTarget target) { drag_.AddTarget(std::move(target)); }

  // The targets the main frame registers.
  DropTarget LocalListTarget(CDirListCtrl& list);
  DropTarget QueueListTarget(wxWindow* list);
  DropTarget BackgroundListTarget(wxWindow* list);
  DropTarget DropWindowTarget(wxWindow* window, std::function<void()> dropped);

 private:
  void OnBeginDrag();
  bool LoggedIn() const;

  CFtpDirView& pane_;
  CRowDrag drag_;
};
