// libcurl behind HttpClient.
#include "platform/HttpFetch.h"

#include "platform/Socket.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <mutex>
#include <string_view>
#include <utility>

namespace platform {

namespace {

constexpr long kConnectTimeoutSeconds = 10;
constexpr long kTotalTimeoutSeconds = 30;
constexpr long kMaxRedirects = 5;
// How often a fetch looks at its abort switch while it waits on the network.
constexpr int kAbortCheckMs = 50;

// The abort switch of the innermost HttpAbortScope on this thread.
thread_local HttpAbortSwitch* tAbortSwitch = nullptr;

// libcurl's global state, set up once for the process and kept to its end
// (a check thread may still be running while the process exits).
bool GlobalInitDone() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ok;
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

// What one transfer collects through the callbacks.
struct Transfer {
  HttpReply reply;
  std::size_t bodyLimit = 0;
};

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

// Called once per header line of every reply, redirects and interim replies
// included; a status line starts the headers of a new reply.
std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::string_view line(data, size * count);
  constexpr std::string_view kContentLength = "content-length:";
  if (StartsWithIgnoringCase(line, "HTTP/")) {
    transfer.reply.received = true;
    transfer.reply.contentLength.reset();
  } else if (StartsWithIgnoringCase(line, kContentLength)) {
    const std::string_view value = Trim(line.substr(kContentLength.size()));
    std::int64_t length = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    const bool number = error == std::errc() && end == value.data() + value.size() && length >= 0;
    transfer.reply.contentLength = number ? length : 0;
  }
  return size * count;
}

// Keeps body bytes up to the limit, then stops the transfer.
std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  const std::size_t room = transfer.bodyLimit - transfer.reply.body.size();
  transfer.reply.body.append(data, std::min(bytes, room));
  // Returning less than was given ends the transfer: the rest is not wanted.
  return transfer.reply.body.size() < transfer.bodyLimit ? bytes : 0;
}

// The URL's host is a dotted address or a name worth looking up; a host under
// the reserved "invalid" domain fails here without any name-server traffic.
bool HostCanResolve(const std::string& url) {
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return false;
  bool ok = false;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    char* host = nullptr;
    if (curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK && host != nullptr) {
      ok = IsLookupName(host);
      curl_free(host);
    }
  }
  curl_url_cleanup(parsed);
  return ok;
}

// Runs the transfer of `easy` to its end, looking at the switch between
// short waits on the network; true when the switch ended it.
bool RunTransfer(CURLM* multi, CURL* easy, const HttpAbortSwitch* abortSwitch) {
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return false;
  bool aborted = false;
  int running = 1;
  while (running > 0) {
    if (abortSwitch != nullptr && abortSwitch->IsSet()) {
      aborted = true;
      break;
    }
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    if (running > 0 && curl_multi_poll(multi, nullptr, 0, kAbortCheckMs, nullptr) != CURLM_OK)
      break;
  }
  curl_multi_remove_handle(multi, easy);  // drops the connection of an ended transfer
  return aborted;
}

}  // namespace

HttpAbortScope::HttpAbortScope(std::shared_ptr<HttpAbortSwitch> abortSwitch)
    : switch_(std::move(abortSwitch)), previous_(tAbortSwitch) {
  tAbortSwitch = switch_.get();
}

HttpAbortScope::~HttpAbortScope() { tAbortSwitch = previous_; }

struct HttpClient::Handle {
  std::unique_ptr<CURL, EasyDeleter> easy;
  std::unique_ptr<CURLM, MultiDeleter> multi;
};

HttpClient::HttpClient(std::string userAgent)
    : handle_(std::make_unique<Handle>()), userAgent_(std::move(userAgent)) {
  if (GlobalInitDone()) {
    handle_->easy.reset(curl_easy_init());
    handle_->multi.reset(curl_multi_init());
  }
}

HttpClient::~HttpClient() = default;

bool HttpClient::Valid() const { return handle_->easy != nullptr && handle_->multi != nullptr; }

HttpReply HttpClient::Get(const std::string& url, std::size_t bodyLimit) {
  Transfer transfer;
  transfer.bodyLimit = bodyLimit;
  if (!Valid() || bodyLimit == 0 || !HostCanResolve(url)) return transfer.reply;
  CURL* easy = handle_->easy.get();
  HttpAbortSwitch* abortSwitch = tAbortSwitch;
  if (abortSwitch != nullptr && abortSwitch->IsSet()) {
    transfer.reply.aborted = true;
    abortSwitch->endedAFetch_.store(true);
    return transfer.reply;
  }

  curl_easy_reset(easy);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent_.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, kTotalTimeoutSeconds);
  // No signals: the fetch runs on a thread of its own.
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);

  // The result does not matter beyond what arrived: a body cut off at the
  // limit, by a closed connection or by the abort switch is kept as it stands.
  if (RunTransfer(handle_->multi.get(), easy, abortSwitch)) {
    transfer.reply.aborted = true;
    abortSwitch->endedAFetch_.store(true);
  }
  if (transfer.reply.received) {
    long status = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) {
      transfer.reply.status = status;
    }
  }
  return transfer.reply;
}

}  // namespace platform
