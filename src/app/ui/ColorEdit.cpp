#include "app/ui/ColorEdit.h"

#include <wx/font.h>

#include "platform/ui/TextBytes.h"

namespace {


wxColour ToWxColour(LogColour c) { return wxColour(LogRed(c), LogGreen(c), LogBlue(c)); }

}  // namespace

CColorEdit::CColorEdit(wxWindow* parent, wxWindowID id)
    : wxTextCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                 wxTE_MULTILINE | wxTE_RICH2 | wxTE_READONLY | wxVSCROLL | wxTAB_TRAVERSAL) {
  // The platform's default face; only the height and the colour are set.
  wxFont font = GetFont();
  font.SetPointSize(kFontPoints);
  SetFont(font);
  SetDefaultStyle(wxTextAttr(*wxBLACK, wxNullColour, font));
}

int CColorEdit::SetLineColor(LogColour colour) {
  lineColor = colour;
  return 1;
}

int CColorEdit::AppendColored(const std::string& text) {
  AppendDisplayText(platform::TextFromBytes(LogDisplayText(text)));
  return 1;
}

void CColorEdit::AppendText(const wxString& text) {
  wxString shown = text;
  shown.Replace("\r\n", "\n");
  shown.Replace("\r", "\n");
  AppendDisplayText(shown);
}

void CColorEdit::AppendDisplayText(const wxString& shown) {
  if (shown.empty()) return;
  const std::size_t used = runs_.Length();
  if (used >= limit_) return;  // the log is full: later lines are dropped
  const wxString part = shown.length() > limit_ - used ? shown.Left(limit_ - used) : shown;

  // At the very end, in the line colour, without touching the focus.
  SetDefaultStyle(wxTextAttr(ToWxColour(lineColor)));
  SetInsertionPointEnd();
  wxTextCtrl::WriteText(part);
  ShowPosition(GetLastPosition());

  runs_.Add(std::string(part.utf8_str().data()), lineColor);
  runs_.AddLength(part.length());
}
