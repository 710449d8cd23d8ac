// The login commands and the REST probe of CFtpLib, against the scripted
// server and against real servers.
#include <gtest/gtest.h>

#include "engine/FtpLib.h"
#include "platform/MessageIds.h"
#include "support/RealServers.h"
#include "support/ScriptedFtpServer.h"

using skifftest::Script;
using skifftest::ScriptedFtpServer;

namespace {

class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lib.logWindow = log;
    socket = lib.ConnectServer(server.Address().c_str());
    ASSERT_NE(socket, platform::kInvalidSocket);
  }
  void TearDown() override { platform::CloseSocket(socket); }
  std::vector<std::string> Statuses() { return log->Texts(msg::WM_SESSION_STATUS_LINE); }
  // Logs in and forgets the login's commands.
  void LogIn() {
    ASSERT_EQ(lib.Login(socket, "bob", "pw"), 1);
    server.ClearRecords();
  }

  ScriptedFtpServer server;
  std::shared_ptr<platform::RecordingTarget> log = std::make_shared<platform::RecordingTarget>();
  CFtpLib lib;
  platform::SocketHandle socket = platform::kInvalidSocket;
};

TEST_F(LoginTest, SendsUserThenPassAndSucceedsOnPassBelow400) {
  server.SetCredentials("bob", "pw");
  EXPECT_EQ(lib.Login(socket, "bob", "pw"), 1);
  auto lines = server.CommandLines();
  // Then what the server offers: FEAT, nothing more for this one.
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "USER bob");
  EXPECT_EQ(lines[1], "PASS pw");
  EXPECT_EQ(lines[2], "FEAT");
  EXPECT_EQ(server.Commands()[1].raw, "PASS pw\r\n");
}

TEST_F(LoginTest, WrongPasswordFails) {
  server.SetCredentials("bob", "pw");
  EXPECT_EQ(lib.Login(socket, "bob", "nope"), 0);
}

TEST_F(LoginTest, RefusedUserFailsWithoutSendingThePassword) {
  server.QueueReply("USER", "530 This FTP server is anonymous only.");
  EXPECT_EQ(lib.Login(socket, "bob", "pw"), 0);
  EXPECT_EQ(server.CountCommands("PASS"), 0u);
}

TEST_F(LoginTest, PasswordIsSentEvenAfter230AndItsReplyDecides) {
  server.QueueReply("USER", "230 Already logged in.");
  server.QueueReply("PASS", "530 Not expected.");
  EXPECT_EQ(lib.Login(socket, "bob", "pw"), 0);
  EXPECT_EQ(server.CountCommands("PASS pw"), 1u);

  server.QueueReply("USER", "230 Already logged in.");
  server.QueueReply("PASS", "202 Superfluous.");
  EXPECT_EQ(lib.Login(socket, "bob", "pw"), 1);
}

TEST_F(LoginTest, AnonymousLoginUsesTheFixedUserAndPassword) {
  server.SetCredentials("bob", "pw");  // anonymous still allowed
  EXPECT_EQ(lib.AnonymousLogin(socket), 1);
  auto lines = server.CommandLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "USER anonymous");
  EXPECT_EQ(lines[1], "PASS skiffline@example.com");
  // The password never reaches the log.
  auto cmds = log->Texts(msg::WM_SESSION_COMMAND_LINE);
  ASSERT_EQ(cmds.size(), 3u);
  EXPECT_EQ(cmds[1], "COMMAND >   PASS *\r\n");
}

TEST_F(LoginTest, TooLongUserIsNotSent) {
  std::string user(300, 'u');
  EXPECT_EQ(lib.Login(socket, user.c_str(), "pw"), 0);
  EXPECT_EQ(server.CountCommands("USER"), 0u);
}

TEST_F(LoginTest, ProbeResumeWith350MarksResumeSupported) {
  LogIn();
  lib.site.resumeSupported = 0;
  EXPECT_EQ(lib.ProbeResume(), 1);
  EXPECT_EQ(lib.site.resumeSupported, 1);
  EXPECT_EQ(server.CommandLines(),
            (std::vector<std::string>{"TYPE I", "REST 100", "REST 0"}));
  EXPECT_EQ(Statuses(), std::vector<std::string>{"STATUS>        Support resume broken transfer\r\n"});
}

TEST_F(LoginTest, ProbeResumeWith200IsUsableWithoutResume) {
  LogIn();
  lib.site.resumeSupported = 1;
  server.QueueReply("REST", "200 Whatever.");
  EXPECT_EQ(lib.ProbeResume(), 1);
  EXPECT_EQ(lib.site.resumeSupported, 0);
  EXPECT_EQ(Statuses(),
            std::vector<std::string>{"STATUS>        Don't support resume broken transfer\r\n"});
  EXPECT_EQ(server.CountCommands("REST 0"), 1u);
}

TEST_F(LoginTest, ProbeResumeWith502Fails) {
  LogIn();
  server.SetReply("REST", "502 Command not implemented.");
  EXPECT_EQ(lib.ProbeResume(), 0);
  EXPECT_EQ(server.CountCommands("REST 0"), 0u);
  EXPECT_TRUE(Statuses().empty());
}

TEST_F(LoginTest, ProbeResumeNeedsExactly200ForTypeI) {
  LogIn();
  server.QueueReply("TYPE", "226 Odd but below 400.");
  EXPECT_EQ(lib.ProbeResume(), 0);
  EXPECT_EQ(server.CountCommands("REST"), 0u);
}

TEST_F(LoginTest, ProbeResumeFailsWhenRest0IsRefused) {
  LogIn();
  server.QueueReply("REST", "350 Restarting at 100.");
  server.QueueReply("REST", "500 No.");
  EXPECT_EQ(lib.ProbeResume(), 0);
  EXPECT_EQ(lib.site.resumeSupported, 1);
}

TEST(RealServerLogin, UserAndPassThroughSendCommandAgainstPyftpdlib) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer ftpd("alice", "wonder");
  ASSERT_TRUE(ftpd.Ok()) << ftpd.Log();
  CFtpLib lib;
  auto s = lib.ConnectServer(ftpd.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket) << lib.MessageText();
  EXPECT_EQ(lib.SendCommand("USER alice\r\n", s), 331);
  EXPECT_EQ(lib.SendCommand("PASS wonder\r\n", s), 230);
  EXPECT_EQ(lib.ProbeResume(), 1);
  EXPECT_EQ(lib.site.resumeSupported, 1);
  EXPECT_EQ(lib.QuerySystemType(), 1);
  EXPECT_EQ(lib.site.serverType, SERVER_TYPE_UNIX);
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_STREQ(lib.currentDir, "/");
  EXPECT_EQ(lib.SendCommand("QUIT\r\n", s), 221);
  platform::CloseSocket(s);
}

TEST(RealServerLogin, WrongPasswordIsRefusedByPyftpdlib) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer ftpd;
  ASSERT_TRUE(ftpd.Ok()) << ftpd.Log();
  CFtpLib lib;
  auto s = lib.ConnectServer(ftpd.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  EXPECT_EQ(lib.Login(s, ftpd.User().c_str(), "wrong"), 0);
  platform::CloseSocket(s);
}

TEST(RealServerLogin, VsftpdStartsGreetsAndTakesAnAnonymousLogin) {
  if (!skifftest::VsftpdServer::Available()) GTEST_SKIP() << "vsftpd is not installed";
  skifftest::VsftpdServer vsftpd;
  ASSERT_TRUE(vsftpd.Ok()) << vsftpd.Log();
  CFtpLib lib;
  auto s = lib.ConnectServer(vsftpd.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  EXPECT_EQ(lib.AnonymousLogin(s), 1);
  EXPECT_EQ(lib.ProbeResume(), 1);
  EXPECT_EQ(lib.QuerySystemType(), 1);
  EXPECT_EQ(lib.SendCommand("QUIT\r\n", s), 221);
  platform::CloseSocket(s);
}

}  // namespace

namespace {

TEST(ScriptedServerConnections, ServesOneConnectionAfterAnother) {
  ScriptedFtpServer server;
  server.SetCredentials("bob", "pw");
  for (int attempt = 1; attempt <= 3; ++attempt) {
    CFtpLib lib;
    auto s = lib.ConnectServer(server.Address().c_str());
    ASSERT_NE(s, platform::kInvalidSocket) << attempt;
    EXPECT_EQ(lib.Login(s, "bob", attempt < 3 ? "wrong" : "pw"), attempt < 3 ? 0 : 1);
    platform::CloseSocket(s);
  }
  EXPECT_TRUE(server.WaitForClosedConnections(3, 3000));
  EXPECT_EQ(server.ConnectionCount(), 3);
  auto commands = server.Commands();
  // USER and PASS each time, and FEAT after the login that succeeded.
  ASSERT_EQ(commands.size(), 7u);
  EXPECT_EQ(commands[6].line, "FEAT");
  EXPECT_EQ(commands[0].connection, 1);
  EXPECT_EQ(commands[6].connection, 3);
}

TEST(ScriptedServerConnections, TwoConnectionsAtOnceAndADrop) {
  ScriptedFtpServer server;
  CFtpLib first, second;
  auto a = first.ConnectServer(server.Address().c_str());
  auto b = second.ConnectServer(server.Address().c_str());
  ASSERT_NE(a, platform::kInvalidSocket);
  ASSERT_NE(b, platform::kInvalidSocket);
  EXPECT_EQ(first.Login(a, "x", "y"), 1);
  EXPECT_EQ(second.Login(b, "x", "y"), 1);
  server.DropConnections();
  EXPECT_EQ(first.SendCommand("NOOP\r\n", a), 999);
  EXPECT_TRUE(server.WaitForClosedConnections(2, 3000));
  platform::CloseSocket(a);
  platform::CloseSocket(b);
}

TEST(ScriptedServerConnections, CommandsBeforeLoginAreRefused) {
  ScriptedFtpServer server;
  CFtpLib lib;
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  EXPECT_EQ(lib.SendCommand("PWD\r\n", s), 530);
  EXPECT_EQ(lib.SendCommand("SYST\r\n", s), 215);
  server.SetLoginRequired(false);
  EXPECT_EQ(lib.SendCommand("PWD\r\n", s), 257);
  platform::CloseSocket(s);
}

}  // namespace
