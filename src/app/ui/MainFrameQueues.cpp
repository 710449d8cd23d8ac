// The main window's part in the transfer lists: the background window's
// creation and end, the queue view's and the background window's wiring to
// the session and the panes, and the Window, Foreground and Background
// commands.
#include "app/ui/MainFrame.h"
#include "remote/ui/FtpDirView.h"
#include "local/ui/DirListView.h"
#include "platform/DataFolder.h"
#include "res/CommandIds.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/DownloadFileView.h"
#include "transfer/ui/JobListCtrl.h"
#include "transfer/ui/TransmitFileDlg.h"

void CMainFrame::CreateBackgroundWindow() {
  backgroundDialog =
      new CTransmitFileDlg(this, platform::DataFilePath(options_.dataFolder, kBackgroundQueueFile));
  backgroundDialog->Hide();
  backgroundDialog->Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
    SyncBackgroundCheck();
    event.Skip();
  });
}

void CMainFrame::DestroyBackgroundWindow() {
  // Its sender ends (and is joined) before the session's windows go.
  delete backgroundDialog;
  backgroundDialog = nullptr;
}

void CMainFrame::WireQueues() {
  queueView->SetSession(&foregroundSession);
  foregroundSession.queueWindow = queueView->Target();
  queueView->ShowQueue(document_.shownQueue);
  backgroundDialog->SetSessionSource(&foregroundSession);
  localView->SetQueueShown([this] { ShowDocumentQueue(); });
  localView->SetBackgroundQueue([this](const TransferEntry& entry) { QueueInBackground(entry); });
  remoteView->SetQueueShown([this] { ShowDocumentQueue(); });
  remoteView->SetBackgroundQueue([this](const TransferEntry& entry) { QueueInBackground(entry); });
  AddDropTargets();
}

void CMainFrame::ShowDocumentQueue() {
  if (queueView->ShownQueue() != document_.shownQueue) queueView->ShowQueue(document_.shownQueue);
}

void CMainFrame::QueueInBackground(const TransferEntry& entry) {
  if (backgroundDialog) backgroundDialog->AddEntry(entry);
}

void CMainFrame::ToggleBackgroundWindow() {
  if (!backgroundDialog) return;
  if (backgroundDialog->IsShown()) {
    backgroundDialog->Hide();
  } else {
    backgroundDialog->Rebuild();  // shows the queue as it is now
    backgroundDialog->Show();
    backgroundDialog->Raise();
  }
  SyncBackgroundCheck();
}

void CMainFrame::SyncBackgroundCheck() {
  wxMenuBar* bar = GetMenuBar();
  if (!bar) return;
  if (wxMenuItem* item = bar->FindItem(cmd::WxId(cmd::ID_BACKGROUND_LIST)))
    item->Check(backgroundDialog && backgroundDialog->IsShown());
}

void CMainFrame::BindQueueCommands() {
  const auto on = [this](int id, std::function<void()> action) {
    Bind(wxEVT_MENU, [action = std::move(action)](wxCommandEvent&) { action(); }, cmd::WxId(id));
  };
  on(cmd::ID_BACKGROUND_LIST, [this] { ToggleBackgroundWindow(); });
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) {
    event.Check(backgroundDialog && backgroundDialog->IsShown());
  }, cmd::WxId(cmd::ID_BACKGROUND_LIST));
  // While the queue view is the active pane it takes these itself.
  on(cmd::ID_FOREGROUND_START, [this] { queueView->ForegroundStart(); });
  on(cmd::ID_FOREGROUND_STOP, [this] { queueView->ForegroundStop(); });
  on(cmd::ID_BACKGROUND_START, [this] { backgroundDialog->BackgroundStart(); });
  on(cmd::ID_BACKGROUND_STOP_SELECTED, [this] { backgroundDialog->BackgroundStopSelected(); });
  on(cmd::ID_BACKGROUND_STOP_ALL, [this] { backgroundDialog->BackgroundStopAll(); });
  on(cmd::ID_BACKGROUND_SELECT_ALL, [this] { backgroundDialog->SelectAll(); });
}
