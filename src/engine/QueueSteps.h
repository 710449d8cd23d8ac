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
// CWD back to `dir`, then PWD; true when the PWD succeeded.
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
// Byte-equal records: the same queue entry offered twice in a row.
bool SameRecord(const TransferEntry& a, const TransferEntry& b);

// One entry once it runs: a folder as a whole tree with the return to the
// directory it started in (a failed folder is marked in `folderStates`), a
// file with its target check and decision (a failed file is marked in the
// session's transferQueue). 0 when the return after a folder failed.
int RunEntrySteps(CFtpFunction& session, TransferEntry& entry, const RemoteListing* remoteNames,
                  CFileQueue& folderStates);

}  // namespace queue_steps
