// "Site Manager": the stored sites by name, with Add, Modify and Remove, and
// "Connection Site" to pick one. Each modal run starts from the site file and
// ends by writing the whole list back, however the dialog is closed; after
// an OK result `selectedSite` holds the picked site (all zero when no row
// was selected).
#pragma once

#include <wx/dialog.h>
#include <wx/listctrl.h>

#include <string>

#include "sites/SiteFile.h"
#include "sites/SiteList.h"
#include "sites/SiteRecord.h"

class CSetDlgSelectSite : public wxDialog {
 public:
  enum : wxWindowID {
    kSiteListId = 1201,
    kAddSiteId,
    kModifySiteId,
    kRemoveSiteId,
  };

  // `siteFilePath`: the site file, by default "SiteInfo.TWP" in the user's
  // data folder (empty when that folder can't be used: nothing is then saved).
  explicit CSetDlgSelectSite(wxWindow* parent, std::string siteFilePath = DefaultSiteFilePath());

  // Loads the site file, runs the dialog, then saves the list and frees it.
  int ShowModal() override;

  SiteRecord selectedSite{};

  // Refills the rows from the list and renumbers the sites to match.
  void FillSiteList();
  const SiteList& Sites() const { return sites_; }
  const std::string& SiteFilePath() const { return path_; }

  wxListCtrl* siteListCtrl = nullptr;  // child, owned by the dialog

 private:
  // The selected row when exactly one is selected, else -1.
  long SelectedRow() const;
  wxWindow* RowsWindow() const;
  void OnAddSite();
  void OnModifySite();
  void OnRemoveSite();
  void OnConnectionSite();
  void OnRowsDoubleClick(wxMouseEvent& event);
  void ShowMessage(const wxString& text);

  std::string path_;
  SiteList sites_;
};
