// Keeps one queue's file equal to its list without rewriting the file on
// every change: a background thread gathers the changes of a short window
// and writes the whole list once (temporary file, flush, rename), so the file
// always holds whole records of a state the queue really had.
//
// A write that fails leaves its changes pending: the next change or Flush
// tries the file again (never sooner, so a file that keeps failing costs one
// attempt per change). The first failure of a streak is reported once, as a
// notice that names the file and the system's reason, posted by the
// writer's thread while it holds no lock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transfer/TransferEntry.h"

class QueueFileWriter {
 public:
  // What is to be written: the file's path, the list and LastChange(), all
  // taken together under the queue's lock by the function.
  struct Snapshot {
    std::string path;
    std::vector<TransferEntry> entries;
    std::uint64_t change = 0;
  };
  using SnapshotFn = std::function<Snapshot(QueueFileWriter&)>;

  // How long a change waits for more changes before the file is written.
  static constexpr int kGatherMs = 50;

  explicit QueueFileWriter(SnapshotFn snapshot);
  ~QueueFileWriter();  // writes what is pending, then stops the thread
  QueueFileWriter(const QueueFileWriter&) = delete;
  QueueFileWriter& operator=(const QueueFileWriter&) = delete;

  // The list changed: the file is written within the gathering window.
  // Called under the queue's lock, like the change itself.
  void Changed();
  // The number of the last change, for the snapshot.
  std::uint64_t LastChange();
  // Writes now if a change has not reached the file yet; returns when the
  // file is current or this attempt has failed.
  void Flush();
  // Writes now, whether or not anything changed. False if the file can't be
  // written.
  bool WriteNow();
  // Forgets the changes that have not reached the file (after a failed
  // write): the queue's list no longer belongs to that file's state.
  void Drop();

  // Figures for measurements.
  std::uint64_t BytesWritten();
  std::uint64_t Writes();

 private:
  void Run();
  // Takes a snapshot and writes it unless a later state is already in the
  // file (or, unless `force`, the same one).
  bool WriteSnapshot(bool force);

  SnapshotFn snapshot_;

  std::mutex mutex_;              // guards the counters and flags below
  std::condition_variable wake_;  // a change or the stop request
  std::uint64_t requested_ = 0;   // number of the last change
  std::uint64_t written_ = 0;     // last change known to be in the file
  std::uint64_t covered_ = 0;     // last change a snapshot has been taken for
  std::uint64_t firstPendingTick_ = 0;  // when the oldest uncovered change came
  bool stop_ = false;
  std::uint64_t bytesWritten_ = 0;
  std::uint64_t writes_ = 0;
  std::string failingPath_;  // the file of the current failure streak
  std::string noticeText_;   // a notice for the thread to show

  std::mutex fileMutex_;  // one write of the file at a time
  std::thread thread_;
};
