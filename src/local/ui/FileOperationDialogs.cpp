#include "local/ui/FileOperationDialogs.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "local/LocalPath.h"
#include "local/ui/DisplayText.h"

namespace {

constexpr int kMessageWidth = 460;

wxString Quoted(const std::string& name) { return "'" + ShortDisplayText(name) + "'"; }

// Icon, message and a row of buttons; the buttons are added by the caller.
wxBoxSizer* MessageRow(wxWindow* parent, const wxArtID& icon, const wxString& message,
                       wxStaticText** text) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  const wxBitmap bitmap = wxArtProvider::GetBitmap(icon, wxART_MESSAGE_BOX);
  if (bitmap.IsOk()) row->Add(new wxStaticBitmap(parent, wxID_ANY, bitmap), 0, wxRIGHT, 12);
  *text = new wxStaticText(parent, wxID_ANY, wxEmptyString);
  (*text)->SetLabelText(message);  // names may hold '&', which is no mnemonic here
  (*text)->Wrap(kMessageWidth);
  row->Add(*text, 1, wxALIGN_CENTER_VERTICAL);
  return row;
}

wxString FailureHeading(LocalFileOperation operation, std::size_t count) {
  const char* verb = operation == LocalFileOperation::Delete   ? "deleted"
                     : operation == LocalFileOperation::Move   ? "moved"
                     : operation == LocalFileOperation::Copy   ? "copied"
                                                               : "renamed";
  if (count == 1) return wxString::Format("This item could not be %s:", verb);
  return wxString::Format("These %zu items could not be %s:", count, verb);
}

}  // namespace

wxString DeleteQuestionText(std::size_t count, const std::vector<std::string>& firstNames) {
  if (count == 1 && !firstNames.empty()) {
    return "Are you sure you want to delete " + Quoted(firstNames.front()) + " for good?";
  }
  wxString text = wxString::Format("Are you sure you want to delete these %zu items for good?\n",
                                   count);
  std::size_t listed = 0;
  for (const std::string& name : firstNames) {
    if (listed == CFileOperationUi::kConfirmNames || listed == count) break;
    text += "\n" + ShortDisplayText(name);
    ++listed;
  }
  if (count > listed) text += wxString::Format(L"\n\u2026 and %zu more", count - listed);
  return text;
}

wxString ReplaceQuestionText(const std::string& target) {
  const std::string folder = localpath::ParentOf(target);
  return Quoted(localpath::NameOf(target)) + " already exists in " + ShortDisplayText(folder) +
         ". Replace it?";
}

CFileQuestionDlg::CFileQuestionDlg(wxWindow* parent, const wxString& caption,
                                   const wxString& message)
    : wxDialog(parent, wxID_ANY, caption), message_(message) {
  wxStaticText* text = nullptr;
  wxBoxSizer* row = MessageRow(this, wxART_QUESTION, message, &text);
  auto* yes = new wxButton(this, wxID_YES, "&Yes");
  auto* no = new wxButton(this, wxID_NO, "&No");

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->AddStretchSpacer();
  buttons->Add(yes, 0, wxRIGHT, 8);
  buttons->Add(no);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(row, 1, wxEXPAND | wxALL, 12);
  top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);
  SetSizerAndFit(top);
  CentreOnParent();

  // No is the safe answer: the default button, the focus, Escape and the
  // close box.
  no->SetDefault();
  no->SetFocus();
  SetAffirmativeId(wxID_YES);
  SetEscapeId(wxID_NO);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Answer(wxID_YES); }, wxID_YES);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Answer(wxID_NO); }, wxID_NO);
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Answer(wxID_NO); });
}

void CFileQuestionDlg::Answer(int id) {
  SetReturnCode(id);
  if (IsModal()) {
    EndModal(id);
  } else {
    Hide();
  }
}

CFileFailuresDlg::CFileFailuresDlg(wxWindow* parent, LocalFileOperation operation,
                                   const std::vector<platform::FileOpFailure>& failures)
    : wxDialog(parent, wxID_ANY, "Error", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
  wxBoxSizer* row =
      MessageRow(this, wxART_ERROR, FailureHeading(operation, failures.size()), &heading_);
  wxString lines;
  for (const platform::FileOpFailure& failure : failures) {
    if (!lines.empty()) lines += "\n";
    lines += DisplayText(failure.path) + wxString(L" \u2014 ") + DisplayText(failure.text);
  }
  list_ = new wxTextCtrl(this, wxID_ANY, lines, wxDefaultPosition, wxSize(kMessageWidth + 60, 140),
                         wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL);
  auto* ok = new wxButton(this, wxID_OK, "OK");

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->AddStretchSpacer();
  buttons->Add(ok);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(row, 0, wxEXPAND | wxALL, 12);
  top->Add(list_, 1, wxEXPAND | wxLEFT | wxRIGHT, 12);
  top->Add(buttons, 0, wxEXPAND | wxALL, 12);
  SetSizerAndFit(top);
  CentreOnParent();

  ok->SetDefault();
  ok->SetFocus();
  SetEscapeId(wxID_OK);
}

wxString CFileFailuresDlg::Heading() const { return heading_->GetLabelText(); }

wxString CFileFailuresDlg::ListText() const { return list_->GetValue(); }
