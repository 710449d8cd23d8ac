// One file in either direction: local file, REST and the transfer command,
// the data connection, and removal from the queue when it is done.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/FtpFunction.h"

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
    // Read and write access as for every transfer; a file the user may only
    // read is still sent.
    return file.Open(path, platform::OpenMode::ReadWriteOpenAlways) ||
           file.Open(path, platform::OpenMode::ReadExisting);
  }
  // A download keeps the old content until the server has accepted RETR and
  // opened the data connection: a refused or failed start loses nothing.
  return file.Open(path, platform::OpenMode::ReadWriteOpenAlways);
}

int CFtpFunction::BuildTransferCommand(char (&buffer)[kCommandBufferSize],
                                       const TransferEntry& entry, platform::File& file) {
  std::memset(buffer, 0, sizeof buffer);
  if (entry.site.resumeSupported == 1) {
    char rest[kCommandBufferSize];
    std::snprintf(rest, sizeof rest, "REST %lld\r\n", static_cast<long long>(entry.resumeOffset));
    if (SendCommand(rest, controlSocket.load()) == 350) {
      // The server continues at the offset; so must the local file, or fail.
      if (!file.Seek(entry.resumeOffset)) return 0;
    }
  }

  const char* format = "RETR %s\r\n";
  if (entry.direction == XFER_UPLOAD)
    format = entry.existsAction == ACTION_RESUME ? "APPE %s\r\n" : "STOR %s\r\n";
  std::string name = FieldText(entry.remoteName);
  int n = std::snprintf(buffer, sizeof buffer, format, name.c_str());
  if (n < 0 || n >= static_cast<int>(sizeof buffer)) {
    std::memset(buffer, 0, sizeof buffer);  // never send a cut command line
    return 0;
  }
  return 1;
}

int CFtpFunction::TransferFile(const TransferEntry& original) {
  TransferEntry entry = original;
  cancelRequested = false;
  if (entry.direction == XFER_DOWNLOAD && !IsPlainName(entry.localName)) {
    FormatMessage(" refused local name \"%.259s\"", entry.localName);
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

  char command[kCommandBufferSize];
  if (!BuildTransferCommand(command, entry, file)) return abandon();
  // The session's own connection: an entry's stored socket may be stale.
  platform::SocketHandle control = controlSocket.load();
  if (SendCommand("TYPE I\r\n", control) >= 400) return abandon();
  platform::Socket listener(OpenDataPort(control));
  if (!listener.Valid()) return abandon();
  if (SendCommand(command, control) >= 400) return abandon();
  platform::SocketHandle data = AcceptData(listener.Get());
  if (data == platform::kInvalidSocket) {
    // The server may still answer the transfer command (425, 426): read it
    // now, or it would be taken for the reply to the next command.
    DrainReplies();
    return abandon();
  }
  // The data is coming: a download that does not continue where the file
  // ends starts it anew, so no stale tail of an older copy survives. Only a
  // longer file is cut: ext4 flushes a file cut to zero when it is closed,
  // which made closing a fresh 1 GiB download wait half a second.
  if (download && file.Size() > file.Position()) file.Truncate(file.Position());

  PostProgressText(FieldText(entry.remoteName).c_str());
  int result = entry.direction == XFER_UPLOAD ? SendFile(control, data, file)
                                              : ReceiveFile(control, data, file, entry.fileSize);
  bool done = result != 0 && result < 400;
  // After a failure late replies may still come: wait for them as long as
  // they keep coming. After a success only what has already arrived is read,
  // so that a finished transfer does not wait a second for nothing.
  if (done)
    ReadWaitingReplies(control);
  else
    DrainReplies();
  listener.Reset();
  file.Close();
  if (done) {
    transferQueue.Remove(original);
    return 1;
  }
  return 0;
}
