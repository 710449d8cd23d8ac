#include "platform/ui/RowDrag.h"

#include <wx/dcclient.h>
#include <wx/popupwin.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>

namespace {

// Where the picture sits from the pointer: beside it, so that the window
// under the pointer is never the picture itself.
const wxPoint kPictureOffset(14, 14);

wxPopupWindow* MakePicture(wxWindow* owner, const wxString& label, const wxBitmap& icon) {
  auto* picture = new wxPopupWindow(owner, wxBORDER_SIMPLE);
  picture->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
  auto* sizer = new wxBoxSizer(wxHORIZONTAL);
  if (icon.IsOk()) sizer->Add(new wxStaticBitmap(picture, wxID_ANY, icon), 0, wxALL | wxALIGN_CENTER_VERTICAL, 3);
  auto* text = new wxStaticText(picture, wxID_ANY, label);
  text->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
  sizer->Add(text, 0, wxALL | wxALIGN_CENTER_VERTICAL, 3);
  picture->SetSizerAndFit(sizer);
  return picture;
}

}  // namespace

CRowDrag::CRowDrag(wxWindow* owner) : owner_(owner) {
  owner_->Bind(wxEVT_MOTION, &CRowDrag::OnMotion, this);
  owner_->Bind(wxEVT_LEFT_UP, &CRowDrag::OnLeftUp, this);
  owner_->Bind(wxEVT_MOUSE_CAPTURE_LOST, &CRowDrag::OnCaptureLost, this);
}

CRowDrag::~CRowDrag() {
  if (dragging_) End();
  owner_->Unbind(wxEVT_MOTION, &CRowDrag::OnMotion, this);
  owner_->Unbind(wxEVT_LEFT_UP, &CRowDrag::OnLeftUp, this);
  owner_->Unbind(wxEVT_MOUSE_CAPTURE_LOST, &CRowDrag::OnCaptureLost, this);
}

void CRowDrag::AddTarget(DropTarget target) {
  RemoveTargetsOf(target.window);
  wxWindow* window = target.window;
  targets_.push_back({std::move(target), window});
}

void CRowDrag::RemoveTargetsOf(wxWindow* window) {
  if (dragging_) Cancel();
  std::erase_if(targets_, [window](const Registered& r) { return r.target.window == window; });
}

wxWindow* CRowDrag::Picture() const { return picture_; }

void CRowDrag::Begin(const wxString& label, const wxBitmap& icon) {
  if (dragging_) return;
  dragging_ = true;
  current_ = nullptr;
  allowed_ = false;
  picture_ = MakePicture(owner_, label, icon);
  if (!owner_->HasCapture()) owner_->CaptureMouse();
  // Keys go to the window with the focus, and a list keeps Escape to
  // itself; so every key event of the program is looked at while the drag runs.
  wxEvtHandler::AddFilter(this);
  Track(wxGetMousePosition());
  picture_->Show();
}

void CRowDrag::Cancel() {
  if (dragging_) End();
}

CRowDrag::Registered* CRowDrag::TargetAt(const wxPoint& screen) {
  wxWindow* under = wxFindWindowAtPoint(screen);
  for (wxWindow* w = under; w; w = w->GetParent()) {
    for (Registered& r : targets_)
      if (r.alive && r.target.window == w) return &r;
    if (w->IsTopLevel()) break;
  }
  return nullptr;
}

void CRowDrag::Track(const wxPoint& screen) {
  if (picture_) picture_->Move(screen + kPictureOffset);
  Registered* target = TargetAt(screen);
  if (target != current_) LeaveCurrent();
  current_ = target;
  allowed_ = target && target->target.hover && target->target.hover(screen);
  owner_->SetCursor(wxCursor(allowed_ ? wxCURSOR_ARROW : wxCURSOR_NO_ENTRY));
}

void CRowDrag::OnMotion(wxMouseEvent& event) {
  if (!dragging_) {
    event.Skip();
    return;
  }
  Track(owner_->ClientToScreen(event.GetPosition()));
}

void CRowDrag::OnLeftUp(wxMouseEvent& event) {
  if (!dragging_) {
    event.Skip();
    return;
  }
  const wxPoint screen = owner_->ClientToScreen(event.GetPosition());
  Track(screen);
  // The drag is over before the drop works, so a drop that opens a dialog
  // finds the mouse free.
  std::function<void(const wxPoint&)> drop =
      current_ && allowed_ ? current_->target.drop : nullptr;
  End();
  if (drop) drop(screen);
}

void CRowDrag::OnCaptureLost(wxMouseCaptureLostEvent&) {
  if (dragging_) End();
}

int CRowDrag::FilterEvent(wxEvent& event) {
  const wxEventType type = event.GetEventType();
  if (dragging_ && (type == wxEVT_CHAR_HOOK || type == wxEVT_KEY_DOWN) &&
      static_cast<wxKeyEvent&>(event).GetKeyCode() == WXK_ESCAPE) {
    End();
    return Event_Processed;
  }
  return Event_Skip;
}

void CRowDrag::LeaveCurrent() {
  // A window destroyed meanwhile has no mark left to remove.
  if (current_ && current_->alive && current_->target.leave) current_->target.leave();
}

void CRowDrag::End() {
  dragging_ = false;
  LeaveCurrent();
  current_ = nullptr;
  allowed_ = false;
  if (owner_->HasCapture()) owner_->ReleaseMouse();
  wxEvtHandler::RemoveFilter(this);
  owner_->SetCursor(wxNullCursor);
  if (picture_) {
    picture_->Hide();
    picture_->Destroy();
    picture_ = nullptr;
  }
}
