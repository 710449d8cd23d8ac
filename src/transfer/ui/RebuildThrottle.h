// Turns a stream of change notices into few rebuilds: the first notice
// starts a short one-shot timer, and when it fires the list is rebuilt once
// from the queue as it is then, however many notices came meanwhile. A
// burst of thousands of per-entry changes thus costs one rebuild per tick.
#pragma once

#include <wx/timer.h>

#include <cstddef>
#include <functional>

class CRebuildThrottle {
 public:
  static constexpr int kTickMs = 50;

  explicit CRebuildThrottle(std::function<void()> rebuild);
  ~CRebuildThrottle();
  CRebuildThrottle(const CRebuildThrottle&) = delete;
  CRebuildThrottle& operator=(const CRebuildThrottle&) = delete;

  // A change was announced: a rebuild follows within one tick.
  void Changed();
  // Rebuilds at once (after the user's own commands).
  void RebuildNow();
  bool Pending() const { return timer_.IsRunning(); }

  // For tests and measurements.
  std::size_t Notices() const { return notices_; }
  std::size_t Rebuilds() const { return rebuilds_; }

 private:
  class Timer : public wxTimer {
   public:
    explicit Timer(CRebuildThrottle& owner) : owner_(owner) {}
    void Notify() override { owner_.RebuildNow(); }

   private:
    CRebuildThrottle& owner_;
  };

  std::function<void()> rebuild_;
  Timer timer_{*this};
  std::size_t notices_ = 0;
  std::size_t rebuilds_ = 0;
};
