// Base of every session object: the session record, the control channel
// (commands and replies), the data connection primitives and the login.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageTarget.h"
#include "platform/TargetSlot.h"
#include "platform/Socket.h"
#include "engine/ServerFeatures.h"
#include "remote/RemoteFileRecord.h"
#include "sites/SiteRecord.h"
#include "transfer/FileQueue.h"
#include "transfer/UserQuestions.h"

inline constexpr int REPLY_LOCAL_FAILURE = 999;
// How long the client waits for the server to open a promised data connection.
inline constexpr int kDataConnectTimeoutMs = 30000;
// How long any wait on the control or data connection may go without a byte
// before the connection counts as dead (the default of the setting).
inline constexpr int kInactivityTimeoutMs = 30000;
// After a data connection failed: how long the server has to send the
// command's final reply before the client aborts and resynchronises.
inline constexpr int kLateReplyTimeoutMs = 5000;
// Most bytes and lines one reply may have; a longer one is a broken server.
inline constexpr std::size_t kMaxReplyBytes = 256 * 1024;
inline constexpr std::size_t kMaxReplyLines = 2000;
inline constexpr int kMessageTextSize = 4096;
inline constexpr int kCommandBufferSize = 260;
// Size of the buffer one reply line is read into (a line piece is at most one less).
inline constexpr int kReplyBufferSize = 1024;
// The password of an anonymous login.
inline constexpr const char* kAnonymousUser = "anonymous";
inline constexpr const char* kAnonymousPassword = "skiffline@example.com";

class CFtpLib {
 public:
  CFtpLib();
  // Closes nothing: whoever opened controlSocket or dataSocket closes it.
  virtual ~CFtpLib();
  CFtpLib(const CFtpLib&) = delete;
  CFtpLib& operator=(const CFtpLib&) = delete;

  // --- control channel ---
  // Resolves "host", "host:port", "[IPv6]" or "[IPv6]:port" (decimal port 1
  // to 65535; without a port the "ftp" service port, else 21), connects and
  // reads the greeting; -1 on failure. A name's addresses (IPv4 and IPv6) are
  // tried in the resolver's order until one connects. Each socket is
  // published in controlSocket (under its lock) before its connect and
  // withdrawn when the connect fails, so that shutting controlSocket down
  // ends a hanging connect or greeting. The lookup is abandoned on a stop;
  // each connect and the greeting are bounded by the inactivity limit, and a
  // greeting that does not come fails the connect.
  platform::SocketHandle ConnectServer(const char* host);
  // Sends the line and reads its reply while holding controlMutex; 999 when
  // proceed is 0 (nothing sent or logged), on a send failure, or when the reply
  // can't be read.
  int SendCommand(const char* line, platform::SocketHandle s);
  // SendCommand without the `proceed` check, for ABOR: a user's Stop clears
  // `proceed` and then cancels, and the abort must still reach the server.
  int SendCommandDespiteProceed(const char* line, platform::SocketHandle s);
  // Reads one complete reply (single- or multi-line), logging each line; 999 on
  // a receive failure, a closed connection, a stop, a silence longer than the
  // inactivity limit, or a reply longer than kMaxReplyBytes / kMaxReplyLines
  // (which also shuts the connection down: its replies can't be paired).
  // A line that arrives in several segments is gathered until its LF; a line
  // longer than kReplyBufferSize - 1 bytes is read (and logged) in pieces and
  // judged by its first piece. Holds controlMutex for the whole reply.
  int ReadReply(platform::SocketHandle s);
  // The decimal value of the first three characters, as atoi reads them.
  static int ReplyCode(const char* line);
  // 1 if `s` has data to read (or was closed) within 1 s, else 0.
  int WaitReadable(platform::SocketHandle s);
  // Echoes a sent command (sent = 1) or a received line (sent = 0) to logWindow.
  // A PASS command is rewritten in place to "PASS *\r\n" first.
  void LogProtocolLine(std::string& text, int sent);
  // Posts "STATUS>" + 8 blanks + text (CR LF appended unless the text ends in CR LF).
  void PostStatus(const char* text);
  void PostProgressText(const char* text);
  // Reads and logs every reply pending on controlSocket (replies within 1 s of
  // each other), one reply per hold of controlMutex; ends on a hang-up or stop.
  void DrainReplies();
  // SYST on controlSocket (ignores proceed): 1 and site.serverType set, 0 for
  // a code outside 1 to 399, 999 on a socket error (shown as an "error" notice).
  int QuerySystemType();
  // PWD on controlSocket: 1 with currentDir set from the first quoted text
  // (doubled quotes inside it read as one; empty without quotes), 0 for a code outside 1 to 399, 999 when proceed is 0 or on a
  // socket error.
  int QueryCurrentDir();
  int StartSockets();
  int StopSockets();

  // --- login ---
  // USER then PASS (also after a 230 to USER); 1 when PASS gets a code below
  // 400, after which NegotiateFeatures learns what the server offers.
  int Login(platform::SocketHandle s, const char* user, const char* password);
  // Login with kAnonymousUser / kAnonymousPassword.
  int AnonymousLogin(platform::SocketHandle s);
  // TYPE I (exactly 200), REST 100 (below 400; 350 sets site.resumeSupported),
  // REST 0 (below 400), on controlSocket; 1 or 0.
  int ProbeResume();

  // --- data connection primitives ---
  // Opens the data connection's first half. A passive site (IsPassive) asks
  // EPSV, then PASV, and connects to the control connection's peer at the
  // port the reply names (bounded by dataConnectTimeoutMs, ended by Cancel
  // and Stop); the connected socket is returned. A site in active mode, or a
  // connection whose server refused both (5xx), listens on the control
  // connection's local address and sends PORT (IPv4) or EPRT (IPv6); the
  // listener is returned, or -1 unless the command got exactly 200.
  platform::SocketHandle OpenDataPort(platform::SocketHandle control);
  // The data connection for the handle OpenDataPort gave. Passive: a handle
  // of its own to the connection already made (the caller may close the
  // first). Active: waits at most dataConnectTimeoutMs, ends at once when
  // cancelRequested or stopRequested is set, and accepts only a connection
  // from the address of controlSocket's peer (others are closed, logged as
  // "Refused data connection from <address>", and the wait goes on). The
  // socket is not published: the caller calls SetDataSocket.
  platform::SocketHandle AcceptData(platform::SocketHandle listener);

  // Publishes / clears the open data connection so that Cancel can shut it down.
  void SetDataSocket(platform::SocketHandle s);
  // Closes the published data connection (if any) and clears it.
  void CloseDataSocket();
  // Shuts the published data connection down without closing it (other thread).
  void ShutdownDataSocket();
  // Lets a worker held back by a slow window go on (see MessageTarget).
  void ReleaseBlockedPosts();

  // How long AcceptData waits for the promised data connection, in ms.
  // Defaults to kDataConnectTimeoutMs; tests may shorten it.
  std::atomic<int> dataConnectTimeoutMs{kDataConnectTimeoutMs};
  // The inactivity limit of every control and data wait, in ms (a setting).
  std::atomic<int> inactivityTimeoutMs{kInactivityTimeoutMs};
  // How long a late final reply is waited for after a failed data connection.
  std::atomic<int> lateReplyTimeoutMs{kLateReplyTimeoutMs};

  // The session's site as the worker knows it (with the words it learnt at
  // login), for other threads; the worker itself uses `site`.
  SiteRecord Site() const;
  // The remote directory as the last PWD gave it, for other threads.
  std::string CurrentDir() const;
  bool StopRequested() const { return stopRequested.load(); }
  // Worker: notes where a CWD took the session when PWD can't tell.
  void SetCurrentDir(const std::string& dir);
  // The reason of the last failure of the worker, for its status line.
  std::string LastError() const;
  // Notes why something failed, for the status line of a failed entry.
  void SetError(const std::string& reason);
  void SetErrorF(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The first line of the last reply read (without CR LF).
  std::string LastReply() const;

  // Formats into messageText (printf style); returns messageText.
  const char* FormatMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));
  std::string MessageText();

  // --- the session record ---
  char messageText[kMessageTextSize] = {};
  // Where the session posts; any thread may replace a target at any time.
  platform::TargetSlot logWindow;
  platform::TargetSlot viewWindow;
  platform::TargetSlot reservedWindow;
  platform::TargetSlot localWindow;
  platform::TargetSlot queueWindow;
  std::atomic<std::int32_t> proceed{1};
  platform::TargetSlot progressWindow;
  // Written by the worker under siteMutex; other threads use CurrentDir().
  char currentDir[260] = {};
  // The worker's copy; written under siteMutex while a worker runs, read by
  // other threads through Site() only.
  SiteRecord site{};
  RemoteListing listing;
  CFileQueue transferQueue;
  CDeleteFileQueue deleteQueue;
  std::atomic<platform::SocketHandle> controlSocket{platform::kInvalidSocket};
  std::atomic<std::int32_t> loggedIn{0};
  std::int32_t conflictDecision = ACTION_NONE;
  std::int32_t askConflict = 1;
  TargetExistsQuestion conflictDialog;
  // Who answers the session's questions; none answers Skip / Cancel.
  std::shared_ptr<CUserQuestions> questions;

 protected:
  // What ReadReplyText read besides the code.
  struct ReplyText {
    std::string firstLine;     // the first line (its first piece), as logged
    std::string all;           // every byte of the reply, as logged
    bool socketError = false;  // a receive failed (its text is in messageText)
    bool complete = false;     // the reply's last line arrived
  };
  // ReadReply that also hands back the text; the code of the reply's last
  // line, or 999 when the reply did not complete.
  // `limitMs` bounds each silence (negative: the inactivity limit).
  int ReadReplyText(platform::SocketHandle s, ReplyText& text, int limitMs = -1);
  // After an abort or a failed data command: sends NOOP and reads (and logs)
  // every reply up to NOOP's own, so that the next command is paired with
  // its own reply whatever the server still had to say. When NOOP's reply
  // never comes the connection is shut down (false): its replies could no
  // longer be paired.
  bool Resynchronize(platform::SocketHandle s);
  // Sends ABOR (whatever `proceed` says) and reads one reply within the
  // late-reply time; that reply's code, or 999.
  int SendAbort(platform::SocketHandle s);
  // ReadReply with a silence limit of its own; 999 when nothing came.
  int ReadReplyWithin(platform::SocketHandle s, int limitMs);
  // Sends the line and reads the reply, without the proceed check; false on a
  // socket error. Logs as SendCommand does. Caller holds controlMutex.
  bool QueryExchange(const char* line, ReplyText& reply);
  // Publishes `s` as controlSocket under its lock; one published after a stop
  // was requested is shut down at once.
  void PublishControlSocket(platform::SocketHandle s);
  // Reports a socket error of SYST or PWD: a status line, and an "error"
  // notice that the worker does not wait for (never while holding a lock).
  void ReportQueryError(const std::string& text);

  // Set by Cancel for the running listing or transfer; cleared when one starts.
  std::atomic<bool> cancelRequested{false};
  // Set by Stop when the worker did not end in time: every wait ends.
  std::atomic<bool> stopRequested{false};
  // Set when replies may be out of step (an ABOR whose reply did not come
  // in time): the next command resynchronises first.
  std::atomic<bool> needResync{false};
  // Serialises the readers of the control connection (worker and cancel thread).
  std::recursive_mutex controlMutex;
  // Guards closing and shutting down controlSocket, so that a shutdown from
  // another thread never hits a handle that was closed and reused.
  std::mutex controlSocketMutex;
  // Closes the control connection once no reader (a cancel thread) holds it.
  void CloseControlSocket();
  // Shuts the control connection down, so that every call blocked on it returns.
  void ShutdownControlSocket();
  // Guards dataSocket against a concurrent Cancel.
  std::mutex dataMutex;
  platform::SocketHandle dataSocket = platform::kInvalidSocket;  // -1: none
  // Guards messageText, which the cancel thread writes too.
  std::recursive_mutex textMutex;
  // Guards site and currentDir against readers on other threads.
  mutable std::mutex siteMutex;
  mutable std::mutex errorMutex;
  std::string lastError;
  std::string lastReply;

  // --- passive mode: what this control connection learnt (worker only) ---
  // Which passive command the server took; reset by each ConnectServer so
  // that later transfers don't ask a refused one again.
  enum class PassiveCommand { kUntried, kEpsv, kPasv, kRefused };
  PassiveCommand passiveCommand = PassiveCommand::kUntried;
  // The connection OpenDataPort made in passive mode, until AcceptData takes it.
  platform::SocketHandle passiveData = platform::kInvalidSocket;
  // EPSV / PASV and the connect; -1 on failure (passiveCommand is then
  // kRefused when the server refused both).
  platform::SocketHandle OpenPassive(platform::SocketHandle control);
  // Connects to `to` (the control connection's peer) at `port`, bounded by
  // dataConnectTimeoutMs and ended by Cancel and Stop; -1 with a status line.
  platform::SocketHandle ConnectPassive(platform::Endpoint to, std::uint16_t port);
  // Tries the addresses in order (each at `port`) until one connects and
  // greets, with a status line for each that fails; a greeting that refuses
  // ends the attempt. The socket, or -1 with the reason in LastError.
  platform::SocketHandle ConnectAny(const std::vector<platform::Endpoint>& addresses,
                                    std::uint16_t port);
  // One address of ConnectServer: connect (bounded by `limit`, ended by
  // Stop) and greeting; -1 with the error number in `error`, and `refused`
  // set when the server greeted with a refusal (its words are LastError).
  platform::SocketHandle ConnectOne(const platform::Endpoint& to, int limit, int& error,
                                    bool& refused);
  // The listener and PORT / EPRT of active mode.
  platform::SocketHandle OpenActive(platform::SocketHandle control);

  // --- what the server offers (FEAT), per connection ---
 public:
  // After a successful PASS: FEAT (its refusal leaves `features` empty),
  // then "OPTS UTF8 ON" when UTF8 is listed and "OPTS MLST ..." when the
  // facts a listing shows are offered but not sent by default. Replies
  // other than a stop or a socket error never fail the login.
  void NegotiateFeatures();
  // For other threads: what the worker's connection offers.
  ServerFeatures Features() const;
  // Whether listings of this connection are read with MLSD.
  bool ListsWithMlsd() const { return features.mlsd; }

 protected:
  // Written by the worker at each login under siteMutex; read by the worker.
  ServerFeatures features;
};
