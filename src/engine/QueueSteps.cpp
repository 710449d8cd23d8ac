#include "engine/QueueSteps.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/SafeNames.h"
#include "platform/Files.h"

namespace queue_steps {

namespace {

// Builds "<verb> <argument>\r\n" into a command buffer; false if it would not
// fit (a cut line is never sent) or the argument holds a line break.
bool BuildLine(char (&line)[kCommandBufferSize], const char* verb, std::string_view argument) {
  if (!IsSendableName(argument)) return false;
  int n = std::snprintf(line, sizeof line, "%s %.*s\r\n", verb, static_cast<int>(argument.size()),
                        argument.data());
  return n > 0 && n < static_cast<int>(sizeof line);
}

}  // namespace

int SendNameCommand(CFtpFunction& session, const char* verb, std::string_view name) {
  char line[kCommandBufferSize];
  if (!BuildLine(line, verb, name)) return REPLY_LOCAL_FAILURE;
  return session.SendCommand(line, session.controlSocket.load());
}

int SendCwd(CFtpFunction& session, std::string_view dir) {
  return SendNameCommand(session, "CWD", dir);
}

bool ReturnTo(CFtpFunction& session, const std::string& dir) {
  SendCwd(session, dir);
  return session.QueryCurrentDir() == 1;
}

std::string CurrentDir(const CFtpFunction& session) {
  return std::string(FieldName(session.currentDir));
}

RemoteListing TakeListing(CFtpFunction& session) {
  RemoteListing out = std::move(session.listing);
  session.listing.clear();
  return out;
}

bool ListInto(CFtpFunction& session, RemoteListing& out) {
  // A failed listing must not leave an older one behind.
  session.listing.clear();
  int ok = session.ListDirectory(0);
  out = TakeListing(session);
  if (!ok) out.clear();
  return ok == 1;
}

void PostStatusF(CFtpFunction& session, const char* format, ...) {
  char text[kMessageTextSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  session.PostStatus(text);
}

void MarkFailedIfRunning(CFileQueue& queue, const TransferEntry& entry) {
  queue.Lock();
  for (const TransferEntry& queued : queue.Entries()) {
    if (!Matches(queued, entry)) continue;
    if (queued.state == ENTRY_RUNNING) queue.SetState(ENTRY_FAILED, entry);
    break;
  }
  queue.Unlock();
}

bool SameRecord(const TransferEntry& a, const TransferEntry& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

int RunEntrySteps(CFtpFunction& session, TransferEntry& entry, const RemoteListing* remoteNames,
                  CFileQueue& folderStates) {
  if (entry.isFolder) {
    std::string startDir = CurrentDir(session);
    int ok = entry.direction == XFER_UPLOAD ? session.UploadFolder(entry)
                                            : session.DownloadFolder(entry);
    if (!ok) MarkFailedIfRunning(folderStates, entry);
    return ReturnTo(session, startDir) ? 1 : 0;
  }
  const TransferEntry queued = entry;
  if (entry.direction == XFER_UPLOAD) {
    entry.resumeOffset = session.FindRemoteTarget(entry.remoteName, remoteNames);
  } else {
    std::string path = platform::JoinPath(std::string(FieldName(entry.localDir)),
                                          std::string(FieldName(entry.localName)));
    entry.resumeOffset = session.FindLocalTarget(path);
  }
  if (session.TransferWithDecision(entry)) {
    // Done, skipped or sent under a new name: the entry leaves the queue.
    session.transferQueue.Remove(queued);
  } else {
    MarkFailedIfRunning(session.transferQueue, queued);
  }
  return 1;
}

}  // namespace queue_steps
