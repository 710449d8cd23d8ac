// The control channel of CFtpLib against the scripted server: replies of every
// shape, the echo to the log, connect failures, SYST and PWD.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <cstring>
#include <regex>
#include <thread>

#include "engine/FtpLib.h"
#include "platform/MessageIds.h"
#include "platform/Notice.h"
#include "platform/Sync.h"
#include "support/ScriptedFtpServer.h"

using skifftest::Script;
using skifftest::ScriptedFtpServer;

namespace {

constexpr const char* kReplyPrefix = "                        ";  // 24 blanks

class TestLib : public CFtpLib {
 public:
  using CFtpLib::cancelRequested;
  using CFtpLib::stopRequested;
};

class NoticeRecorder : public platform::NoticeSink {
 public:
  void ShowNotice(const std::string& caption, const std::string& text) override {
    std::lock_guard<std::mutex> lock(mutex);
    notices.emplace_back(caption, text);
  }
  std::mutex mutex;
  std::vector<std::pair<std::string, std::string>> notices;
};

class ControlChannel : public ::testing::Test {
 protected:
  void SetUp() override {
    lib.logWindow = log;
    lib.progressWindow = progress;
  }
  void TearDown() override {
    platform::SetNoticeSink(nullptr);
    if (lib.controlSocket != platform::kInvalidSocket) platform::CloseSocket(lib.controlSocket);
  }

  // Connects without reading anything, so that the test reads the greeting.
  platform::SocketHandle RawConnect() {
    platform::SocketHandle s = platform::CreateTcpSocket();
    platform::Endpoint to{skifftest::kLoopback, server.Port()};
    EXPECT_TRUE(platform::ConnectTo(s, to));
    lib.controlSocket = s;
    return s;
  }
  std::vector<std::string> Replies() { return log->Texts(msg::WM_SESSION_REPLY_LINE); }
  std::vector<std::string> Commands() { return log->Texts(msg::WM_SESSION_COMMAND_LINE); }
  std::vector<std::string> Statuses() { return log->Texts(msg::WM_SESSION_STATUS_LINE); }
  // The logged reply lines without their 24-blank prefix, joined.
  std::string ReplyBytes() {
    std::string all;
    for (const auto& line : Replies()) {
      EXPECT_EQ(line.compare(0, 24, kReplyPrefix), 0) << line;
      all += line.substr(24);
    }
    return all;
  }

  ScriptedFtpServer server;
  std::shared_ptr<platform::RecordingTarget> log = std::make_shared<platform::RecordingTarget>();
  std::shared_ptr<platform::RecordingTarget> progress =
      std::make_shared<platform::RecordingTarget>();
  TestLib lib;
};

TEST(ReplyCodeTest, ReadsTheFirstThreeCharactersAsAtoiDoes) {
  EXPECT_EQ(CFtpLib::ReplyCode("220 Ready\r\n"), 220);
  EXPECT_EQ(CFtpLib::ReplyCode("2201 long"), 220);
  EXPECT_EQ(CFtpLib::ReplyCode("22"), 22);
  EXPECT_EQ(CFtpLib::ReplyCode(""), 0);
  EXPECT_EQ(CFtpLib::ReplyCode("abc"), 0);
  EXPECT_EQ(CFtpLib::ReplyCode(" 12x"), 12);
  EXPECT_EQ(CFtpLib::ReplyCode("5a0 x"), 5);
}

TEST_F(ControlChannel, MultiLineReplyReturnsTheCodeOfItsLastLine) {
  server.QueueGreeting(Script("220-Welcome\r\nfree text line\r\n220 Ready"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  auto lines = Replies();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(kReplyPrefix) + "220-Welcome\r\n");
  EXPECT_EQ(lines[1], std::string(kReplyPrefix) + "free text line\r\n");
  EXPECT_EQ(lines[2], std::string(kReplyPrefix) + "220 Ready\r\n");
}

TEST_F(ControlChannel, MiddleLineWithCodeAndBlankEndsTheReply) {
  server.QueueGreeting(Script("220-first\r\n220 middle\r\n220 last"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  EXPECT_EQ(Replies().size(), 2u);
  EXPECT_EQ(lib.ReadReply(s), 220);  // the rest is read as a reply of its own
  ASSERT_EQ(Replies().size(), 3u);
  EXPECT_EQ(Replies()[2], std::string(kReplyPrefix) + "220 last\r\n");
}

TEST_F(ControlChannel, ContinuationLinesWithOtherCodesAreText) {
  server.QueueGreeting(Script("230-first\r\n200 not the end\r\n230-still going\r\n230 done"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 230);
  EXPECT_EQ(Replies().size(), 4u);
}

TEST_F(ControlChannel, TwoRepliesInOneSegmentAreReadOneAtATime) {
  server.QueueGreeting(Script().Raw("220 one\r\n221 two\r\n"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  ASSERT_EQ(Replies().size(), 1u);
  EXPECT_EQ(lib.ReadReply(s), 221);
  ASSERT_EQ(Replies().size(), 2u);
  EXPECT_EQ(Replies()[1], std::string(kReplyPrefix) + "221 two\r\n");
}

TEST_F(ControlChannel, SecondReplyOfASegmentIsLeftForDrainReplies) {
  server.QueueGreeting(Script().Raw("220 one\r\n226 late\r\n"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  lib.DrainReplies();
  ASSERT_EQ(Replies().size(), 2u);
  EXPECT_EQ(Replies()[1], std::string(kReplyPrefix) + "226 late\r\n");
}

TEST_F(ControlChannel, DrainRepliesReadsRepliesThatArriveWithinASecondOfEachOther) {
  server.QueueGreeting(
      Script().Raw("220 hi\r\n").Pause(300).Raw("426 aborted\r\n").Pause(300).Raw("226 done\r\n"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  lib.DrainReplies();
  EXPECT_EQ(Replies().size(), 3u);
}

TEST_F(ControlChannel, DrainRepliesEndsWhenTheServerHangsUp) {
  server.QueueGreeting(Script().Raw("220 hi\r\n421 bye\r\n").Close());
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  auto draining = std::async(std::launch::async, [&] { lib.DrainReplies(); });
  ASSERT_EQ(draining.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(Replies().size(), 2u);
}

TEST_F(ControlChannel, ReplySplitAcrossSegmentsIsReadWhole) {
  server.QueueGreeting(Script().Raw("22").Pause(150).Raw("0 Hel").Pause(100).Raw("lo\r\n"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  ASSERT_EQ(Replies().size(), 1u);
  EXPECT_EQ(Replies()[0], std::string(kReplyPrefix) + "220 Hello\r\n");
}

TEST_F(ControlChannel, MultiLineReplySplitInsideItsLastLine) {
  server.QueueGreeting(Script().Raw("220-a\r\n22").Pause(100).Raw("0 b\r\n"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  EXPECT_EQ(ReplyBytes(), "220-a\r\n220 b\r\n");
}

TEST_F(ControlChannel, LongLineWithoutLfIsConsumedInPiecesWithNoByteLost) {
  std::string longText = "220 " + std::string(2500, 'a');
  for (std::size_t i = 0; i < longText.size(); i += 97) longText[i] = static_cast<char>('A' + i % 26);
  longText[0] = '2';
  longText[1] = '2';
  longText[2] = '0';
  longText[3] = ' ';
  server.QueueGreeting(Script().Raw(longText + "\r\n221 next\r\n"));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  auto lines = Replies();
  ASSERT_GE(lines.size(), 3u);  // pieces of at most 1023 bytes
  for (const auto& l : lines) EXPECT_LE(l.size(), 24u + kReplyBufferSize - 1);
  EXPECT_EQ(ReplyBytes(), longText + "\r\n");
  // The rest of the long line did not count as a reply of its own.
  EXPECT_EQ(lib.ReadReply(s), 221);
}

TEST_F(ControlChannel, LongFreeTextLineInsideAMultiLineReply) {
  std::string text = "220-start\r\n" + std::string(3000, 'x') + "\r\n220 end\r\n";
  server.QueueGreeting(Script().Raw(text));
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 220);
  EXPECT_EQ(ReplyBytes(), text);
}

TEST_F(ControlChannel, LongLineCutByAHangUpGives999AndLogsEveryByte) {
  std::string text = "220 " + std::string(1500, 'z');
  server.QueueGreeting(Script().Raw(text).Close());
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 999);
  EXPECT_EQ(ReplyBytes(), text);
}

TEST_F(ControlChannel, ServerClosingWhileAReplyIsAwaitedGives999) {
  server.QueueGreeting(Script().Raw("220-partial\r\n").Close());
  auto s = RawConnect();
  EXPECT_EQ(lib.ReadReply(s), 999);
  EXPECT_EQ(Replies().size(), 1u);
}

TEST_F(ControlChannel, HangUpInsteadOfAReplyToACommandGives999) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  server.QueueReply("NOOP", Script().Close());
  EXPECT_EQ(lib.SendCommand("NOOP\r\n", s), 999);
}

TEST_F(ControlChannel, StopEndsAWaitForAReply) {
  server.QueueGreeting(Script());  // says nothing
  auto s = RawConnect();
  // The server never answers: only the stop can end the read.
  auto reading = std::async(std::launch::async, [&] { return lib.ReadReply(s); });
  if (reading.wait_for(std::chrono::milliseconds(200)) == std::future_status::ready) {
    ADD_FAILURE() << "the read ended although nothing came";
    return;
  }
  lib.stopRequested = true;
  ASSERT_EQ(reading.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(reading.get(), 999);
}

TEST_F(ControlChannel, ShutdownOfTheSocketEndsAWaitForAReply) {
  server.QueueGreeting(Script());
  auto s = RawConnect();
  auto reading = std::async(std::launch::async, [&] { return lib.ReadReply(s); });
  if (reading.wait_for(std::chrono::milliseconds(200)) == std::future_status::ready) {
    ADD_FAILURE() << "the read ended although nothing came";
    return;
  }
  platform::ShutdownSocket(s);
  ASSERT_EQ(reading.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(reading.get(), 999);
}

TEST_F(ControlChannel, SendCommandEchoesTheLineAndReturnsTheReplyCode) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  EXPECT_EQ(lib.controlSocket.load(), s);
  EXPECT_EQ(lib.SendCommand("USER bob\r\n", s), 331);
  EXPECT_EQ(lib.SendCommand("PASS very-secret\r\n", s), 230);
  auto cmds = Commands();
  ASSERT_EQ(cmds.size(), 2u);
  EXPECT_EQ(cmds[0], "COMMAND >   USER bob\r\n");
  EXPECT_EQ(cmds[1], "COMMAND >   PASS *\r\n");
  EXPECT_TRUE(server.WaitForCommand("PASS very-secret", 2000));  // sent unmasked
  for (const auto& r : Replies()) EXPECT_EQ(r.find("very-secret"), std::string::npos);
}

TEST_F(ControlChannel, LogProtocolLineMasksAPasswordInPlace) {
  std::string pass = "PASS hunter2\r\n";
  lib.LogProtocolLine(pass, 1);
  EXPECT_EQ(pass, "PASS *\r\n");
  std::string reply = "PASS hunter2\r\n";
  lib.LogProtocolLine(reply, 0);  // a received line is never rewritten
  EXPECT_EQ(reply, "PASS hunter2\r\n");
  EXPECT_EQ(Commands(), std::vector<std::string>{"COMMAND >   PASS *\r\n"});
  EXPECT_EQ(Replies(), std::vector<std::string>{std::string(kReplyPrefix) + "PASS hunter2\r\n"});
}

TEST_F(ControlChannel, ProceedZeroSendsNothingAndPostsNothing) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  std::size_t before = log->Count();
  lib.proceed = 0;
  EXPECT_EQ(lib.SendCommand("NOOP\r\n", s), 999);
  EXPECT_EQ(lib.QueryCurrentDir(), 999);
  EXPECT_EQ(log->Count(), before);
  lib.proceed = 1;
  EXPECT_EQ(lib.SendCommand("NOOP\r\n", s), 200);
  EXPECT_EQ(server.CountCommands("NOOP"), 1u);
}

TEST_F(ControlChannel, SendOnAClosedSocketWritesTheSendFailureText) {
  platform::SocketHandle s = platform::CreateTcpSocket();  // never connected
  EXPECT_EQ(lib.SendCommand("NOOP\r\n", s), 999);
  EXPECT_TRUE(std::regex_match(lib.MessageText(),
                               std::regex(R"( \d+ error while Send ftp command !)")))
      << lib.MessageText();
  EXPECT_EQ(log->Count(), 0u);
  platform::CloseSocket(s);
}

TEST_F(ControlChannel, ConnectServerLogsTheGreeting) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  ASSERT_EQ(Replies().size(), 1u);
  EXPECT_EQ(Replies()[0], std::string(kReplyPrefix) + "220 Skiffline scripted FTP server ready.\r\n");
}

TEST_F(ControlChannel, A421GreetingFailsTheConnectWithTheServersWords) {
  server.QueueGreeting(Script("421 Too many users, try later.").Close());
  EXPECT_EQ(lib.ConnectServer(server.Address().c_str()), platform::kInvalidSocket);
  EXPECT_EQ(Replies()[0], std::string(kReplyPrefix) + "421 Too many users, try later.\r\n");
  EXPECT_EQ(lib.LastError(), "the server refused the connection: 421 Too many users, try later.");
  EXPECT_EQ(lib.controlSocket.load(), platform::kInvalidSocket);
}

TEST_F(ControlChannel, AGreetingThatAsksToWaitIsFollowedByTheRealOne) {
  server.QueueGreeting(Script().Send("120 Ready in a moment.").Pause(50).Send("220 Ready."));
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  // The 220 belongs to the greeting, not to USER.
  server.QueueReply("USER", "331 Password, please.");
  EXPECT_EQ(lib.SendCommand("USER bob\r\n", s), 331);
}

TEST_F(ControlChannel, UnresolvableHostFailsWithTheAddressText) {
  EXPECT_EQ(lib.ConnectServer("no-such-host.invalid"), platform::kInvalidSocket);
  EXPECT_TRUE(std::regex_match(lib.MessageText(),
                               std::regex(R"( -?\d+ error while get server ip addr!)")))
      << lib.MessageText();
  EXPECT_EQ(log->Count(), 0u);
}

TEST_F(ControlChannel, InvalidPortIsAResolveFailure) {
  for (const char* bad : {"127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:", "127.0.0.1:21x",
                          "127.0.0.1:-5", "127.0.0.1:999999"}) {
    lib.FormatMessage("%s", "");
    EXPECT_EQ(lib.ConnectServer(bad), platform::kInvalidSocket) << bad;
    EXPECT_TRUE(std::regex_match(lib.MessageText(),
                                 std::regex(R"( -?\d+ error while get server ip addr!)")))
        << bad << ": " << lib.MessageText();
  }
}

TEST_F(ControlChannel, RefusedConnectFailsWithTheConnectText) {
  // A port that was free a moment ago and has no listener.
  platform::Socket probe(platform::CreateTcpSocket());
  platform::Endpoint local{skifftest::kLoopback, 0};
  ASSERT_TRUE(platform::BindTo(probe.Get(), local));
  ASSERT_TRUE(platform::LocalEndpoint(probe.Get(), local));
  probe.Reset();
  std::string address = "127.0.0.1:" + std::to_string(local.port);
  EXPECT_EQ(lib.ConnectServer(address.c_str()), platform::kInvalidSocket);
  EXPECT_TRUE(std::regex_match(lib.MessageText(), std::regex(R"(\d+ error while connect server !)")))
      << lib.MessageText();
}

TEST_F(ControlChannel, PostStatusFramesTheTextAndEndsItWithCrLf) {
  lib.PostStatus("Connecting to x ........");
  lib.PostStatus("Already ended\r\n");
  lib.PostStatus("");
  auto lines = Statuses();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "STATUS>        Connecting to x ........\r\n");
  EXPECT_EQ(lines[1], "STATUS>        Already ended\r\n");
  EXPECT_EQ(lines[2], "STATUS>        \r\n");
}

TEST_F(ControlChannel, PostProgressTextGoesToTheProgressWindow) {
  lib.PostProgressText("Receive number of bytes: 63");
  EXPECT_EQ(progress->Texts(msg::WM_SESSION_PROGRESS_TEXT),
            std::vector<std::string>{"Receive number of bytes: 63"});
  EXPECT_EQ(log->Count(), 0u);
}

TEST_F(ControlChannel, WaitReadableSeesDataWithinItsSecondAndOtherwiseGivesUp) {
  server.QueueGreeting(Script().Pause(300).Raw("220 late\r\n"));
  auto s = RawConnect();
  EXPECT_EQ(lib.WaitReadable(s), 1);  // arrives inside the wait
  EXPECT_EQ(lib.ReadReply(s), 220);
  EXPECT_EQ(lib.WaitReadable(s), 0);  // nothing more comes
}

TEST_F(ControlChannel, PwdWithQuotesSetsTheCurrentDirectory) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  server.QueueReply("PWD", "257 \"/home/user\" is the current directory");
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_STREQ(lib.currentDir, "/home/user");
  EXPECT_EQ(Commands().back(), "COMMAND >   PWD\r\n");
}

TEST_F(ControlChannel, PwdReadsADoubledQuoteAsOne) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  server.QueueReply("PWD", "257 \"/a\"\"b\" is the current directory");
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_EQ(lib.CurrentDir(), "/a\"b");
  server.QueueReply("PWD", "257 \"/q\"\"\"\"\" ends in two quotes");
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_EQ(lib.CurrentDir(), "/q\"\"");
}

TEST_F(ControlChannel, PwdWithoutQuotesLeavesTheDirectoryEmpty) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  std::strcpy(lib.currentDir, "/old");
  server.QueueReply("PWD", "257 /home/user is the current directory");
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_STREQ(lib.currentDir, "");
}

TEST_F(ControlChannel, PwdRefusedLeavesTheDirectoryUnchanged) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  std::strcpy(lib.currentDir, "/old");
  server.QueueReply("PWD", "550 No.");
  EXPECT_EQ(lib.QueryCurrentDir(), 0);
  EXPECT_STREQ(lib.currentDir, "/old");
}

TEST_F(ControlChannel, PwdSplitAcrossSegments) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  server.QueueReply("PWD", Script().Raw("257 \"/ho").Pause(100).Raw("me\" ok\r\n"));
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_STREQ(lib.currentDir, "/home");
}

TEST_F(ControlChannel, PwdAfterLoginReportsTheServersFolder) {
  server.SetHomeDir("/srv/ftp");
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_EQ(lib.Login(s, "bob", "pw"), 1);
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_STREQ(lib.currentDir, "/srv/ftp");
}

struct SystCase {
  const char* reply;
  int result;
  int type;
};

class SystTest : public ControlChannel, public ::testing::WithParamInterface<SystCase> {};

TEST_P(SystTest, SetsTheServerTypeFromTheReply) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  lib.site.serverType = 7;
  server.QueueReply("SYST", GetParam().reply);
  lib.proceed = 0;  // SYST does not look at proceed
  EXPECT_EQ(lib.QuerySystemType(), GetParam().result);
  EXPECT_EQ(lib.site.serverType, GetParam().type);
  EXPECT_EQ(Commands().back(), "COMMAND >   SYST\r\n");
  EXPECT_EQ(Replies().back(), std::string(kReplyPrefix) + GetParam().reply + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Replies, SystTest,
                         ::testing::Values(SystCase{"215 UNIX Type: L8", 1, 1},
                                           SystCase{"215 Windows_NT", 1, 2},
                                           SystCase{"215 MACOS Peter's Server", 1, 1},
                                           SystCase{"500 SYST not understood", 0, 7}));

TEST_F(ControlChannel, SystReplySplitOrMultiLineIsReadWhole) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  server.QueueReply("SYST", Script().Raw("215 Wind").Pause(100).Raw("ows_NT\r\n"));
  EXPECT_EQ(lib.QuerySystemType(), 1);
  EXPECT_EQ(lib.site.serverType, SERVER_TYPE_WINDOWS_NT);
  server.QueueReply("SYST", "215-Remote system type is\r\n215 UNIX");
  EXPECT_EQ(lib.QuerySystemType(), 1);
  EXPECT_EQ(lib.site.serverType, SERVER_TYPE_UNIX);
  // Nothing of either reply is left for the next command.
  EXPECT_EQ(lib.SendCommand("NOOP\r\n", s), 200);
}

TEST_F(ControlChannel, SystAnsweredByAHangUpFails) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  lib.site.serverType = 2;
  server.QueueReply("SYST", Script().Close());
  EXPECT_EQ(lib.QuerySystemType(), 0);
  EXPECT_EQ(lib.site.serverType, 2);
}

TEST_F(ControlChannel, MultiLinePwdReplyIsReadToItsEnd) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  server.QueueReply("PWD", "257-\"/first\" is current\r\nmore text\r\n257 end");
  EXPECT_EQ(lib.QueryCurrentDir(), 1);
  EXPECT_STREQ(lib.currentDir, "/first");
  EXPECT_EQ(lib.SendCommand("NOOP\r\n", s), 200);
}

TEST_F(ControlChannel, SystSocketErrorShowsAnErrorBoxAndGives999) {
  auto notices = std::make_shared<NoticeRecorder>();
  platform::SetNoticeSink(notices);
  platform::SocketHandle s = platform::CreateTcpSocket();  // not connected
  lib.controlSocket = s;
  lib.site.serverType = 2;
  EXPECT_EQ(lib.QuerySystemType(), 999);
  EXPECT_EQ(lib.site.serverType, 2);
  ASSERT_EQ(notices->notices.size(), 1u);
  EXPECT_EQ(notices->notices[0].first, "error");
  EXPECT_TRUE(std::regex_match(notices->notices[0].second,
                               std::regex(R"( \d+ error while Send ftp command !)")));
}

TEST_F(ControlChannel, TwoReadersNeverSplitAReply) {
  auto s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  // A slow multi-line reply, then a late extra reply.
  server.QueueReply("NOOP", Script()
                                .Raw("200-first\r\n")
                                .Pause(300)
                                .Raw("200 last\r\n")
                                .Pause(200)
                                .Raw("226 late\r\n"));
  int code = 0;
  std::thread worker([&] { code = lib.SendCommand("NOOP\r\n", s); });
  // The worker is inside the multi-line reply once its first line is logged.
  bool inside = log->WaitFor(
      [](const std::vector<platform::Message>& all) {
        for (auto& m : all)
          if (m.id == msg::WM_SESSION_REPLY_LINE &&
              const_cast<platform::Message&>(m).Text().find("200-first") != std::string::npos)
            return true;
        return false;
      },
      10000);
  EXPECT_TRUE(inside);
  lib.DrainReplies();  // the "cancel thread"
  worker.join();
  EXPECT_EQ(code, 200);
  EXPECT_EQ(ReplyBytes(),
            "220 Skiffline scripted FTP server ready.\r\n200-first\r\n200 last\r\n226 late\r\n");
}

}  // namespace
