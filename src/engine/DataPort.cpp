// CFtpLib: the data connection — the choice of mode, and active mode's
// listening, PORT / EPRT and accepting (passive mode is in PassiveData.cpp).
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "engine/FtpLib.h"
#include "engine/PassiveReply.h"
#include "platform/ErrorText.h"
#include "platform/Sync.h"

using platform::SocketHandle;

namespace {
// Slice in which the wait for a data connection looks at cancel and stop.
constexpr int kAcceptPollMs = 50;
}  // namespace

SocketHandle CFtpLib::OpenDataPort(SocketHandle control) {
  passiveData = platform::kInvalidSocket;
  if (IsPassive(site) && passiveCommand != PassiveCommand::kRefused) {
    SocketHandle s = OpenPassive(control);
    // Only a server that refused passive mode gets PORT instead.
    if (s != platform::kInvalidSocket || passiveCommand != PassiveCommand::kRefused) return s;
  }
  return OpenActive(control);
}

SocketHandle CFtpLib::OpenActive(SocketHandle control) {
  // The listener takes only the address the server already talks to: other
  // interfaces never see the data port, and the family is the control's.
  platform::Endpoint local;
  if (!platform::LocalEndpoint(control, local)) {
    FormatMessage("%d error when get control socket name!", platform::LastSocketError());
    SetError("can't open a data port: " + platform::ErrorText(platform::LastSocketError()));
    return platform::kInvalidSocket;
  }
  SocketHandle listener = platform::CreateTcpSocketFor(local);
  if (listener == platform::kInvalidSocket) {
    FormatMessage("%d error when create listen socket !", platform::LastSocketError());
    return platform::kInvalidSocket;
  }
  auto fail = [&](const char* format) {
    int error = platform::LastSocketError();
    FormatMessage(format, error);
    SetError("can't open a data port: " + platform::ErrorText(error));
    platform::CloseSocket(listener);
    return platform::kInvalidSocket;
  };
  platform::Endpoint bindTo = local;
  bindTo.port = 0;
  if (!platform::BindTo(listener, bindTo)) return fail("%d error when bind the listen socket !");
  if (!platform::ListenOn(listener, 1)) return fail("%d error when listening ");
  platform::Endpoint listening;
  if (!platform::LocalEndpoint(listener, listening))
    return fail("%d error when get listen socket name!");

  // PORT can only name an IPv4 address; IPv6 takes EPRT.
  listening.v6 = local.v6;
  listening.address = local.address;
  listening.address6 = local.address6;
  const std::string line =
      local.v6 ? passive_reply::EprtCommand(listening) : passive_reply::PortCommand(listening);
  if (SendCommand(line.c_str(), control) != 200) {
    FormatMessage("%d error when Send ftp command !", platform::LastSocketError());
    SetError((local.v6 ? "EPRT" : "PORT") + std::string(" was refused: ") + LastReply());
    platform::CloseSocket(listener);
    return platform::kInvalidSocket;
  }
  return listener;
}

SocketHandle CFtpLib::AcceptData(SocketHandle listener) {
  if (listener != platform::kInvalidSocket && listener == passiveData) {
    passiveData = platform::kInvalidSocket;
    if (cancelRequested.load() || stopRequested.load()) {
      FormatMessage("%d error when accept data connect !", ECANCELED);
      SetError(stopRequested.load() ? "stopped" : "cancelled");
      return platform::kInvalidSocket;
    }
    // The caller closes the handle it holds once this returns.
    SocketHandle own = platform::DuplicateSocket(listener);
    if (own == platform::kInvalidSocket)
      SetError("the data connection failed: " + platform::ErrorText(platform::LastSocketError()));
    return own;
  }
  // Only the server we talk to may open the data connection.
  platform::Endpoint server;
  SocketHandle control = controlSocket.load();
  bool checkPeer = control != platform::kInvalidSocket && platform::PeerEndpoint(control, server);

  const int limit = std::max(0, dataConnectTimeoutMs.load());
  const std::uint64_t deadline = platform::TickMs() + static_cast<std::uint64_t>(limit);
  for (;;) {
    if (cancelRequested.load() || stopRequested.load()) {
      FormatMessage("%d error when accept data connect !", ECANCELED);
      SetError(stopRequested.load() ? "stopped" : "cancelled");
      return platform::kInvalidSocket;
    }
    std::uint64_t now = platform::TickMs();
    if (now >= deadline) {
      FormatMessage("%d error when accept data connect !", ETIMEDOUT);
      SetError("the server did not open the data connection");
      return platform::kInvalidSocket;
    }
    int slice = static_cast<int>(std::min<std::uint64_t>(kAcceptPollMs, deadline - now));
    int ready = platform::WaitReadable(listener, slice);
    if (ready < 0) {
      FormatMessage("%d error when accept data connect !", platform::LastSocketError());
      return platform::kInvalidSocket;
    }
    if (ready == 0) continue;
    platform::Endpoint peer;
    SocketHandle data = platform::AcceptFrom(listener, &peer);
    if (data == platform::kInvalidSocket) {
      FormatMessage("%d error when accept data connect !", platform::LastSocketError());
      SetError("the data connection failed: " + platform::ErrorText(platform::LastSocketError()));
      return platform::kInvalidSocket;
    }
    if (checkPeer && !peer.SameAddress(server)) {
      platform::CloseSocket(data);
      std::lock_guard<std::recursive_mutex> lock(textMutex);
      FormatMessage("Refused data connection from %s", platform::FormatAddress(peer).c_str());
      PostStatus(messageText);
      continue;
    }
    // A data connection that goes silent fails its transfer instead of
    // holding the session.
    platform::SetIoTimeout(data, inactivityTimeoutMs.load());
    return data;
  }
}

void CFtpLib::SetDataSocket(SocketHandle s) {
  std::lock_guard<std::mutex> lock(dataMutex);
  dataSocket = s;
}

void CFtpLib::CloseDataSocket() {
  std::lock_guard<std::mutex> lock(dataMutex);
  if (dataSocket != platform::kInvalidSocket) platform::CloseSocket(dataSocket);
  dataSocket = platform::kInvalidSocket;
}

void CFtpLib::ShutdownDataSocket() {
  std::lock_guard<std::mutex> lock(dataMutex);
  if (dataSocket != platform::kInvalidSocket) platform::ShutdownSocket(dataSocket);
}
