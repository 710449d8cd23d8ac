// Base of every session object: the session record, the control channel
// (commands and replies), the data connection primitives and the login.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/MessageTarget.h"
#include "platform/Socket.h"
#include "remote/RemoteFileRecord.h"
#include "sites/SiteRecord.h"
#include "transfer/FileQueue.h"
#include "transfer/UserQuestions.h"

inline constexpr int REPLY_LOCAL_FAILURE = 999;
// How long the client waits for the server to open a promised data connection.
inline constexpr int kDataConnectTimeoutMs = 30000;
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
  // Resolves "host" or "host:port" (decimal port 1 to 65535; without a port the
  // "ftp" service port, else 21), connects and reads the greeting; -1 on
  // failure. The connected socket is stored in controlSocket before the
  // greeting is read, so that a stop can shut it down.
  platform::SocketHandle ConnectServer(const char* host);
  // Sends the line and reads its reply while holding controlMutex; 999 when
  // proceed is 0 (nothing sent or logged), on a send failure, or when the reply
  // can't be read.
  int SendCommand(const char* line, platform::SocketHandle s);
  // Reads one complete reply (single- or multi-line), logging each line; 999 on
  // a receive failure, a closed connection or a stop.
  int ReadReply(platform::SocketHandle s);
  static int ReplyCode(const char* line);
  int WaitReadable(platform::SocketHandle s);
  // Echoes a sent command (sent = 1) or a received line (sent = 0) to logWindow.
  // A PASS command is rewritten in place to "PASS *\r\n" first.
  void LogProtocolLine(std::string& text, int sent);
  void PostStatus(const char* text);
  void PostProgressText(const char* text);
  void DrainReplies();
  int QuerySystemType();
  int QueryCurrentDir();
  int StartSockets();
  int StopSockets();

  // --- login ---
  int Login(platform::SocketHandle s, const char* user, const char* password);
  int AnonymousLogin(platform::SocketHandle s);
  int ProbeResume();

  // --- data connection primitives (active mode) ---
  platform::SocketHandle OpenDataPort(platform::SocketHandle control);
  // Waits at most kDataConnectTimeoutMs, ends at once on Cancel or Stop, and
  // accepts only a connection from the control connection's peer address.
  platform::SocketHandle AcceptData(platform::SocketHandle listener);

  // Publishes / clears the open data connection so that Cancel can shut it down.
  void SetDataSocket(platform::SocketHandle s);
  // Closes the published data connection (if any) and clears it.
  void CloseDataSocket();
  // Shuts the published data connection down without closing it (other thread).
  void ShutdownDataSocket();

  // How long AcceptData waits for the promised data connection, in ms.
  // Defaults to kDataConnectTimeoutMs; tests may shorten it.
  std::atomic<int> dataConnectTimeoutMs{kDataConnectTimeoutMs};

  // Formats into messageText (printf style); returns messageText.
  const char* FormatMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));
  std::string MessageText();

  // --- the session record ---
  char messageText[kMessageTextSize] = {};
  platform::WindowHandle logWindow;
  platform::WindowHandle viewWindow;
  platform::WindowHandle reservedWindow;
  platform::WindowHandle localWindow;
  platform::WindowHandle queueWindow;
  std::atomic<std::int32_t> proceed{1};
  platform::WindowHandle progressWindow;
  char currentDir[260] = {};
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
  // Set by Cancel for the running listing or transfer; cleared when one starts.
  std::atomic<bool> cancelRequested{false};
  // Set by Stop when the worker did not end in time: every wait ends.
  std::atomic<bool> stopRequested{false};
  // Serialises the readers of the control connection (worker and cancel thread).
  std::recursive_mutex controlMutex;
  // Guards dataSocket against a concurrent Cancel.
  std::mutex dataMutex;
  platform::SocketHandle dataSocket = platform::kInvalidSocket;  // -1: none
  // Guards messageText, which the cancel thread writes too.
  std::recursive_mutex textMutex;
};
