// Helpers for the queue-run, folder, deletion, background and facade tests:
// a foreground session logged in to a scripted server, waits for whole
// commands, and a question answerer that follows a script and counts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "support/ScriptedFtpServer.h"
#include "SessionTestHelpers.h"
#include "engine/FtpObject.h"
#include "transfer/UserQuestions.h"

namespace h5test {

using h4test::kWaitMs;

// Answers from a script: each target-exists question takes the next answer
// (the last one repeats); new-name questions take the next name (none:
// Cancel). Counts and records what was asked.
class ScriptedAnswers final : public CUserQuestions {
 public:
  struct Answer {
    std::int32_t decision;
    bool applyAll;
  };
  explicit ScriptedAnswers(std::vector<Answer> answers, std::vector<std::string> names = {})
      : answers_(answers.begin(), answers.end()), names_(names.begin(), names.end()) {}

  void AskTargetExists(TargetExistsQuestion& q) override {
    std::lock_guard<std::mutex> lock(mutex_);
    asked_.push_back(q.targetText);
    tickShown_.push_back(q.applyAll);
    Answer a = answers_.empty() ? Answer{ACTION_SKIP, false} : answers_.front();
    if (answers_.size() > 1) answers_.pop_front();
    q.result = a.decision;
    if (a.decision != ACTION_SKIP) q.applyAll = a.applyAll ? 1 : 0;
    q.applyToRest = a.applyAll ? 1 : 0;
  }
  bool AskNewName(std::string& name) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++nameQuestions_;
    nameShown_.push_back(name);
    if (names_.empty()) return false;
    name = names_.front();
    names_.pop_front();
    return true;
  }
  std::vector<std::string> Asked() {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
  }
  std::vector<std::int32_t> TicksShown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return tickShown_;
  }
  int NameQuestions() {
    std::lock_guard<std::mutex> lock(mutex_);
    return nameQuestions_;
  }
  std::vector<std::string> NamesShown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return nameShown_;
  }

 private:
  std::mutex mutex_;
  std::deque<Answer> answers_;
  std::deque<std::string> names_;
  std::vector<std::string> asked_;
  std::vector<std::int32_t> tickShown_;
  std::vector<std::string> nameShown_;
  int nameQuestions_ = 0;
};

// Idle notifications posted to the view so far.
inline std::size_t IdleCount(platform::RecordingTarget& view) {
  std::size_t n = 0;
  for (int s : h4test::States(view)) n += s == 1;
  return n;
}

// A foreground session logged in to a scripted server.
class LoggedInSession {
 public:
  explicit LoggedInSession(skifftest::ScriptedFtpServer& server, const std::string& initPath = "")
      : server_(server) {
    windows.Attach(session);
    session.SetSite(h4test::MakeSite(server.Address(), "user", "secret", initPath));
  }
  ~LoggedInSession() { session.Stop(); }

  // Starts and waits for the end of the login sequence.
  bool Connect() {
    session.Start();
    return h4test::WaitForStatus(*windows.log, "Fininsh initialization, waiting for orders");
  }
  // Runs `post`, which posts `commands` session commands, and waits until
  // the worker has finished all of them.
  bool Run(const std::function<void()>& post, std::size_t commands = 1) {
    std::size_t before = IdleCount(*windows.view);
    post();
    return h4test::WaitUntil([&] { return IdleCount(*windows.view) >= before + commands; });
  }
  // Commands the server received after the login, in order.
  std::vector<std::string> LinesFrom(const std::string& firstPrefix) {
    std::vector<std::string> all = server_.CommandLines();
    std::vector<std::string> out;
    bool on = false;
    for (auto& l : all) {
      if (!on && l.rfind(firstPrefix, 0) == 0) on = true;
      if (on) out.push_back(l);
    }
    return out;
  }
  TransferEntry Entry(const std::string& remoteDir, const std::string& name,
                      const std::string& localDir, std::int32_t direction, bool folder,
                      std::int64_t size = 0) {
    TransferEntry e = h4test::MakeEntry(session.site, name, localDir, direction, size);
    h4test::SetText(e.remoteDir, remoteDir);
    e.isFolder = folder ? 1 : 0;
    return e;
  }

  h4test::Windows windows;
  CFtpObject session;

 private:
  skifftest::ScriptedFtpServer& server_;
};

// Every regular file and folder below `root`, as paths relative to it.
inline std::vector<std::string> TreeBelow(const std::string& root) {
  std::vector<std::string> out;
  for (auto& e : std::filesystem::recursive_directory_iterator(root))
    out.push_back(std::filesystem::relative(e.path(), root).string() +
                  (e.is_directory() ? "/" : ""));
  std::sort(out.begin(), out.end());
  return out;
}

inline std::size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  std::size_t n = 0;
  for (auto& l : lines) n += l.rfind(prefix, 0) == 0;
  return n;
}

// The state of the queued entry that matches `e`; -1 when none is queued.
inline std::int32_t StateOf(CFtpObject& session, const TransferEntry& e) {
  for (auto& q : session.transferQueue.Entries())
    if (Matches(q, e)) return q.state;
  return -1;
}

}  // namespace h5test
