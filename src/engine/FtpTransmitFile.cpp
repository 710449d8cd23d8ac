// The background worker: takes the first pending entry of the background
// queue, logs in with its site, sends it and every other pending entry of the
// same login over that one connection, and goes on login by login until no
// pending entry is left.
#include "engine/FtpTransmitFile.h"

#include <chrono>

#include "engine/QueueSteps.h"
#include "engine/SafeNames.h"

using namespace queue_steps;

CFtpTransmitFile::CFtpTransmitFile() = default;

CFtpTransmitFile::~CFtpTransmitFile() {
  if (transmitThread.joinable()) {
    // Every wait of the worker ends: commands fail, sockets are shut down,
    // an open question is released.
    stopRequested = true;
    proceed = 0;
    ShutdownControlSocket();
    ShutdownDataSocket();
    if (questions) questions->ReleaseWaiting();
    transmitThread.join();
  }
  if (cancelThread.joinable()) cancelThread.join();
}

void CFtpTransmitFile::StartBackground() {
  std::lock_guard<std::mutex> lock(runMutex);
  // An active run takes the newly pending entries itself.
  if (running.load()) return;
  // A finished run's thread has left runMutex for good: joining is safe here.
  if (transmitThread.joinable()) transmitThread.join();
  stopRequested = false;
  running = true;
  transmitThread = std::thread([this] { BackgroundRun(); });
}

bool CFtpTransmitFile::WaitIdle(int timeoutMs) {
  std::unique_lock<std::mutex> lock(runMutex);
  return runEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return !running.load(); });
}

void CFtpTransmitFile::EndStop() {
  if (proceed.load() == 1) return;
  // A stopped transfer may still have replies on their way (and the cancel
  // thread its ABOR): read them all before the next entry sends anything.
  DrainReplies();
  proceed = 1;
}

void CFtpTransmitFile::EndRun() {
  running = false;
  runEnded.notify_all();
}

void CFtpTransmitFile::BackgroundRun() {
  std::optional<TransferEntry> last;
  for (;;) {
    std::optional<TransferEntry> next;
    {
      std::lock_guard<std::mutex> lock(runMutex);
      if (backgroundQueue && !stopRequested.load()) next = backgroundQueue->FirstPending();
      // The same record offered twice in a row would be tried for ever.
      if (!next || (last && SameRecord(*last, *next))) {
        EndRun();
        return;
      }
    }
    last = next;
    // A Stop of the previous group ends with it.
    proceed = 1;
    currentEntry = *next;
    TransferEntry& entry = *currentEntry;
    backgroundQueue->SetState(ENTRY_RUNNING, entry);
    site = entry.site;
    if (!BackgroundLogin()) {
      MarkFailedIfRunning(*backgroundQueue, entry);
    } else {
      loggedIn = 1;
      RunBackgroundGroup(entry);
      SendCommand("QUIT\r\n", controlSocket.load());
      loggedIn = 0;
    }
    CloseControlSocket();
    StopSockets();
    currentEntry.reset();
  }
}

int CFtpTransmitFile::BackgroundLogin() {
  if (!StartSockets()) return 0;
  platform::SocketHandle s = ConnectServer(site.address);
  if (s == platform::kInvalidSocket) return 0;
  int loggedOn =
      site.loginType == LOGIN_ANONYMOUS ? AnonymousLogin(s) : Login(s, site.user, site.password);
  if (!loggedOn || !ProbeResume() || QuerySystemType() == 0) return 0;
  return SendCwd(*this, FieldName(currentEntry->remoteDir)) < 400 ? 1 : 0;
}

int CFtpTransmitFile::RunBackgroundGroup(TransferEntry& entry) {
  QueryCurrentDir();
  entry.controlSocket = controlSocket.load();
  RemoteListing remoteNames;
  std::string namesDir;
  if (!backgroundQueue->IsEmpty()) {
    ListInto(*this, remoteNames);
    namesDir = CurrentDir(*this);
  }

  backgroundQueue->SetState(ENTRY_RUNNING, entry);
  if (!RunEntrySteps(*this, entry, &remoteNames, *backgroundQueue)) return 0;
  // The group's first entry leaves the queue after its attempt in every case.
  backgroundQueue->Remove(entry);
  EndStop();

  std::optional<TransferEntry> last;
  while (std::optional<TransferEntry> next = backgroundQueue->FindPendingSameLogin(entry)) {
    if (stopRequested.load() || (last && SameRecord(*last, *next))) break;
    last = next;
    TransferEntry run = *next;
    run.controlSocket = controlSocket.load();
    backgroundQueue->SetState(ENTRY_RUNNING, run);
    // A refused directory fails the entry, which is still tried where the
    // connection is.
    if (SendCwd(*this, FieldName(run.remoteDir)) >= 400)
      backgroundQueue->SetState(ENTRY_FAILED, run);
    QueryCurrentDir();
    // Remote targets are judged against the listing of the directory the
    // entry goes to.
    if (CurrentDir(*this) != namesDir) {
      ListInto(*this, remoteNames);
      namesDir = CurrentDir(*this);
    }
    if (!RunEntrySteps(*this, run, &remoteNames, *backgroundQueue)) return 0;
    // An entry stopped while it ran stays, with the state the Stop gave it.
    if (proceed.load() == 1) backgroundQueue->Remove(run);
    EndStop();
  }
  FreeListing(remoteNames);
  ListDirectory(1);
  return 1;
}
