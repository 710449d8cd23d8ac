#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
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

// A socket address of either family and its length.
struct SockAddr {
  sockaddr_storage storage{};
  socklen_t length = 0;
  sockaddr* Get() { return reinterpret_cast<sockaddr*>(&storage); }
};

SockAddr ToSockaddr(const Endpoint& e) {
  SockAddr sa;
  if (e.v6) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&sa.storage);
    in6->sin6_family = AF_INET6;
    std::memcpy(&in6->sin6_addr, e.address6.data(), 16);
    in6->sin6_port = htons(e.port);
    in6->sin6_scope_id = e.scopeId;
    sa.length = sizeof(sockaddr_in6);
  } else {
    auto* in = reinterpret_cast<sockaddr_in*>(&sa.storage);
    in->sin_family = AF_INET;
    in->sin_addr.s_addr = htonl(e.address);
    in->sin_port = htons(e.port);
    sa.length = sizeof(sockaddr_in);
  }
  return sa;
}

// False for a family other than IPv4 and IPv6.
bool FromSockaddr(const sockaddr* sa, Endpoint& out) {
  if (sa->sa_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
    out = Endpoint{};
    out.address = ntohl(in->sin_addr.s_addr);
    out.port = ntohs(in->sin_port);
    return true;
  }
  if (sa->sa_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(sa);
    out = Endpoint{};
    out.v6 = true;
    std::memcpy(out.address6.data(), &in6->sin6_addr, 16);
    out.port = ntohs(in6->sin6_port);
    out.scopeId = in6->sin6_scope_id;
    return true;
  }
  return false;
}

SocketHandle NewSocket(int family) {
  int s = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) {
    Fail();
    return kInvalidSocket;
  }
  if (family == AF_INET6) {
    int on = 1;
    ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  }
  return s;
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

bool Endpoint::SameAddress(const Endpoint& other) const {
  if (v6 != other.v6) return false;
  return v6 ? address6 == other.address6 : address == other.address;
}

std::string FormatAddress(const Endpoint& e) {
  if (!e.v6) return FormatAddress(e.address);
  char text[INET6_ADDRSTRLEN] = {};
  if (!inet_ntop(AF_INET6, e.address6.data(), text, sizeof text)) return "?";
  return text;
}

bool ParseNumericAddress(const std::string& text, Endpoint& out) {
  in_addr v4{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    out = Endpoint{};
    out.address = ntohl(v4.s_addr);
    return true;
  }
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    out = Endpoint{};
    out.v6 = true;
    std::memcpy(out.address6.data(), &v6, 16);
    return true;
  }
  return false;
}

Endpoint Ipv6Loopback(std::uint16_t port) {
  Endpoint e;
  e.v6 = true;
  e.address6[15] = 1;
  e.port = port;
  return e;
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

namespace {

// The addresses of `family` that the resolver gives for a name, each once, in
// its order; false with lastError set when there are none.
bool LookUp(const std::string& host, int family, std::vector<Endpoint>& out) {
  out.clear();
  if (!IsLookupName(host)) {
    lastError = EAI_NONAME;
    return false;
  }
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
  if (rc != 0 || result == nullptr) {
    lastError = rc == EAI_SYSTEM ? errno : rc;
    return false;
  }
  for (addrinfo* a = result; a != nullptr; a = a->ai_next) {
    Endpoint e;
    if (a->ai_addr == nullptr || !FromSockaddr(a->ai_addr, e)) continue;
    e.port = 0;
    bool seen = false;
    for (const Endpoint& o : out) seen = seen || (o.SameAddress(e) && o.scopeId == e.scopeId);
    if (!seen) out.push_back(e);
  }
  freeaddrinfo(result);
  if (out.empty()) lastError = EAI_NONAME;
  return !out.empty();
}

}  // namespace

bool ResolveHost(const std::string& host, std::uint32_t& address) {
  in_addr dotted{};
  if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    address = ntohl(dotted.s_addr);
    return true;
  }
  std::vector<Endpoint> found;
  if (!LookUp(host, AF_INET, found)) return false;
  address = found.front().address;
  return true;
}

bool ResolveHostAll(const std::string& host, std::vector<Endpoint>& out) {
  out.clear();
  Endpoint numeric;
  if (ParseNumericAddress(host, numeric)) {
    out.push_back(numeric);
    return true;
  }
  return LookUp(host, AF_UNSPEC, out);
}

namespace {

// Runs `lookup` (which fills a vector of endpoints) on a helper thread that
// the caller can walk away from.
bool LookupUntil(const std::function<bool(std::vector<Endpoint>&)>& lookupFn,
                 std::vector<Endpoint>& out, const std::function<bool()>& abandon, int timeoutMs) {
  struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool ok = false;
    std::vector<Endpoint> found;
    int error = 0;
  };
  auto lookup = std::make_shared<Lookup>();
  // The thread owns its share of the state, so the caller may leave first.
  std::thread([lookup, lookupFn] {
    std::vector<Endpoint> found;
    bool ok = lookupFn(found);
    int error = lastError;
    std::lock_guard<std::mutex> lock(lookup->mutex);
    lookup->finished = true;
    lookup->ok = ok;
    lookup->found = std::move(found);
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
      out = lookup->found;
      return true;
    }
    if (limited && std::chrono::steady_clock::now() >= deadline) {
      lastError = ETIMEDOUT;
      return false;
    }
  }
}

}  // namespace

bool ResolveHostUntil(const std::string& host, std::uint32_t& address,
                      const std::function<bool()>& abandon, int timeoutMs) {
  std::vector<Endpoint> found;
  auto v4 = [host](std::vector<Endpoint>& out) {
    Endpoint e;
    if (!ResolveHost(host, e.address)) return false;
    out.push_back(e);
    return true;
  };
  if (!LookupUntil(v4, found, abandon, timeoutMs)) return false;
  address = found.front().address;
  return true;
}

bool ResolveHostAllUntil(const std::string& host, std::vector<Endpoint>& out,
                         const std::function<bool()>& abandon, int timeoutMs) {
  return LookupUntil([host](std::vector<Endpoint>& found) { return ResolveHostAll(host, found); },
                     out, abandon, timeoutMs);
}

int ServicePort(const char* service, int fallback) {
  servent entry{};
  servent* found = nullptr;
  char buffer[1024];
  if (getservbyname_r(service, nullptr, &entry, buffer, sizeof buffer, &found) == 0 && found)
    return ntohs(static_cast<std::uint16_t>(found->s_port));
  return fallback;
}

SocketHandle CreateTcpSocket() { return NewSocket(AF_INET); }

SocketHandle CreateTcpSocketFor(const Endpoint& endpoint) {
  return NewSocket(endpoint.v6 ? AF_INET6 : AF_INET);
}

SocketHandle DuplicateSocket(SocketHandle s) {
  int copy = ::fcntl(s, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) {
    Fail();
    return kInvalidSocket;
  }
  return copy;
}

void CloseSocket(SocketHandle s) {
  if (s != kInvalidSocket) ::close(s);
}

void ShutdownSocket(SocketHandle s) {
  if (s != kInvalidSocket) ::shutdown(s, SHUT_RDWR);
}

bool ConnectTo(SocketHandle s, const Endpoint& to) {
  SockAddr sa = ToSockaddr(to);
  for (;;) {
    if (::connect(s, sa.Get(), sa.length) == 0) return true;
    if (errno != EINTR) return Fail(), false;
  }
}

bool ConnectWithin(SocketHandle s, const Endpoint& to, int timeoutMs,
                   const std::function<bool()>& abandon) {
  constexpr int kSliceMs = 20;
  const int flags = ::fcntl(s, F_GETFL, 0);
  if (flags < 0 || ::fcntl(s, F_SETFL, flags | O_NONBLOCK) < 0) return Fail(), false;
  auto restore = [&](bool ok) {
    ::fcntl(s, F_SETFL, flags);
    return ok;
  };
  SockAddr sa = ToSockaddr(to);
  int rc = ::connect(s, sa.Get(), sa.length);
  if (rc == 0) return restore(true);
  if (errno != EINPROGRESS && errno != EINTR) return Fail(), restore(false);
  const bool limited = timeoutMs > 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (abandon && abandon()) {
      lastError = ECANCELED;
      return restore(false);
    }
    if (limited && std::chrono::steady_clock::now() >= deadline) {
      lastError = ETIMEDOUT;
      return restore(false);
    }
    pollfd p{};
    p.fd = s;
    p.events = POLLOUT;
    int ready = ::poll(&p, 1, kSliceMs);
    if (ready < 0 && errno != EINTR) return Fail(), restore(false);
    if (ready <= 0) continue;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return Fail(), restore(false);
    if (error != 0) {
      lastError = error;
      return restore(false);
    }
    return restore(true);
  }
}

bool BindTo(SocketHandle s, const Endpoint& local) {
  SockAddr sa = ToSockaddr(local);
  if (::bind(s, sa.Get(), sa.length) == 0) return true;
  return Fail(), false;
}

bool ListenOn(SocketHandle s, int backlog) {
  if (::listen(s, backlog) == 0) return true;
  return Fail(), false;
}

static bool NameOf(SocketHandle s, Endpoint& out, bool peer) {
  SockAddr sa;
  sa.length = sizeof sa.storage;
  int rc = peer ? ::getpeername(s, sa.Get(), &sa.length) : ::getsockname(s, sa.Get(), &sa.length);
  if (rc != 0) return Fail(), false;
  if (!FromSockaddr(sa.Get(), out)) {
    lastError = EAFNOSUPPORT;
    return false;
  }
  return true;
}

bool LocalEndpoint(SocketHandle s, Endpoint& out) { return NameOf(s, out, false); }
bool PeerEndpoint(SocketHandle s, Endpoint& out) { return NameOf(s, out, true); }

SocketHandle AcceptFrom(SocketHandle listener, Endpoint* peer) {
  for (;;) {
    SockAddr sa;
    sa.length = sizeof sa.storage;
    int s = ::accept4(listener, sa.Get(), &sa.length, SOCK_CLOEXEC);
    if (s >= 0) {
      if (peer && !FromSockaddr(sa.Get(), *peer)) *peer = Endpoint{};
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
