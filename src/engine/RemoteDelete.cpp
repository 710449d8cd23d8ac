// Deleting remote files and whole remote folders: the content of a folder
// before the folder, each subfolder after its own content. Only plain names
// are deleted, so a listing can never point a deletion outside the folder.
#include <optional>
#include <string>

#include "engine/FtpFunction.h"
#include "engine/QueueSteps.h"
#include "engine/SafeNames.h"

using queue_steps::PostStatusF;

namespace {

// Sends DELE or RMD and counts a refusal.
void DeleteName(CFtpFunction& session, const char* verb, std::string_view name) {
  if (queue_steps::SendNameCommand(session, verb, name) >= 400) ++session.refusedDeletions;
}

}  // namespace

int CFtpFunction::RunDeleteQueue(const TransferEntry* entry) {
  // Each deletion runs in its own directory; afterwards the session goes
  // back to the one the user was browsing.
  const std::string browsed = queue_steps::CurrentDir(*this);
  int count = 0;
  if (entry && deleteQueue.Contains(*entry)) {
    DeleteEntry(*entry);
    deleteQueue.Remove(*entry);
    ++count;
  }
  while (std::optional<TransferEntry> next = deleteQueue.FirstPending()) {
    if (stopRequested.load()) break;
    DeleteEntry(*next);
    // Whatever happened, the entry is not taken again in this drain.
    deleteQueue.Remove(*next);
    ++count;
  }
  queue_steps::ReturnToBrowsed(*this, browsed);
  if (count != 0) ListDirectory(1);
  return 1;
}

int CFtpFunction::DeleteEntry(const TransferEntry& entry) {
  std::string_view name = FieldName(entry.remoteName);
  if (!IsPlainName(name)) {
    PostStatusF(*this, "Not deleted \"%.*s\": not a plain file name", static_cast<int>(name.size()),
                name.data());
    ++skippedNames;
    deleteQueue.Remove(entry);
    return 0;
  }
  SetError("");
  if (!queue_steps::EnterEntryDir(*this, entry)) {
    // Nothing is deleted where the entry does not belong.
    ++refusedDeletions;
    queue_steps::ReportFailure(*this, entry);
    deleteQueue.Remove(entry);
    return 0;
  }
  if (entry.isFolder) {
    const std::string startDir = queue_steps::CurrentDir(*this);
    DeleteFolder(entry);
    if (!queue_steps::ReturnTo(*this, startDir)) {
      // Dropped, so that the drain does not take it again without end.
      PostStatusF(*this, "Deleting the folder %.*s stopped: can't return to %s",
                  static_cast<int>(name.size()), name.data(), startDir.c_str());
      ++refusedDeletions;
      deleteQueue.Remove(entry);
      return 0;
    }
    DeleteName(*this, "RMD", name);
  } else {
    DeleteName(*this, "DELE", name);
  }
  deleteQueue.Remove(entry);
  return 1;
}

int CFtpFunction::DeleteFolder(const TransferEntry& entry, int depth) {
  if (depth >= kMaxFolderDepth) {
    PostStatusF(*this, "Folder %s is nested deeper than %d levels: stopped",
                std::string(FieldName(entry.remoteName)).c_str(), kMaxFolderDepth);
    ++refusedDeletions;
    return 0;
  }
  TransferEntry copy = entry;
  // Entered as for a download, without making a local folder.
  if (!EnterDownloadFolder(copy, false)) return 0;
  RemoteListing records = queue_steps::TakeListing(*this);
  if (QueryCurrentDir() != 1) return 0;
  const std::string folderDir = queue_steps::CurrentDir(*this);
  if (records.empty()) return 0;  // the caller removes the empty folder

  for (const RemoteFileRecord& record : records) {
    bool terminated = false;
    std::string_view name = FieldName(record.name, &terminated);
    if (terminated && IsDotName(name)) continue;
    if (!terminated || !IsPlainName(name) || !SetFieldExact(copy.remoteName, name) ||
        !SetFieldExact(copy.localName, name)) {
      PostStatusF(*this, "Not deleted the listed name \"%.*s\": not a plain file name",
                  static_cast<int>(name.size()), name.data());
      ++skippedNames;
      continue;
    }
    if (record.isFolder) {
      copy.isFolder = 1;
      DeleteFolder(copy, depth + 1);
      // Nothing more is deleted unless the session is back in this folder.
      if (!queue_steps::ReturnTo(*this, folderDir)) {
        ++refusedDeletions;
        return 0;
      }
      DeleteName(*this, "RMD", name);
    } else {
      DeleteName(*this, "DELE", name);
    }
  }
  FreeListing(records);
  return 1;
}
