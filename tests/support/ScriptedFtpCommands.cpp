// The scripted server: what it answers to each command.
#include "support/ScriptedFtpServerInternals.h"

namespace skifftest {

using platform::SocketHandle;
using namespace scripted_detail;

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

}  // namespace skifftest
