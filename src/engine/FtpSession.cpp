// The foreground session's worker thread: connect attempts, login sequence,
// the command loop, and the stop that never kills a thread.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "engine/FtpObject.h"
#include "platform/MessageIds.h"

namespace {

constexpr const char* kSupportContact = "support@skiffline.example";
// How long the idle worker blocks on its queue before it looks at the stop switch.
constexpr int kQueueWaitMs = 100;
// After the stop command's wait ran out: how often the blocking calls are
// interrupted again, and how long before the worker counts as stuck.
constexpr int kUnblockRetryMs = 200;

// Copies a text field up to its terminator, never past the field's end.
template <std::size_t N>
void CopyField(char (&to)[N], const char (&from)[N]) {
  std::size_t n = strnlen(from, N - 1);
  std::memcpy(to, from, n);
  to[n] = '\0';
}

}  // namespace

CFtpObject::CFtpObject() = default;

CFtpObject::~CFtpObject() {
  // Also ends a worker that is still in its connect attempts (not logged in).
  EndWorker();
  if (cancelThread.joinable()) cancelThread.join();
}

void CFtpObject::SetSite(const SiteRecord& record) {
  // The worker reads the site copy; never change it under a running one.
  if (workerActive.load()) EndWorker();
  std::lock_guard<std::mutex> lock(siteMutex);
  site = SiteRecord{};
  CopyField(site.siteName, record.siteName);
  CopyField(site.address, record.address);
  site.serverType = record.serverType;
  CopyField(site.user, record.user);
  CopyField(site.password, record.password);
  CopyField(site.remoteInitPath, record.remoteInitPath);
  CopyField(site.localInitPath, record.localInitPath);
  site.loginType = record.loginType;
  site.reserved = record.reserved;
  site.resumeSupported = 0;
}

int CFtpObject::Start() {
  // A worker still connecting (or one that ended by itself) is finished first.
  EndWorker();
  readyEvent = std::make_unique<platform::Event>(true, false);
  workerEnded.Reset();
  commandQueue.Open();
  workerActive = true;
  phase = SessionPhase::kConnecting;
  workerThread = std::thread([this] { RunSessionGuarded(); });
  readyEvent->Wait(-1);
  return 1;
}

void CFtpObject::Stop() { EndWorker(); }

void CFtpObject::EndWorker() {
  if (workerThread.joinable()) {
    commandQueue.Post(platform::MakeMessage(msg::TM_SESSION_COMMAND, SESSION_STOP));
    if (!workerEnded.Wait(kStopWaitMs)) {
      // Interrupt again until the worker is out: a socket opened after the
      // first shutdown (a new data connection) is caught by the next round.
      do {
        UnblockWorker();
      } while (!workerEnded.Wait(kUnblockRetryMs));
    }
    workerThread.join();
  }
  if (cancelThread.joinable()) cancelThread.join();
  // Ready for the next Start.
  CloseControlSocket();
  stopRequested = false;
  cancelRequested = false;
  proceed = 1;
  loggedIn = 0;
  workerActive = false;
}

void CFtpObject::UnblockWorker() {
  stopRequested = true;
  proceed = 0;
  ShutdownControlSocket();
  ShutdownDataSocket();
  if (questions) questions->ReleaseWaiting();
  ReleaseBlockedPosts();
}

void CFtpObject::RunSessionGuarded() {
  try {
    RunSession();
  } catch (const std::exception& e) {
    // Memory ran out (a hostile server's reply or listing): this session
    // ends with a status line, the program goes on.
    try {
      PostStatus((std::string("The session ended: ") + e.what()).c_str());
    } catch (...) {
    }
    // What was running when it ended did not finish.
    for (const TransferEntry& entry : transferQueue.Entries())
      if (entry.state == ENTRY_RUNNING) transferQueue.SetState(ENTRY_FAILED, entry);
  }
  if (loggedIn.load() == 1) {
    SendCommand("QUIT\r\n", controlSocket.load());
    phase = SessionPhase::kEnded;
  }
  CloseControlSocket();
  loggedIn = 0;
  if (readyEvent) readyEvent->Set();
  platform::PostTo(viewWindow, platform::MakeMessage(msg::WM_SESSION_STATE, 1));
  StopSockets();
  commandQueue.Close();
  workerActive = false;
  workerEnded.Set();
}

void CFtpObject::RunSession() {
  auto stopping = [this] { return stopRequested.load(); };
  int done = ConnectAttempt();
  if (!done && !stopping()) {
    CloseControlSocket();
    done = ConnectAttempt();
  }
  if (!done && !stopping()) {
    CloseControlSocket();
    PostStatus("Connection with the server failed!!\r\n");
    PostStatus("Please check if the server information is correct! Or the server!\r\n");
    PostStatus("Please try again later!\r\n");
    ConnectAttempt();
  }
}

int CFtpObject::ConnectAttempt() {
  if (readyEvent) readyEvent->Set();
  platform::PostTo(viewWindow, platform::MakeMessage(msg::WM_SESSION_STATE, 0));
  if (!StartSockets()) return 0;

  PostStatus("Welcome to use Skiffline!\r\n");
  std::string contact =
      std::string("Please contact ") + kSupportContact + " if having any problems\r\n";
  PostStatus(contact.c_str());
  {
    std::lock_guard<std::recursive_mutex> lock(textMutex);
    PostStatus(FormatMessage("Connecting to %s ........", site.address));
  }

  platform::SocketHandle s = ConnectServer(site.address);
  if (s == platform::kInvalidSocket) {
    phase = SessionPhase::kConnectFailed;
    PostStatus("Connecting error!");
    PostStatus(("Can't connect: " + LastError()).c_str());
    return 0;
  }

  int loggedOn = site.loginType == LOGIN_ANONYMOUS ? AnonymousLogin(s)
                                                   : Login(s, site.user, site.password);
  if (!loggedOn) {
    phase = SessionPhase::kLoginFailed;
    PostStatus("Login error!");
    return 0;
  }
  PostStatus("Successfully login to ftp server");
  if (!ProbeResume()) return 0;
  if (QuerySystemType() == 0) return 0;

  loggedIn = 1;
  platform::PostTo(viewWindow, platform::MakeMessage(msg::WM_SESSION_STATE, 1));

  if (site.remoteInitPath[0] != '\0') {
    char line[kCommandBufferSize];
    int n = std::snprintf(line, sizeof line, "CWD %s\r\n", site.remoteInitPath);
    // A path too long for a command line is not sent; the login directory stays.
    if (n > 0 && n < static_cast<int>(sizeof line)) SendCommand(line, s);
  }
  QueryCurrentDir();
  phase = SessionPhase::kReady;
  PostStatus("Fininsh initialization, waiting for orders");
  CommandLoop();
  return 1;
}

void CFtpObject::CommandLoop() {
  for (;;) {
    if (stopRequested.load()) return;
    std::optional<platform::Message> message = commandQueue.Wait(kQueueWaitMs);
    if (!message || message->id != msg::TM_SESSION_COMMAND) continue;

    platform::PostTo(viewWindow, platform::MakeMessage(msg::WM_SESSION_STATE, 0));
    switch (message->wParam) {
      case SESSION_STOP:
        platform::PostTo(viewWindow, platform::MakeMessage(msg::WM_SESSION_STATE, 1));
        return;
      case SESSION_RAW_COMMAND:
        if (const std::string* line = message->payload.As<std::string>())
          SendCommand(line->c_str(), controlSocket.load());
        if (readyEvent) readyEvent->Set();
        break;
      case SESSION_REFRESH_LIST:
        ListDirectory(1);
        break;
      case SESSION_REFRESH_DIR:
        QueryCurrentDir();
        break;
      case SESSION_RUN_QUEUE:
        RunTransferQueue(message->payload.As<TransferEntry>());
        break;
      case SESSION_RUN_DELETE:
        RunDeleteQueue(message->payload.As<TransferEntry>());
        break;
      default:
        break;  // unknown codes are taken and ignored
    }
    platform::PostTo(viewWindow, platform::MakeMessage(msg::WM_SESSION_STATE, 1));
    proceed = 1;
  }
}
