// One run of the command-line client: logs in through a foreground session
// as the GUI does, posts the commands and queue entries for the subcommand,
// watches what the session posts back, and judges the outcome.
#pragma once

#include <memory>
#include <string>

#include "cli/CliLog.h"
#include "cli/CliOptions.h"
#include "engine/FtpObject.h"

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

class CliSession {
 public:
  explicit CliSession(const CliOptions& options);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Runs the subcommand; the exit status.
  int Run();

 private:
  // Where the subcommand goes: the login and the remote path.
  int Resolve(const std::string& target);
  bool Connect();
  // Posts commands and waits until the worker has finished `commands` of them.
  bool Await(const std::function<void()>& post, std::size_t commands);
  bool ChangeDir(const std::string& dir);
  bool List(RemoteListing& out);
  // Finds `name` in the listing of `parent` (changing there first).
  bool FindEntry(const std::string& parent, const std::string& name, RemoteFileRecord& out);

  int Ls();
  int Get();
  int Put();
  int Rm();
  int Mkdir();
  int RunEntry(TransferEntry entry, const std::string& what);
  // Runs one entry without a word of its own; true when it finished.
  bool RunQuietly(TransferEntry entry);
  int Fail(const std::string& message);

  CliOptions options_;
  std::shared_ptr<CliLog> log_;
  CFtpObject session_;
  SiteRecord site_{};
  std::string host_;
  std::string remotePath_;
  bool remoteIsDirectory_ = false;
};
