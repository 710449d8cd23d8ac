#include "platform/ThreadQueue.h"

#include <chrono>

namespace platform {

bool ThreadMessageQueue::Post(Message message) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return false;
    messages_.push_back(std::move(message));
  }
  ready_.notify_one();
  return true;
}

std::optional<Message> ThreadMessageQueue::Peek() { return Wait(0); }

std::optional<Message> ThreadMessageQueue::Wait(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto has = [&] { return !messages_.empty(); };
  if (timeoutMs < 0)
    ready_.wait(lock, has);
  else if (timeoutMs > 0)
    ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs), has);
  if (messages_.empty()) return std::nullopt;
  Message m = std::move(messages_.front());
  messages_.pop_front();
  return m;
}

void ThreadMessageQueue::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.clear();
  open_ = true;
}

void ThreadMessageQueue::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
  messages_.clear();
}

bool ThreadMessageQueue::IsOpen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

}  // namespace platform
