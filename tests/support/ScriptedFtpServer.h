// A scripted FTP server for tests: a fake peer on 127.0.0.1 that greets,
// records every command line it receives and answers from a script, with a
// small in-memory directory tree behind sensible default answers.
//
// Quick start
// -----------
//   skifftest::ScriptedFtpServer server;          // listening at once, any free port
//   server.AddFile("/pub/readme.txt", "hello\n"); // fake tree (folders made as needed)
//   CFtpLib lib;
//   auto s = lib.ConnectServer(server.Address().c_str());  // "127.0.0.1:<port>"
//   lib.Login(s, "user", "secret");                        // 331, then 230
//   EXPECT_TRUE(server.WaitForCommand("PASS secret", 2000));
//
// Every command gets a default answer that behaves like a small UNIX server
// (see "Default answers" below). Tests change single answers with overrides:
//
//   server.QueueReply("PASS", "530 Login incorrect.");   // next PASS only (FIFO per verb)
//   server.SetReply("REST", "502 Command not implemented.");  // every REST from now on
//   server.SetHandler("CWD", [](const skifftest::FtpCommand& c) -> std::optional<skifftest::Script> {
//     if (c.argument == "secret") return skifftest::Script("550 Permission denied.");
//     return std::nullopt;                                // default answer
//   });
//
// An answer is a Script: bytes sent in separate segments, pauses, and a hang-up:
//
//   Script("200 OK")                                  // one line, CR LF added
//   Script("220-Hello\r\nfree text\r\n220 Ready")     // multi-line, CR LF added at the end
//   Script().Raw("22").Pause(150).Raw("0 Split\r\n")  // one reply split across two segments
//   Script().Raw("200 One\r\n200 Two\r\n")            // two replies in one segment
//   Script().Pause(500).Send("200 Late")              // a delayed reply
//   Script().Raw("220-Partial\r\n").Close()           // hang up in the middle of a reply
//   Script()                                          // say nothing at all
//
// Resolution order for each command: a queued one-shot reply for the verb,
// then the verb's handler, then the "*" handler, then the verb's persistent
// reply, then the default. An override whose code is below 400 still applies
// the command's effect on the fake tree / session state (CWD changes the
// folder, PORT stores the address, RETR transfers...); one of 400 or more does
// not. For LIST/NLST/RETR/STOR/APPE an override with a 1xx code replaces the
// preliminary reply and the transfer goes on; any other override is sent
// instead of the transfer.
//
// Data connections (active mode; passive mode below)
// -----------------------------------
// PORT h1,h2,h3,h4,p1,p2 stores the address (refused with 500 when it names
// another address than the client's own, like real servers; see
// SetPortPeerCheck). LIST/NLST/RETR reply "150 ...", connect to that address
// and send the bytes (the listing of the folder, the file from the REST
// offset), close the data connection and reply "226 Transfer complete.".
// STOR/APPE reply 150, connect, receive until the client closes, store the
// bytes in the tree (STOR replaces from the REST offset, APPE appends) and
// under the command's argument (Received()), then reply 226. Without a PORT
// first: "425 Use PORT or PASV first.". DataOptions change how one transfer
// (QueueDataOptions) or every transfer (SetDataOptions) behaves: never
// connect, connect from another source address, stray connections first,
// close early, send slowly, other preliminary / final replies, hold ABOR.
//
// ABOR while a transfer runs closes the data connection and replies
// "426 Connection closed; transfer aborted." then "226 Abort successful."
// (two segments; DataOptions::abortReply changes it). ABOR with no transfer
// running replies "225 No transfer to ABOR.". When the client closes the data
// connection itself, the transfer ends with DataOptions::failed
// ("426 Connection closed; transfer aborted.") and a later ABOR gets 225.
// Any other command that arrives while a transfer runs is answered after the
// transfer has ended, as real servers do.
//
// Passive mode (off by default: PASV and EPSV get 502). SetPassive makes
// them open a listener on 127.0.0.1 and answer "227 Entering Passive Mode
// (127,0,0,1,p1,p2)." / "229 Entering Extended Passive Mode (|||port|)."; the
// next transfer then takes the client's connection on that listener
// (TransferRecord::passive). PassiveOptions can name another address in the
// PASV reply than the one listened on, and make the listener never accept.
//
// Default answers
// ---------------
//   greeting  220 Skiffline scripted FTP server ready.
//   USER x    331 Please specify the password.
//   PASS x    230 Login successful. | 530 Login incorrect. (see SetCredentials)
//   SYST      215 UNIX Type: L8     (215 Windows_NT with ListingStyle::Dos)
//   PWD       257 "<folder>" is the current directory
//   CWD p     250 Directory successfully changed. | 550 Failed to change directory.
//   CDUP      250 Directory successfully changed.
//   MKD p     257 "<path>" created | 550 Create directory operation failed.
//   RMD p     250 Remove directory operation successful. | 550 (missing / not empty / a file)
//   DELE p    250 Delete operation successful. | 550 Delete operation failed.
//   RNFR p    350 Ready for RNTO. | 550 RNFR command failed.
//   RNTO p    250 Rename successful. | 503 RNFR required first. | 550 Rename failed.
//   TYPE A|I  200 Switching to ASCII / Binary mode.
//   REST n    350 Restart position accepted (n).
//   PORT ...  200 PORT command successful. Consider using PASV.
//   SIZE p    213 <size> | 550 Could not get file size.
//   NOOP 200, MODE/STRU 200, FEAT 211 (multi-line), PASV/EPSV 502,
//   QUIT      221 Goodbye. (then the server closes the connection)
//   other     500 Unknown command.
// Before a successful PASS every command but USER, PASS, QUIT, NOOP, FEAT
// and SYST gets "530 Please login with USER and PASS." (SetLoginRequired).
//
// Connections: every control connection is served on its own thread, so a
// client may connect several times (retries, a background session beside a
// foreground one). The destructor ends everything with bounded waits.
// All accessors are thread-safe.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"

namespace skifftest {

// 127.0.0.1 and 127.0.0.2 in host byte order (for DataOptions).
inline constexpr std::uint32_t kLoopback = 0x7F000001;
inline constexpr std::uint32_t kLoopback2 = 0x7F000002;

// What the server sends in answer to something: segments, pauses and a
// hang-up, executed in order. An empty script sends nothing.
class Script {
 public:
  struct Step {
    enum class Kind { Send, Pause, Close };
    Kind kind = Kind::Send;
    std::string bytes;  // Send
    int ms = 0;         // Pause
  };

  Script() = default;
  // One reply (possibly several lines) sent as one segment; CR LF is appended
  // unless the text already ends in LF.
  Script(const char* reply);         // NOLINT(google-explicit-constructor)
  Script(const std::string& reply);  // NOLINT(google-explicit-constructor)
  // Each line gets CR LF; all of them go out in one segment.
  static Script Lines(std::initializer_list<std::string> lines);

  // Appends a reply text (CR LF added unless it ends in LF) as one segment.
  Script& Send(const std::string& reply);
  // Appends bytes exactly as given, as one segment.
  Script& Raw(const std::string& bytes);
  // Waits before the next step.
  Script& Pause(int ms);
  // Hangs up the control connection (FIN after what was sent); later
  // commands are not read.
  Script& Close();

  bool Empty() const { return steps_.empty(); }
  // The code of the first reply line (its first three digits), or 0.
  int Code() const;
  const std::vector<Step>& Steps() const { return steps_; }

 private:
  std::vector<Step> steps_;
};

// One received command line.
struct FtpCommand {
  int connection = 0;    // 1 for the first control connection, 2 for the next...
  std::string verb;      // upper case, e.g. "RETR"
  std::string argument;  // the rest after the first blank, as sent ("" if none)
  std::string line;      // the whole line without its CR LF
  std::string raw;       // the line exactly as received, terminator included
};

// How data connections behave. Defaults behave like a well-mannered server.
struct DataOptions {
  // Reply the preliminary 150 but never open the data connection and never
  // send a final reply (the client's wait for the connection runs out).
  bool neverConnect = false;
  // Source address of the server's data connection (0: the kernel's choice,
  // 127.0.0.1). kLoopback2 tests the client's check of the data peer.
  std::uint32_t sourceAddress = 0;
  // Connections opened (and held until the client closes them, at most 5 s)
  // from these source addresses before the real one, e.g. {kLoopback2}.
  std::vector<std::uint32_t> strayConnectsFrom;
  // Waits this long before connecting (after the preliminary reply).
  int connectDelayMs = 0;
  // Open the data connection already when PORT arrives and answer the
  // transfer command with "125 Data connection already open. Transfer
  // starting." (as pyftpdlib does).
  bool connectAtPort = false;
  // Sending (LIST/RETR): stop after this many bytes and close the data
  // connection early; the final reply is still `final`. Receiving
  // (STOR/APPE): close the data connection after this many bytes.
  std::size_t closeAfterBytes = SIZE_MAX;
  // Sending: pieces of this size (0: 64 KiB), with this pause after each
  // piece, so that a test can cancel in the middle.
  std::size_t chunkSize = 0;
  int chunkDelayMs = 0;
  // Replaces the default preliminary reply ("150 ..." / "125 ...").
  std::optional<Script> preliminary;
  // Replaces "226 Transfer complete." after a transfer that ran to its end
  // (also after closeAfterBytes).
  std::optional<Script> final;
  // Sent when the client broke the data connection (send / receive failed).
  Script failed = Script("426 Connection closed; transfer aborted.");
  // Sent when ABOR arrives during this transfer (after the data connection
  // has been closed).
  Script abortReply = Script().Send("426 Connection closed; transfer aborted.").Send(
      "226 Abort successful.");
  // Ignore an in-band ABOR until the transfer has ended on its own, then
  // answer it with 225 (as vsftpd does).
  bool holdAbortUntilDone = false;
};

// One data transfer as the server saw it.
struct TransferRecord {
  int connection = 0;
  std::string verb;      // LIST, NLST, RETR, STOR, APPE
  std::string argument;
  std::size_t bytes = 0;       // bytes sent or received on the data connection
  bool connected = false;      // a data connection was established
  bool completed = false;      // ran to its end (or to closeAfterBytes)
  bool aborted = false;        // ended by ABOR / QUIT / a closed control connection
  bool brokenByClient = false; // the client closed the data connection first
  bool passive = false;        // the client connected to a PASV / EPSV listener
  std::uint32_t peerAddress = 0;  // where the data connection came from (passive)
};

// How PASV and EPSV are answered (see "Passive mode" above).
struct PassiveOptions {
  bool pasv = false;  // PASV opens a listener and answers 227
  bool epsv = false;  // EPSV opens a listener and answers 229
  // The address the 227 reply names (0: 127.0.0.1, where it really listens).
  std::uint32_t pasvAddress = 0;
  // The listener's queue is filled by a connection of the server's own and
  // nothing is ever accepted: a client's connect gets no answer.
  bool neverAccept = false;
};

enum class ListingStyle { Unix, Dos };

class ScriptedFtpServer {
 public:
  using Handler = std::function<std::optional<Script>(const FtpCommand&)>;

  // Listens on 127.0.0.1 at a free port and starts serving.
  ScriptedFtpServer();
  // Closes every connection and joins every thread (bounded waits).
  ~ScriptedFtpServer();
  ScriptedFtpServer(const ScriptedFtpServer&) = delete;
  ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // "127.0.0.1:<port>", the form ConnectServer and SiteRecord::address take.
  std::string Address() const;

  // --- answers ---
  void SetGreeting(Script greeting);    // every connection
  void QueueGreeting(Script greeting);  // the next connection only (FIFO)
  // Verbs are matched case-insensitively; "*" in SetHandler matches every verb.
  void SetReply(const std::string& verb, Script reply);
  void QueueReply(const std::string& verb, Script reply);
  void SetHandler(const std::string& verb, Handler handler);
  // Removes queued and persistent replies, handlers and greetings.
  void ClearOverrides();

  // --- login ---
  // Only this user / password logs in (default: any). With anonymous allowed
  // (the default), "anonymous" and "ftp" log in with any password.
  void SetCredentials(const std::string& user, const std::string& password);
  void SetAnonymousAllowed(bool allowed);
  void SetLoginRequired(bool required);

  // --- fake directory tree (absolute paths, "/" separated) ---
  // The folder a new connection starts in ("/" by default; created if missing).
  void SetHomeDir(const std::string& path);
  void AddDir(const std::string& path);  // parents made as needed
  void AddFile(const std::string& path, const std::string& contents);  // parents made
  void RemovePath(const std::string& path);  // and everything below it
  // Date columns of an entry in generated listings (defaults "Jan 10 12:00"
  // and "01-10-24  12:00PM").
  void SetDates(const std::string& path, const std::string& unixDate, const std::string& dosDate);
  // The exact LIST text for a folder (replaces the generated listing).
  void SetListing(const std::string& dir, const std::string& text);
  void SetListingStyle(ListingStyle style);
  // The generated (or set) listing of a folder, as LIST would send it.
  std::string ListingOf(const std::string& dir);
  bool Exists(const std::string& path);
  bool IsDir(const std::string& path);
  std::optional<std::string> FileContents(const std::string& path);
  // Names directly inside a folder, sorted.
  std::vector<std::string> Children(const std::string& dir);

  // Bytes of the last STOR/APPE with this argument, exactly as the client named it.
  std::string Received(const std::string& name);
  bool HasReceived(const std::string& name);

  // --- data connections ---
  void SetDataOptions(DataOptions options);    // every transfer
  void QueueDataOptions(DataOptions options);  // the next transfer only (FIFO)
  // Refuse a PORT that names another address than the control peer's (default on).
  void SetPortPeerCheck(bool on);
  // How PASV and EPSV are answered from now on.
  void SetPassive(PassiveOptions options);

  // --- what happened ---
  std::vector<FtpCommand> Commands();
  std::vector<std::string> CommandLines();  // lines without CR LF
  // The lines (without CR LF) of one verb, e.g. Lines("PORT").
  std::vector<std::string> Lines(const std::string& verb);
  std::size_t CountCommands(const std::string& linePrefix);
  // True once a received line begins with `linePrefix` (earlier lines count).
  bool WaitForCommand(const std::string& linePrefix, int timeoutMs);
  // True once `count` received lines begin with `linePrefix`.
  bool WaitForCommandCount(const std::string& linePrefix, std::size_t count, int timeoutMs);
  int ConnectionCount();          // control connections accepted so far
  int ClosedConnectionCount();    // control connections that have ended
  bool WaitForConnections(int count, int timeoutMs);
  bool WaitForClosedConnections(int count, int timeoutMs);
  std::vector<TransferRecord> Transfers();  // finished transfers, in order
  bool WaitForTransfers(std::size_t count, int timeoutMs);
  // The address of the last PORT command that was accepted.
  std::optional<platform::Endpoint> LastPortAddress();
  // Clears the command and transfer records (not the tree or the scripts).
  void ClearRecords();

  // Hangs up every open control connection at once (a server crash).
  void DropConnections();

 private:
  struct Node {
    bool dir = false;
    std::string data;
    std::string unixDate = "Jan 10 12:00";
    std::string dosDate = "01-10-24  12:00PM";
  };
  struct Connection;
  struct Job;

  void AcceptLoop();
  void Serve(Connection& c);
  bool Execute(Connection& c, const Script& script);
  void Handle(Connection& c, const std::string& raw);
  std::optional<Script> TakeOverride(const FtpCommand& cmd);
  Script Greeting();
  DataOptions TakeDataOptions();
  DataOptions PeekDataOptions();
  void StartTransfer(Connection& c, const FtpCommand& cmd, std::optional<Script> prelim);
  void RunTransfer(Connection& c, std::shared_ptr<Job> job);
  void FinishTransfer(Connection& c);
  // Ends a running transfer (or waits for it with holdAbortUntilDone) and
  // returns the reply an ABOR gets.
  Script AbortTransfer(Connection& c, bool honourHold);
  platform::SocketHandle ConnectData(Connection& c, const DataOptions& opt,
                                     const platform::Endpoint& to);
  platform::SocketHandle AcceptPassive(Connection& c, platform::SocketHandle listener,
                                       TransferRecord& rec);
  bool SleepUnlessStopped(Connection* c, int ms);
  void Record(const FtpCommand& cmd);
  void AddRecord(const TransferRecord& r);

  // Tree helpers; the caller holds mutex_.
  std::string Resolve(const std::string& cwd, const std::string& arg) const;
  static std::string Parent(const std::string& path);
  static std::string BaseName(const std::string& path);
  void MakeDirsLocked(const std::string& path);
  std::string ListingLocked(const std::string& dir);
  std::vector<std::string> ChildrenLocked(const std::string& dir);

  std::uint16_t port_ = 0;
  platform::Socket listener_;
  std::thread acceptThread_;
  std::atomic<bool> stopping_{false};

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, Node> tree_;
  std::map<std::string, std::string> listings_;
  std::map<std::string, std::string> received_;
  std::string home_ = "/";
  ListingStyle style_ = ListingStyle::Unix;
  std::optional<Script> greeting_;
  std::vector<Script> queuedGreetings_;
  std::map<std::string, std::vector<Script>> queued_;
  std::map<std::string, Script> persistent_;
  std::map<std::string, Handler> handlers_;
  std::optional<std::string> user_, password_;
  bool anonymousAllowed_ = true;
  bool loginRequired_ = true;
  bool portPeerCheck_ = true;
  PassiveOptions passive_;
  DataOptions dataOptions_;
  std::vector<DataOptions> queuedData_;
  std::vector<FtpCommand> commands_;
  std::vector<TransferRecord> transfers_;
  std::optional<platform::Endpoint> lastPort_;
  int accepted_ = 0;
  int closed_ = 0;
  std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace skifftest
