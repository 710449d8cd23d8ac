#include "cli/CliLog.h"

#include <chrono>
#include <cstdio>

#include "cli/PrintableText.h"
#include "platform/MessageIds.h"

namespace {

// The log pane's colours: replies olive, commands green, status lines blue.
const char* ColourOf(std::uint32_t id) {
  switch (id) {
    case msg::WM_SESSION_REPLY_LINE:
      return "\x1b[38;2;100;100;10m";
    case msg::WM_SESSION_COMMAND_LINE:
      return "\x1b[38;2;100;200;100m";
    default:
      return "\x1b[38;2;20;20;250m";
  }
}

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

constexpr const char* kCommandPrefix = "COMMAND >   ";
constexpr const char* kStatusPrefix = "STATUS>        ";

std::string HumanRate(std::intptr_t bytesPerSecond) {
  char text[32];
  double v = static_cast<double>(bytesPerSecond);
  if (v >= 1024.0 * 1024.0)
    std::snprintf(text, sizeof text, "%.1f MiB/s", v / (1024.0 * 1024.0));
  else if (v >= 1024.0)
    std::snprintf(text, sizeof text, "%.1f KiB/s", v / 1024.0);
  else
    std::snprintf(text, sizeof text, "%.0f B/s", v);
  return text;
}

}  // namespace

bool CliLog::Post(platform::Message message) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++sequence_;
    switch (message.id) {
      case msg::WM_SESSION_STATE:
        if (message.wParam == 1) ++idle_;
        break;
      case msg::WM_SESSION_LISTING:
        lastListing_ = message.payload.Take<RemoteListing>();
        ++listings_;
        break;
      case msg::WM_SESSION_COMMAND_LINE:
      case msg::WM_SESSION_REPLY_LINE:
      case msg::WM_SESSION_STATUS_LINE: {
        std::string line = WithoutLineEnd(message.Text());
        if (message.id == msg::WM_SESSION_COMMAND_LINE && line.rfind(kCommandPrefix, 0) == 0) {
          std::string body = line.substr(std::string(kCommandPrefix).size());
          lastVerb_ = body.substr(0, body.find(' '));
        } else if (message.id == msg::WM_SESSION_REPLY_LINE) {
          NoteReply(line);
        } else if (message.id == msg::WM_SESSION_STATUS_LINE) {
          status_.push_back(line.rfind(kStatusPrefix, 0) == 0
                                ? line.substr(std::string(kStatusPrefix).size())
                                : line);
        }
        if (echo_ && !line.empty()) Echo(message.id, line);
        break;
      }
      case msg::WM_SESSION_PROGRESS_TEXT: {
        std::string name = message.Text();
        if (name.find_first_not_of(' ') != std::string::npos &&
            name.rfind("Receive number of bytes", 0) != 0)
          progressName_ = name;
        break;
      }
      case msg::WM_SESSION_PROGRESS:
        if (echo_ && terminal_) {
          std::fprintf(stderr, "\r\x1b[K%s %3d%% %s", PrintableText(progressName_).c_str(),
                       static_cast<int>(message.wParam), HumanRate(message.lParam).c_str());
          std::fflush(stderr);
          progressShown_ = true;
        }
        break;
      default:
        break;
    }
  }
  changed_.notify_all();
  return true;
}

void CliLog::NoteReply(const std::string& line) {
  std::string body = line;
  body.erase(0, body.find_first_not_of(' '));
  // The final line of a reply: three digits and a blank.
  if (body.size() < 4 || body[3] != ' ') return;
  for (int i = 0; i < 3; ++i)
    if (body[static_cast<std::size_t>(i)] < '0' || body[static_cast<std::size_t>(i)] > '9') return;
  replies_[lastVerb_] = {std::stoi(body.substr(0, 3)), body};
}

// The line comes from the server: it is printed with its control bytes made
// visible, so that it can't steer the terminal.
void CliLog::Echo(std::uint32_t id, const std::string& text) {
  std::string line = PrintableText(text);
  if (progressShown_) {
    std::fputs("\r\x1b[K", stderr);
    progressShown_ = false;
  }
  if (terminal_)
    std::fprintf(stderr, "%s%s\x1b[0m\n", ColourOf(id), line.c_str());
  else
    std::fprintf(stderr, "%s\n", line.c_str());
}

void CliLog::WaitUntil(const std::function<bool()>& done, int pollMs) {
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen = sequence_;
    }
    if (done()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(pollMs), [&] { return sequence_ != seen; });
  }
}

std::size_t CliLog::IdleCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return idle_;
}

std::size_t CliLog::ListingCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return listings_;
}

RemoteListing CliLog::LastListing() {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastListing_;
}

std::vector<std::string> CliLog::StatusLines() {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

bool CliLog::SawStatus(const std::string& body) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& s : status_)
    if (s == body) return true;
  return false;
}

int CliLog::LastReply(const std::string& verb) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = replies_.find(verb);
  return it == replies_.end() ? 0 : it->second.first;
}

std::string CliLog::LastReplyText(const std::string& verb) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = replies_.find(verb);
  return it == replies_.end() ? std::string() : it->second.second;
}

void CliLog::ForgetReply(const std::string& verb) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_.erase(verb);
}

void CliLog::ClearProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (progressShown_) {
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    progressShown_ = false;
  }
}
