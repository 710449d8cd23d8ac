// The Connect menu's site dialogs: the site manager and the quick connect.
#include "app/ui/MainFrame.h"
#include "sites/ui/SetDlgInputSite.h"
#include "sites/ui/SetDlgSelectSite.h"

void CMainFrame::OnSiteManager() {
  CSetDlgSelectSite dialog(this);
  if (dialog.ShowModal() != wxID_OK) return;
  // With no row selected this is the all-zero record, taken as it is.
  ConnectToSite(dialog.selectedSite);
}

void CMainFrame::OnQuickConnect() {
  CSetDlgInputSite dialog(this);
  dialog.site = EmptySiteRecord();
  dialog.connectMode = 1;
  if (dialog.ShowModal() != wxID_OK) return;
  // A quick-connect site is not added to the site list.
  ConnectToSite(dialog.site);
}
