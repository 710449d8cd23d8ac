// CFtpLib: passive mode — EPSV, then PASV, and the connect to the server.
// The client only ever connects to the address its control connection talks
// to: an address named in a PASV reply is never used, so a hostile server
// can't point the client at another host.
#include <algorithm>
#include <cerrno>
#include <string>

#include "engine/FtpLib.h"
#include "engine/PassiveReply.h"
#include "platform/ErrorText.h"

using platform::SocketHandle;

namespace {

bool IsRefusal(int code) { return code >= 500 && code < 600; }

}  // namespace

SocketHandle CFtpLib::OpenPassive(SocketHandle control) {
  platform::Endpoint server;
  if (!platform::PeerEndpoint(control, server)) {
    SetError("can't open a data connection: " + platform::ErrorText(platform::LastSocketError()));
    return platform::kInvalidSocket;
  }
  const bool tryEpsv = passiveCommand != PassiveCommand::kPasv;
  const bool tryPasv = passiveCommand != PassiveCommand::kEpsv;
  std::uint16_t port = 0;
  bool found = false;

  if (tryEpsv) {
    int code = SendCommand("EPSV\r\n", control);
    if (code == REPLY_LOCAL_FAILURE) return platform::kInvalidSocket;
    std::string problem;
    if (code == 229 && passive_reply::ParseEpsv(LastReply(), port, problem)) {
      passiveCommand = PassiveCommand::kEpsv;
      found = true;
    } else if (code == 229) {
      // A garbled EPSV reply: PASV may still work.
      PostStatus(("Unusable EPSV reply: " + problem).c_str());
      if (!tryPasv) {
        SetError(problem);
        return platform::kInvalidSocket;
      }
    } else if (!IsRefusal(code)) {
      SetError("EPSV was refused: " + LastReply());
      return platform::kInvalidSocket;
    }
  }
  if (!found && tryPasv) {
    int code = SendCommand("PASV\r\n", control);
    if (code == REPLY_LOCAL_FAILURE) return platform::kInvalidSocket;
    std::uint32_t named = 0;
    std::string problem;
    if (code == 227 && passive_reply::ParsePasv(LastReply(), named, port, problem)) {
      passiveCommand = PassiveCommand::kPasv;
      found = true;
      if (server.v6 || named != server.address)
        PostStatus(("The PASV reply names " + platform::FormatAddress(named) +
                    "; the data connection goes to the server's address " +
                    platform::FormatAddress(server) + " instead")
                       .c_str());
    } else if (code == 227) {
      PostStatus(("Unusable PASV reply: " + problem).c_str());
      SetError(problem);
      return platform::kInvalidSocket;
    } else if (!IsRefusal(code)) {
      SetError("PASV was refused: " + LastReply());
      return platform::kInvalidSocket;
    }
  }
  if (!found) {
    passiveCommand = PassiveCommand::kRefused;
    PostStatus("The server refuses passive mode: active mode for the rest of this connection");
    return platform::kInvalidSocket;
  }
  return ConnectPassive(server, port);
}

SocketHandle CFtpLib::ConnectPassive(platform::Endpoint to, std::uint16_t port) {
  to.port = port;
  platform::Socket s(platform::CreateTcpSocketFor(to));
  if (!s.Valid()) {
    SetError("can't open a data connection: " + platform::ErrorText(platform::LastSocketError()));
    return platform::kInvalidSocket;
  }
  const int limit = std::max(1, dataConnectTimeoutMs.load());
  auto abandon = [this] { return cancelRequested.load() || stopRequested.load(); };
  if (!platform::ConnectWithin(s.Get(), to, limit, abandon)) {
    int error = platform::LastSocketError();
    const std::string where = (to.v6 ? "[" + platform::FormatAddress(to) + "]"
                                     : platform::FormatAddress(to)) +
                              ":" + std::to_string(port);
    if (stopRequested.load()) {
      SetError("stopped");
    } else if (cancelRequested.load()) {
      SetError("cancelled");
    } else if (platform::IsTimeoutError(error)) {
      SetError("the server did not answer the passive data connection to " + where);
    } else {
      SetError("the passive data connection to " + where + " failed: " + platform::ErrorText(error));
    }
    FormatMessage("%d error when connect data !", error);
    PostStatus(("Data connection failed: " + LastError()).c_str());
    return platform::kInvalidSocket;
  }
  // A data connection that goes silent fails its transfer instead of
  // holding the session.
  platform::SetIoTimeout(s.Get(), inactivityTimeoutMs.load());
  passiveData = s.Get();
  return s.Release();
}
