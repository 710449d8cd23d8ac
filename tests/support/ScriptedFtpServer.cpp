#include "support/ScriptedFtpServer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/Sync.h"

namespace skifftest {

using platform::SocketHandle;

namespace {

constexpr int kSliceMs = 20;

std::string WithCrLf(const std::string& text) {
  if (!text.empty() && text.back() == '\n') return text;
  return text + "\r\n";
}

std::string Upper(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

bool SendAll(SocketHandle s, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    long n = platform::SendBytes(s, data + done, size - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void NoDelay(SocketHandle s) {
  int one = 1;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool ParseInt64(const std::string& text, std::int64_t& out) {
  if (text.empty() || text.size() > 18) return false;
  std::int64_t v = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
    v = v * 10 + (ch - '0');
  }
  out = v;
  return true;
}

bool ParsePort(const std::string& arg, platform::Endpoint& out) {
  int v[6];
  std::size_t pos = 0;
  for (int i = 0; i < 6; ++i) {
    std::size_t end = arg.find(',', pos);
    if ((i < 5) != (end != std::string::npos)) return false;
    std::string part = arg.substr(pos, i < 5 ? end - pos : std::string::npos);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\r')) part.pop_back();
    std::int64_t n = 0;
    if (!ParseInt64(part, n) || n > 255) return false;
    v[i] = static_cast<int>(n);
    pos = end + 1;
  }
  out.address = (static_cast<std::uint32_t>(v[0]) << 24) | (static_cast<std::uint32_t>(v[1]) << 16) |
                (static_cast<std::uint32_t>(v[2]) << 8) | static_cast<std::uint32_t>(v[3]);
  out.port = static_cast<std::uint16_t>(v[4] * 256 + v[5]);
  return true;
}

}  // namespace

// ---------------------------------------------------------------- Script

Script::Script(const char* reply) : Script(std::string(reply ? reply : "")) {}

Script::Script(const std::string& reply) { Send(reply); }

Script Script::Lines(std::initializer_list<std::string> lines) {
  std::string all;
  for (const auto& l : lines) all += WithCrLf(l);
  return Script().Raw(all);
}

Script& Script::Send(const std::string& reply) { return Raw(WithCrLf(reply)); }

Script& Script::Raw(const std::string& bytes) {
  Step s;
  s.kind = Step::Kind::Send;
  s.bytes = bytes;
  steps_.push_back(std::move(s));
  return *this;
}

Script& Script::Pause(int ms) {
  Step s;
  s.kind = Step::Kind::Pause;
  s.ms = ms;
  steps_.push_back(std::move(s));
  return *this;
}

Script& Script::Close() {
  Step s;
  s.kind = Step::Kind::Close;
  steps_.push_back(std::move(s));
  return *this;
}

int Script::Code() const {
  for (const auto& s : steps_) {
    if (s.kind != Step::Kind::Send || s.bytes.empty()) continue;
    if (s.bytes.size() < 3) return 0;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
      char ch = s.bytes[static_cast<std::size_t>(i)];
      if (ch < '0' || ch > '9') return 0;
      code = code * 10 + (ch - '0');
    }
    return code;
  }
  return 0;
}

// ---------------------------------------------------------------- state

struct ScriptedFtpServer::Connection {
  int id = 0;
  platform::Socket control;
  std::uint32_t peerAddress = 0;
  std::thread thread;
  std::mutex writeMutex;
  std::atomic<bool> hungUp{false};
  std::atomic<bool> done{false};

  // Session state; touched by the connection's own thread only.
  std::string cwd = "/";
  std::string user;
  bool loggedIn = false;
  std::int64_t rest = 0;
  std::optional<platform::Endpoint> port;
  std::optional<std::string> renameFrom;
  platform::Socket held;  // a data connection opened at PORT
  platform::Socket passiveListener;  // opened by PASV / EPSV
  platform::Socket passiveFiller;    // fills the listener's queue (neverAccept)

  // The running transfer.
  std::mutex transferMutex;
  std::thread transfer;
  bool transferRunning = false;
  bool abortRequested = false;
  SocketHandle transferSocket = platform::kInvalidSocket;
  DataOptions transferOptions;
};

struct ScriptedFtpServer::Job {
  FtpCommand cmd;
  DataOptions opt;
  bool outgoing = true;
  std::string payload;
  std::string path;
  std::int64_t offset = 0;
  SocketHandle held = platform::kInvalidSocket;
  SocketHandle listener = platform::kInvalidSocket;  // passive mode
  platform::Endpoint target;
};

ScriptedFtpServer::ScriptedFtpServer() {
  tree_["/"].dir = true;
  listener_.Reset(platform::CreateTcpSocket());
  platform::Endpoint local;
  local.address = kLoopback;
  if (!listener_.Valid() || !platform::BindTo(listener_.Get(), local) ||
      !platform::ListenOn(listener_.Get(), 16) || !platform::LocalEndpoint(listener_.Get(), local))
    throw std::runtime_error("ScriptedFtpServer: can't listen on 127.0.0.1");
  port_ = local.port;
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
  stopping_ = true;
  if (acceptThread_.joinable()) acceptThread_.join();
  std::vector<Connection*> all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& c : connections_) all.push_back(c.get());
  }
  for (Connection* c : all) {
    {
      std::lock_guard<std::mutex> lock(c->transferMutex);
      if (c->transferSocket != platform::kInvalidSocket) platform::ShutdownSocket(c->transferSocket);
    }
    platform::ShutdownSocket(c->control.Get());
  }
  for (Connection* c : all)
    if (c->thread.joinable()) c->thread.join();
}

std::string ScriptedFtpServer::Address() const { return "127.0.0.1:" + std::to_string(port_); }

void ScriptedFtpServer::AcceptLoop() {
  while (!stopping_) {
    int ready = platform::WaitReadable(listener_.Get(), 10);
    if (ready <= 0) continue;
    platform::Endpoint peer;
    SocketHandle s = platform::AcceptFrom(listener_.Get(), &peer);
    if (s == platform::kInvalidSocket) continue;
    NoDelay(s);
    auto c = std::make_unique<Connection>();
    c->control.Reset(s);
    c->peerAddress = peer.address;
    Connection* raw = c.get();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      c->id = ++accepted_;
      c->cwd = home_;
      connections_.push_back(std::move(c));
    }
    changed_.notify_all();
    raw->thread = std::thread([this, raw] { Serve(*raw); });
  }
}

bool ScriptedFtpServer::SleepUnlessStopped(Connection* c, int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (stopping_) return false;
    if (c) {
      std::lock_guard<std::mutex> lock(c->transferMutex);
      if (c->abortRequested) return false;
    }
    platform::SleepMs(kSliceMs);
  }
  return !stopping_;
}

bool ScriptedFtpServer::Execute(Connection& c, const Script& script) {
  std::lock_guard<std::mutex> lock(c.writeMutex);
  for (const auto& step : script.Steps()) {
    if (c.hungUp) return false;
    switch (step.kind) {
      case Script::Step::Kind::Send:
        if (!SendAll(c.control.Get(), step.bytes.data(), step.bytes.size())) return false;
        break;
      case Script::Step::Kind::Pause:
        if (!SleepUnlessStopped(nullptr, step.ms)) return false;
        break;
      case Script::Step::Kind::Close:
        ::shutdown(c.control.Get(), SHUT_WR);
        c.hungUp = true;
        return true;
    }
  }
  return true;
}

void ScriptedFtpServer::Serve(Connection& c) {
  Execute(c, Greeting());
  std::string pending;
  while (!stopping_ && !c.hungUp) {
    int ready = platform::WaitReadable(c.control.Get(), 100);
    if (ready == 0) continue;
    if (ready < 0) break;
    char buf[4096];
    long n = platform::ReceiveBytes(c.control.Get(), buf, sizeof buf);
    if (n <= 0) break;
    pending.append(buf, static_cast<std::size_t>(n));
    std::size_t lf;
    while (!c.hungUp && (lf = pending.find('\n')) != std::string::npos) {
      std::string raw = pending.substr(0, lf + 1);
      pending.erase(0, lf + 1);
      Handle(c, raw);
    }
  }
  AbortTransfer(c, false);
  FinishTransfer(c);
  if (c.hungUp) {
    // Let the client see the end of the connection before it is closed.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    char buf[512];
    while (!stopping_ && std::chrono::steady_clock::now() < until) {
      int ready = platform::WaitReadable(c.control.Get(), 50);
      if (ready < 0) break;
      if (ready == 0) continue;
      if (platform::ReceiveBytes(c.control.Get(), buf, sizeof buf) <= 0) break;
    }
  }
  c.held.Reset();
  {
    // The handle stays open until the server ends, so DropConnections never
    // touches a reused one.
    std::lock_guard<std::mutex> lock(mutex_);
    platform::ShutdownSocket(c.control.Get());
    c.done = true;
    ++closed_;
  }
  changed_.notify_all();
}

// ---------------------------------------------------------------- commands

void ScriptedFtpServer::Record(const FtpCommand& cmd) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(cmd);
  }
  changed_.notify_all();
}

void ScriptedFtpServer::AddRecord(const TransferRecord& r) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    transfers_.push_back(r);
  }
  changed_.notify_all();
}

Script ScriptedFtpServer::Greeting() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!queuedGreetings_.empty()) {
    Script g = queuedGreetings_.front();
    queuedGreetings_.erase(queuedGreetings_.begin());
    return g;
  }
  if (greeting_) return *greeting_;
  return Script("220 Skiffline scripted FTP server ready.");
}

std::optional<Script> ScriptedFtpServer::TakeOverride(const FtpCommand& cmd) {
  Handler verbHandler, anyHandler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto q = queued_.find(cmd.verb);
    if (q != queued_.end() && !q->second.empty()) {
      Script s = q->second.front();
      q->second.erase(q->second.begin());
      return s;
    }
    auto h = handlers_.find(cmd.verb);
    if (h != handlers_.end()) verbHandler = h->second;
    auto a = handlers_.find("*");
    if (a != handlers_.end()) anyHandler = a->second;
  }
  if (verbHandler) {
    if (auto s = verbHandler(cmd)) return s;
  }
  if (anyHandler) {
    if (auto s = anyHandler(cmd)) return s;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  auto p = persistent_.find(cmd.verb);
  if (p != persistent_.end()) return p->second;
  return std::nullopt;
}

DataOptions ScriptedFtpServer::TakeDataOptions() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!queuedData_.empty()) {
    DataOptions o = queuedData_.front();
    queuedData_.erase(queuedData_.begin());
    return o;
  }
  return dataOptions_;
}

DataOptions ScriptedFtpServer::PeekDataOptions() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queuedData_.empty() ? dataOptions_ : queuedData_.front();
}

void ScriptedFtpServer::Handle(Connection& c, const std::string& raw) {
  FtpCommand cmd;
  cmd.connection = c.id;
  cmd.raw = raw;
  cmd.line = raw;
  while (!cmd.line.empty() && (cmd.line.back() == '\n' || cmd.line.back() == '\r'))
    cmd.line.pop_back();
  std::size_t blank = cmd.line.find(' ');
  cmd.verb = Upper(cmd.line.substr(0, blank));
  cmd.argument = blank == std::string::npos ? "" : cmd.line.substr(blank + 1);
  Record(cmd);

  const std::string& verb = cmd.verb;
  const std::string& arg = cmd.argument;
  if (verb == "QUIT") AbortTransfer(c, false);
  if (verb != "ABOR") FinishTransfer(c);

  std::optional<Script> over = TakeOverride(cmd);
  auto respond = [&](const Script& def, const std::function<void()>& effect = {}) {
    if (over) {
      int code = over->Code();
      if (effect && code > 0 && code < 400) effect();
      Execute(c, *over);
    } else {
      if (effect) effect();
      Execute(c, def);
    }
  };

  static const char* const kOpen[] = {"USER", "PASS", "QUIT", "NOOP", "FEAT", "SYST"};
  bool loginNeeded;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    loginNeeded = loginRequired_ && !c.loggedIn &&
                  std::none_of(std::begin(kOpen), std::end(kOpen),
                               [&](const char* v) { return verb == v; });
  }
  if (loginNeeded && verb != "ABOR") {
    respond(Script("530 Please login with USER and PASS."));
    return;
  }

  if (verb == "USER") {
    respond(Script("331 Please specify the password."), [&] {
      c.user = arg;
      c.loggedIn = false;
    });
  } else if (verb == "PASS") {
    bool ok;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      bool anon = anonymousAllowed_ && (c.user == "anonymous" || c.user == "ftp");
      ok = anon || !user_ || (c.user == *user_ && (!password_ || arg == *password_));
    }
    if (ok)
      respond(Script("230 Login successful."), [&] { c.loggedIn = true; });
    else
      respond(Script("530 Login incorrect."), [&] {
        if (over) c.loggedIn = true;
      });
  } else if (verb == "SYST") {
    bool dos;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      dos = style_ == ListingStyle::Dos;
    }
    respond(Script(dos ? "215 Windows_NT" : "215 UNIX Type: L8"));
  } else if (verb == "PWD" || verb == "XPWD") {
    respond(Script("257 \"" + c.cwd + "\" is the current directory"));
  } else if (verb == "CWD" || verb == "XCWD") {
    std::string path;
    bool ok;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      path = Resolve(c.cwd, arg);
      auto it = tree_.find(path);
      ok = it != tree_.end() && it->second.dir;
    }
    respond(Script(ok ? "250 Directory successfully changed." : "550 Failed to change directory."),
            [&] {
              if (ok || over) c.cwd = path;
            });
  } else if (verb == "CDUP" || verb == "XCUP") {
    respond(Script("250 Directory successfully changed."), [&] { c.cwd = Parent(c.cwd); });
  } else if (verb == "MKD" || verb == "XMKD") {
    std::string path;
    bool ok;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      path = Resolve(c.cwd, arg);
      auto parent = tree_.find(Parent(path));
      ok = !tree_.count(path) && parent != tree_.end() && parent->second.dir;
    }
    respond(Script(ok ? "257 \"" + path + "\" created" : "550 Create directory operation failed."),
            [&] {
              std::lock_guard<std::mutex> lock(mutex_);
              MakeDirsLocked(path);
            });
  } else if (verb == "RMD" || verb == "XRMD") {
    std::string path;
    bool ok;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      path = Resolve(c.cwd, arg);
      auto it = tree_.find(path);
      ok = path != "/" && it != tree_.end() && it->second.dir && ChildrenLocked(path).empty();
    }
    respond(Script(ok ? "250 Remove directory operation successful."
                      : "550 Remove directory operation failed."),
            [&] {
              if (path == "/") return;
              std::lock_guard<std::mutex> lock(mutex_);
              tree_.erase(path);
            });
  } else if (verb == "DELE") {
    std::string path;
    bool ok;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      path = Resolve(c.cwd, arg);
      auto it = tree_.find(path);
      ok = it != tree_.end() && !it->second.dir;
    }
    respond(Script(ok ? "250 Delete operation successful." : "550 Delete operation failed."), [&] {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = tree_.find(path);
      if (it != tree_.end() && !it->second.dir) tree_.erase(it);
    });
  } else if (verb == "RNFR") {
    std::string path;
    bool ok;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      path = Resolve(c.cwd, arg);
      ok = path != "/" && tree_.count(path) > 0;
    }
    if (ok || over)
      respond(Script("350 Ready for RNTO."), [&] { c.renameFrom = path; });
    else
      respond(Script("550 RNFR command failed."));
  } else if (verb == "RNTO") {
    std::optional<std::string> from = c.renameFrom;
    c.renameFrom.reset();
    if (!from && !over) {
      respond(Script("503 RNFR required first."));
      return;
    }
    std::string to;
    bool ok = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      to = Resolve(c.cwd, arg);
      auto parent = tree_.find(Parent(to));
      ok = from && tree_.count(*from) && !tree_.count(to) && parent != tree_.end() &&
           parent->second.dir && to.compare(0, from->size() + 1, *from + "/") != 0;
    }
    respond(Script(ok ? "250 Rename successful." : "550 Rename failed."), [&] {
      if (!from) return;
      std::lock_guard<std::mutex> lock(mutex_);
      if (!tree_.count(*from) || tree_.count(to)) return;
      std::vector<std::pair<std::string, Node>> moved;
      for (auto it = tree_.begin(); it != tree_.end();) {
        if (it->first == *from || it->first.compare(0, from->size() + 1, *from + "/") == 0) {
          moved.emplace_back(to + it->first.substr(from->size()), it->second);
          it = tree_.erase(it);
        } else {
          ++it;
        }
      }
      for (auto& m : moved) tree_[m.first] = m.second;
      auto l = listings_.find(*from);
      if (l != listings_.end()) {
        listings_[to] = l->second;
        listings_.erase(*from);
      }
    });
  } else if (verb == "TYPE") {
    std::string t = Upper(arg);
    if (t == "A" || t == "A N")
      respond(Script("200 Switching to ASCII mode."));
    else if (t == "I" || t == "L 8")
      respond(Script("200 Switching to Binary mode."));
    else
      respond(Script("500 Unrecognised TYPE command."));
  } else if (verb == "MODE" || verb == "STRU") {
    respond(Script("200 Mode set."));
  } else if (verb == "REST") {
    std::int64_t offset = 0;
    if (ParseInt64(arg, offset))
      respond(Script("350 Restart position accepted (" + std::to_string(offset) + ")."),
              [&] { c.rest = offset; });
    else
      respond(Script("501 Bad REST parameter."));
  } else if (verb == "PORT") {
    platform::Endpoint ep;
    bool check;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      check = portPeerCheck_;
    }
    if (!ParsePort(arg, ep) || (check && ep.address != c.peerAddress)) {
      respond(Script(ParsePort(arg, ep) ? "500 Illegal PORT command." : "501 Illegal PORT command."));
      return;
    }
    DataOptions next = PeekDataOptions();
    respond(Script(next.connectAtPort ? "200 Active data connection established."
                                      : "200 PORT command successful. Consider using PASV."),
            [&] {
              c.port = ep;
              c.held.Reset();
              {
                std::lock_guard<std::mutex> lock(mutex_);
                lastPort_ = ep;
              }
              if (next.connectAtPort) c.held.Reset(ConnectData(c, next, ep));
            });
  } else if (verb == "PASV" || verb == "EPSV") {
    PassiveOptions opt;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      opt = passive_;
    }
    if (!(verb == "PASV" ? opt.pasv : opt.epsv)) {
      respond(Script("502 Command not implemented."));
      return;
    }
    platform::Socket listener(platform::CreateTcpSocket());
    platform::Endpoint at{kLoopback, 0};
    if (!listener.Valid() || !platform::BindTo(listener.Get(), at) ||
        !platform::ListenOn(listener.Get(), opt.neverAccept ? 0 : 4) ||
        !platform::LocalEndpoint(listener.Get(), at)) {
      respond(Script("425 Can't open passive connection."));
      return;
    }
    platform::Socket filler;
    if (opt.neverAccept) {
      filler.Reset(platform::CreateTcpSocket());
      platform::ConnectWithin(filler.Get(), at, 500, nullptr);
    }
    std::string reply;
    if (verb == "EPSV") {
      reply = "229 Entering Extended Passive Mode (|||" + std::to_string(at.port) + "|).";
    } else {
      std::uint32_t a = opt.pasvAddress ? opt.pasvAddress : kLoopback;
      reply = "227 Entering Passive Mode (" + std::to_string(a >> 24) + "," +
              std::to_string((a >> 16) & 255) + "," + std::to_string((a >> 8) & 255) + "," +
              std::to_string(a & 255) + "," + std::to_string(at.port >> 8) + "," +
              std::to_string(at.port & 255) + ").";
    }
    respond(Script(reply), [&] {
      c.port.reset();
      c.held.Reset();
      c.passiveListener = std::move(listener);
      c.passiveFiller = std::move(filler);
    });
  } else if (verb == "EPRT") {
    respond(Script("502 Command not implemented."));
  } else if (verb == "LIST" || verb == "NLST" || verb == "RETR" || verb == "STOR" ||
             verb == "APPE") {
    if (over) {
      int code = over->Code();
      if (code < 100 || code > 199) {
        Execute(c, *over);
        return;
      }
    }
    StartTransfer(c, cmd, over);
  } else if (verb == "SIZE") {
    std::optional<std::string> data;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = tree_.find(Resolve(c.cwd, arg));
      if (it != tree_.end() && !it->second.dir) data = it->second.data;
    }
    respond(Script(data ? "213 " + std::to_string(data->size()) : "550 Could not get file size."));
  } else if (verb == "ABOR") {
    Script reply = AbortTransfer(c, true);
    respond(reply);
  } else if (verb == "NOOP") {
    respond(Script("200 NOOP ok."));
  } else if (verb == "FEAT") {
    respond(Script("211-Features:\r\n REST STREAM\r\n SIZE\r\n211 End"));
  } else if (verb == "QUIT") {
    respond(Script("221 Goodbye.").Close());
  } else {
    respond(Script("500 Unknown command."));
  }
}

// ---------------------------------------------------------------- transfers

void ScriptedFtpServer::StartTransfer(Connection& c, const FtpCommand& cmd,
                                      std::optional<Script> prelim) {
  auto job = std::make_shared<Job>();
  job->cmd = cmd;
  job->outgoing = cmd.verb == "LIST" || cmd.verb == "NLST" || cmd.verb == "RETR";
  std::string name = cmd.argument;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cmd.verb == "LIST" || cmd.verb == "NLST") {
      std::string dir = name.empty() || name[0] == '-' ? c.cwd : Resolve(c.cwd, name);
      if (cmd.verb == "LIST") {
        job->payload = ListingLocked(dir);
      } else {
        for (const auto& child : ChildrenLocked(dir)) job->payload += child + "\r\n";
      }
    } else if (cmd.verb == "RETR") {
      job->path = Resolve(c.cwd, name);
      auto it = tree_.find(job->path);
      if ((it == tree_.end() || it->second.dir) && !prelim) {
        job.reset();
      } else if (it != tree_.end() && !it->second.dir) {
        const std::string& data = it->second.data;
        std::size_t from = static_cast<std::size_t>(
            std::min<std::int64_t>(c.rest, static_cast<std::int64_t>(data.size())));
        job->payload = data.substr(from);
      }
    } else {
      job->path = Resolve(c.cwd, name);
      auto parent = tree_.find(Parent(job->path));
      auto self = tree_.find(job->path);
      if ((parent == tree_.end() || !parent->second.dir ||
           (self != tree_.end() && self->second.dir)) &&
          !prelim)
        job.reset();
    }
  }
  if (job) job->offset = c.rest;
  c.rest = 0;
  if (!job) {
    Execute(c, Script(cmd.verb == "RETR" ? "550 Failed to open file." : "553 Could not create file."));
    return;
  }
  bool haveHeld = c.held.Valid();
  if (!c.port && !haveHeld && !c.passiveListener.Valid()) {
    Execute(c, Script("425 Use PORT or PASV first."));
    return;
  }
  job->opt = TakeDataOptions();
  if (c.port) job->target = *c.port;
  c.port.reset();
  job->held = c.held.Release();
  job->listener = c.passiveListener.Release();

  Script first;
  if (prelim)
    first = *prelim;
  else if (job->opt.preliminary)
    first = *job->opt.preliminary;
  else if (haveHeld)
    first = Script("125 Data connection already open. Transfer starting.");
  else if (cmd.verb == "LIST" || cmd.verb == "NLST")
    first = Script("150 Here comes the directory listing.");
  else if (cmd.verb == "RETR")
    first = Script("150 Opening BINARY mode data connection for " + name + " (" +
                   std::to_string(job->payload.size()) + " bytes).");
  else
    first = Script("150 Ok to send data.");
  Execute(c, first);

  if (job->opt.neverConnect) {
    platform::CloseSocket(job->held);
    platform::CloseSocket(job->listener);
    TransferRecord r;
    r.connection = c.id;
    r.verb = cmd.verb;
    r.argument = cmd.argument;
    AddRecord(r);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(c.transferMutex);
    c.transferRunning = true;
    c.abortRequested = false;
    c.transferOptions = job->opt;
  }
  c.transfer = std::thread([this, &c, job] { RunTransfer(c, job); });
}

SocketHandle ScriptedFtpServer::ConnectData(Connection& c, const DataOptions& opt,
                                            const platform::Endpoint& to) {
  for (std::uint32_t from : opt.strayConnectsFrom) {
    platform::Socket stray(platform::CreateTcpSocket());
    platform::Endpoint src;
    src.address = from;
    if (!stray.Valid() || !platform::BindTo(stray.Get(), src) ||
        !platform::ConnectTo(stray.Get(), to))
      continue;
    // Held until the client has closed it (at most 5 s).
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!stopping_ && std::chrono::steady_clock::now() < until) {
      {
        std::lock_guard<std::mutex> lock(c.transferMutex);
        if (c.abortRequested) break;
      }
      int ready = platform::WaitReadable(stray.Get(), 50);
      if (ready < 0) break;
      if (ready == 0) continue;
      char b[64];
      if (platform::ReceiveBytes(stray.Get(), b, sizeof b) <= 0) break;
    }
  }
  if (opt.connectDelayMs > 0 && !SleepUnlessStopped(&c, opt.connectDelayMs))
    return platform::kInvalidSocket;
  platform::Socket s(platform::CreateTcpSocket());
  if (!s.Valid()) return platform::kInvalidSocket;
  if (opt.sourceAddress != 0) {
    platform::Endpoint src;
    src.address = opt.sourceAddress;
    if (!platform::BindTo(s.Get(), src)) return platform::kInvalidSocket;
  }
  if (!platform::ConnectTo(s.Get(), to)) return platform::kInvalidSocket;
  return s.Release();
}

void ScriptedFtpServer::RunTransfer(Connection& c, std::shared_ptr<Job> job) {
  TransferRecord rec;
  rec.connection = c.id;
  rec.verb = job->cmd.verb;
  rec.argument = job->cmd.argument;
  const DataOptions& opt = job->opt;

  SocketHandle s = platform::kInvalidSocket;
  if (job->listener != platform::kInvalidSocket) {
    s = AcceptPassive(c, job->listener, rec);
    platform::CloseSocket(job->listener);
  } else {
    s = job->held != platform::kInvalidSocket ? job->held : ConnectData(c, opt, job->target);
  }
  bool broken = false;
  bool completed = false;
  if (s != platform::kInvalidSocket) {
    {
      std::lock_guard<std::mutex> lock(c.transferMutex);
      if (c.abortRequested || stopping_) platform::ShutdownSocket(s);
      c.transferSocket = s;
    }
    rec.connected = true;
    if (job->outgoing) {
      std::size_t limit = std::min(job->payload.size(), opt.closeAfterBytes);
      std::size_t chunk = opt.chunkSize ? opt.chunkSize : 65536;
      std::size_t pos = 0;
      bool stopped = false;
      while (pos < limit) {
        std::size_t n = std::min(chunk, limit - pos);
        if (!SendAll(s, job->payload.data() + pos, n)) {
          broken = true;
          break;
        }
        pos += n;
        rec.bytes = pos;
        if (opt.chunkDelayMs > 0 && pos < limit && !SleepUnlessStopped(&c, opt.chunkDelayMs)) {
          stopped = true;
          break;
        }
      }
      completed = !broken && !stopped;
    } else {
      std::string got;
      for (;;) {
        if (stopping_) break;
        {
          std::lock_guard<std::mutex> lock(c.transferMutex);
          if (c.abortRequested) break;
        }
        int ready = platform::WaitReadable(s, 50);
        if (ready < 0) {
          broken = true;
          break;
        }
        if (ready == 0) continue;
        char buf[16384];
        long n = platform::ReceiveBytes(s, buf, sizeof buf);
        if (n < 0) {
          broken = true;
          break;
        }
        if (n == 0) {
          completed = true;
          break;
        }
        got.append(buf, static_cast<std::size_t>(n));
        if (got.size() >= opt.closeAfterBytes) {
          got.resize(opt.closeAfterBytes);
          completed = true;
          break;
        }
      }
      rec.bytes = got.size();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        received_[job->cmd.argument] = got;
        Node& node = tree_[job->path];
        node.dir = false;
        if (job->cmd.verb == "APPE") {
          node.data += got;
        } else {
          std::size_t keep = static_cast<std::size_t>(
              std::min<std::int64_t>(job->offset, static_cast<std::int64_t>(node.data.size())));
          node.data = node.data.substr(0, keep) + got;
        }
      }
      changed_.notify_all();
    }
    {
      std::lock_guard<std::mutex> lock(c.transferMutex);
      c.transferSocket = platform::kInvalidSocket;
    }
    platform::CloseSocket(s);
  }

  bool aborted;
  {
    std::lock_guard<std::mutex> lock(c.transferMutex);
    aborted = c.abortRequested;
    c.transferRunning = false;
  }
  rec.aborted = aborted;
  rec.completed = completed && !aborted;
  rec.brokenByClient = broken && !aborted;
  if (!aborted && !stopping_) {
    if (s == platform::kInvalidSocket)
      Execute(c, Script("425 Failed to establish connection."));
    else if (broken)
      Execute(c, opt.failed);
    else
      Execute(c, opt.final ? *opt.final : Script("226 Transfer complete."));
  }
  AddRecord(rec);
}

SocketHandle ScriptedFtpServer::AcceptPassive(Connection& c, SocketHandle listener,
                                              TransferRecord& rec) {
  // The client connected after the PASV / EPSV reply; at most 5 s more.
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!stopping_ && std::chrono::steady_clock::now() < until) {
    {
      std::lock_guard<std::mutex> lock(c.transferMutex);
      if (c.abortRequested) break;
    }
    int ready = platform::WaitReadable(listener, 50);
    if (ready < 0) break;
    if (ready == 0) continue;
    platform::Endpoint peer;
    SocketHandle s = platform::AcceptFrom(listener, &peer);
    if (s == platform::kInvalidSocket) break;
    rec.passive = true;
    rec.peerAddress = peer.address;
    return s;
  }
  return platform::kInvalidSocket;
}

void ScriptedFtpServer::FinishTransfer(Connection& c) {
  if (c.transfer.joinable()) c.transfer.join();
}

Script ScriptedFtpServer::AbortTransfer(Connection& c, bool honourHold) {
  Script reply("225 No transfer to ABOR.");
  {
    std::unique_lock<std::mutex> lock(c.transferMutex);
    if (c.transferRunning) {
      if (honourHold && c.transferOptions.holdAbortUntilDone) {
        lock.unlock();
        FinishTransfer(c);
        return reply;
      }
      c.abortRequested = true;
      if (c.transferSocket != platform::kInvalidSocket) platform::ShutdownSocket(c.transferSocket);
      reply = c.transferOptions.abortReply;
    }
  }
  FinishTransfer(c);
  return reply;
}

// ---------------------------------------------------------------- tree

std::string ScriptedFtpServer::Resolve(const std::string& cwd, const std::string& arg) const {
  std::string full = arg.empty() ? cwd : (arg[0] == '/' ? arg : cwd + "/" + arg);
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= full.size()) {
    std::size_t end = full.find('/', pos);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = end + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

std::string ScriptedFtpServer::Parent(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ScriptedFtpServer::BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ScriptedFtpServer::MakeDirsLocked(const std::string& path) {
  std::string p = Resolve("/", path);
  std::string prefix;
  std::size_t pos = 1;
  tree_["/"].dir = true;
  while (pos <= p.size() && p != "/") {
    std::size_t end = p.find('/', pos);
    if (end == std::string::npos) end = p.size();
    prefix = p.substr(0, end);
    Node& n = tree_[prefix];
    n.dir = true;
    n.data.clear();
    pos = end + 1;
  }
}

std::vector<std::string> ScriptedFtpServer::ChildrenLocked(const std::string& dir) {
  std::vector<std::string> out;
  std::string d = Resolve("/", dir);
  for (const auto& [path, node] : tree_) {
    (void)node;
    if (path != "/" && Parent(path) == d) out.push_back(BaseName(path));
  }
  return out;
}

std::string ScriptedFtpServer::ListingLocked(const std::string& dir) {
  std::string d = Resolve("/", dir);
  auto l = listings_.find(d);
  if (l != listings_.end()) return l->second;
  auto self = tree_.find(d);
  if (self == tree_.end()) return "";
  auto line = [&](const std::string& name, const Node& n) {
    char buf[600];
    if (style_ == ListingStyle::Dos) {
      if (n.dir)
        std::snprintf(buf, sizeof buf, "%s       <DIR>          %s\r\n", n.dosDate.c_str(),
                      name.c_str());
      else
        std::snprintf(buf, sizeof buf, "%s %20zu %s\r\n", n.dosDate.c_str(), n.data.size(),
                      name.c_str());
    } else {
      std::snprintf(buf, sizeof buf, "%s    %d ftp      ftp      %8zu %s %s\r\n",
                    n.dir ? "drwxr-xr-x" : "-rw-r--r--", n.dir ? 2 : 1,
                    n.dir ? static_cast<std::size_t>(4096) : n.data.size(), n.unixDate.c_str(),
                    name.c_str());
    }
    return std::string(buf);
  };
  if (!self->second.dir) return line(BaseName(d), self->second);
  std::string out;
  for (const auto& name : ChildrenLocked(d)) out += line(name, tree_[d == "/" ? "/" + name : d + "/" + name]);
  return out;
}

// ---------------------------------------------------------------- setters

void ScriptedFtpServer::SetGreeting(Script greeting) {
  std::lock_guard<std::mutex> lock(mutex_);
  greeting_ = std::move(greeting);
}

void ScriptedFtpServer::QueueGreeting(Script greeting) {
  std::lock_guard<std::mutex> lock(mutex_);
  queuedGreetings_.push_back(std::move(greeting));
}

void ScriptedFtpServer::SetReply(const std::string& verb, Script reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  persistent_[Upper(verb)] = std::move(reply);
}

void ScriptedFtpServer::QueueReply(const std::string& verb, Script reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_[Upper(verb)].push_back(std::move(reply));
}

void ScriptedFtpServer::SetHandler(const std::string& verb, Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handlers_[Upper(verb)] = std::move(handler);
}

void ScriptedFtpServer::ClearOverrides() {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_.clear();
  persistent_.clear();
  handlers_.clear();
  greeting_.reset();
  queuedGreetings_.clear();
}

void ScriptedFtpServer::SetCredentials(const std::string& user, const std::string& password) {
  std::lock_guard<std::mutex> lock(mutex_);
  user_ = user;
  password_ = password;
}

void ScriptedFtpServer::SetAnonymousAllowed(bool allowed) {
  std::lock_guard<std::mutex> lock(mutex_);
  anonymousAllowed_ = allowed;
}

void ScriptedFtpServer::SetLoginRequired(bool required) {
  std::lock_guard<std::mutex> lock(mutex_);
  loginRequired_ = required;
}

void ScriptedFtpServer::SetHomeDir(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  home_ = Resolve("/", path);
  MakeDirsLocked(home_);
}

void ScriptedFtpServer::AddDir(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  MakeDirsLocked(path);
}

void ScriptedFtpServer::AddFile(const std::string& path, const std::string& contents) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string p = Resolve("/", path);
  if (p == "/") return;
  MakeDirsLocked(Parent(p));
  Node& n = tree_[p];
  n.dir = false;
  n.data = contents;
}

void ScriptedFtpServer::RemovePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string p = Resolve("/", path);
  if (p == "/") return;
  for (auto it = tree_.begin(); it != tree_.end();) {
    if (it->first == p || it->first.compare(0, p.size() + 1, p + "/") == 0)
      it = tree_.erase(it);
    else
      ++it;
  }
}

void ScriptedFtpServer::SetDates(const std::string& path, const std::string& unixDate,
                                 const std::string& dosDate) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tree_.find(Resolve("/", path));
  if (it == tree_.end()) return;
  it->second.unixDate = unixDate;
  it->second.dosDate = dosDate;
}

void ScriptedFtpServer::SetListing(const std::string& dir, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string d = Resolve("/", dir);
  MakeDirsLocked(d);
  listings_[d] = text;
}

void ScriptedFtpServer::SetListingStyle(ListingStyle style) {
  std::lock_guard<std::mutex> lock(mutex_);
  style_ = style;
}

std::string ScriptedFtpServer::ListingOf(const std::string& dir) {
  std::lock_guard<std::mutex> lock(mutex_);
  return ListingLocked(dir);
}

bool ScriptedFtpServer::Exists(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return tree_.count(Resolve("/", path)) > 0;
}

bool ScriptedFtpServer::IsDir(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tree_.find(Resolve("/", path));
  return it != tree_.end() && it->second.dir;
}

std::optional<std::string> ScriptedFtpServer::FileContents(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tree_.find(Resolve("/", path));
  if (it == tree_.end() || it->second.dir) return std::nullopt;
  return it->second.data;
}

std::vector<std::string> ScriptedFtpServer::Children(const std::string& dir) {
  std::lock_guard<std::mutex> lock(mutex_);
  return ChildrenLocked(dir);
}

std::string ScriptedFtpServer::Received(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = received_.find(name);
  return it == received_.end() ? std::string() : it->second;
}

bool ScriptedFtpServer::HasReceived(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_.count(name) > 0;
}

void ScriptedFtpServer::SetDataOptions(DataOptions options) {
  std::lock_guard<std::mutex> lock(mutex_);
  dataOptions_ = std::move(options);
}

void ScriptedFtpServer::QueueDataOptions(DataOptions options) {
  std::lock_guard<std::mutex> lock(mutex_);
  queuedData_.push_back(std::move(options));
}

void ScriptedFtpServer::SetPortPeerCheck(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  portPeerCheck_ = on;
}

// ---------------------------------------------------------------- records

std::vector<FtpCommand> ScriptedFtpServer::Commands() {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::vector<std::string> ScriptedFtpServer::CommandLines() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const auto& c : commands_) out.push_back(c.line);
  return out;
}

std::vector<std::string> ScriptedFtpServer::Lines(const std::string& verb) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  std::string v = Upper(verb);
  for (const auto& c : commands_)
    if (c.verb == v) out.push_back(c.line);
  return out;
}

std::size_t ScriptedFtpServer::CountCommands(const std::string& linePrefix) {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      commands_.begin(), commands_.end(),
      [&](const FtpCommand& c) { return c.line.compare(0, linePrefix.size(), linePrefix) == 0; }));
}

bool ScriptedFtpServer::WaitForCommand(const std::string& linePrefix, int timeoutMs) {
  return WaitForCommandCount(linePrefix, 1, timeoutMs);
}

bool ScriptedFtpServer::WaitForCommandCount(const std::string& linePrefix, std::size_t count,
                                            int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    std::size_t n = 0;
    for (const auto& c : commands_)
      if (c.line.compare(0, linePrefix.size(), linePrefix) == 0) ++n;
    return n >= count;
  });
}

int ScriptedFtpServer::ConnectionCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

int ScriptedFtpServer::ClosedConnectionCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

bool ScriptedFtpServer::WaitForConnections(int count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return accepted_ >= count; });
}

bool ScriptedFtpServer::WaitForClosedConnections(int count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return closed_ >= count; });
}

std::vector<TransferRecord> ScriptedFtpServer::Transfers() {
  std::lock_guard<std::mutex> lock(mutex_);
  return transfers_;
}

bool ScriptedFtpServer::WaitForTransfers(std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return transfers_.size() >= count; });
}

void ScriptedFtpServer::SetPassive(PassiveOptions options) {
  std::lock_guard<std::mutex> lock(mutex_);
  passive_ = options;
}

std::optional<platform::Endpoint> ScriptedFtpServer::LastPortAddress() {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastPort_;
}

void ScriptedFtpServer::ClearRecords() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.clear();
  transfers_.clear();
}

void ScriptedFtpServer::DropConnections() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& c : connections_)
    if (!c->done) platform::ShutdownSocket(c->control.Get());
}

}  // namespace skifftest
