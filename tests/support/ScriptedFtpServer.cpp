// The scripted server: its scripts, its connections and their threads.
#include "support/ScriptedFtpServerInternals.h"

namespace skifftest {

using platform::SocketHandle;
using namespace scripted_detail;

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

}  // namespace skifftest
