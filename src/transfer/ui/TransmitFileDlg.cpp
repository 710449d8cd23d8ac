#include "transfer/ui/TransmitFileDlg.h"

#include <chrono>

#include "app/ui/ProgressStatusCtrl.h"
#include "platform/MessageIds.h"
#include "platform/ui/TextBytes.h"
#include "platform/ui/WindowTarget.h"
#include "res/CommandIds.h"
#include "transfer/ui/JobListActions.h"
#include "transfer/ui/JobListCtrl.h"

CTransmitFileDlg::CTransmitFileDlg(wxWindow* parent, const std::string& queueFile)
    : wxDialog(parent, wxID_ANY, "Background transmission queue", wxDefaultPosition,
               wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX,
               "CTransmitFileDlg"),
      throttle_([this] { Rebuild(); }) {
  progressStrip = new CProgressStatusCtrl(this, kStripId);
  jobList = new CJobListCtrl(this, kListId, CJobListCtrl::Order::kNewestFirst, this);
  target_ = platform::WindowTarget::Create(this, [this](platform::Message& m) { OnMessage(m); });
  showMenu_ = [this](wxMenu& menu) { PopupMenu(&menu); };

  queue_.SetNotifyWindow(target_);
  queue_.SetFile(queueFile);
  sender_.backgroundQueue = &queue_;
  sender_.progressWindow = target_;

  SetSize(ConvertDialogToPixels(wxSize(kWidthDu, kHeightDu)));
  progressStrip->SetProgress(0);
  BindEvents();
  LayoutChildren();
  Rebuild();
  Centre();
}

CTransmitFileDlg::~CTransmitFileDlg() {
  // No post reaches the half-destroyed window; the sender ends before the
  // queue it works on goes away. Entries still being added reach the file.
  target_->Detach();
  closing_ = true;
  startWhenAdded_ = false;
  work_.Finish();
  FlushPendingAdds();
}

void CTransmitFileDlg::BindEvents() {
  Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    LayoutChildren();
    event.Skip();
  });
  Bind(wxEVT_CLOSE_WINDOW, &CTransmitFileDlg::OnClose, this);
  addTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { AddSlice(); });
  Bind(wxEVT_CHAR_HOOK, &CTransmitFileDlg::OnCharHook, this);
  Bind(EVT_JOBLIST_KEY, [this](wxCommandEvent& event) {
    if (event.GetInt() != WXK_DELETE) return;
    RemoveSelectedEntries(*jobList, queue_, work_);
    work_.Add([this] { throttle_.RebuildNow(); });
    work_.Run();
  });
  Bind(EVT_JOBLIST_MENU, [this](wxCommandEvent&) {
    std::unique_ptr<wxMenu> menu = ContextMenu();
    if (showMenu_) showMenu_(*menu);
  });
  const auto on = [this](int id, std::function<void()> action) {
    Bind(wxEVT_MENU, [action = std::move(action)](wxCommandEvent&) { action(); }, cmd::WxId(id));
  };
  on(cmd::ID_BACKGROUND_START, [this] { BackgroundStart(); });
  on(cmd::ID_BACKGROUND_STOP_SELECTED, [this] { BackgroundStopSelected(); });
  on(cmd::ID_BACKGROUND_STOP_ALL, [this] { BackgroundStopAll(); });
  on(cmd::ID_BACKGROUND_SELECT_ALL, [this] { SelectAll(); });
}

void CTransmitFileDlg::LayoutChildren() {
  const wxSize client = GetClientSize();
  const int w = std::max(client.x, 1);
  const int listHeight = std::max(client.y - kStripHeight, 1);
  jobList->SetSize(0, 0, w, listHeight);
  progressStrip->SetSize(0, listHeight, w, kStripHeight);
  progressStrip->LayoutFields(GetSize().x);
}

void CTransmitFileDlg::OnClose(wxCloseEvent& event) {
  // Only hidden, whatever asked: the sending goes on, and the owner (the
  // main window) destroys the window when it goes itself.
  if (event.CanVeto()) event.Veto();
  Hide();
}

void CTransmitFileDlg::OnCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_ESCAPE) {
    Hide();
    return;
  }
  if (event.GetModifiers() == wxMOD_CONTROL && event.GetKeyCode() == 'A') {
    SelectAll();
    return;
  }
  event.Skip();
}

void CTransmitFileDlg::OnMessage(platform::Message& message) {
  switch (message.id) {
    case msg::WM_QUEUE_CHANGED:
      throttle_.Changed();
      break;
    case msg::WM_SESSION_PROGRESS_TEXT:
      progressStrip->SetStatusText(platform::TextFromBytes(message.Text()));
      break;
    case msg::WM_SESSION_PROGRESS:
      progressStrip->SetProgress(static_cast<int>(message.wParam));
      progressStrip->SetSpeed(static_cast<std::int64_t>(message.lParam));
      break;
    default:
      break;
  }
}

void CTransmitFileDlg::Rebuild() { jobList->SetEntries(queue_.Entries()); }

void CTransmitFileDlg::AddEntry(const TransferEntry& entry) {
  incoming_.push_back(entry);
  if (!addTimer_.IsRunning()) addTimer_.StartOnce(1);
}

void CTransmitFileDlg::AddSlice() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(kAddSliceMs);
  std::size_t added = 0;
  while (!incoming_.empty() && (added % 16 != 0 || Clock::now() < end)) {
    queue_.Add(incoming_.front());
    incoming_.pop_front();
    ++added;
  }
  throttle_.Changed();  // many entries in a row cost one rebuild
  if (!incoming_.empty()) {
    addTimer_.StartOnce(1);  // input and paint get their turn first
  } else if (startWhenAdded_) {
    startWhenAdded_ = false;
    StartNow();
  }
}

void CTransmitFileDlg::FlushPendingAdds() {
  addTimer_.Stop();
  for (const TransferEntry& entry : incoming_) queue_.Add(entry);
  incoming_.clear();
  throttle_.Changed();
  if (startWhenAdded_) {
    startWhenAdded_ = false;
    StartNow();
  }
}

void CTransmitFileDlg::TakeSessionWindows() {
  if (!source_) return;
  sender_.logWindow = source_->logWindow.Get();
  sender_.viewWindow = source_->viewWindow.Get();
  sender_.localWindow = source_->localWindow.Get();
  sender_.queueWindow = source_->queueWindow.Get();
  sender_.inactivityTimeoutMs = source_->inactivityTimeoutMs.load();
  // The sender's thread reads its questions: only set between runs.
  if (!sender_.IsRunning()) sender_.questions = source_->questions;
}

void CTransmitFileDlg::BackgroundStart() {
  if (!incoming_.empty()) {
    startWhenAdded_ = true;  // the new entries are pending: they go too
    return;
  }
  StartNow();
}

void CTransmitFileDlg::StartNow() {
  Rebuild();  // act on the states as they are now
  SetRowsState(*jobList, queue_, &sender_, ENTRY_PENDING, work_);
  // The sender starts once every selected entry is pending.
  work_.Add([this] {
    throttle_.RebuildNow();
    if (closing_) return;
    TakeSessionWindows();
    sender_.StartBackground();
  });
  work_.Run();
}

void CTransmitFileDlg::BackgroundStopSelected() {
  Rebuild();
  // The sender's run is halted only when it works on a selected entry: a
  // stopped pending entry leaves the running transfer alone.
  const std::optional<TransferEntry> current = sender_.CurrentEntry();
  TransferEntry row;
  for (long index : jobList->SelectedRows()) {
    if (jobList->ReadRow(index, row) &&
        (row.state == ENTRY_RUNNING || (current && Matches(row, *current)))) {
      sender_.SetProceed(0);
      break;
    }
  }
  SetRowsState(*jobList, queue_, &sender_, ENTRY_STOPPED, work_);
  work_.Add([this] { throttle_.RebuildNow(); });
  work_.Run();
}

void CTransmitFileDlg::BackgroundStopAll() {
  startWhenAdded_ = false;
  for (TransferEntry& entry : incoming_) entry.state = ENTRY_STOPPED;
  sender_.SetProceed(0);
  Rebuild();
  SetRowsState(*jobList, queue_, &sender_, ENTRY_STOPPED, work_, true);
  work_.Add([this] { throttle_.RebuildNow(); });
  work_.Run();
}

void CTransmitFileDlg::SelectAll() { jobList->SelectAll(); }

std::unique_ptr<wxMenu> CTransmitFileDlg::ContextMenu() const { return BuildBackgroundMenu(); }
