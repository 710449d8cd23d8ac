#include "cli/CliSession.h"

#include <cstdio>
#include <filesystem>

#include "cli/FtpUrl.h"
#include "cli/PrintableText.h"
#include "cli/TerminalQuestions.h"
#include "engine/SafeNames.h"
#include "platform/DataFolder.h"
#include "platform/Files.h"
#include "platform/Notice.h"
#include "platform/Socket.h"
#include "platform/Terminal.h"
#include "sites/HostPort.h"
#include "sites/SiteFile.h"
#include "transfer/MakeEntry.h"

namespace {

// How often a wait looks at whether the worker is still there; messages
// wake it at once.
constexpr int kWorkerCheckMs = 50;

std::int32_t DecisionOf(ExistsMode mode) {
  switch (mode) {
    case ExistsMode::Overwrite: return ACTION_OVERWRITE;
    case ExistsMode::Resume: return ACTION_RESUME;
    default: return ACTION_SKIP;
  }
}

// With --quiet the core's message boxes stay silent: the one error line of
// the client says what failed.
class SilentNotices final : public platform::NoticeSink {
 public:
  void ShowNotice(const std::string&, const std::string&) override {}
};

// Otherwise they are lines on standard error; their text may quote the
// server, so it is printed with its control bytes made visible.
class TerminalNotices final : public platform::NoticeSink {
 public:
  explicit TerminalNotices(std::shared_ptr<CliLog> log) : log_(std::move(log)) {}
  void ShowNotice(const std::string& caption, const std::string& text) override {
    log_->ClearProgress();
    std::fprintf(stderr, "%s: %s\n", PrintableText(caption).c_str(), PrintableText(text).c_str());
  }

 private:
  std::shared_ptr<CliLog> log_;
};

std::string WithSeparator(std::string dir) {
  if (dir.empty() || dir.back() != platform::kPathSeparator) dir += platform::kPathSeparator;
  return dir;
}

}  // namespace

CliSession::CliSession(const CliOptions& options) : options_(options) {
  bool terminal = platform::IsTerminal(platform::kStandardError);
  log_ = std::make_shared<CliLog>(!options_.quiet, terminal);
  if (options_.quiet)
    platform::SetNoticeSink(std::make_shared<SilentNotices>());
  else
    platform::SetNoticeSink(std::make_shared<TerminalNotices>(log_));
  session_.logWindow = log_;
  session_.viewWindow = log_;
  session_.progressWindow = log_;
  ExistsMode mode = options_.exists.value_or(
      platform::IsTerminal(platform::kStandardInput) && terminal ? ExistsMode::Ask
                                                                 : ExistsMode::Skip);
  if (mode == ExistsMode::Ask)
    session_.questions = std::make_shared<CTerminalQuestions>(*log_);
  else
    session_.questions = std::make_shared<CFixedAnswers>(DecisionOf(mode), true);
}

CliSession::~CliSession() { session_.Stop(); }

int CliSession::Fail(const std::string& message) {
  log_->ClearProgress();
  // The message may quote the server (a reply, a listed name).
  std::fprintf(stderr, "skiffline-cli: %s\n", PrintableText(message).c_str());
  return kExitFailure;
}

int CliSession::Resolve(const std::string& target) {
  std::string error;
  if (!options_.site.empty()) {
    SiteList sites;
    const platform::DataFolderResult data = platform::DataFolder();
    if (!data) return Fail(data.error);
    const std::string siteFile = platform::DataFilePath(data.path, kSiteFileName);
    if (!LoadSiteFile(sites, siteFile)) return Fail("can't read " + siteFile);
    bool found = false;
    for (const SiteNode& node : sites.Nodes())
      if (std::string(FieldName(node.record.siteName)) == options_.site) {
        site_ = node.record;
        found = true;
        break;
      }
    if (!found) return Fail("no site named " + options_.site + " in " + siteFile);
    std::string address(FieldName(site_.address)), problem;
    int port = 0;
    if (!SplitHostPort(address, host_, port, problem))
      return Fail("the address of site " + options_.site + " is unusable: " + problem);
    remotePath_ = target;
    if (target.rfind("ftp://", 0) == 0) {
      FtpUrl url;
      if (!ParseFtpUrl(target, url, error)) {
        std::fprintf(stderr, "skiffline-cli: %s\n", PrintableText(error).c_str());
        return kExitUsage;
      }
      remotePath_ = url.path;
    }
    if (remotePath_.empty()) remotePath_.assign(1, '/');
  } else {
    FtpUrl url;
    if (!ParseFtpUrl(target, url, error)) {
      std::fprintf(stderr, "skiffline-cli: %s\n", PrintableText(error).c_str());
      return kExitUsage;
    }
    std::string address = SiteAddressOf(url.host, url.port);
    // Passive mode unless --active says otherwise (as curl and lftp do).
    SetPassive(site_, true);
    bool fits = SetFieldExact(site_.siteName, address) && SetFieldExact(site_.address, address);
    if (url.hasUser) {
      site_.loginType = LOGIN_ACCOUNT;
      fits = fits && SetFieldExact(site_.user, url.user) &&
             SetFieldExact(site_.password, url.password);
    } else {
      site_.loginType = LOGIN_ANONYMOUS;
    }
    if (!fits) {
      std::fprintf(stderr, "skiffline-cli: host, user or password too long\n");
      return kExitUsage;
    }
    host_ = url.host;
    remotePath_ = url.path;
  }
  remoteIsDirectory_ = remotePath_.back() == '/';
  // An option overrides what the site says.
  if (options_.passive) SetPassive(site_, *options_.passive);
  std::vector<platform::Endpoint> addresses;
  if (!platform::ResolveHostAll(host_, addresses)) return Fail("unknown host " + host_);
  return kExitSuccess;
}

bool CliSession::Connect() {
  session_.SetSite(site_);
  session_.Start();
  auto ready = [&] { return session_.Phase() == SessionPhase::kReady && session_.HasWorker(); };
  log_->WaitUntil([&] { return ready() || !session_.HasWorker(); }, kWorkerCheckMs);
  if (ready()) return true;
  std::string address(FieldName(site_.address));
  switch (session_.Phase()) {
    case SessionPhase::kLoginFailed:
      Fail("login refused by " + address);
      break;
    case SessionPhase::kConnectFailed:
      Fail("can't connect to " + address + ": " + session_.LastError());
      break;
    default:
      Fail("the server at " + address + " ended the login");
  }
  return false;
}

bool CliSession::Await(const std::function<void()>& post, std::size_t commands) {
  std::size_t target = log_->IdleCount() + commands;
  post();
  log_->WaitUntil([&] { return log_->IdleCount() >= target || !session_.HasWorker(); },
                  kWorkerCheckMs);
  if (log_->IdleCount() >= target && session_.HasWorker()) return true;
  Fail("the connection to the server was lost");
  return false;
}

bool CliSession::ChangeDir(const std::string& dir) {
  if (dir.empty()) return true;  // the login directory
  log_->ForgetReply("CWD");
  if (!Await([&] { session_.ChangeDir(dir.c_str()); }, 2)) return false;
  int code = log_->LastReply("CWD");
  return code > 0 && code < 400;
}

bool CliSession::List(RemoteListing& out) {
  std::size_t before = log_->ListingCount();
  if (!Await([&] { session_.RefreshList(); }, 1)) return false;
  if (log_->ListingCount() == before) return false;
  out = log_->LastListing();
  return true;
}

bool CliSession::FindEntry(const std::string& parent, const std::string& name,
                           RemoteFileRecord& out) {
  RemoteListing listing;
  if (!ChangeDir(parent) || !List(listing)) return false;
  for (const RemoteFileRecord& r : listing)
    if (FieldName(r.name) == name) {
      out = r;
      return true;
    }
  return false;
}

int CliSession::Run() {
  if (options_.command == CliCommand::None) return kExitUsage;
  const std::string& target = options_.command == CliCommand::Put ? options_.args[1]
                                                                  : options_.args[0];
  int resolved = Resolve(target);
  if (resolved != kExitSuccess) return resolved;
  // Local checks come before the connection.
  if (options_.command == CliCommand::Get && options_.args.size() > 1 &&
      !platform::IsDirectory(options_.args[1]))
    return Fail("no such local folder: " + options_.args[1]);
  if (options_.command == CliCommand::Put && !platform::PathExists(options_.args[0]))
    return Fail("no such local file or folder: " + options_.args[0]);
  if (!Connect()) return kExitFailure;
  switch (options_.command) {
    case CliCommand::Ls: return Ls();
    case CliCommand::Get: return Get();
    case CliCommand::Put: return Put();
    case CliCommand::Rm: return Rm();
    case CliCommand::Mkdir: return Mkdir();
    default: return kExitUsage;
  }
}

int CliSession::Ls() {
  RemoteListing listing;
  // Every column comes from the server's listing.
  auto print = [](const RemoteFileRecord& r) {
    std::printf("%-10s %12s %s %s %s\n", PrintableText(FieldName(r.attributes)).c_str(),
                PrintableText(FieldName(r.sizeText)).c_str(),
                PrintableText(FieldName(r.dateText)).c_str(),
                PrintableText(FieldName(r.timeText)).c_str(),
                PrintableText(FieldName(r.name)).c_str());
  };
  if (ChangeDir(remotePath_)) {
    if (!List(listing)) return Fail("can't list " + remotePath_);
    for (const RemoteFileRecord& r : listing)
      if (!IsDotName(FieldName(r.name))) print(r);
    std::fflush(stdout);
    return kExitSuccess;
  }
  std::string parent, name;
  SplitRemotePath(remotePath_, parent, name);
  RemoteFileRecord record{};
  if (remoteIsDirectory_ || name.empty() || !FindEntry(parent, name, record))
    return Fail("no such remote path: " + remotePath_);
  print(record);
  std::fflush(stdout);
  return kExitSuccess;
}

bool CliSession::RunQuietly(TransferEntry entry) {
  if (!Await([&] { session_.QueueTransfer(entry); }, 1)) return false;
  if (session_.transferQueue.IsEmpty()) return true;
  session_.transferQueue.Clear();
  return false;
}

int CliSession::RunEntry(TransferEntry entry, const std::string& what) {
  session_.skippedNames = 0;
  session_.refusedDeletions = 0;
  if (!Await([&] { session_.QueueTransfer(entry); }, 1)) return kExitFailure;
  std::vector<TransferEntry> left = session_.transferQueue.Entries();
  if (!left.empty()) return Fail(what + " failed: " + session_.LastError());
  if (session_.skippedNames.load() != 0)
    return Fail(what + ": " + std::to_string(session_.skippedNames.load()) +
                " listed names were not plain names and were skipped");
  return kExitSuccess;
}

int CliSession::Get() {
  std::error_code ec;
  std::string localDir = options_.args.size() > 1 ? options_.args[1] : ".";
  localDir = WithSeparator(std::filesystem::absolute(localDir, ec).lexically_normal().string());
  std::string parent, name;
  SplitRemotePath(remotePath_, parent, name);
  if (name.empty()) {
    // The root: everything in it, each item into the local folder.
    RemoteListing listing;
    if (!ChangeDir("/") || !List(listing)) return Fail("can't list /");
    int status = kExitSuccess;
    for (const RemoteFileRecord& r : listing) {
      std::string item(FieldName(r.name));
      if (IsDotName(item)) continue;
      TransferEntry e = MakeTransferEntry(session_.Site(), "/", item, localDir, XFER_DOWNLOAD,
                                          r.isFolder != 0, ListedSize(r), r.timeText);
      if (RunEntry(e, "download of /" + item) != kExitSuccess) status = kExitFailure;
    }
    return status;
  }
  RemoteFileRecord record{};
  if (!FindEntry(parent, name, record)) {
    // Some servers list no folder they let one fetch from (or hide the
    // file): the path may still name a file, which RETR finds out.
    if (!remoteIsDirectory_ && IsPlainName(name) && ChangeDir(parent) &&
        RunQuietly(MakeTransferEntry(session_.Site(), session_.CurrentDir(), name, localDir,
                                     XFER_DOWNLOAD, false, "", "")))
      return kExitSuccess;
    return Fail("no such remote path: " + remotePath_);
  }
  if (remoteIsDirectory_ && !record.isFolder) return Fail("not a folder: " + remotePath_);
  if (!IsPlainName(name)) return Fail("not a plain name: " + name);
  // FindEntry left the session in the parent: its own name for it is exact.
  TransferEntry e = MakeTransferEntry(session_.Site(), session_.CurrentDir(), name, localDir,
                                      XFER_DOWNLOAD, record.isFolder != 0, ListedSize(record),
                                      record.timeText);
  return RunEntry(e, "download of " + remotePath_);
}

int CliSession::Put() {
  std::error_code ec;
  std::filesystem::path local =
      std::filesystem::absolute(options_.args[0], ec).lexically_normal();
  if (local.has_filename() == false) local = local.parent_path();
  std::string name = local.filename().string();
  std::string localDir = WithSeparator(local.parent_path().string());
  if (!IsPlainName(name)) return Fail("can't send the name " + name);
  if (!ChangeDir(remotePath_)) return Fail("no such remote path: " + remotePath_);
  const std::string remoteDir = session_.CurrentDir();
  std::int64_t size = platform::IsDirectory(local.string()) ? 0 : platform::FileSize(local.string());
  TransferEntry e = MakeUploadEntry(session_.Site(), remoteDir, name, localDir,
                                    std::to_string(size < 0 ? 0 : size), "");
  return RunEntry(e, "upload of " + local.string());
}

int CliSession::Rm() {
  std::string parent, name;
  SplitRemotePath(remotePath_, parent, name);
  RemoteFileRecord record{};
  if (name.empty() || !FindEntry(parent, name, record))
    return Fail("no such remote path: " + remotePath_);
  TransferEntry e = MakeDeleteEntry(session_.Site(), session_.CurrentDir(), name, "./",
                                    record.isFolder != 0);
  session_.skippedNames = 0;
  session_.refusedDeletions = 0;
  if (!Await([&] { session_.QueueDelete(e); }, 1)) return kExitFailure;
  if (session_.refusedDeletions.load() != 0 || session_.skippedNames.load() != 0)
    return Fail("deleting " + remotePath_ + " failed (" +
                std::to_string(session_.refusedDeletions.load() + session_.skippedNames.load()) +
                " items refused)");
  return kExitSuccess;
}

int CliSession::Mkdir() {
  std::string parent, name;
  SplitRemotePath(remotePath_, parent, name);
  if (name.empty()) return Fail("no folder name in " + remotePath_);
  if (!ChangeDir(parent)) return Fail("no such remote path: " + parent);
  log_->ForgetReply("MKD");
  if (!Await([&] { session_.MakeDir(name.c_str()); }, 1)) return kExitFailure;
  int code = log_->LastReply("MKD");
  if (code <= 0 || code >= 400)
    return Fail("can't create " + remotePath_ + ": " + log_->LastReplyText("MKD"));
  return kExitSuccess;
}
