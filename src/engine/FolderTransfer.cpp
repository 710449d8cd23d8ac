// Whole folders in both directions. Each level works on its own copy of the
// entry, keeps the listing of its folder to itself, and returns to the
// directory it entered before it goes on; the first failure ends the folder
// and its parents. Names from a listing are joined into local paths only
// when they are plain names, and the recursion is bounded in depth.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/FtpFunction.h"
#include "engine/QueueSteps.h"
#include "engine/SafeNames.h"
#include "platform/ErrorText.h"
#include "platform/FileKind.h"

using queue_steps::PostStatusF;

namespace {

std::string WithSeparator(std::string_view dir, char separator) {
  std::string out(dir);
  if (out.empty() || out.back() != separator) out += separator;
  return out;
}

bool TooDeep(CFtpFunction& session, const TransferEntry& entry, int depth) {
  if (depth < kMaxFolderDepth) return false;
  session.SetError("folders are nested deeper than " + std::to_string(kMaxFolderDepth) + " levels");
  PostStatusF(session, "Folder %s is nested deeper than %d levels: stopped",
              std::string(FieldName(entry.remoteName)).c_str(), kMaxFolderDepth);
  return true;
}

int NameTooLong(CFtpFunction& session, const std::string& path) {
  session.SetError("the path is too long: " + path);
  return 0;
}

// CWD into a folder of the tree, then PWD; false with the reason noted.
bool EnterRemote(CFtpFunction& session, const std::string& dir) {
  int code = queue_steps::SendCwd(session, dir);
  if (code >= 400) {
    session.SetError("can't enter the remote folder " + dir +
                     (code == REPLY_LOCAL_FAILURE ? std::string() : ": " + session.LastReply()));
    return false;
  }
  if (session.QueryCurrentDir() != 1) {
    session.SetError("can't read the remote folder after entering " + dir);
    return false;
  }
  return true;
}

// Sets both names of a copy; false if the name does not fit.
bool SetNames(TransferEntry& entry, std::string_view name) {
  return SetFieldExact(entry.remoteName, name) && SetFieldExact(entry.localName, name);
}

}  // namespace

int CFtpFunction::EnterUploadFolder(TransferEntry& entry) {
  std::string_view localName = FieldName(entry.localName);
  if (!IsPlainName(localName) || !IsSendableName(FieldName(entry.remoteName))) {
    SetError("the folder's name can't be sent");
    return 0;
  }
  std::string localDir =
      WithSeparator(FieldName(entry.localDir), platform::kPathSeparator) + std::string(localName);
  if (!SetFieldExact(entry.localDir, WithSeparator(localDir, platform::kPathSeparator)))
    return NameTooLong(*this, localDir);

  // An existing folder refuses MKD; that is fine.
  queue_steps::SendNameCommand(*this, "MKD", FieldName(entry.remoteName));

  std::string remoteDir = WithSeparator(FieldName(entry.remoteDir), '/') +
                          std::string(FieldName(entry.remoteName));
  if (!SetFieldExact(entry.remoteDir, remoteDir)) return NameTooLong(*this, remoteDir);
  if (!EnterRemote(*this, remoteDir)) return 0;
  if (!SetFieldExact(entry.remoteDir, remoteDir + "/")) return NameTooLong(*this, remoteDir);
  // The folder's names, for the target checks of its files.
  listing.clear();
  return ListDirectory(0) == 1 ? 1 : 0;
}

int CFtpFunction::UploadFolder(const TransferEntry& entry, int depth) {
  if (TooDeep(*this, entry, depth)) return 0;
  TransferEntry copy = entry;
  if (!EnterUploadFolder(copy)) return 0;
  RemoteListing remoteNames = queue_steps::TakeListing(*this);
  const std::string folderDir = queue_steps::CurrentDir(*this);

  std::vector<platform::DirEntry> items;
  if (!platform::ListFolder(std::string(FieldName(copy.localDir)), items)) {
    SetError("can't read the local folder " + std::string(FieldName(copy.localDir)) + ": " +
             platform::ErrorText(platform::LastSystemError()));
    PostStatusF(*this, "Can't read the local folder %s",
                std::string(FieldName(copy.localDir)).c_str());
    return 0;
  }
  // Subfolders first, then files, each in name order.
  std::sort(items.begin(), items.end(), [](const platform::DirEntry& a, const platform::DirEntry& b) {
    if (a.isFolder != b.isFolder) return a.isFolder;
    return a.name < b.name;
  });

  for (const platform::DirEntry& item : items) {
    if (IsDotName(item.name)) continue;
    copy.direction = XFER_UPLOAD;
    copy.isFolder = item.isFolder ? 1 : 0;
    copy.resumeOffset = 0;
    copy.reserved2 = 0;
    copy.fileSize = item.isFolder ? 0 : item.size;
    if (!IsPlainName(item.name) || !SetNames(copy, item.name)) {
      PostStatusF(*this, "Skipped %s: the name can't be sent", item.name.c_str());
      ++skippedNames;
      continue;
    }
    if (item.isFolder &&
        platform::IsSymbolicLink(std::string(FieldName(copy.localDir)) + item.name)) {
      // A link to a folder may lead back up the tree: it is not followed.
      PostStatusF(*this, "Skipped %s: a link to a folder is not followed", item.name.c_str());
      continue;
    }
    if (item.isFolder) {
      int ok = UploadFolder(copy, depth + 1);
      if (!queue_steps::ReturnTo(*this, folderDir)) return 0;
      if (!ok) return 0;
    } else {
      copy.resumeOffset = FindRemoteTarget(item.name.c_str(), &remoteNames);
      if (!TransferWithDecision(copy)) return 0;
    }
  }
  FreeListing(remoteNames);
  return 1;
}

int CFtpFunction::EnterDownloadFolder(TransferEntry& entry, bool createLocal) {
  std::string_view name = FieldName(entry.remoteName);
  if (!IsPlainName(name)) {
    SetError("the folder's name is not a plain name");
    return 0;
  }
  std::string localDir = WithSeparator(FieldName(entry.localDir), platform::kPathSeparator) +
                         std::string(name) + platform::kPathSeparator;
  if (!SetFieldExact(entry.localDir, localDir)) return NameTooLong(*this, localDir);
  if (createLocal && !platform::CreateDirectory(localDir)) {
    SetError("can't create the local folder " + localDir + ": " +
             platform::ErrorText(platform::LastSystemError()));
    PostStatusF(*this, "Can't create the local folder %s", localDir.c_str());
    return 0;
  }
  std::string remoteDir = WithSeparator(FieldName(entry.remoteDir), '/') + std::string(name) + "/";
  if (!SetFieldExact(entry.remoteDir, remoteDir)) return NameTooLong(*this, remoteDir);
  if (!EnterRemote(*this, remoteDir)) return 0;
  listing.clear();
  return ListDirectory(0) == 1 ? 1 : 0;
}

int CFtpFunction::DownloadFolder(const TransferEntry& entry, int depth) {
  if (TooDeep(*this, entry, depth)) return 0;
  TransferEntry copy = entry;
  if (!EnterDownloadFolder(copy)) return 0;
  RemoteListing records = queue_steps::TakeListing(*this);
  if (QueryCurrentDir() != 1) return 0;
  const std::string folderDir = queue_steps::CurrentDir(*this);

  for (const RemoteFileRecord& record : records) {
    bool terminated = false;
    std::string_view name = FieldName(record.name, &terminated);
    if (terminated && IsDotName(name)) continue;
    copy.direction = XFER_DOWNLOAD;
    copy.reserved2 = 0;
    if (!terminated || !IsPlainName(name) || !SetNames(copy, name)) {
      PostStatusF(*this, "Skipped the listed name \"%.*s\": not a plain file name",
                  static_cast<int>(name.size()), name.data());
      ++skippedNames;
      continue;
    }
    if (record.isFolder) {
      copy.isFolder = 1;
      copy.resumeOffset = 0;
      copy.fileSize = 0;
      int ok = DownloadFolder(copy, depth + 1);
      if (!queue_steps::ReturnTo(*this, folderDir)) return 0;
      if (!ok) return 0;
    } else {
      copy.isFolder = 0;
      // A link's listed size is that of its target's path, not of the file.
      copy.fileSize = record.isLink ? 0 : RecordSize(record);
      copy.resumeOffset = FindLocalTarget(
          platform::JoinPath(std::string(FieldName(copy.localDir)), std::string(name)));
      if (TransferWithDecision(copy)) continue;
      // A link is fetched as the file it points at; one that leads to a
      // folder (or nowhere) can't be, and does not fail the whole tree.
      if (!record.isLink) return 0;
      PostStatusF(*this, "Skipped the link %.*s: %s", static_cast<int>(name.size()), name.data(),
                  LastError().c_str());
    }
  }
  FreeListing(records);
  return 1;
}
