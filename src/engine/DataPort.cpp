// CFtpLib: the active-mode data connection — listening, PORT, accepting.
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "engine/FtpLib.h"
#include "platform/ErrorText.h"
#include "platform/Sync.h"

using platform::SocketHandle;

namespace {
// Slice in which the wait for a data connection looks at cancel and stop.
constexpr int kAcceptPollMs = 50;
}  // namespace

SocketHandle CFtpLib::OpenDataPort(SocketHandle control) {
  SocketHandle listener = platform::CreateTcpSocket();
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
  // The listener takes only the address the server already talks to: other
  // interfaces never see the data port.
  platform::Endpoint local;
  if (!platform::LocalEndpoint(control, local)) return fail("%d error when get control socket name!");
  if (!platform::BindTo(listener, platform::Endpoint{local.address, 0}))
    return fail("%d error when bind the listen socket !");
  if (!platform::ListenOn(listener, 1)) return fail("%d error when listening ");
  platform::Endpoint listening;
  if (!platform::LocalEndpoint(listener, listening))
    return fail("%d error when get listen socket name!");

  char line[kCommandBufferSize] = {};
  std::snprintf(line, sizeof line, "PORT %d,%d,%d,%d,%d,%d\r\n",
                static_cast<int>((local.address >> 24) & 255),
                static_cast<int>((local.address >> 16) & 255),
                static_cast<int>((local.address >> 8) & 255), static_cast<int>(local.address & 255),
                static_cast<int>((listening.port >> 8) & 255), static_cast<int>(listening.port & 255));
  if (SendCommand(line, control) != 200) {
    FormatMessage("%d error when Send ftp command !", platform::LastSocketError());
    SetError("PORT was refused: " + LastReply());
    platform::CloseSocket(listener);
    return platform::kInvalidSocket;
  }
  return listener;
}

SocketHandle CFtpLib::AcceptData(SocketHandle listener) {
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
    if (checkPeer && peer.address != server.address) {
      platform::CloseSocket(data);
      std::lock_guard<std::recursive_mutex> lock(textMutex);
      FormatMessage("Refused data connection from %s", platform::FormatAddress(peer.address).c_str());
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
