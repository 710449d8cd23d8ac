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
  if (SendCwd(session, dir) >= 400) {
    session.SetError("can't return to the remote folder " + dir);
    return false;
  }
  if (session.QueryCurrentDir() != 1) {
    // Where the session is, is unknown: the next entry changes folder anew.
    session.SetCurrentDir("");
    session.SetError("can't read the remote folder after returning to " + dir);
    return false;
  }
  if (ComparableDir(CurrentDir(session)) == ComparableDir(dir)) return true;
  session.SetError("the server did not return to the remote folder " + dir);
  return false;
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
  queue.ChangeState(ENTRY_RUNNING, ENTRY_FAILED, entry);
}

bool SameRecord(const TransferEntry& a, const TransferEntry& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void ReportFailure(CFtpFunction& session, const TransferEntry& entry) {
  std::string reason = session.LastError();
  if (reason.empty()) reason = "unknown reason";
  std::string dir(FieldName(entry.remoteDir));
  if (!dir.empty() && dir.back() != '/') dir += '/';
  PostStatusF(session, "Failed: %s%s (%s)", dir.c_str(),
              std::string(FieldName(entry.remoteName)).c_str(), reason.c_str());
}

std::string ComparableDir(std::string_view dir) {
  std::string out(dir);
  if (out == ".") out.clear();
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool EnterEntryDir(CFtpFunction& session, const TransferEntry& entry) {
  bool terminated = false;
  std::string_view field = FieldName(entry.remoteDir, &terminated);
  const std::string dir = ComparableDir(field);
  if (!terminated) {
    session.SetError("the remote folder's name is not terminated");
    return false;
  }
  if (dir.empty() || dir == ComparableDir(CurrentDir(session))) return true;
  int code = SendCwd(session, dir);
  if (code >= 400) {
    session.SetError("can't enter the remote folder " + dir +
                         (code == REPLY_LOCAL_FAILURE ? std::string() : ": " + session.LastReply()));
    return false;
  }
  // The server took the CWD; a PWD that fails leaves the absolute path as
  // the best knowledge of where the session is.
  if (session.QueryCurrentDir() != 1) {
    if (dir.front() != '/' || session.StopRequested()) {
      session.SetError("can't read the remote folder after entering " + dir);
      return false;
    }
    session.SetCurrentDir(dir);
  }
  return true;
}

void ReturnToBrowsed(CFtpFunction& session, const std::string& dir) {
  if (dir.empty() || ComparableDir(dir) == ComparableDir(CurrentDir(session))) return;
  ReturnTo(session, dir);
}

const RemoteListing* RemoteNames::For(CFtpFunction& session) {
  const std::string here = ComparableDir(CurrentDir(session));
  if (!listed || dir != here) {
    listed = ListInto(session, records);
    dir = here;
  }
  return listed ? &records : nullptr;
}

void RemoteNames::Learn(const TransferEntry& uploaded) {
  if (!listed) return;
  RemoteFileRecord record{};
  record.name = std::string(FieldName(uploaded.remoteName));
  std::snprintf(record.sizeText, sizeof record.sizeText, "%lld",
                static_cast<long long>(uploaded.fileSize));
  for (RemoteFileRecord& known : records)
    if (known.name == record.name) {
      known = record;
      return;
    }
  records.push_back(record);
}

int RunEntrySteps(CFtpFunction& session, TransferEntry& entry, RemoteNames& names,
                  CFileQueue& queue) {
  const TransferEntry queued = entry;
  session.SetError("");
  auto failed = [&] {
    MarkFailedIfRunning(queue, queued);
    ReportFailure(session, queued);
  };
  if (!EnterEntryDir(session, entry)) {
    failed();
    return 1;
  }
  // "Where the session is" becomes the server's own path for the folder code.
  if (ComparableDir(FieldName(entry.remoteDir)).empty() &&
      !SetFieldExact(entry.remoteDir, CurrentDir(session))) {
    session.SetError("the remote folder's path is too long");
    failed();
    return 1;
  }
  if (entry.isFolder) {
    std::string startDir = CurrentDir(session);
    int ok = entry.direction == XFER_UPLOAD ? session.UploadFolder(entry)
                                            : session.DownloadFolder(entry);
    if (ok)
      queue.Remove(queued);
    else
      failed();
    return ReturnTo(session, startDir) ? 1 : 0;
  }
  if (entry.direction == XFER_UPLOAD) {
    // Without the folder's names an existing file would be overwritten
    // without a question: the upload waits for a run that can list.
    const RemoteListing* listed = names.For(session);
    if (!listed) {
      if (session.LastError().empty()) session.SetError("the remote folder can't be listed");
      failed();
      return 1;
    }
    entry.resumeOffset = session.FindRemoteTarget(entry.remoteName, listed);
  } else {
    std::string path = platform::JoinPath(std::string(FieldName(entry.localDir)),
                                          std::string(FieldName(entry.localName)));
    entry.resumeOffset = session.FindLocalTarget(path);
  }
  if (session.TransferWithDecision(entry)) {
    // Done, skipped or sent under a new name: the entry leaves the queue.
    queue.Remove(queued);
    if (entry.direction == XFER_UPLOAD) names.Learn(entry);
  } else {
    failed();
  }
  return 1;
}

}  // namespace queue_steps
