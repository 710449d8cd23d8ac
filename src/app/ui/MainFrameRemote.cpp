// The main window's connect flows and Remote commands: the remote pane is
// the session's view window, connects and disconnects go through it, and
// the Remote commands reach it when another pane is active.
#include <cstring>

#include "app/ui/MainFrame.h"
#include "local/ui/DirListView.h"
#include "platform/MessageIds.h"
#include "remote/ui/FtpDirView.h"
#include "res/CommandIds.h"
#include "sites/FixedText.h"

void CMainFrame::WireRemotePane() {
  remoteView->SetSession(&foregroundSession);
  remoteView->SetDocument(&document_);
  remoteView->SetStatusReporter([target = logTarget_](const std::string& text) {
    target->Post(platform::TextMessage(msg::WM_SESSION_STATUS_LINE, text));
  });
  foregroundSession.viewWindow = remoteView->Target();
}

void CMainFrame::ConnectSession(const SiteRecord& record) {
  // The site's local folder, when it names one that exists.
  localView->ShowFolderIfExists(FieldText(record.localInitPath));
  remoteView->Connect(record);
}

void CMainFrame::StartUpConnect() {
  if (currentSite.address[0] != '\0') ConnectSession(currentSite);
}

void CMainFrame::ConnectToSite(const SiteRecord& record) {
  remoteView->Disconnect();
  ConnectSession(record);
  std::memcpy(&currentSite, &record, sizeof currentSite);
}

void CMainFrame::BindRemoteCommands() {
  const auto on = [this](int id, std::function<void()> action) {
    Bind(wxEVT_MENU, [action = std::move(action)](wxCommandEvent&) { action(); }, cmd::WxId(id));
  };
  on(cmd::ID_RECONNECT, [this] {
    if (currentSite.address[0] == '\0') return;
    remoteView->Disconnect();
    ConnectSession(currentSite);
  });
  on(cmd::ID_DISCONNECT, [this] { remoteView->Disconnect(); });
  // Reached with another pane active (the remote pane takes them itself),
  // and Cancel whichever pane is active.
  on(cmd::ID_REMOTE_DELETE, [this] { remoteView->DeleteSelected(); });
  on(cmd::ID_REMOTE_REFRESH, [this] { remoteView->RefreshList(); });
  on(cmd::ID_REMOTE_DOWNLOAD, [this] { remoteView->DownloadSelected(); });
  on(cmd::ID_LOCAL_DOWNLOAD, [this] { remoteView->DownloadSelected(); });
  on(cmd::ID_REMOTE_NEW_FOLDER, [this] { remoteView->NewFolder(); });
  on(cmd::ID_CANCEL_OPERATION, [this] { remoteView->CancelOperation(); });
  on(cmd::ID_REMOTE_EDIT, [this] { remoteView->OneRowSelected(); });
}
