#include "transfer/FileQueue.h"

#include <list>
#include <string>
#include <unordered_set>

#include "platform/MessageIds.h"
#include "sites/FixedText.h"
#include "transfer/QueueFile.h"
#include "transfer/QueueFileWriter.h"

bool Matches(const TransferEntry& a, const TransferEntry& b) {
  return a.fileSize == b.fileSize && FieldsEqual(a.site.address, b.site.address) &&
         FieldsEqual(a.remoteName, b.remoteName) && FieldsEqual(a.remoteDir, b.remoteDir) &&
         FieldsEqual(a.site.user, b.site.user);
}

bool SameQueueKey(const TransferEntry& a, const TransferEntry& b) {
  return a.direction == b.direction && a.isFolder == b.isFolder &&
         FieldsEqual(a.remoteName, b.remoteName) && FieldsEqual(a.remoteDir, b.remoteDir) &&
         FieldsEqual(a.site.address, b.site.address) && FieldsEqual(a.site.user, b.site.user);
}

namespace {

// The fields SameQueueKey compares, each up to its zero, joined with a zero
// between them: equal keys exactly when SameQueueKey holds.
std::string QueueKeyOf(const TransferEntry& e) {
  std::string key = std::to_string(e.direction) + '/' + std::to_string(e.isFolder);
  for (const std::string& field : {FieldText(e.remoteName), FieldText(e.remoteDir),
                                   FieldText(e.site.address), FieldText(e.site.user)}) {
    key += '\0';
    key += field;
  }
  return key;
}

}  // namespace

struct CFileQueue::Impl {
  std::recursive_mutex mutex;
  std::list<TransferEntry> entries;
  // The duplicate keys of `entries`, so that Add needn't walk the list:
  // queueing thousands of entries at once stays linear.
  std::unordered_multiset<std::string> keys;
  std::string queueFile;
  platform::WindowHandle notifyWindow;
  bool loading = false;  // entries added by Load are not written back
  // Declared last: destroyed first, writing what is pending while the list
  // above still exists.
  std::unique_ptr<QueueFileWriter> writer;

  using Guard = std::lock_guard<std::recursive_mutex>;

  QueueFileWriter::Snapshot TakeSnapshot(QueueFileWriter& writing) {
    Guard lock(mutex);
    QueueFileWriter::Snapshot snap;
    snap.path = queueFile;
    snap.entries.assign(entries.begin(), entries.end());
    snap.change = writing.LastChange();
    return snap;
  }

  // Called with the lock held after a change of the list.
  void Changed() {
    if (!loading && UsableQueuePath(queueFile)) writer->Changed();
  }

  // Posts `count` change messages to a target copied under the lock; called
  // after the lock is released.
  static void Notify(const platform::WindowHandle& target, std::size_t count = 1) {
    for (std::size_t i = 0; i < count; ++i)
      platform::PostTo(target, platform::MakeMessage(msg::WM_QUEUE_CHANGED));
  }

  // The bodies of Add, Clear and Load, with the lock held. They say how many
  // change messages to post once it is released.
  std::size_t AddLocked(const TransferEntry& entry) {
    std::string key = QueueKeyOf(entry);
    if (keys.count(key) > 0) return 0;  // already queued: nothing changes
    keys.insert(std::move(key));
    TransferEntry& copy = entries.emplace_back(entry);
    if (copy.state == ENTRY_RUNNING) copy.state = ENTRY_PENDING;
    copy.next = 0;
    Changed();
    return 1;
  }

  // Flushes the queue's file before clearing its list: the file keeps the
  // state after the last change, which Clear is not. Changes that could not
  // be written are given up with the list.
  std::size_t ClearLocked() {
    writer->Flush();
    writer->Drop();
    bool had = !entries.empty();
    entries.clear();
    keys.clear();
    return had ? 1 : 0;
  }

  // Sets `opened`; the count of entries loaded.
  std::size_t LoadLocked(bool& opened) {
    writer->Flush();
    loading = true;
    std::size_t added = 0;
    opened = ReadQueueFile(queueFile, [&](const TransferEntry& e) { added += AddLocked(e); });
    loading = false;
    return added;
  }

  std::list<TransferEntry>::iterator FindMatch(const TransferEntry& entry) {
    for (auto it = entries.begin(); it != entries.end(); ++it)
      if (Matches(*it, entry)) return it;
    return entries.end();
  }
};

CFileQueue::CFileQueue() : impl_(std::make_unique<Impl>()) {
  impl_->writer = std::make_unique<QueueFileWriter>(
      [impl = impl_.get()](QueueFileWriter& writing) { return impl->TakeSnapshot(writing); });
}

CFileQueue::~CFileQueue() {
  impl_->writer.reset();  // the file is current when this returns
}

int CFileQueue::SetFile(const std::string& path) {
  std::size_t changes = 0;
  platform::WindowHandle target;
  {
    Impl::Guard lock(impl_->mutex);
    changes = impl_->ClearLocked();  // the old file gets what is pending first
    impl_->queueFile = path;
    bool opened = false;
    changes += impl_->LoadLocked(opened);
    target = impl_->notifyWindow;
  }
  Impl::Notify(target, changes);
  return 1;
}

int CFileQueue::Load() {
  std::size_t changes = 0;
  bool opened = false;
  platform::WindowHandle target;
  {
    Impl::Guard lock(impl_->mutex);
    changes = impl_->LoadLocked(opened);
    target = impl_->notifyWindow;
  }
  Impl::Notify(target, changes);
  return opened ? 1 : 0;
}

int CFileQueue::Save() {
  Impl::Guard lock(impl_->mutex);
  if (!UsableQueuePath(impl_->queueFile)) return 0;
  return impl_->writer->WriteNow() ? 1 : 0;
}

int CFileQueue::Clear() {
  std::size_t changes = 0;
  platform::WindowHandle target;
  {
    Impl::Guard lock(impl_->mutex);
    changes = impl_->ClearLocked();
    target = impl_->notifyWindow;
  }
  Impl::Notify(target, changes);
  return 1;
}

int CFileQueue::IsEmpty() {
  Impl::Guard lock(impl_->mutex);
  return impl_->entries.empty() ? 1 : 0;
}

std::optional<TransferEntry> CFileQueue::FirstPending() {
  Impl::Guard lock(impl_->mutex);
  for (const auto& e : impl_->entries)
    if (e.state == ENTRY_PENDING) return e;
  return std::nullopt;
}

std::optional<TransferEntry> CFileQueue::FindPendingSameLogin(const TransferEntry& entry) {
  Impl::Guard lock(impl_->mutex);
  for (const auto& e : impl_->entries)
    if (e.state == ENTRY_PENDING && FieldsEqual(e.site.address, entry.site.address) &&
        FieldsEqual(e.site.user, entry.site.user) &&
        FieldsEqual(e.site.password, entry.site.password))
      return e;
  return std::nullopt;
}

int CFileQueue::Add(const TransferEntry& entry) {
  std::size_t changes = 0;
  platform::WindowHandle target;
  {
    Impl::Guard lock(impl_->mutex);
    changes = impl_->AddLocked(entry);
    target = impl_->notifyWindow;
  }
  Impl::Notify(target, changes);
  return 1;
}

int CFileQueue::Remove(const TransferEntry& entry) {
  platform::WindowHandle target;
  {
    Impl::Guard lock(impl_->mutex);
    if (impl_->entries.empty()) return 1;
    auto it = impl_->FindMatch(entry);
    if (it == impl_->entries.end()) return 0;
    auto key = impl_->keys.find(QueueKeyOf(*it));
    if (key != impl_->keys.end()) impl_->keys.erase(key);
    impl_->entries.erase(it);
    impl_->Changed();
    target = impl_->notifyWindow;
  }
  Impl::Notify(target);
  return 1;
}

int CFileQueue::Contains(const TransferEntry& entry) {
  Impl::Guard lock(impl_->mutex);
  return impl_->FindMatch(entry) != impl_->entries.end() ? 1 : 0;
}

int CFileQueue::SetState(std::int32_t state, const TransferEntry& entry) {
  platform::WindowHandle target;
  {
    Impl::Guard lock(impl_->mutex);
    auto it = impl_->FindMatch(entry);
    if (it == impl_->entries.end()) return 0;
    it->state = state;
    impl_->Changed();
    target = impl_->notifyWindow;
  }
  Impl::Notify(target);
  return 1;
}

int CFileQueue::ChangeState(std::int32_t from, std::int32_t to, const TransferEntry& entry) {
  platform::WindowHandle target;
  {
    Impl::Guard lock(impl_->mutex);
    auto it = impl_->FindMatch(entry);
    if (it == impl_->entries.end() || it->state != from) return 0;
    it->state = to;
    impl_->Changed();
    target = impl_->notifyWindow;
  }
  Impl::Notify(target);
  return 1;
}

void CFileQueue::Lock() { impl_->mutex.lock(); }
void CFileQueue::Unlock() { impl_->mutex.unlock(); }

std::vector<TransferEntry> CFileQueue::Entries() {
  Impl::Guard lock(impl_->mutex);
  return {impl_->entries.begin(), impl_->entries.end()};
}

std::size_t CFileQueue::Size() {
  Impl::Guard lock(impl_->mutex);
  return impl_->entries.size();
}

void CFileQueue::SetNotifyWindow(platform::WindowHandle window) {
  Impl::Guard lock(impl_->mutex);
  impl_->notifyWindow = std::move(window);
}

std::string CFileQueue::QueueFile() {
  Impl::Guard lock(impl_->mutex);
  return impl_->queueFile;
}

void CFileQueue::Flush() { impl_->writer->Flush(); }

std::uint64_t CFileQueue::FileBytesWritten() { return impl_->writer->BytesWritten(); }
