// Passive mode against real servers (pyftpdlib and vsftpd) on 127.0.0.1
// and on ::1, through the session's worker as the user interface drives it:
// login and listing, 20 MiB each way, resume, and whole folders both ways.
// IPv6 cases are skipped where ::1 can't be bound.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <tuple>

#include "RealSessionHelpers.h"

namespace {

using realtest::Kind;
using realtest::SameBytes;
using realtest::SentCommands;
using skifftest::Family;

using Param = std::tuple<Kind, Family>;

class RealPassiveTest : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    const auto [kind, family] = GetParam();
    if (family == Family::V6 && !skifftest::Ipv6LoopbackUsable())
      GTEST_SKIP() << "::1 can't be bound on this machine (no IPv6): IPv6 cases skipped";
    if (kind == Kind::PyFtpd) {
      if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "python3-pyftpdlib not installed";
      pyftpd = std::make_unique<skifftest::PyFtpdServer>(family);
      server = pyftpd.get();
    } else {
      if (!skifftest::VsftpdServer::Available()) GTEST_SKIP() << "vsftpd not installed";
      vsftpd = std::make_unique<skifftest::VsftpdServer>(family);
      server = vsftpd.get();
    }
    ASSERT_TRUE(server->Ok()) << server->Log();
    windows.Attach(session);
  }
  void TearDown() override { session.Stop(); }

  bool Connect(bool passive = true) {
    SiteRecord site = pyftpd ? h4test::MakeSite(server->Address(), pyftpd->User(),
                                                pyftpd->Password())
                             : h4test::MakeSite(server->Address());
    if (!pyftpd) site.loginType = LOGIN_ANONYMOUS;
    SetPassive(site, passive);
    session.SetSite(site);
    session.Start();
    if (!h4test::WaitForStatus(*windows.log, "Fininsh initialization, waiting for orders"))
      return false;
    home = session.CurrentDir();
    return !home.empty();
  }
  bool Run(const std::function<void()>& post, std::size_t commands = 1) {
    std::size_t before = h5test::IdleCount(*windows.view);
    post();
    return h4test::WaitUntil([&] { return h5test::IdleCount(*windows.view) >= before + commands; });
  }
  std::string RemoteDir(const std::string& relative) const {
    if (relative.empty()) return home;
    return home + (home.back() == '/' ? "" : "/") + relative;
  }
  TransferEntry Entry(const std::string& name, std::int32_t direction, bool folder,
                      std::int64_t size = 0) {
    TransferEntry e = h4test::MakeEntry(session.Site(), name, local.Folder(), direction, size);
    h4test::SetText(e.remoteDir, RemoteDir(""));
    e.isFolder = folder ? 1 : 0;
    return e;
  }
  std::string Log() {
    std::string out;
    for (const std::string& line : h4test::LogLines(*windows.log)) out += line;
    return out;
  }
  // Every data connection went passive: EPSV asked, never PORT or EPRT.
  void ExpectOnlyPassive() {
    const std::vector<std::string> sent = SentCommands(*windows.log);
    EXPECT_GT(h4test::CountOf(sent, "EPSV"), 0u) << Log();
    for (const std::string& line : sent) {
      EXPECT_NE(line.rfind("PORT", 0), 0u) << line;
      EXPECT_NE(line.rfind("EPRT", 0), 0u) << line;
    }
  }

  std::unique_ptr<skifftest::PyFtpdServer> pyftpd;
  std::unique_ptr<skifftest::VsftpdServer> vsftpd;
  skifftest::RealServerBase* server = nullptr;
  h4test::Windows windows;
  CFtpObject session;
  h4test::TempDir local;
  std::string home;
};

TEST_P(RealPassiveTest, LogsInListsAndMovesTwentyMegabytesEachWay) {
  const std::string data = h4test::PatternData(20 * 1024 * 1024 + 5, 41);
  ASSERT_TRUE(server->WriteFile("big.bin", data));
  ASSERT_TRUE(Connect()) << server->Log() << Log();
  session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);

  windows.view->Clear();
  ASSERT_TRUE(Run([&] { session.RefreshList(); }));
  bool listed = false;
  windows.view->Inspect([&](std::vector<platform::Message>& all) {
    for (auto& m : all)
      if (RemoteListing* records = m.id == msg::WM_SESSION_LISTING ? m.payload.As<RemoteListing>()
                                                                    : nullptr)
        for (const RemoteFileRecord& r : *records) listed = listed || std::string(r.name) == "big.bin";
  });
  EXPECT_TRUE(listed) << Log();

  TransferEntry down =
      Entry("big.bin", XFER_DOWNLOAD, false, static_cast<std::int64_t>(data.size()));
  ASSERT_TRUE(Run([&] { session.QueueTransfer(down); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << Log();
  EXPECT_TRUE(SameBytes(local.Path("big.bin"), server->RootPath("big.bin")));

  h4test::WriteFile(local.Path("up.bin"), h4test::PatternData(20 * 1024 * 1024 + 11, 42));
  TransferEntry up = Entry("up.bin", XFER_UPLOAD, false);
  ASSERT_TRUE(Run([&] { session.QueueTransfer(up); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << Log();
  EXPECT_TRUE(SameBytes(local.Path("up.bin"), server->RootPath("up.bin")));
  ExpectOnlyPassive();
}

TEST_P(RealPassiveTest, HalfDownloadedFileIsResumed) {
  const std::string data = h4test::PatternData(3 * 1024 * 1024 + 17, 43);
  const std::size_t part = 1536 * 1024 + 5;
  ASSERT_TRUE(server->WriteFile("half.bin", data));
  h4test::WriteFile(local.Path("half.bin"), data.substr(0, part));
  session.questions = std::make_shared<CFixedAnswers>(ACTION_RESUME);
  ASSERT_TRUE(Connect()) << server->Log() << Log();
  TransferEntry down =
      Entry("half.bin", XFER_DOWNLOAD, false, static_cast<std::int64_t>(data.size()));
  ASSERT_TRUE(Run([&] { session.QueueTransfer(down); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << Log();
  EXPECT_TRUE(SameBytes(local.Path("half.bin"), server->RootPath("half.bin")));
  EXPECT_GT(h4test::CountOf(SentCommands(*windows.log), "REST " + std::to_string(part)), 0u);
  ExpectOnlyPassive();
}

TEST_P(RealPassiveTest, WholeFoldersGoDownAndUp) {
  ASSERT_TRUE(server->WriteFile("tree/a.txt", "alpha"));
  ASSERT_TRUE(server->WriteFile("tree/sub/b.bin", h4test::PatternData(200000, 44)));
  std::filesystem::create_directories(local.Path("out/deep"));
  h4test::WriteFile(local.Path("out/c.txt"), "gamma");
  h4test::WriteFile(local.Path("out/deep/d.bin"), h4test::PatternData(150000, 45));
  session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  ASSERT_TRUE(Connect()) << server->Log() << Log();

  TransferEntry down = Entry("tree", XFER_DOWNLOAD, true);
  ASSERT_TRUE(Run([&] { session.QueueTransfer(down); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << Log();
  EXPECT_EQ(h4test::ReadFile(local.Path("tree/a.txt")), "alpha");
  EXPECT_TRUE(SameBytes(local.Path("tree/sub/b.bin"), server->RootPath("tree/sub/b.bin")));

  TransferEntry up = Entry("out", XFER_UPLOAD, true);
  ASSERT_TRUE(Run([&] { session.QueueTransfer(up); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << Log();
  EXPECT_EQ(server->ReadFile("out/c.txt"), "gamma");
  EXPECT_TRUE(SameBytes(local.Path("out/deep/d.bin"), server->RootPath("out/deep/d.bin")));
  ExpectOnlyPassive();
}

// Active mode listens on the control connection's family: PORT over IPv4,
// EPRT over IPv6.
TEST_P(RealPassiveTest, AnActiveSiteUsesPortOverIpv4AndEprtOverIpv6) {
  ASSERT_TRUE(server->WriteFile("a.txt", "alpha"));
  session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  ASSERT_TRUE(Connect(false)) << server->Log() << Log();
  TransferEntry down = Entry("a.txt", XFER_DOWNLOAD, false, 5);
  ASSERT_TRUE(Run([&] { session.QueueTransfer(down); }));
  EXPECT_EQ(h4test::ReadFile(local.Path("a.txt")), "alpha") << Log();
  const bool v6 = std::get<1>(GetParam()) == Family::V6;
  const std::string expected = v6 ? "EPRT |2|::1|" : "PORT 127,0,0,1,";
  bool sent = false;
  for (const std::string& line : SentCommands(*windows.log)) {
    sent = sent || line.rfind(expected, 0) == 0;
    EXPECT_NE(line.rfind(v6 ? "PORT" : "EPRT", 0), 0u) << line;
    EXPECT_NE(line.rfind("EPSV", 0), 0u) << line;
  }
  EXPECT_TRUE(sent) << Log();
}

INSTANTIATE_TEST_SUITE_P(
    Servers, RealPassiveTest,
    ::testing::Combine(::testing::Values(Kind::PyFtpd, Kind::Vsftpd),
                       ::testing::Values(Family::V4, Family::V6)),
    [](const ::testing::TestParamInfo<Param>& info) {
      return std::string(std::get<0>(info.param) == Kind::PyFtpd ? "pyftpdlib" : "vsftpd") +
             (std::get<1>(info.param) == Family::V6 ? "_ipv6" : "_ipv4");
    });

}  // namespace
