// Passive mode against the scripted server: EPSV first, PASV after a
// refusal, PORT when both are refused, the address of a PASV reply never
// used, hostile replies and a server that never takes the connection.
#include <gtest/gtest.h>

#include "support/ScriptedFtpServer.h"
#include "SessionTestHelpers.h"
#include "engine/FtpFunction.h"

using namespace h4test;
using skifftest::PassiveOptions;
using skifftest::Script;
using skifftest::ScriptedFtpServer;

namespace {

class PassiveModeTest : public ::testing::Test {
 protected:
  void Connect(bool passive = true) {
    windows.Attach(client);
    site = MakeSite(server.Address());
    SetPassive(site, passive);
    client.site = site;
    client.site.serverType = SERVER_TYPE_UNIX;
    client.dataConnectTimeoutMs = 5000;
    platform::SocketHandle s = client.ConnectServer(server.Address().c_str());
    ASSERT_NE(s, platform::kInvalidSocket);
    ASSERT_EQ(client.Login(s, "user", "secret"), 1);
    client.loggedIn = 1;
    server.ClearRecords();
  }
  void TearDown() override {
    client.loggedIn = 0;
    platform::CloseSocket(client.controlSocket.exchange(platform::kInvalidSocket));
  }
  int Download(const std::string& name) {
    return client.TransferFile(MakeEntry(site, name, dir.Folder(), XFER_DOWNLOAD));
  }
  bool StatusContains(const std::string& part) {
    for (auto& l : StatusLines(*windows.log))
      if (l.find(part) != std::string::npos) return true;
    return false;
  }

  ScriptedFtpServer server;
  Windows windows;
  TempDir dir;
  SiteRecord site{};
  CFtpFunction client;
};

TEST_F(PassiveModeTest, EpsvCarriesListingsAndFilesBothWaysAndIsTheOnlyCommandAsked) {
  server.SetPassive(PassiveOptions{true, true});
  server.AddFile("/a.bin", PatternData(300000));
  Connect();
  ASSERT_EQ(client.ListDirectory(0), 1);
  ASSERT_EQ(Download("a.bin"), 1);
  EXPECT_EQ(ReadFile(dir.Folder() + "a.bin"), PatternData(300000));
  WriteFile(dir.Folder() + "up.txt", "uploaded");
  ASSERT_EQ(client.TransferFile(MakeEntry(site, "up.txt", dir.Folder(), XFER_UPLOAD)), 1);
  EXPECT_EQ(server.Received("up.txt"), "uploaded");

  EXPECT_EQ(server.CountCommands("EPSV"), 3u);
  EXPECT_EQ(server.CountCommands("PASV"), 0u);
  EXPECT_EQ(server.CountCommands("PORT"), 0u);
  ASSERT_TRUE(server.WaitForTransfers(3, kWaitMs));
  for (auto& t : server.Transfers()) {
    EXPECT_TRUE(t.passive && t.completed) << t.verb;
    EXPECT_EQ(t.peerAddress, skifftest::kLoopback);
  }
}

TEST_F(PassiveModeTest, RefusedEpsvFallsBackToPasvAndIsNotAskedAgain) {
  server.SetPassive(PassiveOptions{true, false});
  server.AddFile("/a.txt", "alpha");
  server.AddFile("/b.txt", "beta");
  Connect();
  ASSERT_EQ(Download("a.txt"), 1);
  ASSERT_EQ(Download("b.txt"), 1);
  EXPECT_EQ(ReadFile(dir.Folder() + "b.txt"), "beta");
  EXPECT_EQ(server.CountCommands("EPSV"), 1u);
  EXPECT_EQ(server.CountCommands("PASV"), 2u);
  EXPECT_EQ(server.CountCommands("PORT"), 0u);
}

TEST_F(PassiveModeTest, BothRefusedFallsBackToPortForTheRestOfTheConnection) {
  server.AddFile("/a.txt", "alpha");
  server.AddFile("/b.txt", "beta");
  Connect();  // the server answers both with 502
  ASSERT_EQ(Download("a.txt"), 1);
  ASSERT_EQ(Download("b.txt"), 1);
  EXPECT_EQ(ReadFile(dir.Folder() + "a.txt"), "alpha");
  EXPECT_EQ(server.CountCommands("EPSV"), 1u);
  EXPECT_EQ(server.CountCommands("PASV"), 1u);
  EXPECT_EQ(server.CountCommands("PORT"), 2u);
  EXPECT_TRUE(StatusContains("refuses passive mode"));

  // A new connection asks again.
  platform::CloseSocket(client.controlSocket.exchange(platform::kInvalidSocket));
  server.SetPassive(PassiveOptions{false, true});
  platform::SocketHandle s = client.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  ASSERT_EQ(client.Login(s, "user", "secret"), 1);
  ASSERT_EQ(Download("a.txt"), 1);
  EXPECT_EQ(server.CountCommands("EPSV"), 2u);
  EXPECT_EQ(server.CountCommands("PORT"), 2u);
}

TEST_F(PassiveModeTest, APasvReplyNamingAnotherAddressStillConnectsToTheServersOwn) {
  server.SetPassive(PassiveOptions{true, false, skifftest::kLoopback2});
  server.AddFile("/a.txt", "alpha");
  Connect();
  ASSERT_EQ(Download("a.txt"), 1);
  EXPECT_EQ(ReadFile(dir.Folder() + "a.txt"), "alpha");
  ASSERT_TRUE(server.WaitForTransfers(1, kWaitMs));
  EXPECT_TRUE(server.Transfers()[0].passive);
  EXPECT_EQ(server.Transfers()[0].peerAddress, skifftest::kLoopback);
  EXPECT_TRUE(StatusContains("names 127.0.0.2"));
}

TEST_F(PassiveModeTest, AnOldRecordWithFlagsZeroStaysInActiveMode) {
  server.SetPassive(PassiveOptions{true, true});
  server.AddFile("/a.txt", "alpha");
  Connect(false);
  ASSERT_EQ(client.site.reserved, 0);
  ASSERT_EQ(Download("a.txt"), 1);
  EXPECT_EQ(server.CountCommands("PORT"), 1u);
  EXPECT_EQ(server.CountCommands("EPSV"), 0u);
  EXPECT_EQ(server.CountCommands("PASV"), 0u);
}

// Replies a hostile or broken server may send: the transfer fails with a
// reason in the log, no data connection is made, and the session goes on.
struct BadReply {
  const char* name;
  const char* verb;  // which command gets the reply (the other one is refused)
  const char* reply;
  const char* reason;
};

class PassiveBadReply : public PassiveModeTest, public ::testing::WithParamInterface<BadReply> {};

TEST_P(PassiveBadReply, FailsTheTransferWithAClearLineAndConnectsNowhere) {
  const BadReply& c = GetParam();
  server.SetPassive(PassiveOptions{true, true});
  server.SetReply(c.verb, Script(c.reply));
  if (std::string(c.verb) == "PASV") server.SetReply("EPSV", Script("500 Unknown command."));
  server.AddFile("/a.txt", "alpha");
  Connect();
  EXPECT_EQ(Download("a.txt"), 0);
  EXPECT_NE(client.LastError().find(c.reason), std::string::npos) << client.LastError();
  EXPECT_TRUE(StatusContains(c.reason));
  EXPECT_EQ(server.CountCommands("RETR"), 0u);
  EXPECT_EQ(server.CountCommands("PORT"), 0u);
  // The control connection still works.
  EXPECT_EQ(client.SendCommand("NOOP\r\n", client.controlSocket.load()), 200);
}

INSTANTIATE_TEST_SUITE_P(
    PassiveModeTest, PassiveBadReply,
    ::testing::Values(
        BadReply{"PasvWithoutNumbers", "PASV", "227 Entering Passive Mode.", "no address and port"},
        BadReply{"PasvNumberOver255", "PASV", "227 Entering Passive Mode (127,0,0,1,256,1).",
                 "over 255"},
        BadReply{"PasvPortZero", "PASV", "227 Entering Passive Mode (127,0,0,1,0,0).", "port 0"},
        BadReply{"PasvFiveNumbers", "PASV", "227 Entering Passive Mode (127,0,0,1,4).",
                 "no address and port"}),
    [](const ::testing::TestParamInfo<BadReply>& info) { return std::string(info.param.name); });

TEST_F(PassiveModeTest, AnEpsvReplyWithoutThePortFormFallsToPasv) {
  server.SetPassive(PassiveOptions{true, true});
  server.SetReply("EPSV", Script("229 Entering Extended Passive Mode (|1|127.0.0.1|21|)."));
  server.AddFile("/a.txt", "alpha");
  Connect();
  ASSERT_EQ(Download("a.txt"), 1);
  EXPECT_TRUE(StatusContains("(|||port|)"));
  EXPECT_EQ(server.CountCommands("PASV"), 1u);
}

TEST_F(PassiveModeTest, AServerThatNeverTakesTheConnectionFailsWithinTheLimit) {
  PassiveOptions never{true, true};
  never.neverAccept = true;
  server.SetPassive(never);
  server.AddFile("/a.txt", "alpha");
  Connect();
  client.dataConnectTimeoutMs = 300;
  EXPECT_EQ(Download("a.txt"), 0);
  EXPECT_NE(client.LastError().find("did not answer"), std::string::npos) << client.LastError();
  EXPECT_EQ(server.CountCommands("RETR"), 0u);
  EXPECT_FALSE(platform::PathExists(dir.Folder() + "a.txt"));
}

}  // namespace
