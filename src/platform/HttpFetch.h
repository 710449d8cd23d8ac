// One HTTP GET at a time over a reusable client (libcurl underneath).
#pragma once

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
};

// An HTTP client with a fixed user agent. The proxy comes from the
// environment (http_proxy and friends). Connecting gives up after 10 s and a
// whole fetch after 30 s, so a dead server cannot hold a thread for ever.
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
  HttpReply Get(const std::string& url, std::size_t bodyLimit);

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  std::string userAgent_;
};

}  // namespace platform
