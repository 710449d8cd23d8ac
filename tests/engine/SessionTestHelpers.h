// Helpers for the session and transfer tests: recorded windows, status lines
// as the user reads them, a private temporary folder, file contents.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/FtpObject.h"
#include "platform/MessageIds.h"
#include "platform/MessageTarget.h"
#include "sites/SiteRecord.h"
#include "transfer/TransferEntry.h"

namespace h4test {

// Failure limit of every wait: generous, only there so that a hang fails fast.
inline constexpr int kWaitMs = 10000;

// The three windows a session posts to.
struct Windows {
  std::shared_ptr<platform::RecordingTarget> log = std::make_shared<platform::RecordingTarget>();
  std::shared_ptr<platform::RecordingTarget> view = std::make_shared<platform::RecordingTarget>();
  std::shared_ptr<platform::RecordingTarget> progress =
      std::make_shared<platform::RecordingTarget>();

  void Attach(CFtpLib& session) const {
    session.logWindow = log;
    session.viewWindow = view;
    session.progressWindow = progress;
  }
};

// A status line without its "STATUS>" prefix and its CR LF.
inline std::string StatusBody(std::string line) {
  const std::string prefix = "STATUS>        ";
  if (line.rfind(prefix, 0) == 0) line.erase(0, prefix.size());
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

inline std::vector<std::string> StatusLines(platform::RecordingTarget& log) {
  std::vector<std::string> out;
  for (auto& t : log.Texts(msg::WM_SESSION_STATUS_LINE)) out.push_back(StatusBody(t));
  return out;
}

// Every line of the log (commands, replies, status lines) in posting order.
inline std::vector<std::string> LogLines(platform::RecordingTarget& log) {
  std::vector<std::string> out;
  log.Inspect([&](std::vector<platform::Message>& all) {
    for (auto& m : all) out.push_back(m.Text());
  });
  return out;
}

// Waits until a message of this number has been posted to the target.
inline bool WaitForMessage(platform::RecordingTarget& target, std::uint32_t id,
                           int timeoutMs = kWaitMs) {
  return target.WaitFor(
      [id](const std::vector<platform::Message>& all) {
        for (auto& m : all)
          if (m.id == id) return true;
        return false;
      },
      timeoutMs);
}

inline bool WaitForStatus(platform::RecordingTarget& log, const std::string& body,
                          std::size_t count = 1, int timeoutMs = kWaitMs) {
  return log.WaitFor(
      [&](const std::vector<platform::Message>& all) {
        std::size_t n = 0;
        for (auto& m : all) {
          if (m.id != msg::WM_SESSION_STATUS_LINE) continue;
          const std::string* t = const_cast<platform::Message&>(m).payload.As<std::string>();
          if (t && StatusBody(*t) == body) ++n;
        }
        return n >= count;
      },
      timeoutMs);
}

// The session states (0 busy, 1 idle) posted to the view, in order.
inline std::vector<int> States(platform::RecordingTarget& view) {
  std::vector<int> out;
  view.Inspect([&](std::vector<platform::Message>& all) {
    for (auto& m : all)
      if (m.id == msg::WM_SESSION_STATE) out.push_back(static_cast<int>(m.wParam));
  });
  return out;
}

inline std::size_t CountOf(const std::vector<std::string>& v, const std::string& s) {
  std::size_t n = 0;
  for (auto& x : v) n += x == s;
  return n;
}

inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

template <std::size_t N>
void SetText(char (&field)[N], const std::string& text) {
  std::snprintf(field, N, "%s", text.c_str());
}

inline SiteRecord MakeSite(const std::string& address, const std::string& user = "user",
                           const std::string& password = "secret",
                           const std::string& initPath = "") {
  SiteRecord site{};
  SetText(site.siteName, "test site");
  SetText(site.address, address);
  SetText(site.user, user);
  SetText(site.password, password);
  SetText(site.remoteInitPath, initPath);
  site.loginType = LOGIN_ACCOUNT;
  return site;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("skiff-h4-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder with a trailing separator, as local folders are kept.
  std::string Folder() const { return path_.string() + "/"; }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
}

// Bytes that differ from position to position, so a shifted copy is noticed.
inline std::string PatternData(std::size_t size, unsigned seed = 7) {
  std::string s(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1664525u + 1013904223u;
    s[i] = static_cast<char>(x >> 24);
  }
  return s;
}

inline TransferEntry MakeEntry(const SiteRecord& site, const std::string& remoteName,
                               const std::string& localDir, std::int32_t direction,
                               std::int64_t fileSize = 0) {
  TransferEntry e{};
  e.site = site;
  SetText(e.remoteDir, "/");
  SetText(e.remoteName, remoteName);
  SetText(e.localDir, localDir);
  SetText(e.localName, remoteName);
  e.fileSize = fileSize;
  e.direction = direction;
  e.existsAction = ACTION_NONE;
  return e;
}

}  // namespace h4test
