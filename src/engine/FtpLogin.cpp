// CFtpLib: the login commands, what the server offers, and the probe for REST.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

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
  if (code >= 400) return 0;
  // What the server offers belongs to the published control connection.
  if (s == controlSocket.load()) NegotiateFeatures();
  return 1;
}

void CFtpLib::NegotiateFeatures() {
  ServerFeatures offered;
  {
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    ReplyText reply;
    // A 5xx (no FEAT) or an odd reply: the session goes on as before.
    if (proceed.load() != 0 && !stopRequested.load() && QueryExchange("FEAT\r\n", reply) &&
        reply.complete) {
      const int code = ReplyCode(reply.firstLine.c_str());
      if (code >= 200 && code <= 299) offered = ParseFeatures(reply.all);
    }
  }
  {
    std::lock_guard<std::mutex> lock(siteMutex);
    features = offered;
  }
  platform::SocketHandle s = controlSocket.load();
  // Names go on the wire as the bytes the server sent either way; this only
  // tells a server that wants to be told.
  if (offered.utf8) SendCommand("OPTS UTF8 ON\r\n", s);
  const std::string facts = MlstFactsToAsk(offered);
  if (!facts.empty() && facts.size() < kCommandBufferSize - 16)
    SendCommand(("OPTS MLST " + facts + "\r\n").c_str(), s);
}

ServerFeatures CFtpLib::Features() const {
  std::lock_guard<std::mutex> lock(siteMutex);
  return features;
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
