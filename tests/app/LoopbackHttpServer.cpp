#include "LoopbackHttpServer.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr int kPollMs = 20;
// A request head must arrive within this time, or the connection is dropped.
constexpr int kRequestTimeoutMs = 5000;

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(std::vector<std::string> replies)
    : replies_(std::move(replies)), listener_(platform::CreateTcpSocket()) {
  platform::Endpoint local{kLoopback, 0};
  if (!listener_.Valid() || !platform::BindTo(listener_.Get(), local) ||
      !platform::ListenOn(listener_.Get(), 8) ||
      !platform::LocalEndpoint(listener_.Get(), local)) {
    throw std::runtime_error("loopback HTTP server: cannot listen");
  }
  port_ = local.port;
  thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  thread_.join();
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::Serve() {
  std::size_t next = 0;
  while (!stopping_ && next < replies_.size()) {
    if (platform::WaitReadable(listener_.Get(), kPollMs) != 1) continue;
    platform::Socket connection(platform::AcceptFrom(listener_.Get(), nullptr));
    if (connection.Valid()) Answer(std::move(connection), replies_[next++]);
  }
}

void LoopbackHttpServer::Answer(platform::Socket connection, const std::string& reply) {
  std::string head;
  int waitedMs = 0;
  while (head.find("\r\n\r\n") == std::string::npos && waitedMs < kRequestTimeoutMs && !stopping_) {
    if (platform::WaitReadable(connection.Get(), kPollMs) != 1) {
      waitedMs += kPollMs;
      continue;
    }
    char buffer[1024];
    const long n = platform::ReceiveBytes(connection.Get(), buffer, sizeof buffer);
    if (n <= 0) return;
    head.append(buffer, static_cast<std::size_t>(n));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(head);
  }
  if (reply == NeverAnswer()) {
    Hold(connection);
    return;
  }
  std::size_t sent = 0;
  while (sent < reply.size()) {
    const long n = platform::SendBytes(connection.Get(), reply.data() + sent, reply.size() - sent);
    if (n <= 0) return;  // the client stopped reading
    sent += static_cast<std::size_t>(n);
  }
  platform::ShutdownSocket(connection.Get());
}

void LoopbackHttpServer::Hold(const platform::Socket& connection) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHoldLimitMs);
  while (!stopping_) {
    if (std::chrono::steady_clock::now() >= limit) {
      gaveUp_ = true;
      return;  // closes the connection
    }
    if (platform::WaitReadable(connection.Get(), kPollMs) == 0) continue;
    char buffer[256];
    if (platform::ReceiveBytes(connection.Get(), buffer, sizeof buffer) <= 0) {
      clientLeft_ = true;
      return;
    }
  }
}

std::string NeverAnswer() { return std::string("\0never answer", 13); }

std::string ReplyWithLength(const std::string& body, const std::string& status) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string ChunkedReply(const std::string& body, const std::string& status) {
  char size[32];
  std::snprintf(size, sizeof size, "%zx", body.size());
  std::string reply = "HTTP/1.1 " + status +
                      "\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n"
                      "Connection: close\r\n\r\n";
  if (!body.empty()) reply += std::string(size) + "\r\n" + body + "\r\n";
  return reply + "0\r\n\r\n";
}

std::string HeaderValue(const std::string& head, const std::string& name) {
  const std::string key = "\r\n" + name + ": ";
  const std::size_t at = head.find(key);
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size();
  return head.substr(start, head.find("\r\n", start) - start);
}
