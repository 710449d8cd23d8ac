// The session worker against the scripted server: connect attempts, login
// sequence, the REST probe, the initial folder, the command loop and Stop.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "support/ScriptedFtpServer.h"
#include "SessionTestHelpers.h"
#include "engine/FtpObject.h"

using namespace h4test;
using skifftest::Script;
using skifftest::ScriptedFtpServer;

namespace {

// Posts session commands straight to the worker's queue, as the facade does.
class TestSession : public CFtpObject {
 public:
  bool Post(int code, platform::Payload payload = {}) {
    return commandQueue.Post(
        platform::MakeMessage(msg::TM_SESSION_COMMAND, code, 0, std::move(payload)));
  }
};

// A loopback port that nobody listens on.
std::string ClosedPortAddress() {
  platform::Socket s(platform::CreateTcpSocket());
  platform::Endpoint any{0x7F000001, 0};
  EXPECT_TRUE(platform::BindTo(s.Get(), any));
  platform::Endpoint bound;
  EXPECT_TRUE(platform::LocalEndpoint(s.Get(), bound));
  return "127.0.0.1:" + std::to_string(bound.port);
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { windows.Attach(session); }

  void StartWith(const SiteRecord& site) {
    session.SetSite(site);
    ASSERT_EQ(session.Start(), 1);
  }
  bool WaitLoggedIn() {
    return WaitForStatus(*windows.log, "Fininsh initialization, waiting for orders");
  }
  bool WaitWorkerGone() {
    return WaitUntil([&] { return !session.HasWorker(); });
  }
  // The session's last idle notification has arrived.
  bool WaitFinalIdle() {
    return WaitWorkerGone() && WaitUntil([&] {
             auto s = States(*windows.view);
             return !s.empty() && s.back() == 1;
           });
  }
  std::vector<std::string> ConnectionLines(int connection) {
    std::vector<std::string> out;
    for (auto& c : server.Commands())
      if (c.connection == connection) out.push_back(c.line);
    return out;
  }

  ScriptedFtpServer server;  // outlives the session, which says QUIT to it
  Windows windows;
  TestSession session;
};

TEST_F(SessionTest, UnreachableServerGivesThreeAttemptsAndEndsIdle) {
  std::string address = ClosedPortAddress();
  StartWith(MakeSite(address));
  ASSERT_TRUE(WaitFinalIdle());

  const std::vector<std::string> attempt = {
      "Welcome to use Skiffline!",
      "Please contact support@skiffline.example if having any problems",
      "Connecting to " + address + " ........", "Connecting error!",
      "Can't connect: Connection refused"};
  std::vector<std::string> expected;
  expected.insert(expected.end(), attempt.begin(), attempt.end());
  expected.insert(expected.end(), attempt.begin(), attempt.end());
  expected.push_back("Connection with the server failed!!");
  expected.push_back("Please check if the server information is correct! Or the server!");
  expected.push_back("Please try again later!");
  expected.insert(expected.end(), attempt.begin(), attempt.end());
  EXPECT_EQ(StatusLines(*windows.log), expected);
  EXPECT_EQ(States(*windows.view), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(session.IsLoggedIn(), 0);
  EXPECT_EQ(session.controlSocket.load(), platform::kInvalidSocket);
}

TEST_F(SessionTest, RefusedPasswordFailsThreeTimesWithoutQuit) {
  server.SetCredentials("user", "right");
  StartWith(MakeSite(server.Address(), "user", "wrong"));
  ASSERT_TRUE(WaitFinalIdle());

  auto status = StatusLines(*windows.log);
  EXPECT_EQ(CountOf(status, "Login error!"), 3u);
  EXPECT_EQ(CountOf(status, "Successfully login to ftp server"), 0u);
  EXPECT_EQ(server.ConnectionCount(), 3);
  for (int c = 1; c <= 3; ++c)
    EXPECT_EQ(ConnectionLines(c), (std::vector<std::string>{"USER user", "PASS wrong"}));
  EXPECT_EQ(server.CountCommands("QUIT"), 0u);
  // The password never reaches the log.
  for (auto& line : LogLines(*windows.log)) EXPECT_EQ(line.find("wrong"), std::string::npos);
}

TEST_F(SessionTest, LoginSequenceInOrderAndQuitOnStop) {
  server.AddDir("/pub");
  StartWith(MakeSite(server.Address(), "user", "secret", "/pub"));
  ASSERT_TRUE(WaitLoggedIn());
  EXPECT_EQ(session.IsLoggedIn(), 1);
  EXPECT_STREQ(session.currentDir, "/pub");
  EXPECT_EQ(session.site.resumeSupported, 1);
  EXPECT_EQ(session.site.serverType, SERVER_TYPE_UNIX);
  EXPECT_EQ(ConnectionLines(1),
            (std::vector<std::string>{"USER user", "PASS secret", "FEAT", "TYPE I", "REST 100",
                                      "REST 0", "SYST", "CWD /pub", "PWD"}));
  auto status = StatusLines(*windows.log);
  EXPECT_EQ(CountOf(status, "Support resume broken transfer"), 1u);
  ASSERT_GE(status.size(), 2u);
  EXPECT_EQ(status[status.size() - 2], "Support resume broken transfer");
  EXPECT_EQ(status.back(), "Fininsh initialization, waiting for orders");
  // busy (attempt), idle (logged in)
  EXPECT_EQ(States(*windows.view), (std::vector<int>{0, 1}));

  session.Stop();
  EXPECT_FALSE(session.HasWorker());
  EXPECT_EQ(session.IsLoggedIn(), 0);
  EXPECT_EQ(server.CountCommands("QUIT"), 1u);
  EXPECT_EQ(session.controlSocket.load(), platform::kInvalidSocket);
}

TEST_F(SessionTest, AnonymousLoginIgnoresTheSiteUser) {
  SiteRecord site = MakeSite(server.Address(), "someone", "pw");
  site.loginType = LOGIN_ANONYMOUS;
  StartWith(site);
  ASSERT_TRUE(WaitLoggedIn());
  auto lines = ConnectionLines(1);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "USER anonymous");
  EXPECT_EQ(lines[1].rfind("PASS ", 0), 0u);
  EXPECT_NE(lines[1].find('@'), std::string::npos);
}

TEST_F(SessionTest, RestProbeRefusedMakesTheServerUnusable) {
  server.SetReply("REST", Script("502 Command not implemented."));
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitFinalIdle());
  auto status = StatusLines(*windows.log);
  EXPECT_EQ(CountOf(status, "Successfully login to ftp server"), 3u);
  EXPECT_EQ(CountOf(status, "Login error!"), 0u);
  EXPECT_EQ(CountOf(status, "Fininsh initialization, waiting for orders"), 0u);
  // No status line of its own: the attempt ends right after the login line.
  for (std::size_t i = 0; i + 1 < status.size(); ++i) {
    if (status[i] == "Successfully login to ftp server") {
      EXPECT_TRUE(status[i + 1] == "Welcome to use Skiffline!" ||
                  status[i + 1] == "Connection with the server failed!!");
    }
  }
  EXPECT_EQ(ConnectionLines(1), (std::vector<std::string>{"USER user", "PASS secret", "FEAT",
                                                          "TYPE I", "REST 100"}));
  EXPECT_EQ(server.CountCommands("SYST"), 0u);
  EXPECT_EQ(server.CountCommands("QUIT"), 0u);
}

TEST_F(SessionTest, RestProbeAnswered200MeansNoResume) {
  server.QueueReply("REST", Script("200 Whatever."));
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitLoggedIn());
  EXPECT_EQ(session.site.resumeSupported, 0);
  EXPECT_EQ(CountOf(StatusLines(*windows.log), "Don't support resume broken transfer"), 1u);
}

TEST_F(SessionTest, EmptyInitialPathSendsNoCwdAndRefusedPathStaysHome) {
  server.SetHomeDir("/home/user");
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitLoggedIn());
  EXPECT_EQ(server.CountCommands("CWD"), 0u);
  EXPECT_STREQ(session.currentDir, "/home/user");
  session.Stop();

  windows.log->Clear();
  StartWith(MakeSite(server.Address(), "user", "secret", "/no/such/dir"));
  ASSERT_TRUE(WaitLoggedIn());
  EXPECT_EQ(server.CountCommands("CWD /no/such/dir"), 1u);
  EXPECT_STREQ(session.currentDir, "/home/user");
  EXPECT_EQ(session.IsLoggedIn(), 1);
}

TEST_F(SessionTest, ListingPostedRightAfterStartRunsAfterTheLogin) {
  server.AddFile("/readme.txt", "hello\n");
  server.AddDir("/pub");
  server.QueueReply("PASS", Script().Pause(300).Send("230 Login successful."));
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(session.Post(SESSION_REFRESH_LIST));
  ASSERT_TRUE(WaitForMessage(*windows.view, msg::WM_SESSION_LISTING));

  auto status = StatusLines(*windows.log);
  auto ready = std::find(status.begin(), status.end(), "Fininsh initialization, waiting for orders");
  auto listing = std::find(status.begin(), status.end(), "Receive file directory list.....");
  ASSERT_NE(ready, status.end());
  ASSERT_NE(listing, status.end());
  EXPECT_LT(ready, listing);
  ASSERT_TRUE(WaitForStatus(*windows.log, "Successful transfers"));

  RemoteListing records;
  windows.view->Inspect([&](std::vector<platform::Message>& all) {
    for (auto& m : all)
      if (m.id == msg::WM_SESSION_LISTING) records = m.payload.Take<RemoteListing>();
  });
  ASSERT_EQ(records.size(), 2u);
  std::vector<std::string> names = {records[0].name, records[1].name};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"pub", "readme.txt"}));

  // Every command is framed by busy and idle; the listing ran after the login.
  ASSERT_TRUE(WaitUntil([&] { return States(*windows.view).size() >= 4; }));
  EXPECT_EQ(States(*windows.view), (std::vector<int>{0, 1, 0, 1}));
  auto lines = ConnectionLines(1);
  auto pwd = std::find(lines.begin(), lines.end(), "PWD");
  auto list = std::find(lines.begin(), lines.end(), "LIST");
  EXPECT_LT(pwd, list);
  ASSERT_NE(list, lines.end());
  EXPECT_EQ(*(list - 2), "TYPE A");
  EXPECT_EQ((list - 1)->rfind("PORT ", 0), 0u);
}

TEST_F(SessionTest, PortLineNamesTheControlAddressAndTheListeningPort) {
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitLoggedIn());
  ASSERT_TRUE(session.Post(SESSION_REFRESH_LIST));
  ASSERT_TRUE(WaitForStatus(*windows.log, "Successful transfers"));
  auto ports = server.Lines("PORT");
  ASSERT_EQ(ports.size(), 1u);
  auto announced = server.LastPortAddress();
  ASSERT_TRUE(announced.has_value());
  std::string expected = "PORT 127,0,0,1," + std::to_string(announced->port >> 8) + "," +
                         std::to_string(announced->port & 255);
  EXPECT_EQ(ports[0], expected);
  EXPECT_EQ(announced->address, 0x7F000001u);
  EXPECT_NE(announced->port, 0);
}

TEST_F(SessionTest, RawCommandsAndDirectoryRefreshRunInPostingOrder) {
  server.AddDir("/a/b");
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitLoggedIn());
  ASSERT_TRUE(session.Post(SESSION_RAW_COMMAND, platform::Payload::Of(std::string("CWD /a\r\n"))));
  ASSERT_TRUE(session.Post(SESSION_RAW_COMMAND, platform::Payload::Of(std::string("CWD b\r\n"))));
  ASSERT_TRUE(session.Post(SESSION_REFRESH_DIR));
  ASSERT_TRUE(session.Post(99));  // unknown codes are taken and ignored
  ASSERT_TRUE(session.Post(SESSION_RAW_COMMAND, platform::Payload::Of(std::string("MKD x\r\n"))));
  ASSERT_TRUE(server.WaitForCommand("MKD x", kWaitMs));
  ASSERT_TRUE(WaitUntil([&] { return States(*windows.view).size() >= 12; }));
  EXPECT_STREQ(session.currentDir, "/a/b");
  auto lines = ConnectionLines(1);
  std::vector<std::string> tail(lines.end() - 4, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"CWD /a", "CWD b", "PWD", "MKD x"}));
  EXPECT_EQ(States(*windows.view),
            (std::vector<int>{0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}));
}

TEST_F(SessionTest, StopDuringASlowListingReturnsAndTheSessionWorksAgain) {
  std::string big;
  for (int i = 0; i < 400; ++i)
    big += "-rw-r--r--   1 user  group   10 Jan 10 12:00 file" + std::to_string(i) + ".txt\r\n";
  server.SetListing("/", big);
  skifftest::DataOptions slow;
  slow.chunkSize = 100;
  slow.chunkDelayMs = 200;  // about a minute for the whole listing
  server.QueueDataOptions(slow);

  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitLoggedIn());
  ASSERT_TRUE(session.Post(SESSION_REFRESH_LIST));
  ASSERT_TRUE(WaitForStatus(*windows.log, "Receive file directory list....."));

  auto stopped = std::async(std::launch::async, [&] { session.Stop(); });
  ASSERT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(session.HasWorker());
  EXPECT_EQ(session.IsLoggedIn(), 0);
  EXPECT_EQ(session.controlSocket.load(), platform::kInvalidSocket);
  EXPECT_EQ(session.proceed.load(), 1);
  ASSERT_TRUE(server.WaitForClosedConnections(1, kWaitMs));
  EXPECT_EQ(server.CountCommands("QUIT"), 0u);  // cut off, not said goodbye
  EXPECT_EQ(CountOf(StatusLines(*windows.log), "Successful transfers"), 0u);

  // The same object connects, logs in and lists again.
  windows.log->Clear();
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitLoggedIn());
  ASSERT_TRUE(session.Post(SESSION_REFRESH_LIST));
  ASSERT_TRUE(WaitForStatus(*windows.log, "Successful transfers"));
  EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST_F(SessionTest, StopDuringASlowDownloadReturnsAndTheSessionWorksAgain) {
  std::string data = PatternData(4 * 1024 * 1024, 21);
  server.AddFile("/slow.bin", data);
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 20;  // about twenty seconds for the whole file
  server.SetDataOptions(slow);  // the run lists the folder first
  TempDir local;

  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitLoggedIn());
  TransferEntry entry = MakeEntry(session.site, "slow.bin", local.Folder(), XFER_DOWNLOAD,
                                  static_cast<std::int64_t>(data.size()));
  ASSERT_EQ(session.QueueTransfer(entry), 1);
  ASSERT_TRUE(WaitForMessage(*windows.progress, msg::WM_SESSION_PROGRESS));

  auto stopped = std::async(std::launch::async, [&] { session.Stop(); });
  ASSERT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(session.HasWorker());
  EXPECT_EQ(session.IsLoggedIn(), 0);
  EXPECT_EQ(server.CountCommands("QUIT"), 0u);
  // What arrived is kept as it came.
  std::string partial = ReadFile(local.Path("slow.bin"));
  EXPECT_LT(partial.size(), data.size());
  EXPECT_EQ(partial, data.substr(0, partial.size()));

  server.SetDataOptions(skifftest::DataOptions{});
  windows.log->Clear();
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitLoggedIn());
  ASSERT_TRUE(session.Post(SESSION_REFRESH_LIST));
  ASSERT_TRUE(WaitForStatus(*windows.log, "Successful transfers"));
}

TEST_F(SessionTest, StopEndsAWorkerThatIsStillWaitingForTheGreeting) {
  // A server that never greets: the worker waits in its first attempt.
  server.SetGreeting(Script());
  session.SetSite(MakeSite(server.Address()));
  session.Start();
  ASSERT_TRUE(server.WaitForConnections(1, kWaitMs));
  auto stopped = std::async(std::launch::async, [&] { session.Stop(); });
  ASSERT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(session.HasWorker());
  // No further attempt was made after the stop.
  EXPECT_TRUE(server.WaitForClosedConnections(1, kWaitMs));
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(SessionTest, AServerThatNeverGreetsFailsTheAttemptsWhenTheLimitRunsOut) {
  server.SetGreeting(Script());
  session.inactivityTimeoutMs = 200;
  StartWith(MakeSite(server.Address()));
  ASSERT_TRUE(WaitFinalIdle());
  EXPECT_EQ(server.ConnectionCount(), 3);
  EXPECT_EQ(session.Phase(), SessionPhase::kConnectFailed);
  EXPECT_EQ(CountOf(StatusLines(*windows.log), "Can't connect: Connection timed out"), 3u);
}

TEST_F(SessionTest, DestroyingALoggedInSessionSaysQuit) {
  {
    TestSession temporary;
    windows.Attach(temporary);
    temporary.SetSite(MakeSite(server.Address()));
    temporary.Start();
    ASSERT_TRUE(WaitLoggedIn());
  }
  EXPECT_EQ(server.CountCommands("QUIT"), 1u);
}

}  // namespace
