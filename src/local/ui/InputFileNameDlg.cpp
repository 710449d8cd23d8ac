#include "local/ui/InputFileNameDlg.h"

#include <wx/button.h>
#include <wx/sizer.h>

CInputFileNameDlg::CInputFileNameDlg(wxWindow* parent, long extraStyle)
    : wxDialog(parent, wxID_ANY, "Input new file name", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | extraStyle) {
  nameEdit = new wxTextCtrl(this, kNameEditId, wxEmptyString, wxDefaultPosition,
                            wxSize(320, -1));
  auto* ok = new wxButton(this, wxID_OK, "OK");
  auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
  ok->SetDefault();

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->AddStretchSpacer();
  buttons->Add(ok, 0, wxRIGHT, 8);
  buttons->Add(cancel);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(nameEdit, 0, wxEXPAND | wxALL, 8);
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
  SetSizerAndFit(top);

  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (TransferDataFromWindow()) Finish(wxID_OK);
  }, wxID_OK);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(wxID_CANCEL); }, wxID_CANCEL);
}

bool CInputFileNameDlg::TransferDataToWindow() {
  // Typing replaces the proposed name at once.
  nameEdit->ChangeValue(wxString::FromUTF8(nameText));
  nameEdit->SetFocus();
  // The caret ends at the end of the selection, which scrolls it into view.
  nameEdit->SelectAll();
  return true;
}

bool CInputFileNameDlg::TransferDataFromWindow() {
  // No validation: the caller's operation reports a name it can't use.
  nameText = nameEdit->GetValue().utf8_str().data();
  return true;
}

void CInputFileNameDlg::Finish(int returnCode) {
  SetReturnCode(returnCode);
  if (IsModal()) {
    EndModal(returnCode);
    return;
  }
  Hide();
  if (closeHandler_) closeHandler_(returnCode);
}
