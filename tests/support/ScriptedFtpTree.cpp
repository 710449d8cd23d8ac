// The scripted server: its in-memory file tree, its setters and records.
#include "support/ScriptedFtpServerInternals.h"

namespace skifftest {

using platform::SocketHandle;
using namespace scripted_detail;

// ---------------------------------------------------------------- tree

std::string ScriptedFtpServer::Resolve(const std::string& cwd, const std::string& arg) const {
  std::string full = arg.empty() ? cwd : (arg[0] == '/' ? arg : cwd + "/" + arg);
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= full.size()) {
    std::size_t end = full.find('/', pos);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = end + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

std::string ScriptedFtpServer::Parent(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ScriptedFtpServer::BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ScriptedFtpServer::MakeDirsLocked(const std::string& path) {
  std::string p = Resolve("/", path);
  std::string prefix;
  std::size_t pos = 1;
  tree_["/"].dir = true;
  while (pos <= p.size() && p != "/") {
    std::size_t end = p.find('/', pos);
    if (end == std::string::npos) end = p.size();
    prefix = p.substr(0, end);
    Node& n = tree_[prefix];
    n.dir = true;
    n.data.clear();
    pos = end + 1;
  }
}

std::vector<std::string> ScriptedFtpServer::ChildrenLocked(const std::string& dir) {
  std::vector<std::string> out;
  std::string d = Resolve("/", dir);
  for (const auto& [path, node] : tree_) {
    (void)node;
    if (path != "/" && Parent(path) == d) out.push_back(BaseName(path));
  }
  return out;
}

std::string ScriptedFtpServer::ListingLocked(const std::string& dir) {
  std::string d = Resolve("/", dir);
  auto l = listings_.find(d);
  if (l != listings_.end()) return l->second;
  auto self = tree_.find(d);
  if (self == tree_.end()) return "";
  auto line = [&](const std::string& name, const Node& n) {
    char buf[600];
    if (style_ == ListingStyle::Dos) {
      if (n.dir)
        std::snprintf(buf, sizeof buf, "%s       <DIR>          %s\r\n", n.dosDate.c_str(),
                      name.c_str());
      else
        std::snprintf(buf, sizeof buf, "%s %20zu %s\r\n", n.dosDate.c_str(), n.data.size(),
                      name.c_str());
    } else {
      std::snprintf(buf, sizeof buf, "%s    %d ftp      ftp      %8zu %s %s\r\n",
                    n.dir ? "drwxr-xr-x" : "-rw-r--r--", n.dir ? 2 : 1,
                    n.dir ? static_cast<std::size_t>(4096) : n.data.size(), n.unixDate.c_str(),
                    name.c_str());
    }
    return std::string(buf);
  };
  if (!self->second.dir) return line(BaseName(d), self->second);
  std::string out;
  for (const auto& name : ChildrenLocked(d)) out += line(name, tree_[d == "/" ? "/" + name : d + "/" + name]);
  return out;
}

// ---------------------------------------------------------------- setters

void ScriptedFtpServer::SetGreeting(Script greeting) {
  std::lock_guard<std::mutex> lock(mutex_);
  greeting_ = std::move(greeting);
}

void ScriptedFtpServer::QueueGreeting(Script greeting) {
  std::lock_guard<std::mutex> lock(mutex_);
  queuedGreetings_.push_back(std::move(greeting));
}

void ScriptedFtpServer::SetReply(const std::string& verb, Script reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  persistent_[Upper(verb)] = std::move(reply);
}

void ScriptedFtpServer::QueueReply(const std::string& verb, Script reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_[Upper(verb)].push_back(std::move(reply));
}

void ScriptedFtpServer::SetHandler(const std::string& verb, Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handlers_[Upper(verb)] = std::move(handler);
}

void ScriptedFtpServer::ClearOverrides() {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_.clear();
  persistent_.clear();
  handlers_.clear();
  greeting_.reset();
  queuedGreetings_.clear();
}

void ScriptedFtpServer::SetCredentials(const std::string& user, const std::string& password) {
  std::lock_guard<std::mutex> lock(mutex_);
  user_ = user;
  password_ = password;
}

void ScriptedFtpServer::SetAnonymousAllowed(bool allowed) {
  std::lock_guard<std::mutex> lock(mutex_);
  anonymousAllowed_ = allowed;
}

void ScriptedFtpServer::SetLoginRequired(bool required) {
  std::lock_guard<std::mutex> lock(mutex_);
  loginRequired_ = required;
}

void ScriptedFtpServer::SetHomeDir(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  home_ = Resolve("/", path);
  MakeDirsLocked(home_);
}

void ScriptedFtpServer::AddDir(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  MakeDirsLocked(path);
}

void ScriptedFtpServer::AddFile(const std::string& path, const std::string& contents) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string p = Resolve("/", path);
  if (p == "/") return;
  MakeDirsLocked(Parent(p));
  Node& n = tree_[p];
  n.dir = false;
  n.data = contents;
}

void ScriptedFtpServer::RemovePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string p = Resolve("/", path);
  if (p == "/") return;
  for (auto it = tree_.begin(); it != tree_.end();) {
    if (it->first == p || it->first.compare(0, p.size() + 1, p + "/") == 0)
      it = tree_.erase(it);
    else
      ++it;
  }
}

void ScriptedFtpServer::SetDates(const std::string& path, const std::string& unixDate,
                                 const std::string& dosDate) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tree_.find(Resolve("/", path));
  if (it == tree_.end()) return;
  it->second.unixDate = unixDate;
  it->second.dosDate = dosDate;
}

void ScriptedFtpServer::SetListing(const std::string& dir, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string d = Resolve("/", dir);
  MakeDirsLocked(d);
  listings_[d] = text;
}

void ScriptedFtpServer::SetListingStyle(ListingStyle style) {
  std::lock_guard<std::mutex> lock(mutex_);
  style_ = style;
}

std::string ScriptedFtpServer::ListingOf(const std::string& dir) {
  std::lock_guard<std::mutex> lock(mutex_);
  return ListingLocked(dir);
}

bool ScriptedFtpServer::Exists(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return tree_.count(Resolve("/", path)) > 0;
}

bool ScriptedFtpServer::IsDir(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tree_.find(Resolve("/", path));
  return it != tree_.end() && it->second.dir;
}

std::optional<std::string> ScriptedFtpServer::FileContents(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tree_.find(Resolve("/", path));
  if (it == tree_.end() || it->second.dir) return std::nullopt;
  return it->second.data;
}

std::vector<std::string> ScriptedFtpServer::Children(const std::string& dir) {
  std::lock_guard<std::mutex> lock(mutex_);
  return ChildrenLocked(dir);
}

std::string ScriptedFtpServer::Received(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = received_.find(name);
  return it == received_.end() ? std::string() : it->second;
}

bool ScriptedFtpServer::HasReceived(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_.count(name) > 0;
}

void ScriptedFtpServer::SetDataOptions(DataOptions options) {
  std::lock_guard<std::mutex> lock(mutex_);
  dataOptions_ = std::move(options);
}

void ScriptedFtpServer::QueueDataOptions(DataOptions options) {
  std::lock_guard<std::mutex> lock(mutex_);
  queuedData_.push_back(std::move(options));
}

void ScriptedFtpServer::SetPortPeerCheck(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  portPeerCheck_ = on;
}

// ---------------------------------------------------------------- records

std::vector<FtpCommand> ScriptedFtpServer::Commands() {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::vector<std::string> ScriptedFtpServer::CommandLines() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const auto& c : commands_) out.push_back(c.line);
  return out;
}

std::vector<std::string> ScriptedFtpServer::Lines(const std::string& verb) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  std::string v = Upper(verb);
  for (const auto& c : commands_)
    if (c.verb == v) out.push_back(c.line);
  return out;
}

std::size_t ScriptedFtpServer::CountCommands(const std::string& linePrefix) {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<std::size_t>(std::count_if(
      commands_.begin(), commands_.end(),
      [&](const FtpCommand& c) { return c.line.compare(0, linePrefix.size(), linePrefix) == 0; }));
}

bool ScriptedFtpServer::WaitForCommand(const std::string& linePrefix, int timeoutMs) {
  return WaitForCommandCount(linePrefix, 1, timeoutMs);
}

bool ScriptedFtpServer::WaitForCommandCount(const std::string& linePrefix, std::size_t count,
                                            int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    std::size_t n = 0;
    for (const auto& c : commands_)
      if (c.line.compare(0, linePrefix.size(), linePrefix) == 0) ++n;
    return n >= count;
  });
}

int ScriptedFtpServer::ConnectionCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

int ScriptedFtpServer::ClosedConnectionCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

bool ScriptedFtpServer::WaitForConnections(int count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return accepted_ >= count; });
}

bool ScriptedFtpServer::WaitForClosedConnections(int count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return closed_ >= count; });
}

std::vector<TransferRecord> ScriptedFtpServer::Transfers() {
  std::lock_guard<std::mutex> lock(mutex_);
  return transfers_;
}

bool ScriptedFtpServer::WaitForTransfers(std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return transfers_.size() >= count; });
}

void ScriptedFtpServer::SetPassive(PassiveOptions options) {
  std::lock_guard<std::mutex> lock(mutex_);
  passive_ = options;
}

std::optional<platform::Endpoint> ScriptedFtpServer::LastPortAddress() {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastPort_;
}

void ScriptedFtpServer::ClearRecords() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.clear();
  transfers_.clear();
}

void ScriptedFtpServer::DropConnections() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& c : connections_)
    if (!c->done) platform::ShutdownSocket(c->control.Get());
}

}  // namespace skifftest
