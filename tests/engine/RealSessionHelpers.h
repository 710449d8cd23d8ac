// A foreground session (worker, command loop, questions) logged in to a real
// server from the distribution, driven through the facade as the user
// interface drives it, for tests parameterised over pyftpdlib and vsftpd.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "QueueRunTestHelpers.h"
#include "SessionTestHelpers.h"
#include "engine/FtpObject.h"
#include "support/RealServers.h"

namespace realtest {

enum class Kind { PyFtpd, Vsftpd };

inline std::string KindName(const ::testing::TestParamInfo<Kind>& info) {
  return info.param == Kind::PyFtpd ? "pyftpdlib" : "vsftpd";
}

inline const char* PackageOf(Kind kind) {
  return kind == Kind::PyFtpd ? "python3-pyftpdlib" : "vsftpd";
}

// Starts the real server of `kind` on loopback; false when its package is
// not installed.
inline bool StartServer(Kind kind, std::unique_ptr<skifftest::PyFtpdServer>& pyftpd,
                        std::unique_ptr<skifftest::VsftpdServer>& vsftpd,
                        skifftest::RealServerBase*& server) {
  if (kind == Kind::PyFtpd) {
    if (!skifftest::PyFtpdServer::Available()) return false;
    pyftpd = std::make_unique<skifftest::PyFtpdServer>();
    server = pyftpd.get();
  } else {
    if (!skifftest::VsftpdServer::Available()) return false;
    vsftpd = std::make_unique<skifftest::VsftpdServer>();
    server = vsftpd.get();
  }
  return true;
}

// What the session's log shows as sent commands, without the prefix and CR LF.
inline std::vector<std::string> SentCommands(platform::RecordingTarget& log) {
  const std::string prefix = "COMMAND >   ";
  std::vector<std::string> out;
  for (std::string line : h4test::LogLines(log)) {
    if (line.rfind(prefix, 0) != 0) continue;
    line.erase(0, prefix.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    out.push_back(line);
  }
  return out;
}

// The commands from the last one that starts with `last` back to the
// nearest earlier one that starts with `first`, both included; empty when
// either is missing.
inline std::vector<std::string> CommandsLeadingTo(const std::vector<std::string>& all,
                                                  const std::string& first,
                                                  const std::string& last) {
  for (std::size_t end = all.size(); end-- > 0;) {
    if (all[end].rfind(last, 0) != 0) continue;
    for (std::size_t start = end + 1; start-- > 0;)
      if (all[start].rfind(first, 0) == 0)
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(start),
                                        all.begin() + static_cast<std::ptrdiff_t>(end) + 1);
    return {};
  }
  return {};
}

// `cmp` of the two files: true when they are byte-identical.
inline bool SameBytes(const std::string& a, const std::string& b) {
  std::string command = "cmp -s '" + a + "' '" + b + "'";
  return std::system(command.c_str()) == 0;
}

class RealSessionTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    if (!realtest::StartServer(GetParam(), pyftpd, vsftpd, server))
      GTEST_SKIP() << realtest::PackageOf(GetParam()) << " not installed";
    ASSERT_TRUE(server->Ok()) << server->Log();
    windows.Attach(session);
  }
  void TearDown() override { session.Stop(); }

  SiteRecord Site() const {
    SiteRecord site = pyftpd ? h4test::MakeSite(server->Address(), pyftpd->User(),
                                                pyftpd->Password())
                             : h4test::MakeSite(server->Address());
    if (!pyftpd) site.loginType = LOGIN_ANONYMOUS;
    return site;
  }

  // Starts the worker and waits for the end of the login; notes the folder
  // the server started in (vsftpd shows the real path of its root).
  bool Connect() {
    session.SetSite(Site());
    session.Start();
    if (!h4test::WaitForStatus(*windows.log, "Fininsh initialization, waiting for orders"))
      return false;
    home = session.CurrentDir();
    return !home.empty();
  }

  // Runs `post`, which posts `commands` session commands, and waits until
  // the worker has finished all of them.
  bool Run(const std::function<void()>& post, std::size_t commands = 1) {
    std::size_t before = h5test::IdleCount(*windows.view);
    post();
    return h4test::WaitUntil(
        [&] { return h5test::IdleCount(*windows.view) >= before + commands; });
  }

  // The remote path of a folder below the server's root ("" is the root).
  std::string RemoteDir(const std::string& relative) const {
    std::string dir = home;
    if (relative.empty()) return dir;
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir + relative;
  }

  // Changes into the folder and lists it as the remote pane does; false
  // when no listing arrived.
  bool ListFolder(const std::string& relative, RemoteListing& out) {
    const std::string dir = RemoteDir(relative);
    if (!Run([&] { session.ChangeDir(dir.c_str()); }, 2)) return false;
    if (session.CurrentDir() != dir) return false;
    windows.view->Clear();
    if (!Run([&] { session.RefreshList(); })) return false;
    bool got = false;
    windows.view->Inspect([&](std::vector<platform::Message>& all) {
      for (auto& m : all)
        if (m.id == msg::WM_SESSION_LISTING)
          if (RemoteListing* records = m.payload.As<RemoteListing>()) {
            out = *records;
            got = true;
          }
    });
    return got;
  }

  TransferEntry Entry(const std::string& remoteRelative, const std::string& name,
                      const std::string& localDir, std::int32_t direction, bool folder,
                      std::int64_t size = 0) {
    TransferEntry e = h4test::MakeEntry(session.Site(), name, localDir, direction, size);
    h4test::SetText(e.remoteDir, RemoteDir(remoteRelative));
    e.isFolder = folder ? 1 : 0;
    return e;
  }

  // The entries left in the transfer queue, for failure messages.
  std::string QueueText() {
    std::string out;
    for (const TransferEntry& e : session.transferQueue.Entries())
      out += std::string("[") + e.remoteName + "] state " + std::to_string(e.state) + "\n";
    for (const std::string& line : h4test::StatusLines(*windows.log)) out += line + "\n";
    return out;
  }

  std::unique_ptr<skifftest::PyFtpdServer> pyftpd;
  std::unique_ptr<skifftest::VsftpdServer> vsftpd;
  skifftest::RealServerBase* server = nullptr;
  h4test::Windows windows;
  CFtpObject session;
  h4test::TempDir local;
  std::string home;
};

}  // namespace realtest
