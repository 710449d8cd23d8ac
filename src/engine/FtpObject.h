// The foreground session: its worker thread, login sequence and command loop,
// and the operations the user interface drives it with.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/FtpFunction.h"
#include "platform/Sync.h"
#include "platform/ThreadQueue.h"

// Session command codes (TM_SESSION_COMMAND wParam).
inline constexpr int SESSION_STOP = 0;
inline constexpr int SESSION_RAW_COMMAND = 1;
inline constexpr int SESSION_REFRESH_LIST = 2;
inline constexpr int SESSION_REFRESH_DIR = 3;
inline constexpr int SESSION_RUN_QUEUE = 4;
inline constexpr int SESSION_RUN_DELETE = 5;

inline constexpr int kStopWaitMs = 2000;

class CFtpObject : public CFtpFunction {
 public:
  CFtpObject();
  ~CFtpObject() override;  // stops a running worker

  // --- worker and login ---
  void SetSite(const SiteRecord& record);
  int Start();
  void Stop();
  int IsLoggedIn() const { return loggedIn.load(); }
  bool HasWorker() const { return workerActive.load(); }

  // --- facade: all post to the worker and return at once ---
  int PostRawCommand(const char* line);
  void ChangeDir(const char* path);
  void ParentDir();
  void MakeDir(const char* name);
  int RenameRemote(const char* oldName, const char* newName);
  int RefreshDir();
  void RefreshList();
  int QueueTransfer(TransferEntry& entry);
  int QueueDelete(TransferEntry& entry);
  int RunQueue();

 protected:
  void RunSession();
  int ConnectAttempt();
  void CommandLoop();
  bool PostCommand(int code, platform::Payload payload = {});

  std::thread workerThread;
  platform::ThreadMessageQueue commandQueue;  // the worker's thread queue
  std::unique_ptr<platform::Event> readyEvent;
  platform::Event workerEnded{false, false};
  std::atomic<bool> workerActive{false};

  // Worker side: publishes the control connection under controlSocketMutex,
  // so that a concurrent shutdown never hits a reused handle.
  void SetControlSocket(platform::SocketHandle s);
  // Makes every blocking call of the worker return: sockets shut down, stop
  // requested, an open question released. Never kills a thread.
  void UnblockWorker();
  // Ends a running worker: stop command, bounded wait, unblock, join; then
  // resets the session so that it can be started again.
  void EndWorker();
};
