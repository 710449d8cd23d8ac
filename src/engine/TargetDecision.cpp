// The target-exists check before each file and the decision that the user
// gives for it: the restart offset, and whether and under which name the
// file is sent.
#include <cstring>
#include <string>

#include "engine/FtpFunction.h"
#include "engine/QueueSteps.h"
#include "engine/SafeNames.h"

namespace {

bool ZeroOffset(std::int32_t decision) {
  return decision == ACTION_OVERWRITE || decision == ACTION_RENAME;
}

// Shows the session's question (no one to ask answers Skip) and takes its
// answer: the decision, and whether to ask again in this run.
void AskTargetExists(CFtpLib& session, const std::string& target) {
  TargetExistsQuestion& q = session.conflictDialog;
  q.targetText = target;
  if (session.questions) {
    session.questions->AskTargetExists(q);
  } else {
    q.result = ACTION_SKIP;
    q.applyToRest = 0;
  }
  bool known = q.result >= ACTION_OVERWRITE && q.result <= ACTION_SKIP;
  session.conflictDecision = known ? q.result : ACTION_SKIP;
  session.askConflict = known && q.applyToRest != 0 ? 0 : 1;
}

}  // namespace

std::int64_t CFtpFunction::FindRemoteTarget(const char* name, const RemoteListing* remoteNames) {
  targetExists = false;
  targetIsLink = false;
  if (!remoteNames || !name) return 0;
  for (const RemoteFileRecord& record : *remoteNames) {
    if (record.name != name) continue;
    targetExists = true;
    targetIsLink = record.isLink != 0;
    if (askConflict == 1)
      AskTargetExists(*this, queue_steps::CurrentDir(*this) + "/" + std::string(name));
    return ZeroOffset(conflictDecision) ? 0 : RecordSize(record);
  }
  return 0;
}

std::int64_t CFtpFunction::FindLocalTarget(const std::string& path) {
  targetExists = false;
  if (!platform::PathExists(path)) return 0;
  targetExists = true;
  if (askConflict == 1) AskTargetExists(*this, path);
  std::int64_t size = 0;
  {
    platform::File file;
    if (file.Open(path, platform::OpenMode::ReadWriteExisting)) size = file.Size();
  }
  if (size < 0) size = 0;
  return ZeroOffset(conflictDecision) ? 0 : size;
}

int CFtpFunction::TransferWithDecision(TransferEntry& entry) {
  // A decision speaks only for a target that exists; any other file is sent
  // as it is.
  const std::int32_t decision = targetExists ? conflictDecision : ACTION_NONE;
  targetExists = false;
  const bool upload = entry.direction == XFER_UPLOAD;
  std::string target(FieldName(upload ? entry.remoteName : entry.localName));

  if (decision == ACTION_RENAME) {
    std::string newName;
    if (!questions || !questions->AskNewName(newName)) {
      queue_steps::PostStatusF(*this, "Skipped %s: no new name was given", target.c_str());
      return 1;
    }
    bool fits = upload ? SetFieldExact(entry.remoteName, newName)
                       : SetFieldExact(entry.localName, newName);
    if (!IsPlainName(newName) || !fits) {
      queue_steps::PostStatusF(*this, "Refused the new name \"%s\": not a plain file name",
                               newName.c_str());
      return 0;
    }
    entry.resumeOffset = 0;
  }
  // A link's listed size is that of the path it holds: appending from it
  // would write into the middle of the file it points at.
  const bool linkTarget = targetIsLink;
  targetIsLink = false;
  if (decision == ACTION_RESUME && upload && linkTarget) {
    SetError("the remote target is a link: its size is unknown, so it can't be resumed");
    return 0;
  }
  if (decision == ACTION_SKIP) {
    queue_steps::PostStatusF(*this, "Skipped %s: the target exists", target.c_str());
    return 1;
  }
  entry.existsAction = decision;
  return TransferFile(entry);
}
