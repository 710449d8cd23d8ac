// Limits how often a transfer posts progress: at most once per interval,
// so that a fast transfer does not flood the user interface with messages.
#pragma once

#include <cstdint>

#include "platform/Sync.h"

inline constexpr std::uint64_t kProgressIntervalMs = 25;

class ProgressThrottle {
 public:
  explicit ProgressThrottle(std::uint64_t intervalMs = kProgressIntervalMs)
      : intervalMs_(intervalMs), last_(platform::TickMs()) {}

  // True (and restarts the interval) when the interval has passed since the
  // last post; the caller then posts.
  bool Due() {
    std::uint64_t now = platform::TickMs();
    if (now - last_ < intervalMs_) return false;
    last_ = now;
    return true;
  }

 private:
  std::uint64_t intervalMs_;
  std::uint64_t last_;
};
