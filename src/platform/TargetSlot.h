// A window handle that one thread may replace while another posts through it:
// the handle is copied under a lock and the post happens outside it, so a
// post never races with an assignment and never holds the lock while the
// target delivers.
#pragma once

#include <memory>
#include <mutex>
#include <utility>

#include "platform/MessageTarget.h"

namespace platform {

class TargetSlot {
 public:
  TargetSlot() = default;
  TargetSlot(const TargetSlot&) = delete;
  TargetSlot& operator=(const TargetSlot&) = delete;

  template <typename T>
  TargetSlot& operator=(std::shared_ptr<T> target) {
    std::lock_guard<std::mutex> lock(mutex_);
    target_ = std::move(target);
    return *this;
  }
  TargetSlot& operator=(std::nullptr_t) {
    std::lock_guard<std::mutex> lock(mutex_);
    target_.reset();
    return *this;
  }

  WindowHandle Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return target_;
  }
  explicit operator bool() const { return Get() != nullptr; }

  // Posts to the current target; false when there is none or it refused.
  bool Post(Message message) const { return PostTo(Get(), std::move(message)); }

 private:
  mutable std::mutex mutex_;
  WindowHandle target_;
};

inline bool PostTo(const TargetSlot& slot, Message message) { return slot.Post(std::move(message)); }

}  // namespace platform
