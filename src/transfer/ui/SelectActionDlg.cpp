#include "transfer/ui/SelectActionDlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "transfer/TransferEntry.h"

namespace {

std::int32_t ActionOf(wxWindowID id) {
  switch (id) {
    case CSelectActionDlg::kOverwriteId: return ACTION_OVERWRITE;
    case CSelectActionDlg::kResumeId: return ACTION_RESUME;
    case CSelectActionDlg::kRenameId: return ACTION_RENAME;
    default: return ACTION_SKIP;
  }
}

}  // namespace

CSelectActionDlg::CSelectActionDlg(wxWindow* parent, long extraStyle)
    : wxDialog(parent, wxID_ANY, "Target file already exists", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | extraStyle) {
  targetBox = new wxTextCtrl(this, kTargetTextId, wxEmptyString, wxDefaultPosition,
                             wxSize(360, 60), wxTE_MULTILINE | wxTE_CENTRE | wxTE_READONLY);
  auto* label = new wxStaticText(this, wxID_ANY, "Action:");
  auto* overwrite = new wxButton(this, kOverwriteId, "Overwrite");
  auto* resume = new wxButton(this, kResumeId, "Resume");
  auto* rename = new wxButton(this, kRenameId, "Rename");
  auto* skip = new wxButton(this, wxID_CANCEL, "Skip");
  applyAllBox = new wxCheckBox(this, kApplyAllId, "Apply all");
  SetDefaultItem(nullptr);  // no default button

  auto* actions = new wxBoxSizer(wxHORIZONTAL);
  actions->Add(label, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
  actions->Add(overwrite, 1, wxRIGHT, 4);
  actions->Add(resume, 1, wxRIGHT, 4);
  actions->Add(rename, 1);
  auto* bottom = new wxBoxSizer(wxHORIZONTAL);
  bottom->Add(skip, 0);
  bottom->AddStretchSpacer();
  bottom->Add(applyAllBox, 0, wxALIGN_CENTER_VERTICAL);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(targetBox, 1, wxEXPAND | wxALL, 8);
  top->Add(actions, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
  top->Add(bottom, 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(top);

  for (wxWindowID id : {kOverwriteId, kResumeId, kRenameId})
    Bind(wxEVT_BUTTON, &CSelectActionDlg::OnAction, this, id);
  Bind(wxEVT_BUTTON, &CSelectActionDlg::OnSkip, this, wxID_CANCEL);
  Bind(wxEVT_CLOSE_WINDOW, &CSelectActionDlg::OnClose, this);
  Bind(wxEVT_CHAR_HOOK, &CSelectActionDlg::OnCharHook, this);
  // Opened for a worker, with no owner: it comes to the front by itself.
  Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
    event.Skip();
    if (event.IsShown()) Raise();
  });
}

bool CSelectActionDlg::TransferDataToWindow() {
  targetBox->ChangeValue(wxString::FromUTF8(targetText));
  applyAllBox->SetValue(applyAll != 0);
  return true;
}

bool CSelectActionDlg::TransferDataFromWindow() {
  applyAll = applyAllBox->GetValue() ? 1 : 0;
  targetText = targetBox->GetValue().utf8_str().data();
  return true;
}

void CSelectActionDlg::OnAction(wxCommandEvent& event) {
  TransferDataFromWindow();
  applyToRest = applyAll;
  Finish(ActionOf(event.GetId()));
}

void CSelectActionDlg::OnSkip(wxCommandEvent&) {
  // The tick is not read back into applyAll.
  applyToRest = applyAllBox->GetValue() ? 1 : 0;
  Finish(ACTION_SKIP);
}

void CSelectActionDlg::OnClose(wxCloseEvent&) {
  applyToRest = 0;
  Finish(ACTION_SKIP);
}

void CSelectActionDlg::OnCharHook(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
      applyToRest = 0;
      Finish(ACTION_SKIP);
      return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
      return;  // there is no default button: Enter answers nothing
    default:
      event.Skip();
  }
}

void CSelectActionDlg::Finish(std::int32_t code) {
  result = code;
  const int returnCode = code == ACTION_SKIP ? wxID_CANCEL : static_cast<int>(code);
  SetReturnCode(returnCode);
  if (IsModal()) {
    EndModal(returnCode);
    return;
  }
  Hide();
  if (closeHandler_) closeHandler_(code);
}
