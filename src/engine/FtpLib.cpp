// CFtpLib: construction, the message buffer, and the lines posted to the log
// and the progress display.
#include "engine/FtpLib.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Message.h"
#include "platform/MessageIds.h"

CFtpLib::CFtpLib() = default;

CFtpLib::~CFtpLib() = default;

const char* CFtpLib::FormatMessage(const char* format, ...) {
  std::lock_guard<std::recursive_mutex> lock(textMutex);
  va_list args;
  va_start(args, format);
  std::vsnprintf(messageText, sizeof messageText, format, args);
  va_end(args);
  return messageText;
}

SiteRecord CFtpLib::Site() const {
  std::lock_guard<std::mutex> lock(siteMutex);
  return site;
}

std::string CFtpLib::CurrentDir() const {
  std::lock_guard<std::mutex> lock(siteMutex);
  return std::string(currentDir, strnlen(currentDir, sizeof currentDir));
}

void CFtpLib::SetCurrentDir(const std::string& dir) {
  std::lock_guard<std::mutex> lock(siteMutex);
  std::memset(currentDir, 0, sizeof currentDir);
  if (dir.size() < sizeof currentDir) std::memcpy(currentDir, dir.data(), dir.size());
}

std::string CFtpLib::LastError() const {
  std::lock_guard<std::mutex> lock(errorMutex);
  return lastError;
}

std::string CFtpLib::LastReply() const {
  std::lock_guard<std::mutex> lock(errorMutex);
  return lastReply;
}

void CFtpLib::ReleaseBlockedPosts() {
  for (const platform::TargetSlot* slot :
       {&logWindow, &viewWindow, &reservedWindow, &localWindow, &queueWindow, &progressWindow})
    if (platform::WindowHandle target = slot->Get()) target->ReleaseBlockedPosts();
}

void CFtpLib::SetError(const std::string& reason) {
  std::lock_guard<std::mutex> lock(errorMutex);
  lastError = reason;
}

void CFtpLib::SetErrorF(const char* format, ...) {
  char text[kMessageTextSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  SetError(text);
}

std::string CFtpLib::MessageText() {
  std::lock_guard<std::recursive_mutex> lock(textMutex);
  return std::string(messageText);
}

int CFtpLib::ReplyCode(const char* line) {
  if (line == nullptr) return 0;
  // The decimal value of the first three characters, as atoi reads them.
  char code[4] = {};
  std::size_t n = 0;
  while (n < 3 && line[n] != '\0') {
    code[n] = line[n];
    ++n;
  }
  return std::atoi(code);
}

void CFtpLib::LogProtocolLine(std::string& text, int sent) {
  if (sent && text.compare(0, 5, "PASS ") == 0) {
    // No password reaches the log: the text becomes "PASS *" CR LF.
    text.resize(5);
    text += "*\r\n";
  }
  std::string line;
  {
    std::lock_guard<std::recursive_mutex> lock(textMutex);
    std::memset(messageText, 0, sizeof messageText);
    // The text is C text: a zero byte ends it.
    const char* body = text.c_str();
    std::snprintf(messageText, sizeof messageText,
                  sent ? "COMMAND >   %s" : "                        %s", body);
    line = messageText;
  }
  // Posted outside the lock: a window that is far behind may hold the post.
  platform::PostTo(logWindow, platform::TextMessage(sent ? msg::WM_SESSION_COMMAND_LINE
                                                         : msg::WM_SESSION_REPLY_LINE,
                                                    std::move(line)));
}

void CFtpLib::PostStatus(const char* text) {
  std::string line;
  {
    std::lock_guard<std::recursive_mutex> lock(textMutex);
    line = text ? text : "";
    if (line.size() < 2 || line[line.size() - 2] != '\r') {
      line += "\r\n";
      // The text is completed in place when it is the message buffer itself.
      if (text == messageText && line.size() < sizeof messageText)
        std::memcpy(messageText, line.c_str(), line.size() + 1);
    }
  }
  platform::PostTo(logWindow, platform::TextMessage(msg::WM_SESSION_STATUS_LINE,
                                                    "STATUS>        " + line));
}

void CFtpLib::PostProgressText(const char* text) {
  platform::PostTo(progressWindow,
                   platform::TextMessage(msg::WM_SESSION_PROGRESS_TEXT, text ? text : ""));
}

int CFtpLib::StartSockets() { return platform::StartSocketLibrary() ? 1 : 0; }

int CFtpLib::StopSockets() { return platform::StopSocketLibrary() ? 1 : 0; }
