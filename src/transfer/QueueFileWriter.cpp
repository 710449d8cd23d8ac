#include "transfer/QueueFileWriter.h"

#include <chrono>

#include "platform/Sync.h"
#include "transfer/QueueFile.h"

QueueFileWriter::QueueFileWriter(SnapshotFn snapshot) : snapshot_(std::move(snapshot)) {
  thread_ = std::thread([this] { Run(); });
}

QueueFileWriter::~QueueFileWriter() {
  Flush();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void QueueFileWriter::Changed() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (requested_ == covered_) firstPendingTick_ = platform::TickMs();
    ++requested_;
  }
  wake_.notify_all();
}

std::uint64_t QueueFileWriter::LastChange() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requested_;
}

void QueueFileWriter::Flush() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (written_ >= requested_) return;
  }
  WriteSnapshot(false);
}

bool QueueFileWriter::WriteNow() { return WriteSnapshot(true); }

bool QueueFileWriter::WriteSnapshot(bool force) {
  Snapshot snap = snapshot_(*this);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (snap.change > covered_) covered_ = snap.change;
  }
  std::lock_guard<std::mutex> fileLock(fileMutex_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Another thread has put a newer state into the file meanwhile: this
    // older snapshot would step back.
    if (written_ > snap.change || (!force && written_ == snap.change)) return true;
  }
  bool ok = WriteQueueFile(snap.path, snap.entries);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A failed write counts as done too: the change stays in memory only,
    // and the next change tries the file again.
    written_ = snap.change;
    if (ok) {
      bytesWritten_ += snap.entries.size() * sizeof(TransferEntry);
      ++writes_;
    }
  }
  return ok;
}

void QueueFileWriter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || requested_ > written_; });
    if (stop_) return;
    // Let more changes gather, but not longer than the window after the
    // oldest change that is not yet written.
    std::uint64_t due = firstPendingTick_ + kGatherMs;
    std::uint64_t now = platform::TickMs();
    if (now < due) {
      wake_.wait_for(lock, std::chrono::milliseconds(due - now), [this] { return stop_; });
      if (stop_) return;  // the destructor has flushed already
    }
    if (requested_ <= written_) continue;
    lock.unlock();
    WriteSnapshot(false);
    lock.lock();
  }
}

std::uint64_t QueueFileWriter::BytesWritten() {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytesWritten_;
}

std::uint64_t QueueFileWriter::Writes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}
