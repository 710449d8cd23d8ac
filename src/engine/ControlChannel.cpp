// CFtpLib: the control connection — connect, commands, replies, SYST and PWD.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/FtpLib.h"
#include "platform/ErrorText.h"
#include "platform/Notice.h"
#include "platform/Sync.h"
#include "sites/HostPort.h"

using platform::SocketHandle;

namespace {

// Slice in which blocking waits on the control connection look at the stop flag.
constexpr int kStopPollMs = 100;

enum class PieceEnd { Line, Full, Closed, Error, Stopped, Silent };

struct Piece {
  PieceEnd end = PieceEnd::Error;
  std::size_t length = 0;  // bytes placed in the buffer
  int error = 0;           // socket error number for PieceEnd::Error
};

// Waits until `s` has data (or is closed); 1 readable, 0 stopped, -1 error,
// -2 nothing came within `limitMs` (0: no limit).
int WaitForData(SocketHandle s, const std::atomic<bool>& stop, int limitMs) {
  const std::uint64_t deadline = platform::TickMs() + static_cast<std::uint64_t>(limitMs);
  for (;;) {
    if (stop.load()) return 0;
    int slice = kStopPollMs;
    if (limitMs > 0) {
      std::uint64_t now = platform::TickMs();
      if (now >= deadline) return -2;
      slice = static_cast<int>(std::min<std::uint64_t>(kStopPollMs, deadline - now));
    }
    int rc = platform::WaitReadable(s, slice);
    if (rc != 0) return rc > 0 ? 1 : -1;
  }
}

// Reads one piece of a reply line into `buffer` (kReplyBufferSize bytes,
// cleared by the caller): the bytes up to and including the first LF, or
// kReplyBufferSize - 1 bytes of a longer line. Bytes are peeked first and only
// those that belong to the piece are received, so the rest stays queued.
// A line that arrives in several segments is gathered until its LF.
Piece ReadPiece(SocketHandle s, char* buffer, const std::atomic<bool>& stop, int limitMs) {
  constexpr std::size_t kRoom = kReplyBufferSize - 1;
  Piece piece;
  while (piece.length < kRoom) {
    int ready = WaitForData(s, stop, limitMs);
    if (ready == 0) {
      piece.end = PieceEnd::Stopped;
      return piece;
    }
    if (ready == -2) {
      piece.end = PieceEnd::Silent;
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
  // A new connection learns anew which passive command its server takes.
  passiveCommand = PassiveCommand::kUntried;
  passiveData = platform::kInvalidSocket;
  std::string host, problem;
  int port = platform::ServicePort("ftp", 21);
  if (!SplitHostPort(address ? address : "", host, port, problem)) {
    FormatMessage(" %d error while get server ip addr!", EINVAL);
    SetError("the address is not host, host:port or [IPv6]:port");
    return platform::kInvalidSocket;
  }
  std::vector<platform::Endpoint> addresses;
  const int limit = inactivityTimeoutMs.load();
  if (host.empty() ||
      !platform::ResolveHostAllUntil(host, addresses, [this] { return stopRequested.load(); },
                                     limit)) {
    FormatMessage(" %d error while get server ip addr!", platform::LastSocketError());
    SetErrorF("can't find the address of %s", host.c_str());
    return platform::kInvalidSocket;
  }
  return ConnectAny(addresses, static_cast<std::uint16_t>(port));
}

SocketHandle CFtpLib::ConnectAny(const std::vector<platform::Endpoint>& addresses,
                                 std::uint16_t port) {
  const int limit = inactivityTimeoutMs.load();
  int error = 0;
  for (platform::Endpoint to : addresses) {
    if (stopRequested.load()) break;
    to.port = port;
    bool refused = false;
    SocketHandle s = ConnectOne(to, limit, error, refused);
    if (s != platform::kInvalidSocket) return s;
    // A server that answered and refused is not asked again at another address.
    if (refused) return platform::kInvalidSocket;
    if (addresses.size() > 1 && !stopRequested.load()) {
      const std::string text = FormatMessage("Can't connect to %s: %s",
                                             platform::FormatAddress(to).c_str(),
                                             platform::ErrorText(error).c_str());
      PostStatus(text.c_str());
    }
  }
  if (stopRequested.load()) error = ECANCELED;
  if (platform::IsTimeoutError(error)) error = ETIMEDOUT;
  FormatMessage("%d error while connect server !", error);
  SetError(platform::ErrorText(error));
  return platform::kInvalidSocket;
}

SocketHandle CFtpLib::ConnectOne(const platform::Endpoint& to, int limit, int& error,
                                 bool& refused) {
  SocketHandle s = platform::CreateTcpSocketFor(to);
  if (s == platform::kInvalidSocket) {
    error = platform::LastSocketError();
    return platform::kInvalidSocket;
  }
  // Bounds every send on the control connection.
  platform::SetIoTimeout(s, limit);
  // Published before the connect, so that a stop (which shuts controlSocket
  // down) also ends a connect that hangs.
  PublishControlSocket(s);
  platform::Endpoint peer;
  bool connected = !stopRequested.load() &&
                   platform::ConnectWithin(s, to, limit, [this] { return stopRequested.load(); });
  error = platform::LastSocketError();
  // A connect ended by a shutdown may report success without a peer.
  if (connected && (stopRequested.load() || !platform::PeerEndpoint(s, peer))) {
    connected = false;
    error = ECONNABORTED;
  }
  // The greeting is only logged, but one must come: a "120 ready in n
  // minutes" is followed by the real one, and a refusal (421 too many users)
  // ends the attempt with the server's words.
  if (connected) {
    int greeting = ReadReply(s);
    while (greeting >= 100 && greeting < 200) greeting = ReadReply(s);
    if (greeting == REPLY_LOCAL_FAILURE) {
      connected = false;
      error = stopRequested.load() ? ECANCELED : ETIMEDOUT;
    } else if (greeting >= 400) {
      FormatMessage("%d error while connect server !", ECONNREFUSED);
      SetError("the server refused the connection: " + LastReply());
      refused = true;
      CloseControlSocket();
      return platform::kInvalidSocket;
    }
  }
  if (!connected) {
    CloseControlSocket();
    return platform::kInvalidSocket;
  }
  return s;
}

void CFtpLib::PublishControlSocket(SocketHandle s) {
  std::lock_guard<std::mutex> lock(controlSocketMutex);
  controlSocket = s;
  // Stop may have come while the connection was being opened.
  if (stopRequested.load()) platform::ShutdownSocket(s);
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
  // A cancel whose ABOR went unanswered may have left a late reply behind.
  if (needResync.load() && !Resynchronize(s)) return REPLY_LOCAL_FAILURE;
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

namespace {

// A reply that can be NOOP's (200, or 202 / 500 / 502 from a server that
// does not know it) and none that ends a transfer or an abort (225, 226,
// 250 from some servers, 4xx).
bool CanAnswerNoop(int code) { return code == 200 || code == 202 || code == 500 || code == 502; }

// Late replies of an aborted transfer that may still stand before NOOP's.
constexpr int kMaxStaleReplies = 16;

}  // namespace

bool CFtpLib::Resynchronize(SocketHandle s) {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  needResync = false;
  const std::string reason = LastError();
  // A server that was slow to end the aborted command gets at least the
  // late-reply time to say everything it still owes.
  const int limit = std::max(inactivityTimeoutMs.load(), lateReplyTimeoutMs.load());
  static const char kNoop[] = "NOOP\r\n";
  if (!stopRequested.load() && SendLine(s, kNoop, sizeof kNoop - 1)) {
    std::string echoed(kNoop);
    LogProtocolLine(echoed, 1);
    for (int stale = 0; stale < kMaxStaleReplies; ++stale) {
      // The first replies after NOOP may still be late ones of the aborted command.
      if (ReadReplyWithin(s, limit) == REPLY_LOCAL_FAILURE) break;
      if (CanAnswerNoop(ReplyCode(LastReply().c_str()))) {
        SetError(reason);
        return true;
      }
    }
  }
  // A NOOP that is never answered leaves nothing that could be paired.
  SetError("lost track of the server's replies" + (reason.empty() ? "" : ": " + reason));
  ShutdownControlSocket();
  return false;
}

int CFtpLib::SendAbort(SocketHandle s) {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  static const char kAbort[] = "ABOR\r\n";
  if (stopRequested.load() || !SendLine(s, kAbort, sizeof kAbort - 1)) return REPLY_LOCAL_FAILURE;
  std::string echoed(kAbort);
  LogProtocolLine(echoed, 1);
  return ReadReplyWithin(s, lateReplyTimeoutMs.load());
}

int CFtpLib::ReadReplyWithin(SocketHandle s, int limitMs) {
  ReplyText text;
  return ReadReplyText(s, text, limitMs);
}

int CFtpLib::ReadReplyText(SocketHandle s, ReplyText& text, int limitMs) {
  std::lock_guard<std::recursive_mutex> lock(controlMutex);
  text = ReplyText{};
  std::string savedCode;    // the code of the reply's first line, as decimal text
  bool atLineStart = true;  // the next piece begins a line
  bool lineEndsReply = false;
  int lineCode = 0;
  std::size_t lines = 0;
  const int limit = limitMs < 0 ? inactivityTimeoutMs.load() : limitMs;
  for (;;) {
    char buffer[kReplyBufferSize] = {};
    Piece piece = ReadPiece(s, buffer, stopRequested, limit);
    if (piece.length > 0) {
      std::string line(buffer);
      if (savedCode.empty() && atLineStart) text.firstLine = line;
      text.all += line;
      LogProtocolLine(line, 0);
    }
    if (piece.end == PieceEnd::Error) {
      FormatMessage(" %d error while recv server reply!", piece.error);
      SetError(platform::ErrorText(piece.error));
      text.socketError = true;
      return REPLY_LOCAL_FAILURE;
    }
    if (piece.end == PieceEnd::Silent) {
      FormatMessage(" %d error while recv server reply!", ETIMEDOUT);
      if (limit >= 1000)
        SetErrorF("the server sent nothing for %d seconds", limit / 1000);
      else
        SetErrorF("the server sent nothing for %d ms", limit);
      text.socketError = true;
      return REPLY_LOCAL_FAILURE;
    }
    if (piece.end == PieceEnd::Closed) {
      SetError("the server closed the connection");
      return REPLY_LOCAL_FAILURE;
    }
    if (piece.end == PieceEnd::Stopped) {
      SetError("stopped");
      return REPLY_LOCAL_FAILURE;
    }
    if (piece.end == PieceEnd::Line) ++lines;
    if (text.all.size() > kMaxReplyBytes || lines > kMaxReplyLines) {
      // The rest of this reply would be taken for the next one: give the
      // connection up instead.
      SetError("the server's reply never ended");
      FormatMessage(" reply longer than %zu bytes or %zu lines: connection closed",
                    kMaxReplyBytes, kMaxReplyLines);
      ShutdownControlSocket();
      text.socketError = true;
      return REPLY_LOCAL_FAILURE;
    }
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
      std::string first = text.firstLine.substr(0, text.firstLine.find_first_of("\r\n"));
      std::lock_guard<std::mutex> lock(errorMutex);
      lastReply = std::move(first);
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
// (a split or multi-line one too). Returns false on a socket error, whose
// text is then in messageText.
bool CFtpLib::QueryExchange(const char* line, ReplyText& reply) {
  SocketHandle s = controlSocket.load();
  if (!SendLine(s, line, std::strlen(line))) {
    FormatMessage(" %d error while Send ftp command !", platform::LastSocketError());
    SetError(platform::ErrorText(platform::LastSocketError()));
    return false;
  }
  std::string echoed(line);
  LogProtocolLine(echoed, 1);
  ReadReplyText(s, reply);
  return !reply.socketError;
}

void CFtpLib::ReportQueryError(const std::string& text) {
  PostStatus(text.c_str());
  // A stop is not an error to show.
  if (!stopRequested.load()) platform::PostNotice("error", text);
}

int CFtpLib::QuerySystemType() {
  ReplyText reply;
  bool ok;
  {
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    ok = QueryExchange("SYST\r\n", reply);
  }
  if (!ok) {
    ReportQueryError(MessageText());
    return REPLY_LOCAL_FAILURE;
  }
  std::string text = reply.all.substr(0, 259);
  int code = ReplyCode(reply.firstLine.c_str());
  if (code < 1 || code > 399) return 0;
  std::lock_guard<std::mutex> lock(siteMutex);
  if (text.find("UNIX") != std::string::npos)
    site.serverType = SERVER_TYPE_UNIX;
  else if (text.find("Windows_NT") != std::string::npos)
    site.serverType = SERVER_TYPE_WINDOWS_NT;
  else
    site.serverType = SERVER_TYPE_UNIX;
  return 1;
}

namespace {

// The path of a 257 reply: the text between the first quote and its closing
// quote, where a doubled quote stands for one (RFC 959); empty without one.
std::string QuotedPath(const std::string& line) {
  std::string path;
  std::size_t open = line.find('"');
  if (open == std::string::npos) return path;
  for (std::size_t i = open + 1; i < line.size(); ++i) {
    if (line[i] != '"') {
      path += line[i];
      continue;
    }
    if (i + 1 < line.size() && line[i + 1] == '"') {
      path += '"';
      ++i;
      continue;
    }
    return path;
  }
  return {};  // no closing quote
}

}  // namespace

int CFtpLib::QueryCurrentDir() {
  ReplyText reply;
  bool ok;
  {
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    if (proceed.load() == 0) return REPLY_LOCAL_FAILURE;
    // The path comes from the reply's first line; the rest of a multi-line
    // reply is read too, so that nothing is left for the next command.
    ok = QueryExchange("PWD\r\n", reply);
  }
  if (!ok) {
    ReportQueryError(MessageText());
    return REPLY_LOCAL_FAILURE;
  }
  if (!reply.complete) return REPLY_LOCAL_FAILURE;
  int code = ReplyCode(reply.firstLine.c_str());
  if (code < 1 || code > 399) return 0;
  std::string path = QuotedPath(reply.firstLine.substr(0, kReplyBufferSize));
  std::lock_guard<std::mutex> lock(siteMutex);
  std::memset(currentDir, 0, sizeof currentDir);
  // A path that does not fit is not cut into another folder's name.
  if (path.size() < sizeof currentDir) std::memcpy(currentDir, path.data(), path.size());
  return 1;
}
