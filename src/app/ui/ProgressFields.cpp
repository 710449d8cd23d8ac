#include "app/ui/ProgressFields.h"

#include <algorithm>

namespace {

constexpr long kTextStyle = wxALIGN_RIGHT | wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END;

void PlaceChild(wxWindow* child, const status_layout::FieldRect& r) {
  // An empty rectangle hides the field.
  child->SetSize(r.left, r.top, r.Width(), r.Height(), wxSIZE_ALLOW_MINUS_ONE);
  child->Show(!r.IsEmpty());
  child->Refresh();
}

}  // namespace

CProgressFields::CProgressFields(wxWindow* strip, ProgressFieldIds ids,
                                 const wxString& initialSpeed) {
  progressBar = new wxGauge(strip, ids.progress, 100, wxPoint(0, 0), wxSize(0, 0),
                            wxGA_HORIZONTAL | wxGA_SMOOTH);
  statusText = new wxStaticText(strip, ids.status, wxEmptyString, wxPoint(0, 0), wxSize(0, 0),
                                kTextStyle);
  speedText = new wxStaticText(strip, ids.speed, initialSpeed, wxPoint(0, 0), wxSize(0, 0),
                               kTextStyle);
  progressBar->SetValue(0);
  for (wxWindow* child : {static_cast<wxWindow*>(progressBar), static_cast<wxWindow*>(statusText),
                          static_cast<wxWindow*>(speedText)})
    child->Hide();  // shown by the first Place() with a real width
}

void CProgressFields::Place(const status_layout::StatusFields& fields) {
  PlaceChild(progressBar, fields.progress);
  PlaceChild(statusText, fields.status);
  PlaceChild(speedText, fields.speed);
}

void CProgressFields::SetStatusText(const wxString& text) {
  statusText->SetLabelText(text);
}

void CProgressFields::SetProgress(int percent) {
  const int value = std::clamp(percent, 0, 100);
  if (progressBar->GetValue() != value) progressBar->SetValue(value);
}

void CProgressFields::SetSpeed(std::int64_t bytesPerSecond) {
  speedText->SetLabelText(wxString::FromUTF8(status_layout::SpeedText(bytesPerSecond)));
}
