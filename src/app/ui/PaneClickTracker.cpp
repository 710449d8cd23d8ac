#include "app/ui/PaneClickTracker.h"

CPaneClickTracker::CPaneClickTracker(std::function<void(wxWindow*)> onClick)
    : onClick_(std::move(onClick)) {
  wxEvtHandler::AddFilter(this);
}

CPaneClickTracker::~CPaneClickTracker() { wxEvtHandler::RemoveFilter(this); }

int CPaneClickTracker::FilterEvent(wxEvent& event) {
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_LEFT_DOWN || type == wxEVT_RIGHT_DOWN || type == wxEVT_MIDDLE_DOWN) {
    if (auto* window = wxDynamicCast(event.GetEventObject(), wxWindow)) onClick_(window);
  }
  return Event_Skip;
}
