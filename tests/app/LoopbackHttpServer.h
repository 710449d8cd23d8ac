// A scripted HTTP server on 127.0.0.1 for the version check tests: each
// connection gets the next scripted reply, sent as raw bytes, and is closed.
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

 private:
  void Serve();
  void Answer(platform::Socket connection, const std::string& reply);

  std::vector<std::string> replies_;
  platform::Socket listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// Scripted replies: one with a Content-Length header, one in chunked
// transfer coding without it.
std::string ReplyWithLength(const std::string& body, const std::string& status = "200 OK");
std::string ChunkedReply(const std::string& body, const std::string& status = "200 OK");

// The value of header `name` (exact spelling) in a request head, or "".
std::string HeaderValue(const std::string& head, const std::string& name);
