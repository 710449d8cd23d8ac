// Real FTP servers for tests, each started as a child process on a free
// loopback port with a temporary root folder, and a temporary-folder helper.
//
//   skifftest::PyFtpdServer ftpd;              // pyftpdlib, user "skiff" / "secret"
//   ASSERT_TRUE(ftpd.Ok()) << ftpd.Log();      // a real "220" greeting arrived
//   ftpd.WriteFile("pub/a.txt", "hello");      // files below the server's root
//   lib.ConnectServer(ftpd.Address().c_str()); // "127.0.0.1:<port>"
//
//   skifftest::VsftpdServer vsftpd;            // vsftpd, anonymous login only
//   ASSERT_TRUE(vsftpd.Ok()) << vsftpd.Log();
//   skifftest::PyFtpdServer six(skifftest::Family::V6);  // on ::1: Address() "[::1]:<port>"
//   if (!skifftest::Ipv6LoopbackUsable()) GTEST_SKIP() << "no IPv6";
//
// Known behaviours worth knowing when writing tests against them:
// - pyftpdlib opens the active data connection already at PORT and answers
//   the transfer command with 125.
// - vsftpd ignores an in-band ABOR until the transfer has ended; a client
//   that closes the data connection first gets 426, then 225 for the ABOR.
// - vsftpd runs here without chroot (run_as_launching_user), so PWD shows the
//   real path of the root folder; config errors show as "500 OOPS" only when
//   a client connects (Ok() is then false and Log() shows the greeting).
// - Every server refuses a PORT that names another address than the client's own.
// Destruction stops the server (SIGTERM, then SIGKILL after 2 s), reaps it,
// and removes the temporary folders.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skifftest {

// A unique folder under /tmp, removed with everything in it at the end.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "skiffline-test-");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing separator.
  const std::string& Path() const { return path_; }
  // Path() + "/" + relative.
  std::string PathOf(const std::string& relative) const;
  // Writes a file (folders made as needed); true on success.
  bool WriteFile(const std::string& relative, const std::string& contents) const;
  // The file's contents, or empty text when it can't be read.
  std::string ReadFile(const std::string& relative) const;
  bool MakeDir(const std::string& relative) const;

 private:
  std::string path_;
};

// A free TCP port on 127.0.0.1 (free when asked; bind soon).
std::uint16_t FreeLoopbackPort();
// Whether ::1 can be bound here (CI machines may lack IPv6).
bool Ipv6LoopbackUsable();
// A free TCP port on ::1, or 0.
std::uint16_t FreeLoopbackPort6();
// WaitForGreeting on [::1]:port.
bool WaitForGreeting6(std::uint16_t port, int timeoutMs, std::string* greeting = nullptr);

// Which loopback address a server listens on: 127.0.0.1 or ::1.
enum class Family { V4, V6 };

// Waits up to `timeoutMs` for a reply starting with "220" on 127.0.0.1:port.
// The received greeting text (whatever it was) goes to `greeting` if given.
bool WaitForGreeting(std::uint16_t port, int timeoutMs, std::string* greeting = nullptr);

// A child process, killed (SIGTERM, then SIGKILL) and reaped on destruction.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] with the arguments; stdout and stderr go to `logPath`.
  bool Start(const std::vector<std::string>& argv, const std::string& logPath);
  bool Running();
  void Stop();
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

class RealServerBase {
 public:
  bool Ok() const { return ok_; }
  std::uint16_t Port() const { return port_; }
  // "127.0.0.1:<port>", or "[::1]:<port>" for a server on ::1.
  std::string Address() const {
    return (v6_ ? "[::1]:" : "127.0.0.1:") + std::to_string(port_);
  }
  bool OnIpv6() const { return v6_; }
  // The folder the server serves.
  const std::string& Root() const { return root_.Path(); }
  std::string RootPath(const std::string& relative) const { return root_.PathOf(relative); }
  bool WriteFile(const std::string& relative, const std::string& contents) const {
    return root_.WriteFile(relative, contents);
  }
  std::string ReadFile(const std::string& relative) const { return root_.ReadFile(relative); }
  bool MakeDir(const std::string& relative) const { return root_.MakeDir(relative); }
  // The server's output plus the last greeting seen, for failure messages.
  std::string Log() const;

 protected:
  RealServerBase() = default;
  ~RealServerBase() = default;
  TempDir work_{"skiffline-server-"};
  TempDir root_{"skiffline-root-"};
  ChildProcess process_;
  std::uint16_t port_ = 0;
  bool ok_ = false;
  bool v6_ = false;
  std::string greeting_;
};

// /usr/bin/python3 -m pyftpdlib on 127.0.0.1 with write access for one user.
class PyFtpdServer : public RealServerBase {
 public:
  explicit PyFtpdServer(std::string user = "skiff", std::string password = "secret");
  // On ::1 with Family::V6 (passive mode works either way).
  explicit PyFtpdServer(Family family, std::string user = "skiff",
                        std::string password = "secret");
  ~PyFtpdServer();
  const std::string& User() const { return user_; }
  const std::string& Password() const { return password_; }
  static bool Available();  // python3 with pyftpdlib is installed

 private:
  void Launch();
  std::string user_, password_;
};

// /usr/sbin/vsftpd with a private config: anonymous login with upload,
// folder creation and rename/delete rights in Root(), active and passive
// mode (PASV names 127.0.0.1; EPSV on ::1); local users can't log in.
class VsftpdServer : public RealServerBase {
 public:
  VsftpdServer();
  // On ::1 with Family::V6; passive mode (PASV / EPSV) works either way.
  explicit VsftpdServer(Family family);
  ~VsftpdServer();
  static bool Available();  // /usr/sbin/vsftpd exists

 private:
  void Launch();
  std::string secureDir_;
};

}  // namespace skifftest
