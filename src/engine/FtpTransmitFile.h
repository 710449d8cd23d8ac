// The background session: logs in by itself and sends the background queue
// login group by login group on a thread of its own.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "engine/FtpFunction.h"

class CFtpTransmitFile : public CFtpFunction {
 public:
  CFtpTransmitFile();
  ~CFtpTransmitFile() override;  // ends and joins a running thread

  // User-interface thread. A second Start while a run is active does nothing:
  // the running loop takes the newly pending entries.
  void StartBackground();
  bool IsRunning() const { return running.load(); }
  // Waits for the current run to end (tests, shutdown); false on time-out.
  bool WaitIdle(int timeoutMs);

  CFileQueue* backgroundQueue = nullptr;  // the dialog's queue, not owned; set before Start
  platform::TargetSlot ownerWindow;
  // The entry whose group runs now (a copy), if any.
  std::optional<TransferEntry> CurrentEntry() const;

 protected:
  void BackgroundRun();
  int BackgroundLogin();
  int RunBackgroundGroup(TransferEntry& entry);
  void SetCurrentEntry(std::optional<TransferEntry> entry);
  // The run's body; memory running out ends the run with a status line.
  void BackgroundRunGuarded();

  std::thread transmitThread;
  std::atomic<bool> running{false};

 private:
  // The run's end is decided under runMutex, so that a Start that finds the
  // run active can rely on the loop seeing the entries it made pending.
  std::mutex runMutex;
  std::condition_variable runEnded;
  mutable std::mutex entryMutex;
  std::optional<TransferEntry> currentEntry;  // guarded by entryMutex
  // After an entry that a Stop cut short: late replies read, switch set again.
  void EndStop();
  void EndRun();
};
