// Thin TCP socket layer over the operating system's sockets (IPv4 and IPv6).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

using SocketHandle = int;
inline constexpr SocketHandle kInvalidSocket = -1;

// Owning socket handle: closes on destruction.
class Socket {
 public:
  Socket() = default;
  explicit Socket(SocketHandle handle) : handle_(handle) {}
  ~Socket() { Reset(); }
  Socket(Socket&& other) noexcept : handle_(other.Release()) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  SocketHandle Get() const { return handle_; }
  bool Valid() const { return handle_ != kInvalidSocket; }
  SocketHandle Release() {
    SocketHandle h = handle_;
    handle_ = kInvalidSocket;
    return h;
  }
  void Reset(SocketHandle handle = kInvalidSocket);

 private:
  SocketHandle handle_ = kInvalidSocket;
};

// An IPv4 or IPv6 address plus port. IPv4 keeps its address in `address`
// (host byte order), so `Endpoint{0x7F000001, port}` is 127.0.0.1:port;
// IPv6 sets `v6` and keeps the 16 address bytes in network order.
struct Endpoint {
  std::uint32_t address = 0;  // IPv4, e.g. 127.0.0.1 == 0x7F000001
  std::uint16_t port = 0;
  bool v6 = false;
  std::array<std::uint8_t, 16> address6{};
  std::uint32_t scopeId = 0;  // IPv6 link-local interface (0: none)

  // Same family and address (the port is not compared).
  bool SameAddress(const Endpoint& other) const;
};

std::string FormatAddress(std::uint32_t address);  // dotted quad
// Dotted quad, or the IPv6 text without brackets (e.g. "2001:db8::1").
std::string FormatAddress(const Endpoint& endpoint);
// Reads numeric IPv4 or IPv6 text (no brackets, no name lookup); the port is 0.
bool ParseNumericAddress(const std::string& text, Endpoint& out);
// The IPv6 loopback address ::1 with the given port.
Endpoint Ipv6Loopback(std::uint16_t port = 0);

// Error number of the last failed socket call on this thread.
int LastSocketError();

// Starts/stops the sockets library (a no-op where none is needed). 1 on success.
int StartSocketLibrary();
int StopSocketLibrary();

// True for a name worth asking a name server about: a syntactically valid
// host name outside the reserved "invalid" domain, which never resolves.
bool IsLookupName(const std::string& host);

// Resolves a host name or dotted IPv4 text to its first IPv4 address.
// Names that fail IsLookupName fail at once, without any lookup traffic.
bool ResolveHost(const std::string& host, std::uint32_t& address);

// ResolveHost on a helper thread that this call can walk away from: waits at
// most `timeoutMs` and gives up as soon as `abandon` returns true (checked
// every few milliseconds). The lookup itself finishes on its own later.
// A gave-up lookup fails with ECANCELED or ETIMEDOUT.
bool ResolveHostUntil(const std::string& host, std::uint32_t& address,
                      const std::function<bool()>& abandon, int timeoutMs);

// Every address of a host name or numeric IPv4 / IPv6 text, IPv4 and IPv6,
// in the order the resolver gives them (duplicates dropped); ports are 0.
bool ResolveHostAll(const std::string& host, std::vector<Endpoint>& out);
// ResolveHostAll with the waiting rules of ResolveHostUntil.
bool ResolveHostAllUntil(const std::string& host, std::vector<Endpoint>& out,
                         const std::function<bool()>& abandon, int timeoutMs);

// Port of a named TCP service from the services database, or `fallback`.
int ServicePort(const char* service, int fallback);

SocketHandle CreateTcpSocket();  // IPv4
// A TCP socket of the family of `endpoint` (IPv6 sockets take IPv6 only).
SocketHandle CreateTcpSocketFor(const Endpoint& endpoint);
// A second handle of the same connection (closing one leaves the other open).
SocketHandle DuplicateSocket(SocketHandle s);
void CloseSocket(SocketHandle s);
// Shuts both directions down so that any call blocked on the socket returns.
void ShutdownSocket(SocketHandle s);

bool ConnectTo(SocketHandle s, const Endpoint& to);
// Connects without blocking longer than `timeoutMs` (0 or less: no limit);
// gives up (ECANCELED) as soon as `abandon` returns true, checked every few
// milliseconds. A connect that runs out of time fails with ETIMEDOUT.
bool ConnectWithin(SocketHandle s, const Endpoint& to, int timeoutMs,
                   const std::function<bool()>& abandon);
bool BindTo(SocketHandle s, const Endpoint& local);  // address 0 = any
bool ListenOn(SocketHandle s, int backlog);
bool LocalEndpoint(SocketHandle s, Endpoint& out);
bool PeerEndpoint(SocketHandle s, Endpoint& out);
// Accepts one connection; returns kInvalidSocket on failure. `peer` may be null.
SocketHandle AcceptFrom(SocketHandle listener, Endpoint* peer);

// 1 readable, 0 time-out, -1 error. A negative timeout waits without limit.
int WaitReadable(SocketHandle s, int timeoutMs);

// Return bytes transferred, 0 at orderly close, -1 on error (see LastSocketError).
long SendBytes(SocketHandle s, const void* data, std::size_t size);
long ReceiveBytes(SocketHandle s, void* data, std::size_t size);
long PeekBytes(SocketHandle s, void* data, std::size_t size);

// Every send, receive and connect on `s` fails (LastSocketError() then says
// IsTimeoutError) once it has waited `timeoutMs` without progress; 0: no limit.
void SetIoTimeout(SocketHandle s, int timeoutMs);
bool IsTimeoutError(int error);

// Kernel buffer sizes (best effort).
void SetBufferSizes(SocketHandle s, int receiveBytes, int sendBytes);

}  // namespace platform
