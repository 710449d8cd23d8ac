// The main window's part in drag and drop: which windows take rows dragged
// from the local list and from the remote list, and what a drop there does.
// Files dropped from the desktop are taken by the panes themselves.
#include "app/ui/MainFrame.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "platform/ui/RowDrag.h"
#include "remote/ui/FtpDirDrag.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"
#include "transfer/ui/DownloadFileView.h"
#include "transfer/ui/JobListCtrl.h"
#include "transfer/ui/TransmitFileDlg.h"

void CMainFrame::AddDropTargets() {
  const auto loggedIn = [this](const wxPoint&) { return foregroundSession.IsLoggedIn() != 0; };

  // Local rows: on the remote list or the queue list they are uploaded by
  // the session into its current directory; on the background list they
  // join the background queue.
  DropTarget remoteList;
  remoteList.window = remoteView->fileList;
  remoteList.hover = loggedIn;
  remoteList.drop = [this](const wxPoint&) { localView->UploadSelected(); };
  localView->AddDropTarget(std::move(remoteList));
  DropTarget queueList;
  queueList.window = queueView->jobList;
  queueList.hover = loggedIn;
  queueList.drop = [this](const wxPoint&) { localView->UploadSelected(); };
  localView->AddDropTarget(std::move(queueList));
  DropTarget backgroundList;
  backgroundList.window = backgroundDialog->jobList;
  backgroundList.hover = loggedIn;
  backgroundList.drop = [this](const wxPoint&) { localView->QueueSelected(); };
  localView->AddDropTarget(std::move(backgroundList));

  // Remote rows: downloaded onto the local list and the queue list, queued
  // in the background on the background list.
  CFtpDirDrag& remote = remoteView->Drag();
  remote.AddTarget(remote.LocalListTarget(*localView->fileList));
  remote.AddTarget(remote.QueueListTarget(queueView->jobList));
  remote.AddTarget(remote.BackgroundListTarget(backgroundDialog->jobList));
}

void CMainFrame::AddDropWindow(wxWindow* window, std::function<void()> dropped) {
  // Rows of either pane dropped on it: it is told (it plays its animation),
  // then they join the background queue.
  DropTarget local;
  local.window = window;
  local.hover = [](const wxPoint&) { return true; };
  local.drop = [this, dropped](const wxPoint&) {
    if (dropped) dropped();
    localView->QueueSelected();
  };
  localView->AddDropTarget(std::move(local));
  remoteView->AddDropTarget(remoteView->Drag().DropWindowTarget(window, std::move(dropped)));
}
