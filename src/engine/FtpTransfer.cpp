// One file in either direction: local file, REST and the transfer command,
// the data connection, and removal from the queue when it is done.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/FtpFunction.h"
#include "engine/QueueSteps.h"
#include "platform/ErrorText.h"

namespace {

// A name taken from the server must stay inside the chosen folder.
bool IsPlainName(const char* name) {
  if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
    return false;
  return std::strchr(name, '/') == nullptr && std::strchr(name, '\\') == nullptr &&
         std::strchr(name, platform::kPathSeparator) == nullptr;
}

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

void CFtpFunction::ReadWaitingReplies(platform::SocketHandle control) {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  while (platform::WaitReadable(control, 0) == 1)
    if (ReadReply(control) == REPLY_LOCAL_FAILURE) return;
}

bool CFtpFunction::OpenLocalFile(const TransferEntry& entry, const std::string& path,
                                 platform::File& file) {
  if (entry.direction == XFER_UPLOAD) {
    // A source is only ever read: a file that has gone must not be created
    // empty and sent over the server's copy.
    if (platform::IsDirectory(path)) {
      SetError("the local item is a folder, not a file");
      return false;
    }
    if (file.Open(path, platform::OpenMode::ReadExisting)) return true;
    int error = platform::LastSystemError();
    SetError(platform::PathExists(path) ? "can't read the local file: " + platform::ErrorText(error)
                                        : std::string("local file missing"));
    return false;
  }
  // A download keeps the old content until the server has accepted RETR and
  // opened the data connection: a refused or failed start loses nothing.
  if (file.Open(path, platform::OpenMode::ReadWriteOpenAlways)) return true;
  SetError("can't write the local file " + path + ": " +
           platform::ErrorText(platform::LastSystemError()));
  return false;
}

int CFtpFunction::BuildTransferCommand(char (&buffer)[kCommandBufferSize],
                                       const TransferEntry& entry, platform::File& file) {
  std::memset(buffer, 0, sizeof buffer);
  if (!PrepareRestart(entry, file)) return 0;
  const char* format = "RETR %s\r\n";
  if (entry.direction == XFER_UPLOAD)
    format = entry.existsAction == ACTION_RESUME ? "APPE %s\r\n" : "STOR %s\r\n";
  std::string name = FieldText(entry.remoteName);
  int n = std::snprintf(buffer, sizeof buffer, format, name.c_str());
  if (n < 0 || n >= static_cast<int>(sizeof buffer)) {
    std::memset(buffer, 0, sizeof buffer);  // never send a cut command line
    SetError("the name is too long for a command line");
    return 0;
  }
  return 1;
}

bool CFtpFunction::PrepareRestart(const TransferEntry& entry, platform::File& file) {
  const std::int64_t offset = entry.resumeOffset < 0 ? 0 : entry.resumeOffset;
  const bool download = entry.direction == XFER_DOWNLOAD;
  if (!download && entry.existsAction == ACTION_RESUME) {
    // APPE adds to the end of the server's file, whose size is the offset:
    // the rest of the local file is sent from there. No REST is needed.
    if (file.Size() < offset) {
      SetError("the local file is shorter than the server's copy: nothing to resume");
      return false;
    }
    if (file.Seek(offset)) return true;
    SetError("can't read the local file from the resume offset");
    return false;
  }
  // REST goes right before its RETR or STOR (after TYPE and PORT, which
  // servers may take as the end of a restart).
  int code = 0;
  if (entry.site.resumeSupported == 1) {
    char rest[kCommandBufferSize];
    std::snprintf(rest, sizeof rest, "REST %lld\r\n", static_cast<long long>(offset));
    code = SendCommand(rest, controlSocket.load());
    if (code == REPLY_LOCAL_FAILURE) return false;
  }
  if (code == 350) {
    // The server continues at the offset; so must the local file, or fail.
    if (file.Seek(offset)) return true;
    SetError("can't continue the local file at the resume offset");
    return false;
  }
  if (offset > 0 && download)
    queue_steps::PostStatusF(*this, "The server can't resume %s: it is downloaded whole",
                             FieldText(entry.remoteName).c_str());
  // From the start: a download's old content is cut once the data comes.
  if (file.Seek(0)) return true;
  SetError("can't rewind the local file");
  return false;
}

int CFtpFunction::TransferFile(const TransferEntry& original) {
  TransferEntry entry = original;
  cancelRequested = false;
  SetError("");
  if (entry.direction == XFER_DOWNLOAD && !IsPlainName(entry.localName)) {
    FormatMessage(" refused local name \"%.259s\"", entry.localName);
    SetError("the local name is not a plain file name");
    return 0;
  }
  std::string path = platform::JoinPath(FieldText(entry.localDir), FieldText(entry.localName));
  const bool download = entry.direction == XFER_DOWNLOAD;
  const bool existed = platform::PathExists(path);
  platform::File file;
  if (!OpenLocalFile(entry, path, file)) return 0;
  // A download that fails before any data arrives leaves no new empty file
  // behind, which a later run would take for an existing target.
  auto abandon = [&] {
    file.Close();
    if (download && !existed) platform::RemoveFile(path);
    return 0;
  };
  // A refused command: its reply is the reason.
  auto refused = [&](int code, const char* what) {
    if (code != REPLY_LOCAL_FAILURE) SetError(std::string(what) + " was refused: " + LastReply());
    return abandon();
  };

  // The session's own connection: an entry's stored socket may be stale.
  platform::SocketHandle control = controlSocket.load();
  int code = SendCommand("TYPE I\r\n", control);
  if (code >= 400) return refused(code, "TYPE I");
  platform::Socket listener(OpenDataPort(control));
  if (!listener.Valid()) return abandon();
  char command[kCommandBufferSize];
  if (!BuildTransferCommand(command, entry, file)) return abandon();
  code = SendCommand(command, control);
  if (code >= 400) return refused(code, download ? "RETR" : "STOR");
  platform::SocketHandle data = AcceptData(listener.Get());
  listener.Reset();
  if (data == platform::kInvalidSocket) {
    FinishDataCommand(control, code, false);
    return abandon();
  }
  // The data is coming: a download that does not continue where the file
  // ends starts it anew, so no stale tail of an older copy survives. Only a
  // longer file is cut: ext4 flushes a file cut to zero when it is closed,
  // which made closing a fresh 1 GiB download wait half a second.
  if (download && file.Size() > file.Position()) file.Truncate(file.Position());

  PostProgressText(FieldText(entry.remoteName).c_str());
  bool moved = entry.direction == XFER_UPLOAD ? SendFile(data, file)
                                              : ReceiveFile(data, file, entry.fileSize);
  int result = FinishDataCommand(control, code, moved);
  bool done = moved && result < 400;
  // A download that ends at another size than the listing gave is not whole.
  if (done && download && entry.fileSize > 0 && file.Size() != entry.fileSize) {
    SetErrorF("the local file has %lld bytes, the listing said %lld",
              static_cast<long long>(file.Size()), static_cast<long long>(entry.fileSize));
    done = false;
  }
  file.Close();
  if (done) {
    transferQueue.Remove(original);
    return 1;
  }
  if (LastError().empty()) SetError("the server reported: " + LastReply());
  return 0;
}
