// The scripted server: data connections and transfers.
#include "support/ScriptedFtpServerInternals.h"

namespace skifftest {

using platform::SocketHandle;
using namespace scripted_detail;

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

}  // namespace skifftest
