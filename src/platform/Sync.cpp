#include "platform/Sync.h"

#include <chrono>
#include <thread>

namespace platform {

void Event::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
  }
  cv_.notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  set_ = false;
}

bool Event::Wait(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto isSet = [&] { return set_; };
  bool ok = true;
  if (timeoutMs < 0)
    cv_.wait(lock, isSet);
  else
    ok = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet);
  if (ok && autoReset_) set_ = false;
  return ok;
}

std::uint64_t TickMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace platform
