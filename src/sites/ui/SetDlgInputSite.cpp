#include "sites/ui/SetDlgInputSite.h"

#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstring>

#include "sites/FixedText.h"
#include "sites/SiteAddress.h"
#include "sites/SiteList.h"
#include "sites/ui/SiteText.h"

namespace {

struct FieldSpec {
  const char* label;
  const char* name;
  std::size_t offset;
  std::size_t width;
};

constexpr FieldSpec kSpecs[6] = {
    {"Site Name:", "The site name", offsetof(SiteRecord, siteName), sizeof SiteRecord::siteName},
    {"Site Address:", "The site address", offsetof(SiteRecord, address), sizeof SiteRecord::address},
    {"User:", "The user name", offsetof(SiteRecord, user), sizeof SiteRecord::user},
    {"Password:", "The password", offsetof(SiteRecord, password), sizeof SiteRecord::password},
    {"Remote initial path:", "The remote initial path", offsetof(SiteRecord, remoteInitPath),
     sizeof SiteRecord::remoteInitPath},
    {"Local initial path:", "The local initial path", offsetof(SiteRecord, localInitPath),
     sizeof SiteRecord::localInitPath},
};

std::size_t Utf8Size(const wxString& text) { return text.utf8_str().length(); }

}  // namespace

CSetDlgInputSite::CSetDlgInputSite(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Site info", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE) {
  auto* left = new wxBoxSizer(wxVERTICAL);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    Field& f = fields_[i];
    f.offset = kSpecs[i].offset;
    f.width = kSpecs[i].width;
    f.limit = kInputLimits[i];
    f.name = kSpecs[i].name;
    const long style = i == 3 ? wxTE_PASSWORD : 0;
    f.edit = new wxTextCtrl(this, static_cast<wxWindowID>(kSiteNameId + i), wxEmptyString,
                            wxDefaultPosition, wxSize(300, -1), style);
    left->Add(new wxStaticText(this, wxID_ANY, kSpecs[i].label), 0, i ? wxTOP : 0, 8);
    left->Add(f.edit, 0, wxEXPAND | wxTOP, 2);
    f.edit->Bind(wxEVT_TEXT, [this, i](wxCommandEvent&) { OnFieldText(fields_[i]); });
  }
  siteNameEdit = fields_[0].edit;
  addressEdit = fields_[1].edit;
  userEdit = fields_[2].edit;
  passwordEdit = fields_[3].edit;
  remotePathEdit = fields_[4].edit;
  localPathEdit = fields_[5].edit;

  auto* loginBox = new wxStaticBoxSizer(wxVERTICAL, this, wxString::FromUTF8("Login Type："));
  // One group: choosing one login type clears the other.
  accountRadio = new wxRadioButton(loginBox->GetStaticBox(), kAccountId, "Account",
                                   wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  anonymousRadio = new wxRadioButton(loginBox->GetStaticBox(), kAnonymousId, "Anonymous");
  loginBox->Add(accountRadio, 0, wxALL, 6);
  loginBox->Add(anonymousRadio, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);

  passiveCheck = new wxCheckBox(this, kPassiveId, "Passive mode");
  passiveCheck->SetToolTip("The client opens the data connections (EPSV / PASV), as firewalls "
                           "and NAT routers need; untick for active mode (PORT).");

  okButton = new wxButton(this, wxID_OK, "OK");
  auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
  okButton->SetDefault();
  auto* buttons = new wxBoxSizer(wxVERTICAL);
  buttons->Add(okButton, 0, wxEXPAND | wxBOTTOM, 6);
  buttons->Add(cancel, 0, wxEXPAND);

  auto* right = new wxBoxSizer(wxVERTICAL);
  right->Add(loginBox, 0, wxEXPAND);
  right->Add(passiveCheck, 0, wxTOP, 10);
  right->AddStretchSpacer();
  right->Add(buttons, 0, wxEXPAND | wxTOP, 12);

  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(left, 1, wxEXPAND | wxALL, 10);
  top->Add(right, 0, wxEXPAND | wxTOP | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(top);
}

bool CSetDlgInputSite::Fits(const Field& field, const wxString& text) const {
  // A stored text longer than the limit may be shortened, never lengthened.
  const std::size_t chars = std::max<std::size_t>(static_cast<std::size_t>(field.limit),
                                                  field.shown.length());
  const std::size_t bytes = std::max(field.width - 1, field.shownBytes);
  return text.length() <= chars && Utf8Size(text) <= bytes;
}

void CSetDlgInputSite::OnFieldText(Field& field) {
  const wxString text = field.edit->GetValue();
  if (Fits(field, text)) {
    field.lastGood = text;
    return;
  }
  // Input that doesn't fit the record is refused, as a full field refuses it.
  const long at = field.edit->GetInsertionPoint();
  field.edit->ChangeValue(field.lastGood);
  field.edit->SetInsertionPoint(std::min<long>(at, static_cast<long>(field.lastGood.length())));
  wxBell();
}

bool CSetDlgInputSite::TransferDataToWindow() {
  accountRadio->SetValue(true);
  for (Field& f : fields_) {
    const char* bytes = Bytes(f);
    const std::string text(bytes, strnlen(bytes, f.width));
    f.shown = SiteTextToWx(text);
    f.shownBytes = text.size();
    // Max length first: a longer text set afterwards would be cut by the toolkit.
    f.edit->SetMaxLength(static_cast<unsigned long>(
        std::max<std::size_t>(static_cast<std::size_t>(f.limit), f.shown.length())));
    f.edit->ChangeValue(f.shown);
    f.shown = f.edit->GetValue();
    f.lastGood = f.shown;
  }
  if (site.loginType != LOGIN_ACCOUNT)
    anonymousRadio->SetValue(true);
  else
    accountRadio->SetValue(true);
  // A new site and a quick connect start passive; a stored one shows its flag
  // (0 in every record written before the flag existed: active).
  const SiteRecord zero{};
  const bool fresh = std::memcmp(&site, &zero, sizeof site) == 0;
  passiveCheck->SetValue(connectMode || fresh || IsPassive(site));
  okButton->SetLabel(connectMode ? "Connect" : "OK");
  Layout();
  siteNameEdit->SetFocus();
  return true;
}

void CSetDlgInputSite::Refuse(wxWindow* focus, const wxString& text) {
  wxMessageDialog box(this, text, kSiteNoticeCaption, wxOK | wxICON_WARNING);
  box.ShowModal();
  if (focus) focus->SetFocus();
}

bool CSetDlgInputSite::TransferDataFromWindow() {
  // Checked whole before anything is written: a refused OK changes nothing.
  std::array<std::string, 6> texts;
  std::array<bool, 6> changed{};
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Field& f = fields_[i];
    const wxString value = f.edit->GetValue();
    changed[i] = value != f.shown;
    if (!changed[i]) continue;
    texts[i] = WxToSiteText(value);
    if (!Fits(f, value) || texts[i].size() > f.width - 1) {
      Refuse(f.edit, wxString::Format("%s is too long: at most %d characters (%d bytes).",
                                      f.name, f.limit, static_cast<int>(f.width - 1)));
      return false;
    }
  }
  const Field& address = fields_[1];
  const char* stored = Bytes(address);
  const std::string addressText =
      changed[1] ? texts[1] : std::string(stored, strnlen(stored, address.width));
  const std::string problem = SiteAddressProblem(addressText);
  if (!problem.empty()) {
    Refuse(address.edit, wxString::FromUTF8(problem));
    return false;
  }

  site.loginType = accountRadio->GetValue() ? LOGIN_ACCOUNT : LOGIN_ANONYMOUS;
  SetPassive(site, passiveCheck->GetValue());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (!changed[i]) continue;  // unchanged: its bytes stay exactly as they were
    char* bytes = Bytes(fields_[i]);
    std::memcpy(bytes, texts[i].data(), texts[i].size());
    bytes[texts[i].size()] = '\0';
  }
  return true;
}
