#include <list>

#include "sites/FixedText.h"
#include "transfer/FileQueue.h"

namespace {

// The deletion queue's identity: the same remote item on the same server.
bool SameRemoteItem(const TransferEntry& a, const TransferEntry& b) {
  return FieldsEqual(a.site.address, b.site.address) && FieldsEqual(a.remoteName, b.remoteName) &&
         FieldsEqual(a.remoteDir, b.remoteDir);
}

}  // namespace

struct CDeleteFileQueue::Impl {
  std::recursive_mutex mutex;
  std::list<TransferEntry> entries;
  using Guard = std::lock_guard<std::recursive_mutex>;
};

CDeleteFileQueue::CDeleteFileQueue() : impl_(std::make_unique<Impl>()) {}
CDeleteFileQueue::~CDeleteFileQueue() = default;

int CDeleteFileQueue::Add(const TransferEntry& entry) {
  Impl::Guard lock(impl_->mutex);
  for (const auto& e : impl_->entries)
    if (SameQueueKey(e, entry)) return 1;
  TransferEntry& copy = impl_->entries.emplace_back(entry);
  copy.state = ENTRY_PENDING;
  copy.next = 0;
  return 1;
}

int CDeleteFileQueue::Remove(const TransferEntry& entry) {
  Impl::Guard lock(impl_->mutex);
  if (impl_->entries.empty()) return 1;
  for (auto it = impl_->entries.begin(); it != impl_->entries.end(); ++it) {
    if (SameRemoteItem(*it, entry)) {
      impl_->entries.erase(it);
      return 1;
    }
  }
  return 0;
}

int CDeleteFileQueue::Contains(const TransferEntry& entry) {
  Impl::Guard lock(impl_->mutex);
  for (const auto& e : impl_->entries)
    if (SameRemoteItem(e, entry)) return 1;
  return 0;
}

int CDeleteFileQueue::IsEmpty() {
  Impl::Guard lock(impl_->mutex);
  return impl_->entries.empty() ? 1 : 0;
}

std::optional<TransferEntry> CDeleteFileQueue::FirstPending() {
  Impl::Guard lock(impl_->mutex);
  if (impl_->entries.empty()) return std::nullopt;
  return impl_->entries.front();
}

int CDeleteFileQueue::Clear() {
  Impl::Guard lock(impl_->mutex);
  impl_->entries.clear();
  return 1;
}
