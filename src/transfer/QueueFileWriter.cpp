#include "transfer/QueueFileWriter.h"

#include <algorithm>
#include <chrono>

#include "platform/Notice.h"
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

void QueueFileWriter::Drop() {
  std::lock_guard<std::mutex> fileLock(fileMutex_);
  std::lock_guard<std::mutex> lock(mutex_);
  written_ = covered_ = requested_;
}

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
  std::string error;
  bool ok = WriteQueueFile(snap.path, snap.entries, error);
  bool tell = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ok) {
      written_ = std::max(written_, snap.change);
      bytesWritten_ += snap.entries.size() * sizeof(TransferEntry);
      ++writes_;
      failingPath_.clear();
    } else if (failingPath_ != snap.path) {
      // The change stays pending; only the first failure of a streak is told.
      failingPath_ = snap.path;
      noticeText_ = "Can't write the queue file \"" + snap.path + "\": " + error +
                    ". The queue is kept in memory; the file is tried again at the next change.";
      tell = true;
    }
  }
  if (tell) wake_.notify_all();
  return ok;
}

void QueueFileWriter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !noticeText_.empty() || requested_ > covered_; });
    if (!noticeText_.empty()) {
      std::string text = std::move(noticeText_);
      noticeText_.clear();
      lock.unlock();
      platform::PostNotice("error", text);
      lock.lock();
      continue;
    }
    if (stop_) return;
    // Let more changes gather, but not longer than the window after the
    // oldest change that no write has taken yet.
    std::uint64_t due = firstPendingTick_ + kGatherMs;
    std::uint64_t now = platform::TickMs();
    if (now < due) {
      wake_.wait_for(lock, std::chrono::milliseconds(due - now), [this] { return stop_; });
      if (stop_) continue;  // the destructor has flushed; a notice may be left
    }
    if (requested_ <= covered_) continue;
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
