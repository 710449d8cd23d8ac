// What the parts of the scripted server share: small helpers and the state
// of one control connection and of one running transfer.
#pragma once

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/Sync.h"
#include "support/ScriptedFtpServer.h"

namespace skifftest {
namespace scripted_detail {

using platform::SocketHandle;

constexpr int kSliceMs = 20;

inline std::string WithCrLf(const std::string& text) {
  if (!text.empty() && text.back() == '\n') return text;
  return text + "\r\n";
}

inline std::string Upper(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

inline bool SendAll(SocketHandle s, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    long n = platform::SendBytes(s, data + done, size - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

inline void NoDelay(SocketHandle s) {
  int one = 1;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

inline bool ParseInt64(const std::string& text, std::int64_t& out) {
  if (text.empty() || text.size() > 18) return false;
  std::int64_t v = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
    v = v * 10 + (ch - '0');
  }
  out = v;
  return true;
}

inline bool ParsePort(const std::string& arg, platform::Endpoint& out) {
  int v[6];
  std::size_t pos = 0;
  for (int i = 0; i < 6; ++i) {
    std::size_t end = arg.find(',', pos);
    if ((i < 5) != (end != std::string::npos)) return false;
    std::string part = arg.substr(pos, i < 5 ? end - pos : std::string::npos);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\r')) part.pop_back();
    std::int64_t n = 0;
    if (!ParseInt64(part, n) || n > 255) return false;
    v[i] = static_cast<int>(n);
    pos = end + 1;
  }
  out.address = (static_cast<std::uint32_t>(v[0]) << 24) | (static_cast<std::uint32_t>(v[1]) << 16) |
                (static_cast<std::uint32_t>(v[2]) << 8) | static_cast<std::uint32_t>(v[3]);
  out.port = static_cast<std::uint16_t>(v[4] * 256 + v[5]);
  return true;
}

}  // namespace scripted_detail

struct ScriptedFtpServer::Connection {
  int id = 0;
  platform::Socket control;
  std::uint32_t peerAddress = 0;
  std::thread thread;
  std::mutex writeMutex;
  std::atomic<bool> hungUp{false};
  std::atomic<bool> done{false};

  // Session state; touched by the connection's own thread only.
  std::string cwd = "/";
  std::string user;
  bool loggedIn = false;
  std::int64_t rest = 0;
  std::optional<platform::Endpoint> port;
  std::optional<std::string> renameFrom;
  platform::Socket held;  // a data connection opened at PORT
  platform::Socket passiveListener;  // opened by PASV / EPSV
  platform::Socket passiveFiller;    // fills the listener's queue (neverAccept)

  // The running transfer.
  std::mutex transferMutex;
  std::thread transfer;
  bool transferRunning = false;
  bool abortRequested = false;
  platform::SocketHandle transferSocket = platform::kInvalidSocket;
  DataOptions transferOptions;
};

struct ScriptedFtpServer::Job {
  FtpCommand cmd;
  DataOptions opt;
  bool outgoing = true;
  std::string payload;
  std::string path;
  std::int64_t offset = 0;
  platform::SocketHandle held = platform::kInvalidSocket;
  platform::SocketHandle listener = platform::kInvalidSocket;  // passive mode
  platform::Endpoint target;
};

}  // namespace skifftest
