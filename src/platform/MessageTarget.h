// The stand-in for a window handle: something any thread can post to.
// Delivery keeps posting order. A post does not block, except that a window
// far behind may hold a posting worker back for a while (see
// ReleaseBlockedPosts). Targets are shared so that a worker
// can never post to a destroyed window: a GUI target is detached instead.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Message.h"

namespace platform {

class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  // Returns false if the message could not be delivered (target gone).
  virtual bool Post(Message message) = 0;
  // A target that may hold a posting thread back (a window far behind)
  // lets every held poster go at once; called when a worker is stopped, so
  // that stopping never waits on a poster that waits on the stopping thread.
  virtual void ReleaseBlockedPosts() {}
};

using WindowHandle = std::shared_ptr<MessageTarget>;

// Posts to `target` if set; a missing target drops the message.
inline bool PostTo(const WindowHandle& target, Message message) {
  return target ? target->Post(std::move(message)) : false;
}

// Records every message, for tests and headless front ends.
class RecordingTarget final : public MessageTarget {
 public:
  bool Post(Message message) override;

  // Waits until `done` holds for the recorded list, at most `timeoutMs`.
  bool WaitFor(const std::function<bool(const std::vector<Message>&)>& done, int timeoutMs);
  // Runs `read` on the recorded list under the lock.
  void Inspect(const std::function<void(std::vector<Message>&)>& read);
  std::size_t Count();
  std::vector<std::string> Texts(std::uint32_t id);  // text payloads of one message id
  void Clear();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Message> messages_;
};

// Calls a function for every message, on the posting thread.
class CallbackTarget final : public MessageTarget {
 public:
  explicit CallbackTarget(std::function<void(Message&)> fn) : fn_(std::move(fn)) {}
  bool Post(Message message) override {
    fn_(message);
    return true;
  }

 private:
  std::function<void(Message&)> fn_;
};

}  // namespace platform
