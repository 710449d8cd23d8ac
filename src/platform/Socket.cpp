#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/time.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
namespace {

thread_local int lastError = 0;

long Fail() {
  lastError = errno;
  return -1;
}

sockaddr_in ToSockaddr(const Endpoint& e) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(e.address);
  sa.sin_port = htons(e.port);
  return sa;
}

}  // namespace

void Socket::Reset(SocketHandle handle) {
  if (handle_ != kInvalidSocket) CloseSocket(handle_);
  handle_ = handle;
}

std::string FormatAddress(std::uint32_t a) {
  return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
         std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
}

int LastSocketError() { return lastError; }

int StartSocketLibrary() { return 1; }
int StopSocketLibrary() { return 1; }

// A name that can be looked up at all: letters, digits, '-', '_' and dots,
// no empty label, at most 253 characters. Names under "invalid" never exist
// (RFC 6761), so they fail here without asking a name server.
bool IsLookupName(const std::string& host) {
  if (host.empty() || host.size() > 253 || host.front() == '.') return false;
  std::size_t label = 0;
  for (char c : host) {
    if (c == '.') {
      if (label == 0) return false;
      label = 0;
      continue;
    }
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_';
    if (!ok || ++label > 63) return false;
  }
  std::string lower;
  for (char c : host) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  while (!lower.empty() && lower.back() == '.') lower.pop_back();
  return !(lower == "invalid" || (lower.size() > 8 && lower.compare(lower.size() - 8, 8, ".invalid") == 0));
}

bool ResolveHost(const std::string& host, std::uint32_t& address) {
  in_addr dotted{};
  if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    address = ntohl(dotted.s_addr);
    return true;
  }
  if (!IsLookupName(host)) {
    lastError = EAI_NONAME;
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
  if (rc != 0 || result == nullptr) {
    lastError = rc == EAI_SYSTEM ? errno : rc;
    return false;
  }
  address = ntohl(reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(result);
  return true;
}

// ResolveHost on a helper thread that this call can walk away from.
bool ResolveHostUntil(const std::string& host, std::uint32_t& address,
                      const std::function<bool()>& abandon, int timeoutMs) {
  struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool ok = false;
    std::uint32_t address = 0;
    int error = 0;
  };
  auto lookup = std::make_shared<Lookup>();
  // The thread owns its share of the state, so the caller may leave first.
  std::thread([lookup, host] {
    std::uint32_t found = 0;
    bool ok = ResolveHost(host, found);
    int error = lastError;
    std::lock_guard<std::mutex> lock(lookup->mutex);
    lookup->finished = true;
    lookup->ok = ok;
    lookup->address = found;
    lookup->error = error;
    lookup->done.notify_all();
  }).detach();
  // No limit (0 or less) waits as long as the lookup takes, or until abandoned.
  const bool limited = timeoutMs > 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(lookup->mutex);
  for (;;) {
    if (abandon && abandon()) {
      lastError = ECANCELED;
      return false;
    }
    if (lookup->done.wait_for(lock, std::chrono::milliseconds(20), [&] { return lookup->finished; })) {
      if (!lookup->ok) {
        lastError = lookup->error;
        return false;
      }
      address = lookup->address;
      return true;
    }
    if (limited && std::chrono::steady_clock::now() >= deadline) {
      lastError = ETIMEDOUT;
      return false;
    }
  }
}

int ServicePort(const char* service, int fallback) {
  servent entry{};
  servent* found = nullptr;
  char buffer[1024];
  if (getservbyname_r(service, nullptr, &entry, buffer, sizeof buffer, &found) == 0 && found)
    return ntohs(static_cast<std::uint16_t>(found->s_port));
  return fallback;
}

SocketHandle CreateTcpSocket() {
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) {
    Fail();
    return kInvalidSocket;
  }
  return s;
}

void CloseSocket(SocketHandle s) {
  if (s != kInvalidSocket) ::close(s);
}

void ShutdownSocket(SocketHandle s) {
  if (s != kInvalidSocket) ::shutdown(s, SHUT_RDWR);
}

bool ConnectTo(SocketHandle s, const Endpoint& to) {
  sockaddr_in sa = ToSockaddr(to);
  for (;;) {
    if (::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return true;
    if (errno != EINTR) return Fail(), false;
  }
}

bool BindTo(SocketHandle s, const Endpoint& local) {
  sockaddr_in sa = ToSockaddr(local);
  if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return true;
  return Fail(), false;
}

bool ListenOn(SocketHandle s, int backlog) {
  if (::listen(s, backlog) == 0) return true;
  return Fail(), false;
}

static bool NameOf(SocketHandle s, Endpoint& out, bool peer) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  int rc = peer ? ::getpeername(s, reinterpret_cast<sockaddr*>(&sa), &len)
                : ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len);
  if (rc != 0 || sa.sin_family != AF_INET) return Fail(), false;
  out.address = ntohl(sa.sin_addr.s_addr);
  out.port = ntohs(sa.sin_port);
  return true;
}

bool LocalEndpoint(SocketHandle s, Endpoint& out) { return NameOf(s, out, false); }
bool PeerEndpoint(SocketHandle s, Endpoint& out) { return NameOf(s, out, true); }

SocketHandle AcceptFrom(SocketHandle listener, Endpoint* peer) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  for (;;) {
    int s = ::accept4(listener, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
    if (s >= 0) {
      if (peer) {
        peer->address = ntohl(sa.sin_addr.s_addr);
        peer->port = ntohs(sa.sin_port);
      }
      return s;
    }
    if (errno != EINTR) {
      Fail();
      return kInvalidSocket;
    }
  }
}

int WaitReadable(SocketHandle s, int timeoutMs) {
  pollfd p{};
  p.fd = s;
  p.events = POLLIN;
  for (;;) {
    int rc = ::poll(&p, 1, timeoutMs < 0 ? -1 : timeoutMs);
    if (rc > 0) return 1;
    if (rc == 0) return 0;
    if (errno != EINTR) return static_cast<int>(Fail());
  }
}

long SendBytes(SocketHandle s, const void* data, std::size_t size) {
  for (;;) {
    ssize_t n = ::send(s, data, size, MSG_NOSIGNAL);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return Fail();
  }
}

static long Recv(SocketHandle s, void* data, std::size_t size, int flags) {
  for (;;) {
    ssize_t n = ::recv(s, data, size, flags);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return Fail();
  }
}

long ReceiveBytes(SocketHandle s, void* data, std::size_t size) { return Recv(s, data, size, 0); }
long PeekBytes(SocketHandle s, void* data, std::size_t size) { return Recv(s, data, size, MSG_PEEK); }

void SetIoTimeout(SocketHandle s, int timeoutMs) {
  timeval tv{};
  if (timeoutMs > 0) {
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
  }
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool IsTimeoutError(int error) {
  return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS || error == ETIMEDOUT;
}

void SetBufferSizes(SocketHandle s, int receiveBytes, int sendBytes) {
  if (receiveBytes > 0) ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &receiveBytes, sizeof receiveBytes);
  if (sendBytes > 0) ::setsockopt(s, SOL_SOCKET, SO_SNDBUF, &sendBytes, sizeof sendBytes);
}

}  // namespace platform
