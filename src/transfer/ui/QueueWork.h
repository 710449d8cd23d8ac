// Work on a queue done a slice at a time: a command on thousands of rows
// (every SetState or Remove scans the queue) would hold the window for
// seconds. Steps run in order; each Run does as many as fit in about
// kSliceMs and leaves the rest to the next loop turns, so a small command
// is done before Run returns and a big one never stalls input or paint.
#pragma once

#include <wx/timer.h>

#include <deque>
#include <functional>

class CQueueWork {
 public:
  using Step = std::function<void()>;
  static constexpr int kSliceMs = 10;

  CQueueWork();
  ~CQueueWork();
  CQueueWork(const CQueueWork&) = delete;
  CQueueWork& operator=(const CQueueWork&) = delete;

  void Add(Step step) { steps_.push_back(std::move(step)); }
  // Runs steps for one slice now; what is left goes on a moment later.
  void Run();
  // Runs one slice a moment later (for callers inside another's loop).
  void RunSoon();
  // Runs every step now.
  void Finish();
  bool Busy() const { return !steps_.empty(); }
  std::size_t Left() const { return steps_.size(); }

 private:
  std::deque<Step> steps_;
  wxTimer timer_;
};
