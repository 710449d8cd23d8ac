// The session against real servers from the distribution (pyftpdlib and
// vsftpd), started on loopback ports for each test: login and listing
// through the worker, byte-identical transfers, resume and cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include "RealSessionHelpers.h"
#include "SessionTestHelpers.h"
#include "engine/FtpFunction.h"
#include "engine/FtpObject.h"
#include "support/RealServers.h"

using namespace h4test;

namespace {

using realtest::Kind;
using realtest::KindName;

class TestSession : public CFtpObject {
 public:
  bool Post(int code) {
    return commandQueue.Post(platform::MakeMessage(msg::TM_SESSION_COMMAND, code));
  }
};

class RealServerTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    if (!realtest::StartServer(GetParam(), pyftpd, vsftpd, server))
      GTEST_SKIP() << realtest::PackageOf(GetParam()) << " not installed";
    ASSERT_TRUE(server->Ok()) << server->Log();
  }

  SiteRecord Site() {
    SiteRecord site = pyftpd ? MakeSite(server->Address(), pyftpd->User(), pyftpd->Password())
                             : MakeSite(server->Address());
    if (!pyftpd) site.loginType = LOGIN_ANONYMOUS;
    return site;
  }

  // A client driven on the test thread, logged in and in the root folder.
  void ConnectClient(CFtpFunction& client) {
    windows.Attach(client);
    platform::SocketHandle s = client.ConnectServer(server->Address().c_str());
    ASSERT_NE(s, platform::kInvalidSocket);
    ASSERT_EQ(pyftpd ? client.Login(s, pyftpd->User().c_str(), pyftpd->Password().c_str())
                     : client.AnonymousLogin(s),
              1);
    ASSERT_EQ(client.ProbeResume(), 1);
    ASSERT_EQ(client.site.resumeSupported, 1);
    ASSERT_NE(client.QuerySystemType(), 0);
    client.loggedIn = 1;
  }
  void Disconnect(CFtpFunction& client) {
    client.loggedIn = 0;
    client.SendCommand("QUIT\r\n", client.controlSocket.load());
    platform::CloseSocket(client.controlSocket.exchange(platform::kInvalidSocket));
  }
  TransferEntry Entry(CFtpFunction& client, const std::string& name, std::int32_t direction,
                      std::int64_t size) {
    return MakeEntry(client.site, name, local.Folder(), direction, size);
  }

  std::unique_ptr<skifftest::PyFtpdServer> pyftpd;
  std::unique_ptr<skifftest::VsftpdServer> vsftpd;
  skifftest::RealServerBase* server = nullptr;
  Windows windows;
  TempDir local;
};

TEST_P(RealServerTest, WorkerLogsInAndListsIntoRecords) {
  ASSERT_TRUE(server->WriteFile("report.txt", std::string(12345, 'r')));
  ASSERT_TRUE(server->MakeDir("folder"));
  TestSession session;
  windows.Attach(session);
  session.SetSite(Site());
  session.Start();
  ASSERT_TRUE(WaitForStatus(*windows.log, "Fininsh initialization, waiting for orders"))
      << server->Log();
  EXPECT_EQ(session.site.resumeSupported, 1);
  EXPECT_EQ(session.site.serverType, SERVER_TYPE_UNIX);
  ASSERT_TRUE(session.Post(SESSION_REFRESH_LIST));
  ASSERT_TRUE(WaitForMessage(*windows.view, msg::WM_SESSION_LISTING));
  RemoteListing records;
  windows.view->Inspect([&](std::vector<platform::Message>& all) {
    for (auto& m : all)
      if (m.id == msg::WM_SESSION_LISTING) records = m.payload.Take<RemoteListing>();
  });
  const RemoteFileRecord* file = nullptr;
  const RemoteFileRecord* folder = nullptr;
  for (auto& r : records) {
    if (std::string(r.name) == "report.txt") file = &r;
    if (std::string(r.name) == "folder") folder = &r;
  }
  ASSERT_NE(file, nullptr);
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(file->isFolder, 0);
  EXPECT_EQ(RecordSize(*file), 12345);
  EXPECT_EQ(folder->isFolder, 1);
  session.Stop();
  EXPECT_FALSE(session.HasWorker());
}

TEST_P(RealServerTest, FiveMegabyteDownloadAndUploadAreByteIdentical) {
  std::string data = PatternData(5 * 1024 * 1024 + 3, 11);
  ASSERT_TRUE(server->WriteFile("five.bin", data));
  CFtpFunction client;
  ConnectClient(client);
  ASSERT_EQ(client.TransferFile(Entry(client, "five.bin", XFER_DOWNLOAD,
                                      static_cast<std::int64_t>(data.size()))),
            1)
      << client.MessageText();
  EXPECT_EQ(ReadFile(local.Path("five.bin")), data);

  std::string up = PatternData(5 * 1024 * 1024 + 999, 12);
  WriteFile(local.Path("up.bin"), up);
  ASSERT_EQ(client.TransferFile(Entry(client, "up.bin", XFER_UPLOAD, 0)), 1);
  EXPECT_EQ(server->ReadFile("up.bin"), up);
  Disconnect(client);
}

TEST_P(RealServerTest, HalfDownloadedFileIsResumed) {
  std::string data = PatternData(3 * 1024 * 1024, 13);
  ASSERT_TRUE(server->WriteFile("half.bin", data));
  const std::size_t half = data.size() / 2 + 7;
  WriteFile(local.Path("half.bin"), data.substr(0, half));
  CFtpFunction client;
  ConnectClient(client);
  TransferEntry entry =
      Entry(client, "half.bin", XFER_DOWNLOAD, static_cast<std::int64_t>(data.size()));
  entry.existsAction = ACTION_RESUME;
  entry.resumeOffset = static_cast<std::int64_t>(half);
  ASSERT_EQ(client.TransferFile(entry), 1) << client.MessageText();
  EXPECT_EQ(ReadFile(local.Path("half.bin")), data);
  Disconnect(client);
}

TEST_P(RealServerTest, CancelInTheMiddleKeepsThePartAndTheSessionGoesOn) {
  // Large enough that the first progress post (after 25 ms) comes long
  // before the end, even on loopback; sparse, so cheap to make.
  const std::int64_t size = 512LL * 1024 * 1024;
  {
    platform::File big;
    ASSERT_TRUE(big.Open(server->RootPath("huge.bin"), platform::OpenMode::ReadWriteTruncate));
    ASSERT_TRUE(big.Truncate(size));
  }
  CFtpFunction client;
  ConnectClient(client);
  std::atomic<bool> cancelled{false};
  // Cancel from the progress display, as the user would on seeing it move.
  client.progressWindow = std::make_shared<platform::CallbackTarget>([&](platform::Message& m) {
    if (m.id == msg::WM_SESSION_PROGRESS && !cancelled.exchange(true)) client.Cancel();
  });
  EXPECT_EQ(client.TransferFile(Entry(client, "huge.bin", XFER_DOWNLOAD, size)), 0);
  EXPECT_TRUE(cancelled.load());
  std::int64_t got = platform::FileSize(local.Path("huge.bin"));
  EXPECT_GT(got, 0);
  EXPECT_LT(got, size);
  ASSERT_TRUE(WaitUntil([&] {
    for (auto& l : LogLines(*windows.log))
      if (l == "COMMAND >   ABOR\r\n") return true;
    return false;
  }));
  std::remove(local.Path("huge.bin").c_str());

  // The control connection is still usable once the abort's replies are read.
  client.site.serverType = SERVER_TYPE_UNIX;
  ASSERT_EQ(client.ListDirectory(0), 1);
  bool found = false;
  for (auto& r : client.listing) found |= std::string(r.name) == "huge.bin";
  EXPECT_TRUE(found);
  Disconnect(client);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTest, ::testing::Values(Kind::PyFtpd, Kind::Vsftpd),
                         KindName);

}  // namespace
