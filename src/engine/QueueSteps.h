// Steps that the foreground queue run, the folder recursion, the deletions
// and the background worker share. All run on the session's own thread.
#pragma once

#include <string>
#include <string_view>

#include "engine/FtpFunction.h"

namespace queue_steps {

// Sends "CWD <dir>\r\n"; 999 when the line would not fit in a command buffer.
int SendCwd(CFtpFunction& session, std::string_view dir);
// Sends "<verb> <name>\r\n" (MKD, DELE, RMD); 999 when it would not fit.
int SendNameCommand(CFtpFunction& session, const char* verb, std::string_view name);
// CWD back to `dir`, then PWD; true only when the server is in `dir` again.
bool ReturnTo(CFtpFunction& session, const std::string& dir);
// The session's current remote directory as text.
std::string CurrentDir(const CFtpFunction& session);
// Takes over the listing that the last ListDirectory(0) kept in the session.
RemoteListing TakeListing(CFtpFunction& session);
// Lists the current directory into a fresh listing; false if it failed.
bool ListInto(CFtpFunction& session, RemoteListing& out);
// Posts a status line made from a printf-style format.
void PostStatusF(CFtpFunction& session, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Marks the entry failed in `queue` unless the user has meanwhile given it
// another state (stopped, or pending again).
void MarkFailedIfRunning(CFileQueue& queue, const TransferEntry& entry);
// The one status line of a failed entry: what failed and why.
void ReportFailure(CFtpFunction& session, const TransferEntry& entry);

// A remote directory as paths are compared: one trailing "/" dropped (but
// the root's); "" and "." stand for the directory the session is in.
std::string ComparableDir(std::string_view dir);
// Makes the entry's remoteDir the session's directory: nothing is sent when
// the session is there already. False (with the reason noted) when the
// directory can't be entered; then nothing may be sent for the entry.
bool EnterEntryDir(CFtpFunction& session, const TransferEntry& entry);
// Returns to `dir` (the directory the user was browsing) unless the session
// is there already.
void ReturnToBrowsed(CFtpFunction& session, const std::string& dir);

// The listing of one remote directory, for the target checks of uploads:
// listed again only when the entries move on to another directory.
struct RemoteNames {
  RemoteListing records;
  std::string dir;
  bool listed = false;
  // The names of the session's current directory; null when it can't be listed.
  const RemoteListing* For(CFtpFunction& session);
  // Notes a file just uploaded, so that a later entry of the run sees it.
  void Learn(const TransferEntry& uploaded);
};
// Byte-equal records: the same queue entry offered twice in a row.
bool SameRecord(const TransferEntry& a, const TransferEntry& b);

// One entry once it runs, in its own remoteDir: a folder as a whole tree
// with the return to the directory it started in, a file with its target
// check and decision. A finished entry leaves `queue`; a failed one is
// marked failed there, with one status line. 0 when the session can't go on
// (the return after a folder failed).
int RunEntrySteps(CFtpFunction& session, TransferEntry& entry, RemoteNames& names,
                  CFileQueue& queue);

}  // namespace queue_steps
