#include "app/ui/WelcomeDlg.h"

#include <wx/dcbuffer.h>
#include <wx/frame.h>

#include "app/ui/Pictures.h"

CWelcomeDlg::CWelcomeDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Skiffline", wxDefaultPosition, wxDefaultSize,
               wxBORDER_NONE | wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR | wxFRAME_TOOL_WINDOW),
      timer_(this) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  picture_ = pictures::SplashPicture();
  if (!picture_.IsOk()) picture_ = wxBitmap(400, 300);
  pictureWidth = picture_.GetWidth();
  pictureHeight = picture_.GetHeight();
  SetSize(pictureWidth, pictureHeight);
  Bind(wxEVT_PAINT, &CWelcomeDlg::OnPaint, this);
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Finish(); });
  Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent&) { Finish(); });
}

CWelcomeDlg::~CWelcomeDlg() { timer_.Stop(); }

void CWelcomeDlg::Start() {
  Hide();
  SetSize(pictureWidth, pictureHeight);
  CentreOnScreen();
  Show();
  timer_.StartOnce(kShowMs);
}

void CWelcomeDlg::Finish() {
  if (finished_) return;
  finished_ = true;
  timer_.Stop();
  Destroy();
}

void CWelcomeDlg::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.DrawBitmap(picture_, 0, 0);
}
