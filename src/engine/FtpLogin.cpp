// CFtpLib: the login commands and the probe for REST.
#include <cstdio>
#include <cstring>

#include "engine/FtpLib.h"

int CFtpLib::Login(platform::SocketHandle s, const char* user, const char* password) {
  char line[kCommandBufferSize] = {};
  int n = std::snprintf(line, sizeof line, "USER %s\r\n", user ? user : "");
  if (n < 0 || n >= static_cast<int>(sizeof line)) return 0;
  if (SendCommand(line, s) >= 400) return 0;

  // The password is sent even when USER completed the login: PASS decides.
  n = std::snprintf(line, sizeof line, "PASS %s\r\n", password ? password : "");
  if (n < 0 || n >= static_cast<int>(sizeof line)) {
    std::memset(line, 0, sizeof line);
    return 0;
  }
  int code = SendCommand(line, s);
  std::memset(line, 0, sizeof line);
  return code < 400 ? 1 : 0;
}

int CFtpLib::AnonymousLogin(platform::SocketHandle s) {
  return Login(s, kAnonymousUser, kAnonymousPassword);
}

int CFtpLib::ProbeResume() {
  platform::SocketHandle s = controlSocket.load();
  if (SendCommand("TYPE I\r\n", s) != 200) return 0;
  int code = SendCommand("REST 100\r\n", s);
  if (code >= 400) return 0;
  {
    std::lock_guard<std::mutex> lock(siteMutex);
    site.resumeSupported = code == 350 ? 1 : 0;
  }
  PostStatus(code == 350 ? "Support resume broken transfer" : "Don't support resume broken transfer");
  return SendCommand("REST 0\r\n", s) < 400 ? 1 : 0;
}
