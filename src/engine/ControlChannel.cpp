// CFtpLib: the control connection — connect, commands, replies, SYST and PWD.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/FtpLib.h"
#include "platform/Notice.h"
#include "platform/Sync.h"

using platform::SocketHandle;

namespace {

// Slice in which blocking waits on the control connection look at the stop flag.
constexpr int kStopPollMs = 100;

enum class PieceEnd { Line, Full, Closed, Error, Stopped };

struct Piece {
  PieceEnd end = PieceEnd::Error;
  std::size_t length = 0;  // bytes placed in the buffer
  int error = 0;           // socket error number for PieceEnd::Error
};

// Waits until `s` has data (or is closed); 1 readable, 0 stopped, -1 error.
int WaitForData(SocketHandle s, const std::atomic<bool>& stop) {
  for (;;) {
    if (stop.load()) return 0;
    int rc = platform::WaitReadable(s, kStopPollMs);
    if (rc != 0) return rc > 0 ? 1 : -1;
  }
}

// Reads one piece of a reply line into `buffer` (kReplyBufferSize bytes,
// cleared by the caller): the bytes up to and including the first LF, or
// kReplyBufferSize - 1 bytes of a longer line. Bytes are peeked first and only
// those that belong to the piece are received, so the rest stays queued.
// A line that arrives in several segments is gathered until its LF.
Piece ReadPiece(SocketHandle s, char* buffer, const std::atomic<bool>& stop) {
  constexpr std::size_t kRoom = kReplyBufferSize - 1;
  Piece piece;
  while (piece.length < kRoom) {
    int ready = WaitForData(s, stop);
    if (ready == 0) {
      piece.end = PieceEnd::Stopped;
      return piece;
    }
    if (ready < 0) {
      piece.end = PieceEnd::Error;
      piece.error = platform::LastSocketError();
      return piece;
    }
    char* at = buffer + piece.length;
    long peeked = platform::PeekBytes(s, at, kRoom - piece.length);
    if (peeked < 0) {
      piece.end = PieceEnd::Error;
      piece.error = platform::LastSocketError();
      return piece;
    }
    if (peeked == 0) {
      std::memset(at, 0, kReplyBufferSize - piece.length);
      piece.end = PieceEnd::Closed;
      return piece;
    }
    const void* lf = std::memchr(at, '\n', static_cast<std::size_t>(peeked));
    std::size_t take = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - at) + 1
                          : static_cast<std::size_t>(peeked);
    long got = platform::ReceiveBytes(s, at, take);
    if (got <= 0) std::memset(at, 0, kReplyBufferSize - piece.length);
    if (got < 0) {
      piece.end = PieceEnd::Error;
      piece.error = platform::LastSocketError();
      return piece;
    }
    if (got == 0) {
      piece.end = PieceEnd::Closed;
      return piece;
    }
    piece.length += static_cast<std::size_t>(got);
    // Peeked bytes beyond the piece stay queued; they must not stay in the text.
    std::memset(buffer + piece.length, 0, kReplyBufferSize - piece.length);
    if (lf && static_cast<std::size_t>(got) == take) {
      piece.end = PieceEnd::Line;
      return piece;
    }
  }
  piece.end = PieceEnd::Full;
  return piece;
}

// Parses "host" or "host:port". False for a port that is not a decimal number
// from 1 to 65535.
bool SplitHostPort(const std::string& address, std::string& host, int& port) {
  std::size_t colon = address.find(':');
  if (colon == std::string::npos) {
    host = address;
    return true;
  }
  host = address.substr(0, colon);
  std::string digits = address.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return false;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

// Sends all of `line` (one send in the normal case); false on a socket error.
bool SendLine(SocketHandle s, const char* line, std::size_t length) {
  std::size_t sent = 0;
  while (sent < length) {
    long n = platform::SendBytes(s, line + sent, length - sent);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

SocketHandle CFtpLib::ConnectServer(const char* address) {
  std::string host;
  int port = platform::ServicePort("ftp", 21);
  if (!SplitHostPort(address ? address : "", host, port)) {
    FormatMessage(" %d error while get server ip addr!", EINVAL);
    return platform::kInvalidSocket;
  }
  std::uint32_t ip = 0;
  if (host.empty() || !platform::ResolveHost(host, ip)) {
    FormatMessage(" %d error while get server ip addr!", platform::LastSocketError());
    return platform::kInvalidSocket;
  }
  SocketHandle s = platform::CreateTcpSocket();
  if (s == platform::kInvalidSocket) {
    FormatMessage(" %d error while create connect socket!", platform::LastSocketError());
    return platform::kInvalidSocket;
  }
  platform::Endpoint to;
  to.address = ip;
  to.port = static_cast<std::uint16_t>(port);
  // Published before the connect, so that a stop (which shuts controlSocket
  // down) also ends a connect that hangs.
  controlSocket = s;
  platform::Endpoint peer;
  bool connected = !stopRequested.load() && platform::ConnectTo(s, to);
  int error = platform::LastSocketError();
  // A connect ended by a shutdown may report success without a peer.
  if (connected && (stopRequested.load() || !platform::PeerEndpoint(s, peer))) {
    connected = false;
    error = ECONNABORTED;
  }
  if (!connected) {
    FormatMessage("%d error while connect server !", stopRequested.load() ? ECANCELED : error);
    controlSocket = platform::kInvalidSocket;
    platform::CloseSocket(s);
    return platform::kInvalidSocket;
  }
  ReadReply(s);  // the greeting is only logged
  return s;
}

void CFtpLib::CloseControlSocket() {
  std::lock_guard<std::recursive_mutex> reading(controlMutex);
  std::lock_guard<std::mutex> lock(controlSocketMutex);
  platform::CloseSocket(controlSocket.load());
  controlSocket = platform::kInvalidSocket;
}

void CFtpLib::ShutdownControlSocket() {
  std::lock_guard<std::mutex> lock(controlSocketMutex);
  platform::ShutdownSocket(controlSocket.load());
}

int CFtpLib::SendCommand(const char* line, SocketHandle s) {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  if (proceed.load() == 0) return REPLY_LOCAL_FAILURE;
  return SendCommandDespiteProceed(line, s);
}

int CFtpLib::SendCommandDespiteProceed(const char* line, SocketHandle s) {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  if (stopRequested.load() || line == nullptr) return REPLY_LOCAL_FAILURE;
  if (!SendLine(s, line, std::strlen(line))) {
    FormatMessage(" %d error while Send ftp command !", platform::LastSocketError());
    return REPLY_LOCAL_FAILURE;
  }
  std::string echoed(line);
  LogProtocolLine(echoed, 1);
  return ReadReply(s);
}

int CFtpLib::ReadReply(SocketHandle s) {
  ReplyText text;
  return ReadReplyText(s, text);
}

int CFtpLib::ReadReplyText(SocketHandle s, ReplyText& text) {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  text = ReplyText{};
  std::string savedCode;    // the code of the reply's first line, as decimal text
  bool atLineStart = true;  // the next piece begins a line
  bool lineEndsReply = false;
  int lineCode = 0;
  for (;;) {
    char buffer[kReplyBufferSize] = {};
    Piece piece = ReadPiece(s, buffer, stopRequested);
    if (piece.length > 0) {
      std::string line(buffer);
      if (savedCode.empty() && atLineStart) text.firstLine = line;
      text.all += line;
      LogProtocolLine(line, 0);
    }
    if (piece.end == PieceEnd::Error) {
      FormatMessage(" %d error while recv server reply!", piece.error);
      text.socketError = true;
      return REPLY_LOCAL_FAILURE;
    }
    if (piece.end == PieceEnd::Closed || piece.end == PieceEnd::Stopped)
      return REPLY_LOCAL_FAILURE;
    // A line is judged by its first piece; the rest of a long line follows it.
    if (atLineStart) {
      if (savedCode.empty()) {
        savedCode = std::to_string(ReplyCode(buffer));
        lineEndsReply = buffer[3] != '-';
      } else if (std::strncmp(buffer, savedCode.c_str(), 3) != 0) {
        lineEndsReply = false;  // free text inside a multi-line reply
      } else {
        lineEndsReply = buffer[3] != '-';
      }
      lineCode = ReplyCode(buffer);
    }
    atLineStart = piece.end == PieceEnd::Line;
    if (atLineStart && lineEndsReply) {
      text.complete = true;
      return lineCode;
    }
  }
}

int CFtpLib::WaitReadable(SocketHandle s) {
  int rc = platform::WaitReadable(s, 1000);
  if (rc < 0) {
    FormatMessage(" %d error while select function read !", platform::LastSocketError());
    return 0;
  }
  return rc;
}

void CFtpLib::DrainReplies() {
  for (;;) {
    if (stopRequested.load()) return;
    SocketHandle s = controlSocket.load();
    if (s == platform::kInvalidSocket) return;
    if (WaitReadable(s) != 1) return;
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    // Another reader may have taken the reply meanwhile.
    if (platform::WaitReadable(s, 0) != 1) continue;
    if (ReadReply(s) == REPLY_LOCAL_FAILURE) return;
  }
}

// The SYST and PWD exchanges: send the line, log it and read the whole reply
// (a split or multi-line one too). A socket error is also shown in an
// "error" box. Returns false on a socket error.
bool CFtpLib::QueryExchange(const char* line, ReplyText& reply) {
  SocketHandle s = controlSocket.load();
  if (!SendLine(s, line, std::strlen(line))) {
    std::string text = FormatMessage(" %d error while Send ftp command !", platform::LastSocketError());
    platform::ShowNotice("error", text);
    return false;
  }
  std::string echoed(line);
  LogProtocolLine(echoed, 1);
  ReadReplyText(s, reply);
  if (reply.socketError) {
    platform::ShowNotice("error", MessageText());
    return false;
  }
  return true;
}

int CFtpLib::QuerySystemType() {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  ReplyText reply;
  if (!QueryExchange("SYST\r\n", reply)) return REPLY_LOCAL_FAILURE;
  std::string text = reply.all.substr(0, 259);
  int code = ReplyCode(reply.firstLine.c_str());
  if (code < 1 || code > 399) return 0;
  if (text.find("UNIX") != std::string::npos)
    site.serverType = SERVER_TYPE_UNIX;
  else if (text.find("Windows_NT") != std::string::npos)
    site.serverType = SERVER_TYPE_WINDOWS_NT;
  else
    site.serverType = SERVER_TYPE_UNIX;
  return 1;
}

int CFtpLib::QueryCurrentDir() {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  if (proceed.load() == 0) return REPLY_LOCAL_FAILURE;
  // The path comes from the reply's first line; the rest of a multi-line
  // reply is read too, so that nothing is left for the next command.
  ReplyText reply;
  if (!QueryExchange("PWD\r\n", reply)) return REPLY_LOCAL_FAILURE;
  if (!reply.complete && stopRequested.load()) return REPLY_LOCAL_FAILURE;
  char buffer[kReplyBufferSize] = {};
  std::strncpy(buffer, reply.firstLine.c_str(), 259);
  int code = ReplyCode(buffer);
  if (code < 1 || code > 399) return 0;
  std::memset(currentDir, 0, sizeof currentDir);
  const char* open = std::strchr(buffer, '"');
  if (open) {
    const char* close = std::strchr(open + 1, '"');
    if (close) {
      std::size_t n = static_cast<std::size_t>(close - open - 1);
      if (n > sizeof currentDir - 1) n = sizeof currentDir - 1;
      std::memcpy(currentDir, open + 1, n);
    }
  }
  return 1;
}
