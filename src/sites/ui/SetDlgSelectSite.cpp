#include "sites/ui/SetDlgSelectSite.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/imaglist.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>

#include <memory>

#include "sites/FixedText.h"
#include "sites/ui/SetDlgInputSite.h"
#include "sites/ui/SiteText.h"

namespace {

wxBitmap SiteIcon() {
  const wxSize size(16, 16);
  wxBitmap icon = wxArtProvider::GetBitmap("network-server", wxART_LIST, size);
  if (!icon.IsOk()) icon = wxArtProvider::GetBitmap(wxART_HARDDISK, wxART_LIST, size);
  if (!icon.IsOk()) icon = wxBitmap(size.x, size.y);
  if (icon.GetWidth() != size.x || icon.GetHeight() != size.y)
    icon = wxBitmap(icon.ConvertToImage().Scale(size.x, size.y, wxIMAGE_QUALITY_HIGH));
  return icon;
}

}  // namespace

CSetDlgSelectSite::CSetDlgSelectSite(wxWindow* parent, std::string siteFilePath)
    : wxDialog(parent, wxID_ANY, "Site Manager", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      path_(std::move(siteFilePath)) {
  // GTK's generic list puts small icons above their names; its list mode
  // shows each name beside its icon, with no columns and no sorting.
  siteListCtrl = new wxListCtrl(this, kSiteListId, wxDefaultPosition, wxSize(360, 240),
                                wxLC_LIST | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
  auto images = std::make_unique<wxImageList>(16, 16, true, 4);
  images->Add(SiteIcon());
  siteListCtrl->AssignImageList(images.release(), wxIMAGE_LIST_SMALL);  // the list owns it

  auto* edit = new wxBoxSizer(wxHORIZONTAL);
  edit->Add(new wxButton(this, kAddSiteId, "Add Site"), 1, wxRIGHT, 6);
  edit->Add(new wxButton(this, kModifySiteId, "Modify Site"), 1, wxRIGHT, 6);
  edit->Add(new wxButton(this, kRemoveSiteId, "Remove Site"), 1);
  auto* connect = new wxButton(this, wxID_OK, "Connection Site");
  auto* close = new wxButton(this, wxID_CANCEL, "Close");
  connect->SetDefault();
  auto* bottom = new wxBoxSizer(wxHORIZONTAL);
  bottom->AddStretchSpacer();
  bottom->Add(connect, 0, wxRIGHT, 6);
  bottom->Add(close);

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(siteListCtrl, 1, wxEXPAND | wxALL, 10);
  top->Add(edit, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  top->Add(bottom, 0, wxEXPAND | wxALL, 10);
  SetSizerAndFit(top);

  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnAddSite(); }, kAddSiteId);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnModifySite(); }, kModifySiteId);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnRemoveSite(); }, kRemoveSiteId);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnConnectionSite(); }, wxID_OK);
  // Close, Escape and the close box all come here as the Cancel button.
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_CANCEL); }, wxID_CANCEL);
  siteListCtrl->Bind(wxEVT_LIST_ITEM_ACTIVATED,
                     [this](wxListEvent&) { OnConnectionSite(); });
  RowsWindow()->Bind(wxEVT_LEFT_DCLICK, &CSetDlgSelectSite::OnRowsDoubleClick, this);
}

wxWindow* CSetDlgSelectSite::RowsWindow() const {
  // GTK's list is the generic one: it draws its rows in a child window, which
  // gets the mouse. Without a report header that child is the only one.
  for (wxWindow* child : siteListCtrl->GetChildren())
    if (!child->IsTopLevel()) return child;
  return siteListCtrl;
}

int CSetDlgSelectSite::ShowModal() {
  sites_.FreeSiteList();
  selectedSite = EmptySiteRecord();
  siteListCtrl->DeleteAllItems();
  if (LoadSiteFile(sites_, path_)) FillSiteList();
  const int result = wxDialog::ShowModal();
  if (path_.empty())
    ShowMessage(wxString::FromUTF8("Can't save the sites: " + platform::DataFolder().error));
  else if (!SaveSiteFile(sites_, path_))
    ShowMessage(wxString::Format("Can't save the sites to \"%s\"!", wxString::FromUTF8(path_)));
  sites_.FreeSiteList();
  return result;
}

void CSetDlgSelectSite::FillSiteList() {
  siteListCtrl->DeleteAllItems();
  sites_.Renumber();
  long row = 0;
  for (const SiteNode& node : sites_.Nodes())
    siteListCtrl->InsertItem(row++, SiteTextToWx(FieldText(node.record.siteName)), 0);
}

long CSetDlgSelectSite::SelectedRow() const {
  if (siteListCtrl->GetSelectedItemCount() != 1) return -1;
  return siteListCtrl->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void CSetDlgSelectSite::ShowMessage(const wxString& text) {
  wxMessageDialog box(IsShown() ? static_cast<wxWindow*>(this) : GetParent(), text,
                      kSiteNoticeCaption, wxOK);
  box.ShowModal();
}

void CSetDlgSelectSite::OnAddSite() {
  CSetDlgInputSite input(this);
  if (input.ShowModal() != wxID_OK) return;
  if (!sites_.AppendSite(input.site)) ShowMessage("Can't add site!");
  FillSiteList();
}

void CSetDlgSelectSite::OnModifySite() {
  const long row = SelectedRow();
  if (row < 0) return;
  CSetDlgInputSite input(this);
  if (!sites_.GetSiteAt(static_cast<std::int32_t>(row), input.site)) return;
  if (input.ShowModal() != wxID_OK) return;
  sites_.ReplaceSiteAt(static_cast<std::int32_t>(row), input.site);
  FillSiteList();
}

void CSetDlgSelectSite::OnRemoveSite() {
  const long row = SelectedRow();
  if (row < 0) return;
  sites_.RemoveSiteAt(static_cast<std::int32_t>(row));
  FillSiteList();
}

void CSetDlgSelectSite::OnConnectionSite() {
  if (!IsModal()) return;
  const long row = SelectedRow();
  if (row >= 0) sites_.GetSiteAt(static_cast<std::int32_t>(row), selectedSite);
  EndModal(wxID_OK);
}

void CSetDlgSelectSite::OnRowsDoubleClick(wxMouseEvent& event) {
  // A double click on a row activates it (and connects); one beside the
  // rows connects too.
  int flags = 0;
  const long row = siteListCtrl->HitTest(event.GetPosition(), flags);
  if (row != wxNOT_FOUND && (flags & wxLIST_HITTEST_ONITEM)) {
    event.Skip();
    return;
  }
  OnConnectionSite();
}
