// Cancelling the running listing or transfer: the data connection is shut
// down at once, and a short-lived thread sends ABOR and reads the replies.

#include "engine/FtpFunction.h"
#include "platform/Sync.h"

CFtpFunction::CFtpFunction() = default;

CFtpFunction::~CFtpFunction() {
  if (cancelThread.joinable()) cancelThread.join();
}

void CFtpFunction::Cancel() {
  if (loggedIn.load() != 1) return;
  // One cancel at a time: a second click while the first is still in its
  // ABOR exchange changes nothing, and the user-interface thread never waits
  // for it.
  if (cancelInFlight.exchange(true)) return;
  cancelRequested = true;
  ShutdownDataSocket();
  // The previous thread has finished its work (the flag was clear): joining
  // it only collects it.
  if (cancelThread.joinable()) cancelThread.join();
  cancelThread = std::thread([this] {
    AbortTransfer();
    cancelInFlight = false;
  });
}

void CFtpFunction::AbortTransfer() {
  // Holding the reader lock keeps the replies to ABOR with this thread and
  // keeps the control connection open until the abort is done.
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  // Servers act on ABOR only once the data connection is gone.
  ShutdownDataSocket();
  platform::SocketHandle control = controlSocket.load();
  if (stopRequested.load() || control == platform::kInvalidSocket) return;
  // A server that never answers ABOR holds the cancel no longer than the
  // late-reply time. What else the server says (the aborted command's own
  // final reply, in either order) is read by the worker, which
  // resynchronises after a cancelled command; an ABOR whose reply did not
  // come makes the next command resynchronise first. The worker's reason is
  // kept.
  const std::string reason = LastError();
  if (SendAbort(control) == REPLY_LOCAL_FAILURE && !stopRequested.load()) needResync = true;
  SetError(reason);
}

int CFtpFunction::FinishDataCommand(platform::SocketHandle control, int commandCode, bool dataOk) {
  // The command was answered with its final reply at once (no 1xx first).
  if (commandCode >= 200) return dataOk ? commandCode : REPLY_LOCAL_FAILURE;
  if (stopRequested.load()) return REPLY_LOCAL_FAILURE;
  if (cancelRequested.load()) {
    // The cancel thread sends ABOR and reads one reply; the worker waits for
    // it (its exchange is bounded) and then reads whatever is left.
    while (cancelInFlight.load() && !stopRequested.load()) platform::SleepMs(10);
    if (!stopRequested.load()) Resynchronize(control);
    return REPLY_LOCAL_FAILURE;
  }
  if (dataOk) {
    int code = ReadReply(control);
    if (code == REPLY_LOCAL_FAILURE) {
      // The final reply did not come in time: it may still come, and must
      // not answer the next command.
      const std::string reason = LastError();
      if (!stopRequested.load()) {
        SendAbort(control);
        Resynchronize(control);
      }
      SetError("no final reply: " + reason);
      return code;
    }
    if (code >= 400) SetError("the server reported: " + LastReply());
    ReadWaitingReplies(control);
    return code;
  }
  // The data part failed: the server still owes the command's final reply
  // (425, 426...). Read it, or abort when it does not come, so that it can't
  // be taken for the answer to the next command.
  std::string reason = LastError();
  int code = ReadReplyWithin(control, lateReplyTimeoutMs.load());
  if (code == REPLY_LOCAL_FAILURE && !stopRequested.load()) SendAbort(control);
  // The server's own word says more than the broken connection does.
  if (code >= 400 && code != REPLY_LOCAL_FAILURE) reason = "the server reported: " + LastReply();
  SetError(reason);
  if (!stopRequested.load()) Resynchronize(control);
  return REPLY_LOCAL_FAILURE;
}
