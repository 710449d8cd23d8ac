// The GUI side of posted messages: a message target bound to a window that
// hands every post to the window's handler on the user-interface thread, in
// posting order. Progress messages (WM_SESSION_PROGRESS and
// WM_SESSION_PROGRESS_TEXT) are coalesced: while one of a kind is waiting, a
// newer one replaces its value in place, so a fast producer can't flood the
// event loop. Once the window is destroyed (or Detach is called) later posts
// are dropped; workers hold the target by shared_ptr and never touch the window.
#pragma once

#include <wx/window.h>

#include <atomic>
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

  // Any thread. False once detached (the message is dropped).
  bool Post(Message message) override;
  // UI thread. Drops what is waiting; the handler is never called again.
  void Detach();
  bool Attached() const { return attached_.load(); }

  // Posts accepted so far and handler calls made so far (for tests).
  std::size_t PostCount() const { return posts_.load(); }
  std::size_t DeliveryCount() const { return deliveries_.load(); }

  // Most messages handled per wake-up before the loop gets its turn again.
  static constexpr std::size_t kBatchLimit = 256;

  explicit WindowTarget(Handler handler);  // use Create

 private:
  static bool Coalesces(std::uint32_t id);
  void ScheduleWakeUpLocked();
  void DeliverWaiting();

  Handler handler_;
  std::atomic<bool> attached_{true};
  std::atomic<std::size_t> posts_{0};
  std::atomic<std::size_t> deliveries_{0};

  std::mutex mutex_;
  std::list<Message> waiting_;
  std::list<Message>::iterator waitingProgress_;      // valid while hasProgress_
  std::list<Message>::iterator waitingProgressText_;  // valid while hasProgressText_
  bool hasProgress_ = false;
  bool hasProgressText_ = false;
  bool wakeUpPending_ = false;
};

}  // namespace platform
