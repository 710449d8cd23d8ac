// Thin TCP socket layer over the operating system's sockets (IPv4 only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

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

// IPv4 address in host byte order plus port.
struct Endpoint {
  std::uint32_t address = 0;  // e.g. 127.0.0.1 == 0x7F000001
  std::uint16_t port = 0;
};

std::string FormatAddress(std::uint32_t address);  // dotted quad

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

// Port of a named TCP service from the services database, or `fallback`.
int ServicePort(const char* service, int fallback);

SocketHandle CreateTcpSocket();
void CloseSocket(SocketHandle s);
// Shuts both directions down so that any call blocked on the socket returns.
void ShutdownSocket(SocketHandle s);

bool ConnectTo(SocketHandle s, const Endpoint& to);
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
