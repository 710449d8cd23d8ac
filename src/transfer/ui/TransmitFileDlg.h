// The background transmission window: a modeless window that owns the
// background queue (kept in "BkTransmit.TWQ") and the background sender, and
// shows the queue with the entry queued last on top, above a progress strip
// with the name, progress and speed of the file being sent.
//
// Start makes the selected entries pending and starts the sender, which logs
// in by itself and sends the queue login group by login group; a Start while
// it runs only makes entries pending, and the running loop takes them. Stop
// selected marks the selected rows stopped and halts the sender only when
// one of them is the entry it sends; Stop all halts it and marks every row
// stopped. Closing the window (its close box
// or Escape) only hides it; sending goes on.
#pragma once

#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/timer.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "engine/FtpTransmitFile.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/QueueWork.h"
#include "transfer/ui/RebuildThrottle.h"

namespace platform {
class WindowTarget;
struct Message;
}  // namespace platform

class CJobListCtrl;
class CProgressStatusCtrl;

class CTransmitFileDlg : public wxDialog {
 public:
  static constexpr wxWindowID kListId = 5376;
  static constexpr wxWindowID kStripId = 1043;
  static constexpr int kStripHeight = 20;
  // The window's first size, in dialog units.
  static constexpr int kWidthDu = 310;
  static constexpr int kHeightDu = 163;
  static constexpr int kAddSliceMs = 10;

  // `queueFile`: the background queue's file (loaded now).
  explicit CTransmitFileDlg(wxWindow* parent, const std::string& queueFile = kBackgroundQueueFile);
  ~CTransmitFileDlg() override;

  // The session whose windows (log, remote pane, local pane, queue view),
  // questions and time limit the sender uses; read at each Start.
  void SetSessionSource(const CFtpFunction* foreground) { source_ = foreground; }

  // --- operations ---
  // Adds the entry to the background queue. Entries given in a burst (a
  // pane queueing thousands of rows) go in over the next few loop turns, a
  // slice of about kAddSliceMs at a time, so that the window never stalls;
  // the list follows within a tick.
  void AddEntry(const TransferEntry& entry);
  // Entries given to AddEntry that are not in the queue yet.
  std::size_t PendingAdds() const { return incoming_.size(); }
  // Puts them all into the queue now.
  void FlushPendingAdds();
  // Starts at once, or once the entries still being added are in.
  void BackgroundStart();
  void BackgroundStopSelected();
  void BackgroundStopAll();
  void SelectAll();
  void Rebuild();

  CFileQueue& Queue() { return queue_; }
  CFtpTransmitFile& Sender() { return sender_; }
  bool IsSending() const { return sender_.IsRunning(); }
  const std::shared_ptr<platform::WindowTarget>& Target() const { return target_; }
  CRebuildThrottle& Throttle() { return throttle_; }
  // The commands' changes still to be made.
  CQueueWork& Work() { return work_; }

  std::unique_ptr<wxMenu> ContextMenu() const;
  void SetMenuShower(std::function<void(wxMenu&)> show) { showMenu_ = std::move(show); }

  CJobListCtrl* jobList = nullptr;               // children, owned by the window
  CProgressStatusCtrl* progressStrip = nullptr;

 private:
  void LayoutChildren();
  void BindEvents();
  void OnMessage(platform::Message& message);
  void OnClose(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void TakeSessionWindows();
  void StartNow();
  void AddSlice();

  // The queue outlives the sender, which works on it.
  CFileQueue queue_;
  CFtpTransmitFile sender_;
  const CFtpFunction* source_ = nullptr;
  std::shared_ptr<platform::WindowTarget> target_;
  CRebuildThrottle throttle_;
  CQueueWork work_;
  bool closing_ = false;  // the window goes: nothing starts any more
  std::function<void(wxMenu&)> showMenu_;
  std::deque<TransferEntry> incoming_;  // given to AddEntry, not yet queued
  bool startWhenAdded_ = false;         // a Start waits for them
  wxTimer addTimer_;                    // the next slice of incoming_
};
