#include "platform/ui/WindowTarget.h"

#include <wx/app.h>
#include <wx/thread.h>
#include <wx/timer.h>

#include <utility>

#include "platform/MessageIds.h"

namespace platform {

// Starts the next slice on the UI thread. It lives as long as the window's
// destroy binding, so it is made and destroyed on the UI thread even when a
// worker drops the last reference to the target.
class WindowTarget::SliceTimer final : public wxTimer {
 public:
  explicit SliceTimer(std::weak_ptr<WindowTarget> target) : target_(std::move(target)) {}
  void Notify() override {
    if (auto target = target_.lock()) target->DeliverSlice();
  }

 private:
  std::weak_ptr<WindowTarget> target_;
};

std::shared_ptr<WindowTarget> WindowTarget::Create(wxWindow* window, Handler handler) {
  auto target = std::make_shared<WindowTarget>(std::move(handler));
  std::weak_ptr<WindowTarget> weak = target;
  auto timer = std::make_shared<SliceTimer>(weak);
  target->sliceTimer_ = timer;
  window->Bind(wxEVT_DESTROY, [weak, window, timer](wxWindowDestroyEvent& event) {
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
  std::unique_lock<std::mutex> lock(mutex_);
  if (!attached_.load()) return false;
  const bool replacesInPlace = (message.id == msg::WM_SESSION_PROGRESS && hasProgress_) ||
                               (message.id == msg::WM_SESSION_PROGRESS_TEXT && hasProgressText_);
  // The UI thread never waits: it is the one that would make room.
  if (!replacesInPlace && MustWaitLocked() && !wxIsMainThread()) {
    ++heldPosts_;
    ++postersHeld_;
    // A time-out queues the message anyway: the window may never catch up.
    room_.wait_for(lock, maxPostWait_,
                   [this] { return !attached_.load() || released_ || !full_; });
    --postersHeld_;
    if (!attached_.load()) return false;
  }
  ++posts_;
  EnqueueLocked(std::move(message));
  return true;
}

bool WindowTarget::MustWaitLocked() const {
  // Without an application nothing delivers, so waiting would only stall.
  return full_ && !released_ && wxTheApp != nullptr;
}

void WindowTarget::EnqueueLocked(Message message) {
  if (message.id == msg::WM_SESSION_PROGRESS && hasProgress_) {
    *waitingProgress_ = std::move(message);  // the newest value wins, in place
    return;
  }
  if (message.id == msg::WM_SESSION_PROGRESS_TEXT && hasProgressText_) {
    *waitingProgressText_ = std::move(message);
    return;
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
  const std::size_t size = waiting_.size();
  if (size >= kHighWater) full_ = true;
  if (size > peakWaiting_.load()) peakWaiting_.store(size);
  ScheduleWakeUpLocked();
}

void WindowTarget::ScheduleWakeUpLocked() {
  if (wakeUpPending_ || !wxTheApp) return;
  wakeUpPending_ = true;
  // The wake-up goes through the application object, which outlives every
  // window, and finds the target through a weak reference.
  std::weak_ptr<WindowTarget> weak = weak_from_this();
  wxTheApp->CallAfter([weak] {
    if (auto target = weak.lock()) target->DeliverSlice();
  });
}

void WindowTarget::DeliverSlice() {
  std::list<Message> slice;
  bool roomMade = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!attached_.load()) return;
    auto end = waiting_.begin();
    for (std::size_t n = 0; n < kSliceLimit && end != waiting_.end(); ++n) {
      if (hasProgress_ && end == waitingProgress_) hasProgress_ = false;
      if (hasProgressText_ && end == waitingProgressText_) hasProgressText_ = false;
      ++end;
    }
    slice.splice(slice.begin(), waiting_, waiting_.begin(), end);
    if (waiting_.size() <= kLowWater && (full_ || released_)) {
      full_ = released_ = false;
      roomMade = true;
    }
  }
  if (roomMade) room_.notify_all();

  const auto deadline = std::chrono::steady_clock::now() + kSliceBudget;
  while (!slice.empty()) {
    if (!attached_.load()) return;  // the handler may have destroyed the window
    ++deliveries_;
    handler_(slice.front());
    slice.pop_front();
    if (std::chrono::steady_clock::now() >= deadline) break;
  }

  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!attached_.load()) return;
    // What the budget left over goes first next time; it holds no message
    // that newer progress could replace, so coalescing stays correct.
    waiting_.splice(waiting_.begin(), slice);
    if (waiting_.empty()) {
      wakeUpPending_ = false;
      return;
    }
  }
  ContinueLater();  // wakeUpPending_ stays set: posts add no wake-ups meanwhile
}

void WindowTarget::ContinueLater() {
  if (auto timer = sliceTimer_.lock()) {
    timer->StartOnce(kSlicePauseMs);
    return;
  }
  // A target without a window timer goes through the application instead.
  std::weak_ptr<WindowTarget> weak = weak_from_this();
  if (wxTheApp) {
    wxTheApp->CallAfter([weak] {
      if (auto target = weak.lock()) target->DeliverSlice();
    });
  } else {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeUpPending_ = false;
  }
}

void WindowTarget::ReleaseBlockedPosts() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!attached_.load()) return;
    released_ = true;
  }
  room_.notify_all();
}

void WindowTarget::Detach() {
  std::list<Message> dropped;  // freed outside the lock
  {
    std::lock_guard<std::mutex> lock(mutex_);
    attached_.store(false);
    dropped.swap(waiting_);
    hasProgress_ = hasProgressText_ = false;
    full_ = false;
  }
  room_.notify_all();  // waiting posters return and drop their messages
  if (auto timer = sliceTimer_.lock()) timer->Stop();
}

void WindowTarget::SetMaxPostWait(std::chrono::milliseconds wait) {
  std::lock_guard<std::mutex> lock(mutex_);
  maxPostWait_ = wait;
}

std::size_t WindowTarget::WaitingCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return waiting_.size();
}

}  // namespace platform
