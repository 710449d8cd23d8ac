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

// How far the worker got, for front ends that judge a connect without
// reading the log.
enum class SessionPhase : int {
  kIdle,           // no worker yet
  kConnecting,     // connecting or logging in
  kReady,          // logged in, taking commands
  kConnectFailed,  // the last attempt could not connect
  kLoginFailed,    // the last attempt was refused at login
  kEnded,          // the worker has ended after being ready
};

class CFtpObject : public CFtpFunction {
 public:
  CFtpObject();
  ~CFtpObject() override;  // stops a running worker

  // --- worker and login ---
  void SetSite(const SiteRecord& record);
  int Start();
  // Ends the worker in every state (connecting, logging in, busy or idle):
  // the stop command, at most kStopWaitMs of waiting, then every blocking
  // call is interrupted; no thread is killed.
  void Stop();
  SessionPhase Phase() const { return phase.load(); }
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
  std::atomic<SessionPhase> phase{SessionPhase::kIdle};

  // The worker's body; ends the session with a status line when memory runs out.
  void RunSessionGuarded();
  // Makes every blocking call of the worker return: sockets shut down, stop
  // requested, an open question released. Never kills a thread.
  void UnblockWorker();
  // Ends a running worker: stop command, bounded wait, unblock, join; then
  // resets the session so that it can be started again.
  void EndWorker();
};
