// The locked transfer queue with its queue file, and the deletion queue.
// Every operation takes the queue's re-entrant lock for its whole run.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/MessageTarget.h"
#include "transfer/TransferEntry.h"

// Identity of an entry for Remove, Contains and SetState: equal fileSize and
// equal site.address, remoteName, remoteDir and site.user.
bool Matches(const TransferEntry& a, const TransferEntry& b);
// Duplicate key of Add: site.address, remoteName, remoteDir, direction,
// isFolder and site.user.
bool SameQueueKey(const TransferEntry& a, const TransferEntry& b);

class QueueFileWriter;  // keeps the queue file equal to the list

class CFileQueue {
 public:
  CFileQueue();
  ~CFileQueue();  // returns only after the file is current
  CFileQueue(const CFileQueue&) = delete;
  CFileQueue& operator=(const CFileQueue&) = delete;

  int SetFile(const std::string& path);  // Clear, then Load; returns 1
  int Load();   // 0 if the file can't be opened
  int Save();   // 0 if the file can't be created
  int Clear();  // frees every entry, posts WM_QUEUE_CHANGED if there were any
  int IsEmpty();
  // Copies, so the worker's entry stays valid while the user edits the list.
  std::optional<TransferEntry> FirstPending();
  std::optional<TransferEntry> FindPendingSameLogin(const TransferEntry& entry);
  int Add(const TransferEntry& entry);
  int Remove(const TransferEntry& entry);
  int Contains(const TransferEntry& entry);
  int SetState(std::int32_t state, const TransferEntry& entry);
  // SetState only while the entry is still in state `from`, in one step
  // (the user may give it another state meanwhile); 1 if it changed.
  int ChangeState(std::int32_t from, std::int32_t to, const TransferEntry& entry);
  void Lock();
  void Unlock();
  // The entries in list order (a copy, taken under the lock).
  std::vector<TransferEntry> Entries();
  std::size_t Size();

  void SetNotifyWindow(platform::WindowHandle window);
  std::string QueueFile();

  // Returns once every change so far is in the file (writes only if one is
  // not yet there).
  void Flush();
  // Bytes written to queue files by this queue so far, for measurements.
  std::uint64_t FileBytesWritten();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class CDeleteFileQueue {
 public:
  CDeleteFileQueue();
  ~CDeleteFileQueue();
  int Add(const TransferEntry& entry);
  int Remove(const TransferEntry& entry);    // by site.address, remoteName, remoteDir
  int Contains(const TransferEntry& entry);  // the same key
  int IsEmpty();
  std::optional<TransferEntry> FirstPending();
  int Clear();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The site's address and user followed by ".TWQ", or an escaped name where
// those can't stand in a file name as they are (see QueueFile.cpp).
std::string LoginQueueFileName(const SiteRecord& site);
// That file in the user's data folder (platform/DataFolder.h); empty when the
// folder can't be used, so the queue then lives in memory only.
std::string LoginQueueFilePath(const SiteRecord& site);
inline constexpr const char* kBackgroundQueueFile = "BkTransmit.TWQ";
inline constexpr const char* kCurrentSiteFile = "TWDefault.TWQ";

// The one-record current-site file: a short or missing file gives all zeros.
SiteRecord LoadCurrentSiteFile(const std::string& path);
bool SaveCurrentSiteFile(const std::string& path, const SiteRecord& site);
