// The background worker: takes the first pending entry of the background
// queue, logs in with its site, sends it and every other pending entry of the
// same login over that one connection, and goes on login by login until no
// pending entry is left.
#include "engine/FtpTransmitFile.h"

#include <chrono>
#include <exception>
#include <string>

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
  transmitThread = std::thread([this] { BackgroundRunGuarded(); });
}

void CFtpTransmitFile::BackgroundRunGuarded() {
  try {
    BackgroundRun();
    return;
  } catch (const std::exception& e) {
    try {
      PostStatus((std::string("The background transmission ended: ") + e.what()).c_str());
    } catch (...) {
    }
  }
  // What was running when it ended did not finish.
  if (std::optional<TransferEntry> unfinished = CurrentEntry())
    MarkFailedIfRunning(*backgroundQueue, *unfinished);
  loggedIn = 0;
  CloseControlSocket();
  SetCurrentEntry(std::nullopt);
  std::lock_guard<std::mutex> lock(runMutex);
  EndRun();
}

std::optional<TransferEntry> CFtpTransmitFile::CurrentEntry() const {
  std::lock_guard<std::mutex> lock(entryMutex);
  return currentEntry;
}

void CFtpTransmitFile::SetCurrentEntry(std::optional<TransferEntry> entry) {
  std::lock_guard<std::mutex> lock(entryMutex);
  currentEntry = std::move(entry);
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
    SetCurrentEntry(next);
    TransferEntry entry = *next;
    backgroundQueue->SetState(ENTRY_RUNNING, entry);
    {
      std::lock_guard<std::mutex> lock(siteMutex);
      site = entry.site;
    }
    SetError("");
    if (!BackgroundLogin()) {
      MarkFailedIfRunning(*backgroundQueue, entry);
      ReportFailure(*this, entry);
    } else {
      loggedIn = 1;
      RunBackgroundGroup(entry);
      SendCommand("QUIT\r\n", controlSocket.load());
      loggedIn = 0;
    }
    CloseControlSocket();
    StopSockets();
    SetCurrentEntry(std::nullopt);
  }
}

int CFtpTransmitFile::BackgroundLogin() {
  if (!StartSockets()) return 0;
  platform::SocketHandle s = ConnectServer(site.address);
  if (s == platform::kInvalidSocket) return 0;
  int loggedOn =
      site.loginType == LOGIN_ANONYMOUS ? AnonymousLogin(s) : Login(s, site.user, site.password);
  if (!loggedOn) {
    SetError("the login was refused: " + LastReply());
    return 0;
  }
  if (!ProbeResume() || QuerySystemType() == 0) {
    SetError("the server refused the session's set-up: " + LastReply());
    return 0;
  }
  if (QueryCurrentDir() == 1) return 1;
  SetError("the server did not tell its current folder: " + LastReply());
  return 0;
}

int CFtpTransmitFile::RunBackgroundGroup(TransferEntry& entry) {
  entry.controlSocket = controlSocket.load();
  RemoteNames names;
  // Each entry runs in its own directory; one that can't be entered fails
  // and stays in the queue, marked failed.
  if (!RunEntrySteps(*this, entry, names, *backgroundQueue)) return 0;
  EndStop();

  std::optional<TransferEntry> last;
  while (std::optional<TransferEntry> next = backgroundQueue->FindPendingSameLogin(entry)) {
    if (stopRequested.load() || (last && SameRecord(*last, *next))) break;
    last = next;
    TransferEntry run = *next;
    SetCurrentEntry(run);
    run.controlSocket = controlSocket.load();
    backgroundQueue->SetState(ENTRY_RUNNING, run);
    if (!RunEntrySteps(*this, run, names, *backgroundQueue)) return 0;
    EndStop();
  }
  ListDirectory(1);
  return 1;
}
