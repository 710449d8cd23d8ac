// What a hostile server can't do: hold the client in a reply that never ends
// (too many lines or bytes), or end the program by running memory out.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <new>

#include "QueueRunTestHelpers.h"
#include "engine/FtpLib.h"

namespace {

using h4test::kWaitMs;
using h4test::TempDir;
using h5test::LoggedInSession;
using skifftest::Script;

// Logs in with a bare CFtpLib, sends FEAT (answered by `reply`, which never
// ends) and expects the reply to be given up and the connection closed.
void ExpectFeatGivenUp(const std::string& reply) {
  skifftest::ScriptedFtpServer server;
  server.QueueReply("FEAT", Script().Raw(reply));  // no last line; the connection stays open
  CFtpLib lib;
  platform::SocketHandle s = lib.ConnectServer(server.Address().c_str());
  ASSERT_NE(s, platform::kInvalidSocket);
  ASSERT_EQ(lib.Login(s, "user", "secret"), 1);

  auto feat = std::async(std::launch::async, [&] { return lib.SendCommand("FEAT\r\n", s); });
  bool returned = feat.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (!returned) platform::ShutdownSocket(s);  // a broken engine fails instead of hanging
  ASSERT_TRUE(returned) << "the client still reads the endless reply";
  EXPECT_EQ(feat.get(), REPLY_LOCAL_FAILURE);
  // Its replies can no longer be paired: the client has hung up.
  EXPECT_TRUE(server.WaitForClosedConnections(1, kWaitMs));
  EXPECT_NE(lib.LastError().find("never ended"), std::string::npos) << lib.LastError();
  platform::CloseSocket(lib.controlSocket.exchange(platform::kInvalidSocket));
}

TEST(ReplyBounds, AReplyOfTooManyLinesIsGivenUp) {
  std::string reply = "211-Features:\r\n";
  for (std::size_t i = 0; i <= kMaxReplyLines + 100; ++i)
    reply += " FEATURE" + std::to_string(i) + "\r\n";
  ASSERT_LT(reply.size(), kMaxReplyBytes);  // the line count alone is over
  ExpectFeatGivenUp(reply);
}

TEST(ReplyBounds, AReplyOfTooManyBytesIsGivenUp) {
  std::string reply = "211-Features:\r\n";
  const std::string line = " " + std::string(1500, 'f') + "\r\n";
  while (reply.size() <= kMaxReplyBytes + 64 * 1024) reply += line;
  ASSERT_LT(reply.size() / line.size(), kMaxReplyLines);  // the byte count alone is over
  ExpectFeatGivenUp(reply);
}

// Memory runs out while the user is asked about a target.
class OutOfMemoryAnswers final : public CUserQuestions {
 public:
  void AskTargetExists(TargetExistsQuestion&) override { throw std::bad_alloc(); }
  bool AskNewName(std::string&) override { return false; }
};

TEST(ReplyBounds, RunningOutOfMemoryEndsTheSessionNotTheProgram) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/a.txt", "remote");
  TempDir local;
  h4test::WriteFile(local.Path("a.txt"), "local");  // so that the question comes
  LoggedInSession s(server);
  s.session.questions = std::make_shared<OutOfMemoryAnswers>();
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "a.txt", local.Folder(), XFER_DOWNLOAD, false, 6);
  s.session.QueueTransfer(e);

  ASSERT_TRUE(h4test::WaitUntil([&] {
    for (auto& l : h4test::StatusLines(*s.windows.log))
      if (l.rfind("The session ended: ", 0) == 0) return true;
    return false;
  }));
  ASSERT_TRUE(h4test::WaitUntil([&] { return !s.session.HasWorker(); }));
  EXPECT_EQ(s.session.IsLoggedIn(), 0);
  EXPECT_EQ(h4test::ReadFile(local.Path("a.txt")), "local");

  // The object starts again and works (the user makes the entry pending again).
  s.session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  s.session.transferQueue.SetState(ENTRY_PENDING, e);
  s.session.Start();
  ASSERT_TRUE(
      h4test::WaitForStatus(*s.windows.log, "Fininsh initialization, waiting for orders", 2));
  ASSERT_TRUE(s.Run([&] { s.session.RunQueue(); }));
  EXPECT_EQ(h4test::ReadFile(local.Path("a.txt")), "remote");
}

TEST(ReplyBounds, TheEntryRunningWhenMemoryRanOutIsNotLeftRunning) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/a.txt", "remote");
  TempDir local;
  h4test::WriteFile(local.Path("a.txt"), "local");
  LoggedInSession s(server);
  s.session.questions = std::make_shared<OutOfMemoryAnswers>();
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "a.txt", local.Folder(), XFER_DOWNLOAD, false, 6);
  s.session.QueueTransfer(e);
  ASSERT_TRUE(h4test::WaitUntil([&] { return !s.session.HasWorker(); }));
  std::vector<TransferEntry> left = s.session.transferQueue.Entries();
  ASSERT_EQ(left.size(), 1u);
  // Nothing runs any more: the entry must not say it does (a later run
  // takes only pending entries, so a "running" one is never tried again).
  EXPECT_EQ(left[0].state, ENTRY_FAILED);
}

}  // namespace
