// Cancelling the running listing or transfer: the data connection is shut
// down at once, and a short-lived thread sends ABOR and reads the replies.
#include "engine/FtpFunction.h"

CFtpFunction::CFtpFunction() = default;

CFtpFunction::~CFtpFunction() {
  if (cancelThread.joinable()) cancelThread.join();
}

void CFtpFunction::Cancel() {
  if (loggedIn.load() != 1) return;
  cancelRequested = true;
  ShutdownDataSocket();
  if (cancelThread.joinable()) cancelThread.join();
  cancelThread = std::thread([this] { AbortTransfer(); });
}

void CFtpFunction::AbortTransfer() {
  // Holding the reader lock keeps the replies to ABOR with this thread and
  // keeps the control connection open until the abort is done.
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  // Servers act on ABOR only once the data connection is gone.
  ShutdownDataSocket();
  SendCommandDespiteProceed("ABOR\r\n", controlSocket.load());
  DrainReplies();
}
