#include "transfer/ui/RebuildThrottle.h"

CRebuildThrottle::CRebuildThrottle(std::function<void()> rebuild) : rebuild_(std::move(rebuild)) {}

CRebuildThrottle::~CRebuildThrottle() { timer_.Stop(); }

void CRebuildThrottle::Changed() {
  ++notices_;
  if (!timer_.IsRunning()) timer_.StartOnce(kTickMs);
}

void CRebuildThrottle::RebuildNow() {
  timer_.Stop();
  ++rebuilds_;
  if (rebuild_) rebuild_();
}
