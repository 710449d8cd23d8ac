// Events, waits with time-outs, sleeping and the monotonic tick.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class Event {
 public:
  explicit Event(bool autoReset = true, bool initiallySet = false)
      : autoReset_(autoReset), set_(initiallySet) {}
  void Set();
  void Reset();
  // True if the event was set within `timeoutMs` (negative: no limit).
  bool Wait(int timeoutMs = -1);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool autoReset_;
  bool set_;
};

// Milliseconds of a monotonic clock.
std::uint64_t TickMs();
void SleepMs(int ms);

}  // namespace platform
