// The GUI side of posted messages: a message target bound to a window that
// hands every post to the window's handler on the user-interface thread, in
// posting order. Progress messages (WM_SESSION_PROGRESS and
// WM_SESSION_PROGRESS_TEXT) are coalesced: while one of a kind is waiting, a
// newer one replaces its value in place. Once the window is destroyed (or
// Detach is called) later posts are dropped; workers hold the target by
// shared_ptr and never touch the window.
//
// Back-pressure: when kHighWater messages wait, a worker thread that posts
// waits until the window has taken the list down to kLowWater, the target is
// detached (the post is dropped), ReleaseBlockedPosts is called (the post is
// queued), or MaxPostWait has passed (the post is queued anyway, so a GUI
// that never runs can't hang a worker). Posts from the UI thread never wait.
//
// Delivery comes in slices of at most kSliceLimit messages and about
// kSliceBudget of handler time; the next slice is started by a short timer,
// so the toolkit handles waiting input, paint and queued calls in between.
#pragma once

#include <wx/window.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>

#include "platform/MessageTarget.h"

namespace platform {

class WindowTarget final : public MessageTarget,
                           public std::enable_shared_from_this<WindowTarget> {
 public:
  using Handler = std::function<void(Message&)>;

  // UI thread. The target detaches itself when `window` is destroyed; a
  // window should still call Detach first thing in its own destructor, since
  // wx reports the destruction only after the derived parts are gone.
  static std::shared_ptr<WindowTarget> Create(wxWindow* window, Handler handler);

  // Any thread; may wait on a worker thread (see above). False once
  // detached (the message is dropped).
  bool Post(Message message) override;
  // Any thread. Lets every waiting poster go at once, their messages queued;
  // posts don't wait again until the window has caught up to kLowWater.
  void ReleaseBlockedPosts() override;
  // UI thread. Drops what is waiting and the messages of waiting posters;
  // the handler is never called again.
  void Detach();
  bool Attached() const { return attached_.load(); }

  // How long one post waits at most (default 2 s).
  void SetMaxPostWait(std::chrono::milliseconds wait);

  // For tests: posts accepted, handler calls made, messages waiting now,
  // the most that ever waited, posts that had to wait, posters waiting now.
  std::size_t PostCount() const { return posts_.load(); }
  std::size_t DeliveryCount() const { return deliveries_.load(); }
  std::size_t WaitingCount();
  std::size_t PeakWaiting() const { return peakWaiting_.load(); }
  std::size_t HeldPostCount() const { return heldPosts_.load(); }
  std::size_t PostersHeldNow() const { return postersHeld_.load(); }

  static constexpr std::size_t kHighWater = 4096;
  static constexpr std::size_t kLowWater = 1024;
  static constexpr std::size_t kSliceLimit = 256;
  static constexpr std::chrono::milliseconds kSliceBudget{10};
  // The pause before the next slice: long enough that the toolkit's lower
  // priority work (paint, idle, queued calls) gets its turn.
  static constexpr int kSlicePauseMs = 1;

  explicit WindowTarget(Handler handler);  // use Create

 private:
  class SliceTimer;

  static bool Coalesces(std::uint32_t id);
  bool MustWaitLocked() const;
  void EnqueueLocked(Message message);
  void ScheduleWakeUpLocked();
  void DeliverSlice();
  void ContinueLater();

  Handler handler_;
  std::atomic<bool> attached_{true};
  std::atomic<std::size_t> posts_{0};
  std::atomic<std::size_t> deliveries_{0};
  std::atomic<std::size_t> peakWaiting_{0};
  std::atomic<std::size_t> heldPosts_{0};
  std::atomic<std::size_t> postersHeld_{0};
  // Starts the next slice; owned by the window's destroy binding (UI thread).
  std::weak_ptr<SliceTimer> sliceTimer_;

  std::mutex mutex_;
  std::condition_variable room_;  // the list fell to kLowWater, a release, or detach
  std::list<Message> waiting_;
  std::list<Message>::iterator waitingProgress_;      // valid while hasProgress_
  std::list<Message>::iterator waitingProgressText_;  // valid while hasProgressText_
  bool hasProgress_ = false;
  bool hasProgressText_ = false;
  bool wakeUpPending_ = false;  // a wake-up or the next slice is on its way
  bool full_ = false;           // reached kHighWater, not yet back to kLowWater
  bool released_ = false;       // posts don't wait until back to kLowWater
  std::chrono::milliseconds maxPostWait_{2000};
};

}  // namespace platform
