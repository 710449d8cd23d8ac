#include "app/ui/ProgressStatusCtrl.h"

CProgressStatusCtrl::CProgressStatusCtrl(wxWindow* parent, wxWindowID id)
    : wxStatusBar(parent, id, 0),
      fields_(this, {kProgressId, kStatusTextId, kSpeedTextId}, "  k/s") {
  SetFieldsCount(1);
}

int CProgressStatusCtrl::LayoutFields(int width) {
  fields_.Place(status_layout::DialogStripFields(width));
  return 1;
}

void CProgressStatusCtrl::SetStatusText(const wxString& text) { fields_.SetStatusText(text); }

void CProgressStatusCtrl::SetProgress(int percent) { fields_.SetProgress(percent); }

int CProgressStatusCtrl::SetSpeed(std::int64_t bytesPerSecond) {
  fields_.SetSpeed(bytesPerSecond);
  return 1;
}
