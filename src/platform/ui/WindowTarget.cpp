#include "platform/ui/WindowTarget.h"

#include <wx/app.h>

#include <utility>

#include "platform/MessageIds.h"

namespace platform {

std::shared_ptr<WindowTarget> WindowTarget::Create(wxWindow* window, Handler handler) {
  auto target = std::make_shared<WindowTarget>(std::move(handler));
  std::weak_ptr<WindowTarget> weak = target;
  window->Bind(wxEVT_DESTROY, [weak, window](wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == window)
      if (auto t = weak.lock()) t->Detach();
    event.Skip();
  });
  return target;
}

WindowTarget::WindowTarget(Handler handler)
    : handler_(std::move(handler)) {}

bool WindowTarget::Coalesces(std::uint32_t id) {
  return id == msg::WM_SESSION_PROGRESS || id == msg::WM_SESSION_PROGRESS_TEXT;
}

bool WindowTarget::Post(Message message) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!attached_.load()) return false;
  ++posts_;
  if (message.id == msg::WM_SESSION_PROGRESS && hasProgress_) {
    *waitingProgress_ = std::move(message);  // the newest value wins, in place
    return true;
  }
  if (message.id == msg::WM_SESSION_PROGRESS_TEXT && hasProgressText_) {
    *waitingProgressText_ = std::move(message);
    return true;
  }
  const std::uint32_t id = message.id;
  waiting_.push_back(std::move(message));
  if (Coalesces(id)) {
    auto last = std::prev(waiting_.end());
    if (id == msg::WM_SESSION_PROGRESS) {
      waitingProgress_ = last;
      hasProgress_ = true;
    } else {
      waitingProgressText_ = last;
      hasProgressText_ = true;
    }
  }
  ScheduleWakeUpLocked();
  return true;
}

void WindowTarget::ScheduleWakeUpLocked() {
  if (wakeUpPending_ || !wxTheApp) return;
  wakeUpPending_ = true;
  // The wake-up goes through the application object, which outlives every
  // window, and finds the target through a weak reference.
  std::weak_ptr<WindowTarget> weak = weak_from_this();
  wxTheApp->CallAfter([weak] {
    if (auto target = weak.lock()) target->DeliverWaiting();
  });
}

void WindowTarget::DeliverWaiting() {
  std::list<Message> batch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeUpPending_ = false;
    if (!attached_.load()) return;
    auto end = waiting_.begin();
    for (std::size_t n = 0; n < kBatchLimit && end != waiting_.end(); ++n) {
      if (hasProgress_ && end == waitingProgress_) hasProgress_ = false;
      if (hasProgressText_ && end == waitingProgressText_) hasProgressText_ = false;
      ++end;
    }
    batch.splice(batch.begin(), waiting_, waiting_.begin(), end);
    if (!waiting_.empty()) ScheduleWakeUpLocked();
  }
  for (Message& message : batch) {
    if (!attached_.load()) return;  // the handler may have destroyed the window
    ++deliveries_;
    handler_(message);
  }
}

void WindowTarget::Detach() {
  std::list<Message> dropped;  // freed outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  attached_.store(false);
  dropped.swap(waiting_);
  hasProgress_ = hasProgressText_ = false;
}

}  // namespace platform
