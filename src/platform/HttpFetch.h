// One HTTP GET at a time over a reusable client (libcurl underneath).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

struct HttpReply {
  bool received = false;  // a reply arrived (its status line was read)
  long status = 0;        // the final reply's status code, e.g. 200 or 404
  // The final reply's "Content-Length" header as a number, if it had one
  // (0 when its value is no number).
  std::optional<std::int64_t> contentLength;
  std::string body;       // at most the body limit asked for
  bool aborted = false;   // an abort switch ended the fetch
};

// Ends fetches early. Set from any thread; a fetch watching the switch gives
// up within a few hundredths of a second, or doesn't start.
class HttpAbortSwitch {
 public:
  void Set() { set_.store(true); }
  bool IsSet() const { return set_.load(); }
  // True once a fetch has given up because of the switch.
  bool EndedAFetch() const { return endedAFetch_.load(); }

 private:
  friend class HttpClient;
  std::atomic<bool> set_{false};
  std::atomic<bool> endedAFetch_{false};
};

// While it lives, every HttpClient::Get made on this thread watches
// `abortSwitch` (none when null), so that a fetch made deep inside other code
// can be ended without that code knowing. Scopes nest; the innermost counts.
class HttpAbortScope {
 public:
  explicit HttpAbortScope(std::shared_ptr<HttpAbortSwitch> abortSwitch);
  ~HttpAbortScope();
  HttpAbortScope(const HttpAbortScope&) = delete;
  HttpAbortScope& operator=(const HttpAbortScope&) = delete;

 private:
  std::shared_ptr<HttpAbortSwitch> switch_;
  HttpAbortSwitch* previous_;
};

// An HTTP client with a fixed user agent. The proxy comes from the
// environment (http_proxy and friends). Connecting gives up after 10 s and a
// whole fetch after 30 s, so a dead server cannot hold a thread for ever;
// an abort switch (HttpAbortScope) ends a fetch sooner.
// Only http and https URLs are fetched; up to 5 redirects are followed.
class HttpClient {
 public:
  explicit HttpClient(std::string userAgent);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // False when the client could not be set up; every Get then fails.
  bool Valid() const;

  // Fetches `url`, keeping at most `bodyLimit` bytes of the body; the rest of
  // the body is not read. A reply that was cut short keeps what arrived.
  // Watches the abort switch of this thread's HttpAbortScope, if any.
  HttpReply Get(const std::string& url, std::size_t bodyLimit);

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  std::string userAgent_;
};

}  // namespace platform
