#include "app/ui/ImageStatusBar.h"

#include <wx/time.h>
#include <wx/utils.h>

namespace {

struct Indicator {
  int field;
  wxKeyCode key;
  const char* text;
};
constexpr Indicator kIndicators[] = {
    {CImageStatusBar::kCapsField, WXK_CAPITAL, "CAP"},
    {CImageStatusBar::kNumField, WXK_NUMLOCK, "NUM"},
    {CImageStatusBar::kScrollField, WXK_SCROLL, "SCRL"},
};

}  // namespace

CImageStatusBar::CImageStatusBar(wxWindow* parent, wxWindowID id)
    : wxStatusBar(parent, id, wxSTB_DEFAULT_STYLE),
      fields_(this, {kProgressId, kStatusTextId, kSpeedTextId}, "0 k/s") {
  // The message pane takes what the indicators leave; each indicator is as
  // wide as its text.
  int widths[kFieldCount] = {-1, 0, 0, 0};
  for (const Indicator& ind : kIndicators) widths[ind.field] = GetTextExtent(ind.text).x + 12;
  SetFieldsCount(kFieldCount, widths);
  UpdateIndicators();
  Bind(wxEVT_IDLE, &CImageStatusBar::OnIdle, this);
}

int CImageStatusBar::LayoutFields(int width) {
  fields_.Place(status_layout::MainBarFields(width));
  return 1;
}

void CImageStatusBar::SetStatusText(const wxString& text) { fields_.SetStatusText(text); }

void CImageStatusBar::SetProgress(int percent) { fields_.SetProgress(percent); }

int CImageStatusBar::SetSpeed(std::int64_t bytesPerSecond) {
  fields_.SetSpeed(bytesPerSecond);
  return 1;
}

void CImageStatusBar::UpdateIndicators() {
  for (const Indicator& ind : kIndicators) {
    const wxString shown = wxGetKeyState(ind.key) ? wxString(ind.text) : wxString();
    if (GetStatusText(ind.field) != shown) wxStatusBar::SetStatusText(shown, ind.field);
  }
}

void CImageStatusBar::OnIdle(wxIdleEvent& event) {
  // Each look at the keys asks the display server; a few times a second is enough.
  const wxLongLong now = wxGetLocalTimeMillis();
  if (now - lastIndicatorCheck_ >= 250) {
    lastIndicatorCheck_ = now;
    UpdateIndicators();
  }
  event.Skip();
}
