// The main window's small shell windows: the program icon on the main and
// the background window, the drop window with its double click, context
// menu and drop targets, and the about box.
#include "app/ui/AboutDlg.h"
#include "app/ui/GeniusDlg.h"
#include "app/ui/MainFrame.h"
#include "app/ui/Pictures.h"
#include "local/ui/DirListView.h"
#include "remote/ui/FtpDirDrag.h"
#include "remote/ui/FtpDirView.h"
#include "transfer/ui/TransmitFileDlg.h"

void CMainFrame::CreateShellWindows() {
  const wxIconBundle icons = pictures::ProgramIcons();
  SetIcons(icons);
  backgroundDialog->SetIcons(icons);
  // Owned by the background window; a double click goes through the frame
  // so that the Window menu's check mark follows.
  dropWindow = new CGeniusDlg(backgroundDialog);
  dropWindow->SetToggleTarget(backgroundDialog, [this] { ToggleBackgroundWindow(); });
  dropWindow->SetMenuOwner(this);
  // Shown once the frame is: mapped after it, it is above it even where no
  // window manager keeps it there.
  CallAfter([this] {
    if (dropWindow) dropWindow->ShowWithoutActivating();
  });
}

void CMainFrame::AddDropWindowTargets() {
  // Rows of either file pane dropped on the drop window join the background
  // queue, after its animation starts.
  AddDropWindow(dropWindow, [this] { dropWindow->PlayDropAnimation(); });
}

void CMainFrame::DestroyShellWindows() {
  if (!dropWindow) return;
  if (localView) localView->Drag().RemoveTargetsOf(dropWindow);
  if (remoteView) remoteView->Drag().Rows().RemoveTargetsOf(dropWindow);
  delete dropWindow;  // before its owner, the background window
  dropWindow = nullptr;
}

void CMainFrame::ShowAbout() {
  // Opens from every pane: the remote pane passes About on to the frame.
  CAboutDlg about(this, options_.aboutTitle, options_.productName, options_.programVersion);
  about.ShowModal();
}
