// The active-mode data connection primitives of CFtpLib (PORT, accepting with
// the peer check, the bounded and cancellable wait), and the data connections
// of the scripted server that the session tests build on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <regex>
#include <thread>

#include "engine/FtpLib.h"
#include "platform/MessageIds.h"
#include "platform/Sync.h"
#include "support/RealServers.h"
#include "support/ScriptedFtpServer.h"

using skifftest::DataOptions;
using skifftest::Script;
using skifftest::ScriptedFtpServer;
using Clock = std::chrono::steady_clock;

namespace {

class TestLib : public CFtpLib {
 public:
  using CFtpLib::cancelRequested;
  using CFtpLib::dataSocket;
  using CFtpLib::stopRequested;
};

// Everything the peer sends until it closes (at most 10 s).
std::string ReadAll(platform::SocketHandle s) {
  std::string out;
  auto until = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < until) {
    if (platform::WaitReadable(s, 100) <= 0) continue;
    char buf[4096];
    long n = platform::ReceiveBytes(s, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

bool SendAll(platform::SocketHandle s, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    long n = platform::SendBytes(s, data.data() + done, data.size() - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

class DataPort : public ::testing::Test {
 protected:
  void SetUp() override {
    lib.logWindow = log;
    control = lib.ConnectServer(server.Address().c_str());
    ASSERT_NE(control, platform::kInvalidSocket);
    ASSERT_EQ(lib.Login(control, "bob", "pw"), 1);
  }
  void TearDown() override {
    if (listener != platform::kInvalidSocket) platform::CloseSocket(listener);
    platform::CloseSocket(control);
  }
  std::vector<std::string> Statuses() { return log->Texts(msg::WM_SESSION_STATUS_LINE); }

  // PORT, then the transfer command; returns the accepted data socket or -1.
  platform::SocketHandle Open(const std::string& command, int expectedCode = 150) {
    listener = lib.OpenDataPort(control);
    EXPECT_NE(listener, platform::kInvalidSocket) << lib.MessageText();
    EXPECT_EQ(lib.SendCommand(command.c_str(), control), expectedCode);
    return lib.AcceptData(listener);
  }

  ScriptedFtpServer server;
  std::shared_ptr<platform::RecordingTarget> log = std::make_shared<platform::RecordingTarget>();
  TestLib lib;
  platform::SocketHandle control = platform::kInvalidSocket;
  platform::SocketHandle listener = platform::kInvalidSocket;
};

TEST_F(DataPort, PortLineNamesTheControlAddressAndTheListeningPort) {
  listener = lib.OpenDataPort(control);
  ASSERT_NE(listener, platform::kInvalidSocket);
  platform::Endpoint listening;
  ASSERT_TRUE(platform::LocalEndpoint(listener, listening));
  auto ports = server.Lines("PORT");
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0], "PORT 127,0,0,1," + std::to_string(listening.port >> 8) + "," +
                          std::to_string(listening.port & 255));
  EXPECT_EQ(server.Commands().back().raw, ports[0] + "\r\n");
  ASSERT_TRUE(server.LastPortAddress().has_value());
  EXPECT_EQ(server.LastPortAddress()->port, listening.port);
  EXPECT_EQ(server.LastPortAddress()->address, skifftest::kLoopback);
}

TEST(DataPortAddress, PortTakesTheAddressOfTheControlConnection) {
  ScriptedFtpServer server;
  TestLib lib;
  // A control connection that runs through 127.0.0.5.
  platform::SocketHandle control = platform::CreateTcpSocket();
  ASSERT_TRUE(platform::BindTo(control, platform::Endpoint{0x7F000005, 0}));
  ASSERT_TRUE(platform::ConnectTo(control, platform::Endpoint{skifftest::kLoopback, server.Port()}));
  lib.controlSocket = control;
  EXPECT_EQ(lib.ReadReply(control), 220);
  ASSERT_EQ(lib.Login(control, "bob", "pw"), 1);
  platform::SocketHandle listener = lib.OpenDataPort(control);
  ASSERT_NE(listener, platform::kInvalidSocket) << lib.MessageText();
  ASSERT_EQ(server.Lines("PORT").size(), 1u);
  EXPECT_EQ(server.Lines("PORT")[0].rfind("PORT 127,0,0,5,", 0), 0u);
  platform::CloseSocket(listener);
  platform::CloseSocket(control);
}

TEST_F(DataPort, AnswerOtherThan200IsRefused) {
  for (const char* answer : {"500 Illegal PORT command.", "250 Fine, I guess.", "421 Closing."}) {
    server.QueueReply("PORT", answer);
    EXPECT_EQ(lib.OpenDataPort(control), platform::kInvalidSocket) << answer;
    EXPECT_TRUE(std::regex_match(lib.MessageText(),
                                 std::regex(R"(-?\d+ error when Send ftp command !)")))
        << lib.MessageText();
  }
}

TEST_F(DataPort, ListingArrivesOverTheAcceptedConnection) {
  server.AddFile("/readme.txt", "hello");
  server.AddDir("/pub");
  auto data = Open("LIST\r\n");
  ASSERT_NE(data, platform::kInvalidSocket) << lib.MessageText();
  EXPECT_EQ(ReadAll(data), server.ListingOf("/"));
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
  EXPECT_NE(server.ListingOf("/").find("readme.txt"), std::string::npos);
}

TEST_F(DataPort, ConnectionFromAnotherAddressIsRefusedAndTheRealOneAccepted) {
  DataOptions opt;
  opt.strayConnectsFrom = {skifftest::kLoopback2};
  server.QueueDataOptions(opt);
  server.AddFile("/a.bin", "0123456789");
  auto data = Open("RETR a.bin\r\n");
  ASSERT_NE(data, platform::kInvalidSocket) << lib.MessageText();
  platform::Endpoint peer;
  ASSERT_TRUE(platform::PeerEndpoint(data, peer));
  EXPECT_EQ(peer.address, skifftest::kLoopback);
  EXPECT_EQ(ReadAll(data), "0123456789");
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
  EXPECT_EQ(Statuses(),
            std::vector<std::string>{"STATUS>        Refused data connection from 127.0.0.2\r\n"});
}

TEST_F(DataPort, OnlyAForeignConnectionRunsIntoTheBound) {
  DataOptions opt;
  opt.sourceAddress = skifftest::kLoopback2;
  server.QueueDataOptions(opt);
  lib.dataConnectTimeoutMs = 500;
  auto data = Open("LIST\r\n");
  EXPECT_EQ(data, platform::kInvalidSocket);
  EXPECT_TRUE(std::regex_match(lib.MessageText(),
                               std::regex(R"(-?\d+ error when accept data connect !)")))
      << lib.MessageText();
  ASSERT_EQ(Statuses().size(), 1u);
  EXPECT_EQ(Statuses()[0], "STATUS>        Refused data connection from 127.0.0.2\r\n");
}

TEST_F(DataPort, WaitForTheDataConnectionIsBounded) {
  DataOptions opt;
  opt.neverConnect = true;
  server.QueueDataOptions(opt);
  lib.dataConnectTimeoutMs = 300;
  auto waiting = std::async(std::launch::async, [&] { return Open("LIST\r\n"); });
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), platform::kInvalidSocket);
  EXPECT_TRUE(std::regex_match(lib.MessageText(),
                               std::regex(R"(-?\d+ error when accept data connect !)")));
}

TEST(DataPortDefaults, DefaultBoundIsThirtySeconds) {
  // What a fresh session waits for a promised data connection, and for any
  // byte on a connection, before it gives up.
  TestLib fresh;
  EXPECT_EQ(fresh.dataConnectTimeoutMs.load(), 30000);
  EXPECT_EQ(fresh.inactivityTimeoutMs.load(), 30000);
}

TEST_F(DataPort, TheListenerTakesOnlyTheControlConnectionsAddress) {
  // In answer to PORT, the server first knocks at the same port on another
  // loopback address: nobody may be listening there.
  std::atomic<int> probes{0};
  std::atomic<int> reached{0};
  server.SetHandler("PORT", [&](const skifftest::FtpCommand& c) -> std::optional<Script> {
    int h1, h2, h3, h4, p1, p2;
    if (std::sscanf(c.argument.c_str(), "%d,%d,%d,%d,%d,%d", &h1, &h2, &h3, &h4, &p1, &p2) != 6)
      return std::nullopt;
    platform::Socket probe(platform::CreateTcpSocket());
    platform::Endpoint other{skifftest::kLoopback2, static_cast<std::uint16_t>(p1 * 256 + p2)};
    ++probes;
    if (platform::ConnectTo(probe.Get(), other)) ++reached;
    return std::nullopt;  // the default answer: the transfer goes on
  });
  server.AddFile("/a.bin", "0123456789");
  auto data = Open("RETR a.bin\r\n");
  ASSERT_NE(data, platform::kInvalidSocket) << lib.MessageText();
  EXPECT_EQ(ReadAll(data), "0123456789");
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
  EXPECT_EQ(probes.load(), 1);
  EXPECT_EQ(reached.load(), 0) << "the data port answered on 127.0.0.2";
  EXPECT_TRUE(Statuses().empty());
}

// A promised data connection that never comes; `flag` is raised while the
// client waits. The wait must end then, long before its 30 s bound (the
// 10 s limit below only keeps a broken wait from hanging the test).
void ExpectFlagEndsTheWait(TestLib& lib, ScriptedFtpServer& server, platform::SocketHandle control,
                           platform::SocketHandle& listener, std::atomic<bool>& flag) {
  DataOptions opt;
  opt.neverConnect = true;
  server.QueueDataOptions(opt);
  listener = lib.OpenDataPort(control);
  ASSERT_NE(listener, platform::kInvalidSocket);
  EXPECT_EQ(lib.SendCommand("LIST\r\n", control), 150);
  auto waiting = std::async(std::launch::async, [&] { return lib.AcceptData(listener); });
  platform::SleepMs(200);
  flag = true;
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), platform::kInvalidSocket);
}

TEST_F(DataPort, CancelEndsTheWaitAtOnce) {
  ExpectFlagEndsTheWait(lib, server, control, listener, lib.cancelRequested);
  EXPECT_TRUE(std::regex_match(lib.MessageText(),
                               std::regex(R"(-?\d+ error when accept data connect !)")));
}

TEST_F(DataPort, StopEndsTheWaitAtOnce) {
  ExpectFlagEndsTheWait(lib, server, control, listener, lib.stopRequested);
}

TEST_F(DataPort, DataSocketHelpersShutDownAndClose) {
  // A connected pair through a listener of our own.
  platform::Socket l(platform::CreateTcpSocket());
  platform::Endpoint at{skifftest::kLoopback, 0};
  ASSERT_TRUE(platform::BindTo(l.Get(), at));
  ASSERT_TRUE(platform::ListenOn(l.Get(), 1));
  ASSERT_TRUE(platform::LocalEndpoint(l.Get(), at));
  platform::Socket client(platform::CreateTcpSocket());
  ASSERT_TRUE(platform::ConnectTo(client.Get(), at));
  platform::Socket accepted(platform::AcceptFrom(l.Get(), nullptr));
  ASSERT_TRUE(accepted.Valid());

  EXPECT_EQ(lib.dataSocket, platform::kInvalidSocket);
  lib.SetDataSocket(client.Get());
  long got = 1;
  std::thread reader([&] {
    char b[16];
    got = platform::ReceiveBytes(client.Get(), b, sizeof b);  // blocks until shut down
  });
  platform::SleepMs(100);
  lib.ShutdownDataSocket();
  reader.join();
  EXPECT_LE(got, 0);
  EXPECT_EQ(lib.dataSocket, client.Get());
  lib.CloseDataSocket();
  client.Release();  // closed by CloseDataSocket
  EXPECT_EQ(lib.dataSocket, platform::kInvalidSocket);
  lib.CloseDataSocket();  // nothing left to close
  lib.ShutdownDataSocket();
}

// ---- the scripted server's data connections, as other tests rely on them

TEST_F(DataPort, ServerSendsAFileFromTheRestOffset) {
  server.AddFile("/f.txt", "abcdefghij");
  EXPECT_EQ(lib.SendCommand("REST 4\r\n", control), 350);
  auto data = Open("RETR f.txt\r\n");
  ASSERT_NE(data, platform::kInvalidSocket);
  EXPECT_EQ(ReadAll(data), "efghij");
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
}

TEST_F(DataPort, ServerRefusesAMissingFileAndATransferWithoutPort) {
  server.AddFile("/f.txt", "x");
  EXPECT_EQ(lib.SendCommand("RETR f.txt\r\n", control), 425);
  listener = lib.OpenDataPort(control);
  EXPECT_EQ(lib.SendCommand("RETR missing.txt\r\n", control), 550);
  EXPECT_EQ(lib.SendCommand("STOR /nowhere/x.txt\r\n", control), 553);
}

TEST_F(DataPort, ServerStoresAnUploadAndAppends) {
  auto data = Open("STOR up.bin\r\n");
  ASSERT_NE(data, platform::kInvalidSocket);
  ASSERT_TRUE(SendAll(data, "first part"));
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
  EXPECT_EQ(server.Received("up.bin"), "first part");
  platform::CloseSocket(listener);

  data = Open("APPE up.bin\r\n");
  ASSERT_NE(data, platform::kInvalidSocket);
  ASSERT_TRUE(SendAll(data, "+more"));
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
  EXPECT_EQ(server.Received("up.bin"), "+more");
  EXPECT_EQ(server.FileContents("/up.bin"), "first part+more");
}

TEST_F(DataPort, AborDuringASlowDownloadGets426Then226) {
  server.AddFile("/big.bin", std::string(200000, 'b'));
  DataOptions opt;
  opt.chunkSize = 1000;
  opt.chunkDelayMs = 20;
  server.QueueDataOptions(opt);
  auto data = Open("RETR big.bin\r\n");
  ASSERT_NE(data, platform::kInvalidSocket);
  char buf[1000];
  EXPECT_GT(platform::ReceiveBytes(data, buf, sizeof buf), 0);
  EXPECT_EQ(lib.SendCommand("ABOR\r\n", control), 426);
  EXPECT_EQ(lib.ReadReply(control), 226);
  platform::CloseSocket(data);
  ASSERT_TRUE(server.WaitForTransfers(1, 2000));
  EXPECT_TRUE(server.Transfers()[0].aborted);
  EXPECT_LT(server.Transfers()[0].bytes, 200000u);
}

TEST_F(DataPort, ClientClosingTheDataConnectionGets426AndAborThen225) {
  server.AddFile("/big.bin", std::string(2000000, 'b'));
  DataOptions opt;
  opt.chunkSize = 4096;
  opt.chunkDelayMs = 10;
  server.QueueDataOptions(opt);
  auto data = Open("RETR big.bin\r\n");
  ASSERT_NE(data, platform::kInvalidSocket);
  char buf[100];
  EXPECT_GT(platform::ReceiveBytes(data, buf, sizeof buf), 0);
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 426);
  EXPECT_EQ(lib.SendCommand("ABOR\r\n", control), 225);
  ASSERT_TRUE(server.WaitForTransfers(1, 2000));
  EXPECT_TRUE(server.Transfers()[0].brokenByClient);
}

TEST_F(DataPort, EarlyCloseStillEndsWithTheFinalReply) {
  server.AddFile("/f.bin", std::string(5000, 'f'));
  DataOptions opt;
  opt.closeAfterBytes = 1234;
  server.QueueDataOptions(opt);
  auto data = Open("RETR f.bin\r\n");
  ASSERT_NE(data, platform::kInvalidSocket);
  EXPECT_EQ(ReadAll(data).size(), 1234u);
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
}

TEST_F(DataPort, ConnectAtPortAnswersTheTransferWith125) {
  DataOptions opt;
  opt.connectAtPort = true;
  server.QueueDataOptions(opt);
  server.AddFile("/f.txt", "early");
  auto data = Open("RETR f.txt\r\n", 125);
  ASSERT_NE(data, platform::kInvalidSocket);
  EXPECT_EQ(ReadAll(data), "early");
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
}

TEST_F(DataPort, ScriptedFinalAndPreliminaryReplies) {
  DataOptions opt;
  opt.preliminary = Script("150-Opening\r\n150 now");
  opt.final = Script().Raw("226-Done\r\n").Pause(50).Raw("226 really\r\n");
  server.QueueDataOptions(opt);
  auto data = Open("LIST\r\n");
  ASSERT_NE(data, platform::kInvalidSocket);
  ReadAll(data);
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
  // An override of the command itself that is not 1xx means no transfer.
  server.QueueReply("LIST", "450 Busy.");
  platform::CloseSocket(listener);
  listener = lib.OpenDataPort(control);
  EXPECT_EQ(lib.SendCommand("LIST\r\n", control), 450);
}

TEST_F(DataPort, ServerTreeCommandsBehaveLikeAServer) {
  server.AddDir("/docs");
  EXPECT_EQ(lib.SendCommand("CWD docs\r\n", control), 250);
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_STREQ(lib.currentDir, "/docs");
  EXPECT_EQ(lib.SendCommand("MKD sub\r\n", control), 257);
  EXPECT_TRUE(server.IsDir("/docs/sub"));
  EXPECT_EQ(lib.SendCommand("MKD sub\r\n", control), 550);
  EXPECT_EQ(lib.SendCommand("RNFR sub\r\n", control), 350);
  EXPECT_EQ(lib.SendCommand("RNTO renamed\r\n", control), 250);
  EXPECT_TRUE(server.IsDir("/docs/renamed"));
  EXPECT_EQ(lib.SendCommand("CDUP\r\n", control), 250);
  EXPECT_EQ(lib.SendCommand("RMD docs\r\n", control), 550);  // not empty
  EXPECT_EQ(lib.SendCommand("RMD docs/renamed\r\n", control), 250);
  server.AddFile("/docs/x", "1");
  EXPECT_EQ(lib.SendCommand("DELE docs/x\r\n", control), 250);
  EXPECT_EQ(lib.SendCommand("DELE docs/x\r\n", control), 550);
  EXPECT_EQ(lib.SendCommand("CWD /nope\r\n", control), 550);
  EXPECT_EQ(lib.SendCommand("XYZZY\r\n", control), 500);
  EXPECT_EQ(lib.SendCommand("QUIT\r\n", control), 221);
  EXPECT_TRUE(server.WaitForClosedConnections(1, 3000));
}

// ---- real servers

TEST(RealServerData, ListingFromPyftpdlibPassesThePeerCheck) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer ftpd;
  ASSERT_TRUE(ftpd.Ok()) << ftpd.Log();
  ASSERT_TRUE(ftpd.WriteFile("hello.txt", "hi there"));
  TestLib lib;
  auto control = lib.ConnectServer(ftpd.Address().c_str());
  ASSERT_NE(control, platform::kInvalidSocket);
  ASSERT_EQ(lib.Login(control, ftpd.User().c_str(), ftpd.Password().c_str()), 1);
  EXPECT_EQ(lib.SendCommand("TYPE I\r\n", control), 200);
  auto listener = lib.OpenDataPort(control);
  ASSERT_NE(listener, platform::kInvalidSocket) << lib.MessageText();
  int code = lib.SendCommand("RETR hello.txt\r\n", control);
  EXPECT_TRUE(code == 125 || code == 150) << code;
  auto data = lib.AcceptData(listener);
  ASSERT_NE(data, platform::kInvalidSocket) << lib.MessageText();
  EXPECT_EQ(ReadAll(data), "hi there");
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
  platform::CloseSocket(listener);
  platform::CloseSocket(control);
}

TEST(RealServerData, VsftpdTakesAnUpload) {
  if (!skifftest::VsftpdServer::Available()) GTEST_SKIP() << "vsftpd is not installed";
  skifftest::VsftpdServer vsftpd;
  ASSERT_TRUE(vsftpd.Ok()) << vsftpd.Log();
  TestLib lib;
  auto control = lib.ConnectServer(vsftpd.Address().c_str());
  ASSERT_NE(control, platform::kInvalidSocket);
  ASSERT_EQ(lib.AnonymousLogin(control), 1);
  EXPECT_EQ(lib.SendCommand("TYPE I\r\n", control), 200);
  auto listener = lib.OpenDataPort(control);
  ASSERT_NE(listener, platform::kInvalidSocket) << lib.MessageText();
  EXPECT_EQ(lib.SendCommand("STOR up.txt\r\n", control), 150);
  auto data = lib.AcceptData(listener);
  ASSERT_NE(data, platform::kInvalidSocket) << lib.MessageText();
  ASSERT_TRUE(SendAll(data, "uploaded bytes"));
  platform::CloseSocket(data);
  EXPECT_EQ(lib.ReadReply(control), 226);
  EXPECT_EQ(vsftpd.ReadFile("up.txt"), "uploaded bytes");
  platform::CloseSocket(listener);
  platform::CloseSocket(control);
}

}  // namespace
