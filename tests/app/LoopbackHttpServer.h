// A scripted HTTP server on 127.0.0.1 for the version check tests: each
// connection gets the next scripted reply, sent as raw bytes, and is closed.
// The reply NeverAnswer() instead holds the connection open without a word
// until the client leaves or kHoldLimitMs has passed.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"

class LoopbackHttpServer {
 public:
  explicit LoopbackHttpServer(std::vector<std::string> replies);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path`.
  std::string Url(const std::string& path) const;
  // The request heads received so far (request line and headers).
  std::vector<std::string> Requests() const;
  // How a held connection ended: the client closed it, or the server gave up.
  bool ClientLeftHeldConnection() const { return clientLeft_.load(); }
  bool GaveUpHolding() const { return gaveUp_.load(); }

  // Far longer than any abort takes and shorter than the client's own
  // 30 s time-out, so a server that gives up shows a fetch that waited.
  static constexpr int kHoldLimitMs = 15000;

 private:
  void Serve();
  void Answer(platform::Socket connection, const std::string& reply);
  void Hold(const platform::Socket& connection);

  std::vector<std::string> replies_;
  platform::Socket listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> clientLeft_{false};
  std::atomic<bool> gaveUp_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// Scripted replies: one with a Content-Length header, one in chunked
// transfer coding without it.
std::string ReplyWithLength(const std::string& body, const std::string& status = "200 OK");
std::string ChunkedReply(const std::string& body, const std::string& status = "200 OK");
// The reply that is never sent: the server reads the request and holds on.
std::string NeverAnswer();

// The value of header `name` (exact spelling) in a request head, or "".
std::string HeaderValue(const std::string& head, const std::string& name);
