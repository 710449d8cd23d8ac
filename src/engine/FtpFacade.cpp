// The operations the user interface drives the foreground session with.
// None touches the network: each posts a session command to the worker (or
// adds to a queue) and returns at once.
#include <cstdio>
#include <string>

#include "engine/FtpObject.h"
#include "engine/SafeNames.h"
#include "platform/MessageIds.h"
#include "platform/Notice.h"

namespace {

// "<verb> <argument>\r\n" in a command buffer, or empty when the argument
// holds a line break (it would smuggle in a second command) or the line would
// not fit (a cut line is never sent).
std::string CommandLine(const char* verb, const char* argument) {
  std::string arg = argument ? argument : "";
  if (arg.find_first_of("\r\n") != std::string::npos) return {};
  char line[kCommandBufferSize];
  int n = std::snprintf(line, sizeof line, "%s %s\r\n", verb, arg.c_str());
  if (n < 0 || n >= static_cast<int>(sizeof line)) return {};
  return line;
}

}  // namespace

bool CFtpObject::PostCommand(int code, platform::Payload payload) {
  // A refused post drops the message, and the payload with it.
  return commandQueue.Post(
      platform::MakeMessage(msg::TM_SESSION_COMMAND, code, 0, std::move(payload)));
}

int CFtpObject::PostRawCommand(const char* line) {
  if (loggedIn.load() == 0) return 0;
  if (!HasWorker()) {
    platform::ShowNotice("error", "Can't send command, not connected.");
    return 0;
  }
  if (!line || line[0] == '\0') return 0;
  return PostCommand(SESSION_RAW_COMMAND, platform::Payload::Of(std::string(line))) ? 1 : 0;
}

void CFtpObject::ChangeDir(const char* path) {
  std::string line = CommandLine("CWD", path);
  if (line.empty()) return;
  PostRawCommand(line.c_str());
  RefreshDir();
}

void CFtpObject::ParentDir() {
  PostRawCommand("CDUP\r\n");
  RefreshDir();
}

void CFtpObject::MakeDir(const char* name) {
  std::string line = CommandLine("MKD", name);
  if (!line.empty()) PostRawCommand(line.c_str());
}

int CFtpObject::RenameRemote(const char* oldName, const char* newName) {
  std::string from = CommandLine("RNFR", oldName);
  std::string to = CommandLine("RNTO", newName);
  // Both lines or neither: a lone RNTO would be refused anyway.
  if (from.empty() || to.empty()) return 0;
  PostRawCommand(from.c_str());
  return PostRawCommand(to.c_str());
}

int CFtpObject::RefreshDir() {
  if (loggedIn.load() != 1) return 0;
  return PostCommand(SESSION_REFRESH_DIR) ? 1 : 0;
}

void CFtpObject::RefreshList() {
  if (HasWorker()) PostCommand(SESSION_REFRESH_LIST);
}

int CFtpObject::QueueTransfer(TransferEntry& entry) {
  entry.controlSocket = controlSocket.load();
  TransferEntry copy = entry;
  transferQueue.Add(entry);
  return PostCommand(SESSION_RUN_QUEUE, platform::Payload::Of(copy)) ? 1 : 0;
}

int CFtpObject::QueueDelete(TransferEntry& entry) {
  entry.controlSocket = controlSocket.load();
  TransferEntry copy = entry;
  deleteQueue.Add(entry);
  return PostCommand(SESSION_RUN_DELETE, platform::Payload::Of(copy)) ? 1 : 0;
}

int CFtpObject::RunQueue() {
  PostCommand(SESSION_RUN_QUEUE);
  return 1;
}
