// The command-line client's window: receives everything the session posts.
// It echoes the log lines to standard error (coloured like the log pane on a
// terminal), shows a progress line on a terminal, and keeps what the client
// judges the outcome by: idle notifications, listings, status lines and the
// last reply code of each command verb.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageTarget.h"
#include "remote/RemoteFileRecord.h"

class CliLog final : public platform::MessageTarget {
 public:
  CliLog(bool echo, bool terminal) : echo_(echo), terminal_(terminal) {}

  bool Post(platform::Message message) override;

  // Waits until `done` holds: checked after every message, and every
  // `pollMs` for what no message announces (the worker's end).
  void WaitUntil(const std::function<bool()>& done, int pollMs);

  std::size_t IdleCount();
  std::size_t ListingCount();
  RemoteListing LastListing();
  std::vector<std::string> StatusLines();  // bodies, without prefix and CR LF
  bool SawStatus(const std::string& body);
  // The final reply code of the last command of `verb` (0 if none).
  int LastReply(const std::string& verb);
  std::string LastReplyText(const std::string& verb);
  void ForgetReply(const std::string& verb);
  // Removes the progress line from the terminal (before a prompt or the end).
  void ClearProgress();

 private:
  void Echo(std::uint32_t id, const std::string& text);
  void NoteReply(const std::string& line);

  const bool echo_;
  const bool terminal_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t sequence_ = 0;  // counts messages
  std::size_t idle_ = 0;
  std::size_t listings_ = 0;
  RemoteListing lastListing_;
  std::vector<std::string> status_;
  std::string lastVerb_;
  std::map<std::string, std::pair<int, std::string>> replies_;
  std::string progressName_;
  bool progressShown_ = false;
};
