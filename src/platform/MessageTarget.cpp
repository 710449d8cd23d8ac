#include "platform/MessageTarget.h"

#include <chrono>

namespace platform {

bool RecordingTarget::Post(Message message) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(std::move(message));
  }
  changed_.notify_all();
  return true;
}

bool RecordingTarget::WaitFor(const std::function<bool(const std::vector<Message>&)>& done,
                              int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return done(messages_); });
}

void RecordingTarget::Inspect(const std::function<void(std::vector<Message>&)>& read) {
  std::lock_guard<std::mutex> lock(mutex_);
  read(messages_);
}

std::size_t RecordingTarget::Count() {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_.size();
}

std::vector<std::string> RecordingTarget::Texts(std::uint32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (auto& m : messages_)
    if (m.id == id) out.push_back(m.Text());
  return out;
}

void RecordingTarget::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.clear();
}

}  // namespace platform
