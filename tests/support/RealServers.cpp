#include "support/RealServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace skifftest {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- TempDir

TempDir::TempDir(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) != nullptr) path_ = buf.data();
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::PathOf(const std::string& relative) const {
  if (relative.empty()) return path_;
  return path_ + "/" + relative;
}

bool TempDir::WriteFile(const std::string& relative, const std::string& contents) const {
  fs::path p(PathOf(relative));
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  return static_cast<bool>(out);
}

std::string TempDir::ReadFile(const std::string& relative) const {
  std::ifstream in(PathOf(relative), std::ios::binary);
  if (!in) return {};
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool TempDir::MakeDir(const std::string& relative) const {
  std::error_code ec;
  fs::create_directories(PathOf(relative), ec);
  return !ec;
}

// ---------------------------------------------------------------- helpers

std::uint16_t FreeLoopbackPort() {
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 0;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = 0;
  std::uint16_t port = 0;
  socklen_t len = sizeof sa;
  if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
    port = ntohs(sa.sin_port);
  ::close(s);
  return port;
}

std::uint16_t FreeLoopbackPort6() {
  int s = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 0;
  sockaddr_in6 sa{};
  sa.sin6_family = AF_INET6;
  sa.sin6_addr = in6addr_loopback;
  std::uint16_t port = 0;
  socklen_t len = sizeof sa;
  if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
    port = ntohs(sa.sin6_port);
  ::close(s);
  return port;
}

bool Ipv6LoopbackUsable() { return FreeLoopbackPort6() != 0; }

namespace {

// One try: connect and read the first line (at most 1 s).
bool TryGreeting(std::uint16_t port, std::string& text, bool v6 = false) {
  int s = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = htons(port);
  sockaddr_in6 sa6{};
  sa6.sin6_family = AF_INET6;
  sa6.sin6_addr = in6addr_loopback;
  sa6.sin6_port = htons(port);
  bool ok = false;
  int rc = v6 ? ::connect(s, reinterpret_cast<sockaddr*>(&sa6), sizeof sa6)
              : ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  if (rc == 0) {
    text.clear();
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < until && text.find('\n') == std::string::npos) {
      pollfd p{s, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buf[512];
      ssize_t n = ::recv(s, buf, sizeof buf, 0);
      if (n <= 0) break;
      text.append(buf, static_cast<std::size_t>(n));
    }
    ok = text.compare(0, 3, "220") == 0;
    if (ok) {
      static const char kQuit[] = "QUIT\r\n";
      (void)::send(s, kQuit, sizeof kQuit - 1, MSG_NOSIGNAL);
    }
  }
  ::close(s);
  return ok;
}

}  // namespace

static bool WaitForGreetingOn(bool v6, std::uint16_t port, int timeoutMs, std::string* greeting) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string text;
  while (std::chrono::steady_clock::now() < until) {
    std::string got;
    if (TryGreeting(port, got, v6)) {
      if (greeting) *greeting = got;
      return true;
    }
    if (!got.empty()) text = got;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (greeting) *greeting = text;
  return false;
}

bool WaitForGreeting(std::uint16_t port, int timeoutMs, std::string* greeting) {
  return WaitForGreetingOn(false, port, timeoutMs, greeting);
}

bool WaitForGreeting6(std::uint16_t port, int timeoutMs, std::string* greeting) {
  return WaitForGreetingOn(true, port, timeoutMs, greeting);
}

// ---------------------------------------------------------------- ChildProcess

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& logPath) {
  Stop();
  if (argv.empty()) return false;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t parent = ::getpid();
  pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // Child: dies with the test program; output to the log.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::setpgid(0, 0);
    int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      ::close(fd);
    }
    int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) {
      ::dup2(null, 0);
      ::close(null);
    }
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  pid_ = pid;
  return true;
}

bool ChildProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    pid_ = -1;
    return false;
  }
  return r == 0;
}

void ChildProcess::Stop() {
  if (pid_ <= 0) return;
  // The whole group: servers may fork per connection.
  ::kill(-pid_, SIGTERM);
  ::kill(pid_, SIGTERM);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int status = 0;
  for (;;) {
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_ || r < 0) {
      ::kill(-pid_, SIGKILL);  // leftovers of the group
      pid_ = -1;
      return;
    }
    if (std::chrono::steady_clock::now() >= until) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

// ---------------------------------------------------------------- servers

std::string RealServerBase::Log() const {
  std::string out = work_.ReadFile("server.log");
  out += "\n[greeting] " + greeting_;
  return out;
}

bool PyFtpdServer::Available() {
  return ::access("/usr/bin/python3", X_OK) == 0 &&
         std::system("/usr/bin/python3 -c 'import pyftpdlib' >/dev/null 2>&1") == 0;
}

PyFtpdServer::PyFtpdServer(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
  Launch();
}

PyFtpdServer::PyFtpdServer(Family family, std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
  v6_ = family == Family::V6;
  Launch();
}

void PyFtpdServer::Launch() {
  if (work_.Path().empty() || root_.Path().empty()) return;
  for (int attempt = 0; attempt < 3 && !ok_; ++attempt) {
    port_ = v6_ ? FreeLoopbackPort6() : FreeLoopbackPort();
    if (port_ == 0) continue;
    if (!process_.Start({"/usr/bin/python3", "-m", "pyftpdlib", "-i", v6_ ? "::1" : "127.0.0.1", "-p",
                         std::to_string(port_), "-w", "-d", root_.Path(), "-u", user_, "-P",
                         password_},
                        work_.PathOf("server.log")))
      continue;
    ok_ = WaitForGreetingOn(v6_, port_, 5000, &greeting_);
    if (!ok_) process_.Stop();
  }
}

PyFtpdServer::~PyFtpdServer() { process_.Stop(); }

bool VsftpdServer::Available() { return ::access("/usr/sbin/vsftpd", X_OK) == 0; }

VsftpdServer::VsftpdServer() { Launch(); }

VsftpdServer::VsftpdServer(Family family) {
  v6_ = family == Family::V6;
  Launch();
}

void VsftpdServer::Launch() {
  if (work_.Path().empty() || root_.Path().empty()) return;
  // A root-owned folder nobody can write to, as vsftpd demands.
  secureDir_ = work_.PathOf("empty");
  ::mkdir(secureDir_.c_str(), 0755);
  ::chmod(secureDir_.c_str(), 0755);
  ::chmod(root_.Path().c_str(), 0777);
  for (int attempt = 0; attempt < 3 && !ok_; ++attempt) {
    port_ = v6_ ? FreeLoopbackPort6() : FreeLoopbackPort();
    if (port_ == 0) continue;
    std::ostringstream conf;
    if (v6_)
      conf << "listen=NO\n"
           << "listen_ipv6=YES\n"
           << "listen_address6=::1\n";
    else
      conf << "listen=YES\n"
           << "listen_ipv6=NO\n"
           << "listen_address=127.0.0.1\n"
           << "pasv_address=127.0.0.1\n";
    conf << "listen_port=" << port_ << "\n"
         << "background=NO\n"
         << "run_as_launching_user=YES\n"
         << "seccomp_sandbox=NO\n"
         << "anonymous_enable=YES\n"
         << "anon_root=" << root_.Path() << "\n"
         << "no_anon_password=YES\n"
         << "write_enable=YES\n"
         << "anon_upload_enable=YES\n"
         << "anon_mkdir_write_enable=YES\n"
         << "anon_other_write_enable=YES\n"
         << "anon_world_readable_only=NO\n"
         << "anon_umask=022\n"
         << "local_enable=NO\n"
         << "port_enable=YES\n"
         << "connect_from_port_20=NO\n"
         << "pasv_enable=YES\n"
         << "pasv_min_port=40000\n"
         << "pasv_max_port=60000\n"
         << "secure_chroot_dir=" << secureDir_ << "\n"
         << "xferlog_enable=NO\n"
         << "dirmessage_enable=NO\n"
         << "use_localtime=NO\n"
         << "hide_ids=YES\n";
    std::string confPath = work_.PathOf("vsftpd.conf");
    if (!work_.WriteFile("vsftpd.conf", conf.str())) return;
    ::chmod(confPath.c_str(), 0600);
    if (!process_.Start({"/usr/sbin/vsftpd", confPath}, work_.PathOf("server.log"))) continue;
    ok_ = WaitForGreetingOn(v6_, port_, 5000, &greeting_);
    if (!ok_) process_.Stop();
  }
}

VsftpdServer::~VsftpdServer() { process_.Stop(); }

}  // namespace skifftest
