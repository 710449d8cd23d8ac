// Shared pieces of the transfer and listing benchmarks: a private vsftpd on
// a loopback port, timing of child processes and of the running process,
// and a session that reports when it is logged in and when a command ends.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/FtpObject.h"
#include "platform/MessageIds.h"
#include "platform/Socket.h"
#include "platform/Sync.h"

namespace bench {

namespace fs = std::filesystem;

inline double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }
inline double CpuSeconds(const rusage& r) { return Seconds(r.ru_utime) + Seconds(r.ru_stime); }
inline double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

[[noreturn]] inline void Die(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::exit(1);
}

// A free loopback port (bound once, released, then handed to the server).
inline int FreePort() {
  platform::Socket s(platform::CreateTcpSocket());
  platform::Endpoint any{0x7F000001, 0};
  platform::Endpoint bound;
  if (!platform::BindTo(s.Get(), any) || !platform::LocalEndpoint(s.Get(), bound))
    Die("no free port");
  return bound.port;
}

// A folder under the temporary folder, removed with everything in it.
class WorkDir {
 public:
  WorkDir() {
    char pattern[] = "/var/tmp/skiff-bench-XXXXXX";  // on disk, not in memory
    char* made = ::mkdtemp(pattern);
    if (!made) Die("mkdtemp failed");
    path_ = made;
  }
  ~WorkDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Runs a program and waits for it; returns wall seconds, the child's CPU and
// what it printed on its standard output.
struct ChildRun {
  int status = -1;
  double wall = 0;
  double cpu = 0;
  std::string output;
};

inline ChildRun RunChild(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ChildRun r;
  int out[2];
  if (::pipe(out) != 0) Die("pipe failed");
  double start = Now();
  pid_t pid = ::fork();
  if (pid == 0) {
    int devnull = ::open("/dev/null", O_WRONLY);
    if (devnull >= 0) ::dup2(devnull, 2);
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(out[1]);
  char buf[4096];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
    r.output.append(buf, static_cast<std::size_t>(n));
  ::close(out[0]);
  rusage usage{};
  ::wait4(pid, &r.status, 0, &usage);
  r.wall = Now() - start;
  r.cpu = CpuSeconds(usage);
  return r;
}

// Runs both sides `rounds` times, curl first in even rounds and ours first
// in odd ones, so that neither always gets the memory the other just freed.
template <typename Curl, typename Ours>
void AlternateRounds(int rounds, Curl&& curl, Ours&& ours) {
  for (int r = 0; r < rounds; ++r) {
    if (r % 2 == 0) {
      curl();
      ours();
    } else {
      ours();
      curl();
    }
  }
}

// curl in active mode from 127.0.0.1, its wall time replaced by its own
// total time: up to the final reply of its transfer, like our figures,
// without the QUIT that follows (vsftpd answers it only once it has closed
// an uploaded file) and without the program's start and end.
inline ChildRun RunCurl(std::vector<std::string> args) {
  args.insert(args.begin(), {"/usr/bin/curl", "-s", "-P", "127.0.0.1", "-w", "%{time_total}"});
  ChildRun c = RunChild(args);
  double total = std::atof(c.output.c_str());
  if (total > 0) c.wall = total;
  return c;
}

// A file of `mib` MiB of real data (not a sparse file): a random block,
// stamped with its index.
inline void MakeRandomFile(const fs::path& path, std::size_t mib) {
  std::vector<unsigned char> block(1024 * 1024);
  std::uint64_t x = 88172645463325252ull;
  for (auto& b : block) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b = static_cast<unsigned char>(x);
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Die("can't create " + path.string());
  for (std::size_t i = 0; i < mib; ++i) {
    std::memcpy(block.data(), &i, sizeof i);
    if (std::fwrite(block.data(), 1, block.size(), f) != block.size()) Die("disk full?");
  }
  std::fclose(f);
}

// A free port on ::1, or 0 when IPv6 is missing here.
inline int FreePort6() {
  platform::Endpoint at = platform::Ipv6Loopback();
  platform::Socket s(platform::CreateTcpSocketFor(at));
  if (!s.Valid() || !platform::BindTo(s.Get(), at) || !platform::LocalEndpoint(s.Get(), at))
    return 0;
  return at.port;
}

// A server program started in the foreground with its output thrown away,
// stopped (SIGTERM) and reaped when the object goes. It is ready once its
// port on `at` greets with 220; a greeting other than 220 ends the bench.
class ServerProcess {
 public:
  ServerProcess(std::vector<std::string> argv, platform::Endpoint at, const std::string& name)
      : at_(at) {
    pid_ = ::fork();
    if (pid_ == 0) {
      int devnull = ::open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
      }
      std::vector<char*> args;
      for (std::string& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    WaitForGreeting(name);
  }
  ~ServerProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

 private:
  // vsftpd reports a bad configuration only to a client ("500 OOPS").
  void WaitForGreeting(const std::string& name) {
    for (int i = 0; i < 400; ++i) {
      platform::Socket s(platform::CreateTcpSocketFor(at_));
      if (platform::ConnectTo(s.Get(), at_) && platform::WaitReadable(s.Get(), 2000) == 1) {
        char buf[512] = {};
        long n = platform::ReceiveBytes(s.Get(), buf, sizeof buf - 1);
        if (n >= 3 && std::strncmp(buf, "220", 3) == 0) return;
        Die(name + " refused to start: " + buf);
      }
      platform::SleepMs(25);
    }
    Die(name + " did not start");
  }
  platform::Endpoint at_;
  pid_t pid_ = -1;
};

// vsftpd in the foreground from a private configuration: anonymous, uploads
// allowed, active and passive mode, bound to 127.0.0.1 or to ::1.
class Vsftpd {
 public:
  Vsftpd(const fs::path& work, const fs::path& anonRoot, bool v6 = false)
      : v6_(v6), port_(v6 ? FreePort6() : FreePort()) {
    if (port_ == 0) Die("no IPv6 loopback here");
    fs::path empty = work / "empty";
    fs::create_directories(empty);
    ::chmod(empty.c_str(), 0555);
    fs::path conf = work / "vsftpd.conf";
    std::ofstream out(conf);
    if (v6)
      out << "listen=NO\nlisten_ipv6=YES\nlisten_address6=::1\n";
    else
      out << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\npasv_address=127.0.0.1\n";
    out << "listen_port=" << port_
        << "\nbackground=NO\nrun_as_launching_user=YES\nseccomp_sandbox=NO\n"
        << "anonymous_enable=YES\nlocal_enable=NO\nanon_root=" << anonRoot.string()
        << "\nno_anon_password=YES\nwrite_enable=YES\nanon_upload_enable=YES\n"
        << "anon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
        << "anon_world_readable_only=NO\nport_enable=YES\nconnect_from_port_20=NO\n"
        << "pasv_enable=YES\npasv_min_port=40000\npasv_max_port=60000\nsecure_chroot_dir="
        << empty.string() << "\nxferlog_enable=NO\ndirmessage_enable=NO\nuse_localtime=NO\n";
    out.close();
    platform::Endpoint at = v6 ? platform::Ipv6Loopback() : platform::Endpoint{0x7F000001, 0};
    at.port = static_cast<std::uint16_t>(port_);
    process_ = std::make_unique<ServerProcess>(
        std::vector<std::string>{"/usr/sbin/vsftpd", conf.string()}, at, "vsftpd");
  }
  int Port() const { return port_; }
  std::string Address() const {
    return (v6_ ? "[::1]:" : "127.0.0.1:") + std::to_string(port_);
  }

 private:
  bool v6_;
  int port_;
  std::unique_ptr<ServerProcess> process_;
};

// A foreground session that tells when it is logged in and when a command ends.
class BenchSession {
 public:
  BenchSession() {
    auto log = std::make_shared<platform::CallbackTarget>([this](platform::Message& m) {
      if (m.id == msg::WM_SESSION_STATUS_LINE &&
          m.Text().find("Fininsh initialization") != std::string::npos)
        loggedIn_.Set();
      // The 226 after RETR or STOR ends the transfer; listings may come
      // before (the target check) and after (the refresh).
      if (m.id == msg::WM_SESSION_COMMAND_LINE &&
          (m.Text().find("RETR ") != std::string::npos ||
           m.Text().find("STOR ") != std::string::npos))
        transferSent_ = true;
      if (m.id == msg::WM_SESSION_REPLY_LINE && transferSent_ && replyEnd_.load() == 0 &&
          m.Text().find(" 226 ") != std::string::npos)
        replyEnd_ = Now();
    });
    auto view = std::make_shared<platform::CallbackTarget>([this](platform::Message& m) {
      if (m.id == msg::WM_SESSION_STATE && m.wParam == 1) idle_.Set();
      if (m.id == msg::WM_SESSION_LISTING) {
        listing_ = m.payload.Take<RemoteListing>();
        listed_.Set();
      }
    });
    auto progress = std::make_shared<platform::CallbackTarget>([this](platform::Message& m) {
      if (m.id == msg::WM_SESSION_PROGRESS) ++progressPosts_;
    });
    session.logWindow = log;
    session.viewWindow = view;
    session.progressWindow = progress;
  }

  void Connect(const std::string& address, const std::string& initPath = "") {
    SiteRecord site{};
    std::snprintf(site.address, sizeof site.address, "%s", address.c_str());
    std::snprintf(site.remoteInitPath, sizeof site.remoteInitPath, "%s", initPath.c_str());
    site.loginType = LOGIN_ANONYMOUS;
    session.SetSite(site);
    session.Start();
    if (!loggedIn_.Wait(20000)) Die("session did not log in");
    idle_.Reset();
  }
  // Waits for the idle notification that ends the running command.
  bool WaitIdle(int ms) { return idle_.Wait(ms); }
  bool WaitListing(int ms) { return listed_.Wait(ms); }
  RemoteListing& Listing() { return listing_; }
  long ProgressPosts() const { return progressPosts_.load(); }
  void ResetCounters() {
    progressPosts_ = 0;
    replyEnd_ = 0;
    transferSent_ = false;
    idle_.Reset();
  }
  // When the transfer's 226 reply since ResetCounters arrived (0: none yet).
  double TransferEnd() const { return replyEnd_.load(); }

 private:
  platform::Event loggedIn_{false, false};
  platform::Event idle_{true, false};
  platform::Event listed_{true, false};
  RemoteListing listing_;
  std::atomic<long> progressPosts_{0};
  std::atomic<double> replyEnd_{0};
  std::atomic<bool> transferSent_{false};

 public:
  // Last, so that its worker ends before the events it posts to go away.
  CFtpObject session;
};

inline long PeakRssKb() {
  rusage r{};
  ::getrusage(RUSAGE_SELF, &r);
  return r.ru_maxrss;
}

}  // namespace bench
