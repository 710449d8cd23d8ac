#include "transfer/ui/DownloadFileView.h"

#include <wx/sizer.h>

#include "engine/FtpObject.h"
#include "platform/MessageIds.h"
#include "platform/ui/WindowTarget.h"
#include "res/CommandIds.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/JobListActions.h"
#include "transfer/ui/JobListCtrl.h"

CDownloadFileView::CDownloadFileView(wxWindow* parent, wxWindowID id)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN,
              "CDownloadFileView"),
      throttle_([this] { Rebuild(); }) {
  jobList = new CJobListCtrl(this, kListId, CJobListCtrl::Order::kQueue, this);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(jobList, 1, wxEXPAND);
  SetSizer(sizer);
  target_ = platform::WindowTarget::Create(this, [this](platform::Message& m) { OnMessage(m); });
  showMenu_ = [this](wxMenu& menu) { PopupMenu(&menu); };

  Bind(EVT_JOBLIST_KEY, [this](wxCommandEvent& event) {
    if (event.GetInt() == WXK_DELETE) RemoveSelected();
  });
  Bind(EVT_JOBLIST_MENU, [this](wxCommandEvent&) { OnContextMenu(); });
  const auto on = [this](int id, std::function<void()> action) {
    Bind(wxEVT_MENU, [action = std::move(action)](wxCommandEvent&) { action(); }, cmd::WxId(id));
  };
  on(cmd::ID_FOREGROUND_START, [this] { ForegroundStart(); });
  on(cmd::ID_FOREGROUND_STOP, [this] { ForegroundStop(); });
  on(cmd::ID_SELECT_ALL, [this] { SelectAll(); });
}

CDownloadFileView::~CDownloadFileView() { target_->Detach(); }

void CDownloadFileView::OnMessage(platform::Message& message) {
  if (message.id == msg::WM_QUEUE_CHANGED) throttle_.Changed();
}

void CDownloadFileView::ShowQueue(CFileQueue* queue) {
  queue_ = queue;
  if (queue_) queue_->SetNotifyWindow(target_);
  Rebuild();
}

void CDownloadFileView::Rebuild() {
  jobList->SetEntries(queue_ ? queue_->Entries() : std::vector<TransferEntry>{});
}

void CDownloadFileView::ForegroundStart() {
  if (queue_) {
    Rebuild();  // act on the states as they are now
    SetRowsState(*jobList, *queue_, session_, ENTRY_PENDING, work_);
  }
  // The run starts once every selected entry is pending.
  work_.Add([this] {
    throttle_.RebuildNow();
    if (session_) session_->RunQueue();
  });
  work_.Run();
}

void CDownloadFileView::ForegroundStop() {
  // Every command the run still sends fails at once until it is done.
  if (session_) session_->SetProceed(0);
  if (!queue_) return;
  Rebuild();
  SetRowsState(*jobList, *queue_, session_, ENTRY_STOPPED, work_);
  work_.Add([this] { throttle_.RebuildNow(); });
  work_.Run();
}

void CDownloadFileView::RemoveSelected() {
  if (!queue_) return;
  RemoveSelectedEntries(*jobList, *queue_, work_);
  work_.Add([this] { throttle_.RebuildNow(); });
  work_.Run();
}

void CDownloadFileView::SelectAll() { jobList->SelectAll(); }

std::unique_ptr<wxMenu> CDownloadFileView::ContextMenu() const { return BuildForegroundMenu(); }

void CDownloadFileView::OnContextMenu() {
  std::unique_ptr<wxMenu> menu = ContextMenu();
  if (showMenu_) showMenu_(*menu);
}
