#include "local/ui/FileProgressDlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "local/LocalPath.h"
#include "local/ui/DisplayText.h"

namespace {

constexpr int kWidth = 440;

wxStaticText* Label(wxWindow* parent) {
  return new wxStaticText(parent, wxID_ANY, wxEmptyString, wxDefaultPosition,
                          wxSize(kWidth, -1), wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
}

int Permille(std::uint64_t done, std::uint64_t total) {
  if (total == 0) return 0;
  if (done >= total) return CFileProgressDlg::kGaugeRange;
  return static_cast<int>(static_cast<long double>(done) * CFileProgressDlg::kGaugeRange / total);
}

wxString Megabytes(std::uint64_t bytes) {
  return wxString::Format("%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
}

}  // namespace

wxString CFileProgressDlg::TitleFor(LocalFileOperation operation) {
  switch (operation) {
    case LocalFileOperation::Delete: return "Deleting";
    case LocalFileOperation::Move: return "Moving";
    case LocalFileOperation::Rename: return "Renaming";
    case LocalFileOperation::Copy: return "Copying";
  }
  return wxEmptyString;
}

CFileProgressDlg::CFileProgressDlg(wxWindow* parent, LocalFileOperation operation,
                                   std::size_t items, std::function<void()> onCancel,
                                   int showDelayMs)
    : wxDialog(parent, wxID_ANY, TitleFor(operation)), onCancel_(std::move(onCancel)) {
  name_ = Label(this);
  name_->SetFont(name_->GetFont().Bold());
  folder_ = Label(this);
  count_ = Label(this);
  gauge_ = new wxGauge(this, wxID_ANY, kGaugeRange, wxDefaultPosition, wxSize(kWidth, -1));
  cancel_ = new wxButton(this, wxID_CANCEL, "Cancel");
  count_->SetLabelText(wxString::Format("0 of %zu items", items));

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->AddStretchSpacer();
  buttons->Add(cancel_);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(name_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);
  top->Add(folder_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);
  top->Add(gauge_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);
  top->Add(count_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
  top->Add(buttons, 0, wxEXPAND | wxALL, 12);
  SetSizerAndFit(top);
  CentreOnParent();

  SetEscapeId(wxID_CANCEL);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { RequestCancel(); }, wxID_CANCEL);
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    if (event.CanVeto()) event.Veto();
    RequestCancel();
  });
  showTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    // Disabled while a question of the operation is modal: shown after it,
    // rather than on top of it.
    if (!IsEnabled()) {
      showTimer_.StartOnce(100);
      return;
    }
    Show();
    Raise();
  });
  showTimer_.StartOnce(showDelayMs > 0 ? showDelayMs : 1);
}

CFileProgressDlg::~CFileProgressDlg() { showTimer_.Stop(); }

void CFileProgressDlg::SetProgress(const platform::FileOpProgress& progress) {
  name_->SetLabelText(DisplayText(localpath::NameOf(progress.path)));
  folder_->SetLabelText("in " + DisplayText(localpath::ParentOf(progress.path)));
  wxString count = wxString::Format("%zu of %zu items", progress.itemsDone, progress.itemsTotal);
  if (progress.bytesTotal >= kBigCopyBytes) {
    gauge_->SetValue(Permille(progress.bytesDone, progress.bytesTotal));
    count = Megabytes(progress.bytesDone) + " of " + Megabytes(progress.bytesTotal) + ", " + count;
  } else {
    gauge_->SetValue(Permille(progress.itemsDone, progress.itemsTotal));
  }
  if (!cancelRequested_) count_->SetLabelText(count);
}

void CFileProgressDlg::RequestCancel() {
  if (cancelRequested_) return;
  cancelRequested_ = true;
  cancel_->Disable();
  count_->SetLabelText(wxString::FromUTF8("Cancelling\xE2\x80\xA6"));
  if (onCancel_) onCancel_();
}

wxString CFileProgressDlg::NameText() const { return name_->GetLabelText(); }

wxString CFileProgressDlg::CountText() const { return count_->GetLabelText(); }

int CFileProgressDlg::GaugeValue() const { return gauge_->GetValue(); }
