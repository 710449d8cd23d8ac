// The transfer queue view: the foreground queue of the connected login, one
// row per entry in queue order, filling the view. Delete removes the selected
// entries; Start makes the selected entries pending and has the session run
// its queue (with nothing selected the pending entries run and the rest stay
// as they are); Stop halts the session's run and marks the selected entries
// stopped; Ctrl+A selects every row. While the view is the active pane it
// takes the Start, Stop and Select-all commands itself; its context menu is
// the "Foreground transmission" menu.
//
// Queue changes come as WM_QUEUE_CHANGED through the view's message target
// (the session's `queueWindow` and the queue's notify window); a burst of
// them costs one rebuild per short tick. A command on thousands of rows
// makes its changes over a few loop turns.
#pragma once

#include <wx/menu.h>
#include <wx/panel.h>

#include <functional>
#include <memory>

#include "transfer/ui/QueueWork.h"
#include "transfer/ui/RebuildThrottle.h"

namespace platform {
class WindowTarget;
struct Message;
}  // namespace platform

class CFileQueue;
class CFtpObject;
class CJobListCtrl;

class CDownloadFileView : public wxPanel {
 public:
  static constexpr wxWindowID kListId = 5120;

  explicit CDownloadFileView(wxWindow* parent, wxWindowID id = wxID_ANY);
  ~CDownloadFileView() override;

  // --- wiring ---
  void SetSession(CFtpObject* session) { session_ = session; }
  // Shows `queue` from now on (null: nothing), makes the view its notify
  // window and rebuilds the list. Called when the document's queue changed.
  void ShowQueue(CFileQueue* queue);
  CFileQueue* ShownQueue() const { return queue_; }
  // Where queue changes are posted to.
  const std::shared_ptr<platform::WindowTarget>& Target() const { return target_; }

  // --- commands ---
  void ForegroundStart();
  void ForegroundStop();
  // Removes the selected entries from the queue (a running one's transfer
  // goes on to its end).
  void RemoveSelected();
  void SelectAll();
  // Rebuilds the list from the queue now.
  void Rebuild();

  std::unique_ptr<wxMenu> ContextMenu() const;
  // How the context menu is shown (default: a pop-up at the mouse).
  void SetMenuShower(std::function<void(wxMenu&)> show) { showMenu_ = std::move(show); }
  CRebuildThrottle& Throttle() { return throttle_; }
  // The commands' changes still to be made (thousands of rows take a few
  // loop turns).
  CQueueWork& Work() { return work_; }

  CJobListCtrl* jobList = nullptr;  // child, owned by the view

 private:
  void OnMessage(platform::Message& message);
  void OnContextMenu();

  CFtpObject* session_ = nullptr;
  CFileQueue* queue_ = nullptr;
  std::shared_ptr<platform::WindowTarget> target_;
  CRebuildThrottle throttle_;
  CQueueWork work_;
  std::function<void(wxMenu&)> showMenu_;
};
