#include "transfer/ui/QueueWork.h"

#include <chrono>

CQueueWork::CQueueWork() {
  timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Run(); });
}

CQueueWork::~CQueueWork() { timer_.Stop(); }

void CQueueWork::Run() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(kSliceMs);
  std::size_t done = 0;
  while (!steps_.empty() && (done % 8 != 0 || Clock::now() < end)) {
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step();  // may add steps of its own
    ++done;
  }
  if (!steps_.empty()) RunSoon();  // input and paint get their turn first
}

void CQueueWork::RunSoon() {
  if (!timer_.IsRunning()) timer_.StartOnce(1);
}

void CQueueWork::Finish() {
  timer_.Stop();
  while (!steps_.empty()) {
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step();
  }
}
