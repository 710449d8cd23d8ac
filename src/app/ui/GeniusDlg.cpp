#include "app/ui/GeniusDlg.h"

#include <wx/dcbuffer.h>
#include <wx/frame.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "app/ui/CommandTable.h"
#include "app/ui/Pictures.h"

const wxColour CGeniusDlg::kDropColour(10, 5, 5);

CGeniusDlg::CGeniusDlg(wxWindow* owner)
    : wxDialog(owner, wxID_ANY, "Skiffline", wxDefaultPosition, wxDefaultSize,
               // Kept above the (maximised) main window so that it stays a
               // place to drop on; no task bar entry of its own.
               wxBORDER_NONE | wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR),
      timer_(this) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetEscapeId(wxID_NONE);
  picture_ = pictures::DropWindowPicture();
  if (!picture_.IsOk()) picture_ = wxBitmap(38, 40);  // never without a size
  pictureWidth = picture_.GetWidth();
  pictureHeight = picture_.GetHeight();
  const int screenWidth = wxSystemSettings::GetMetric(wxSYS_SCREEN_X);
  SetSize(screenWidth - kRightGap, kTop, pictureWidth, pictureHeight);
  // The picture sits on a child that covers the window: it can take the
  // keyboard focus, which a window without children can't on GTK.
  canvas_ = new wxWindow(this, wxID_ANY, wxPoint(0, 0), wxSize(pictureWidth, pictureHeight),
                         wxBORDER_NONE);
  canvas_->SetBackgroundStyle(wxBG_STYLE_PAINT);

  canvas_->Bind(wxEVT_PAINT, &CGeniusDlg::OnPaint, this);
  Bind(wxEVT_TIMER, &CGeniusDlg::OnTimer, this);
  canvas_->Bind(wxEVT_LEFT_DOWN, &CGeniusDlg::OnLeftDown, this);
  canvas_->Bind(wxEVT_MOTION, &CGeniusDlg::OnMotion, this);
  canvas_->Bind(wxEVT_LEFT_UP, &CGeniusDlg::OnLeftUp, this);
  canvas_->Bind(wxEVT_MOUSE_CAPTURE_LOST, &CGeniusDlg::OnCaptureLost, this);
  canvas_->Bind(wxEVT_LEFT_DCLICK, &CGeniusDlg::OnDoubleClick, this);
  canvas_->Bind(wxEVT_RIGHT_DOWN, &CGeniusDlg::OnRightDown, this);
  Bind(wxEVT_CHAR_HOOK, &CGeniusDlg::OnCharHook, this);
  // Nothing closes it but its owner's end.
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    if (event.CanVeto()) event.Veto();
    else Destroy();
  });
  Bind(wxEVT_BUTTON, [](wxCommandEvent&) {}, wxID_OK);
  Bind(wxEVT_BUTTON, [](wxCommandEvent&) {}, wxID_CANCEL);
  // The context menu's commands belong to the menu owner.
  Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
    if (!menuOwner_) return;
    wxCommandEvent command(wxEVT_MENU, event.GetId());
    command.SetEventObject(menuOwner_);
    menuOwner_->GetEventHandler()->ProcessEvent(command);
  });
  showMenu_ = [this](wxMenu& menu) { PopupMenu(&menu); };
}

CGeniusDlg::~CGeniusDlg() {
  timer_.Stop();
  if (canvas_->HasCapture()) canvas_->ReleaseMouse();
}

void CGeniusDlg::SetToggleTarget(wxWindow* target, std::function<void()> toggle) {
  toggleTarget_ = target;
  toggle_ = std::move(toggle);
}

std::unique_ptr<wxMenu> CGeniusDlg::ContextMenu() const {
  return std::unique_ptr<wxMenu>(BuildBackgroundTransmissionMenu());
}

// --- the drop animation ---

int CGeniusDlg::StepCount() const { return pictureHeight / 2 + 1; }

void CGeniusDlg::DrawStep(wxDC& dc, int step) const {
  const int w = pictureWidth, h = pictureHeight, middle = h / 2;
  dc.SetBrush(wxBrush(kDropColour));
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.DrawRectangle(0, 0, w, h);
  wxMemoryDC source;
  source.SelectObjectAsSource(picture_);
  // Rows middle - step ... middle at the top edge, rows middle ... middle +
  // step - 1 at the bottom edge.
  dc.Blit(0, 0, w, step + 1, &source, 0, middle - step);
  if (step > 0) dc.Blit(0, h - step, w, step, &source, 0, middle);
}

wxBitmap CGeniusDlg::StepPicture(int step) const {
  wxBitmap frame(pictureWidth, pictureHeight, 24);
  wxMemoryDC dc(frame);
  DrawStep(dc, step);
  dc.SelectObject(wxNullBitmap);
  return frame;
}

void CGeniusDlg::PlayDropAnimation() {
  step_ = 0;
  timer_.Start(kStepMs);
  canvas_->Refresh(false);
  canvas_->Update();
}

void CGeniusDlg::OnTimer(wxTimerEvent&) {
  if (step_ < 0) return;
  if (++step_ >= StepCount()) {
    step_ = -1;
    timer_.Stop();
  }
  canvas_->Refresh(false);
  canvas_->Update();
}

void CGeniusDlg::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(canvas_);
  ++paints_;
  lastPaintWhole_ = step_ < 0;
  if (lastPaintWhole_)
    dc.DrawBitmap(picture_, 0, 0);
  else
    DrawStep(dc, step_);
}

// --- the mouse and the keys ---

void CGeniusDlg::OnLeftDown(wxMouseEvent&) {
  // The window follows the pointer until the button comes up; wx offers no
  // "caption pressed" of its own, and this works with or without a window
  // manager.
  grab_ = wxGetMousePosition() - GetPosition();
  moving_ = true;
  if (!canvas_->HasCapture()) canvas_->CaptureMouse();
}

void CGeniusDlg::OnMotion(wxMouseEvent& event) {
  if (!moving_ || !event.LeftIsDown()) return;
  const wxPoint to = wxGetMousePosition() - grab_;
  if (to != GetPosition()) Move(to);
}

void CGeniusDlg::OnLeftUp(wxMouseEvent&) { EndMove(); }

void CGeniusDlg::OnCaptureLost(wxMouseCaptureLostEvent&) { moving_ = false; }

void CGeniusDlg::EndMove() {
  moving_ = false;
  if (canvas_->HasCapture()) canvas_->ReleaseMouse();
}

void CGeniusDlg::OnDoubleClick(wxMouseEvent&) {
  EndMove();
  if (toggle_) {
    toggle_();
  } else if (toggleTarget_) {
    toggleTarget_->Show(!toggleTarget_->IsShown());
  }
}

void CGeniusDlg::OnRightDown(wxMouseEvent&) {
  EndMove();
  std::unique_ptr<wxMenu> menu = ContextMenu();
  if (showMenu_) showMenu_(*menu);
}

void CGeniusDlg::OnCharHook(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
    case WXK_ESCAPE:
      ++ignoredKeys_;  // no default button, nothing to close
      return;
    default:
      event.Skip();
  }
}
