// The foreground run as a whole: order, what stays in the queue, and Stop.
#include <gtest/gtest.h>

#include "QueueRunTestHelpers.h"

namespace {

using h5test::StateOf;

using h4test::TempDir;
using h5test::LoggedInSession;

TEST(QueueRun, StopFailsTheRestOfTheRunFastAndTheNextRunWorks) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/slow.bin", h4test::PatternData(256 * 1024));
  server.AddFile("/f2", "two");
  server.AddFile("/f3", "three");
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 20;
  server.QueueDataOptions(slow);  // downloads need no listing first: RETR is the first transfer
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry e1 = s.Entry("/", "slow.bin", local.Folder(), XFER_DOWNLOAD, false, 256 * 1024);
  TransferEntry e2 = s.Entry("/", "f2", local.Folder(), XFER_DOWNLOAD, false, 3);
  TransferEntry e3 = s.Entry("/", "f3", local.Folder(), XFER_DOWNLOAD, false, 5);

  std::size_t before = h5test::IdleCount(*s.windows.view);
  s.session.transferQueue.Add(e2);
  s.session.transferQueue.Add(e3);
  s.session.QueueTransfer(e1);
  ASSERT_TRUE(server.WaitForCommand("RETR slow.bin", h4test::kWaitMs));
  // What the Stop command does: clear the switch, mark the entry, cancel.
  s.session.SetProceed(0);
  s.session.transferQueue.SetState(ENTRY_STOPPED, e1);
  s.session.Cancel();
  ASSERT_TRUE(h4test::WaitUntil([&] { return h5test::IdleCount(*s.windows.view) > before; }));

  EXPECT_EQ(StateOf(s.session, e1), ENTRY_STOPPED);
  EXPECT_EQ(StateOf(s.session, e2), ENTRY_FAILED);
  EXPECT_EQ(StateOf(s.session, e3), ENTRY_FAILED);
  EXPECT_EQ(server.CountCommands("RETR f2"), 0u);
  EXPECT_EQ(server.CountCommands("RETR f3"), 0u);

  // The next run starts normally with the entries made pending again (the
  // failed attempts left empty local files behind).
  s.session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  s.session.transferQueue.SetState(ENTRY_PENDING, e2);
  s.session.transferQueue.SetState(ENTRY_PENDING, e3);
  ASSERT_TRUE(s.Run([&] { EXPECT_EQ(s.session.RunQueue(), 1); }));
  EXPECT_EQ(h4test::ReadFile(local.Path("f2")), "two");
  EXPECT_EQ(h4test::ReadFile(local.Path("f3")), "three");
  EXPECT_EQ(StateOf(s.session, e1), ENTRY_STOPPED);
  EXPECT_EQ(s.session.transferQueue.Size(), 1u);
}

TEST(QueueRun, FailedEntriesStayAndTheRunGoesOn) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/b.txt", "bravo");
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry missing = s.Entry("/", "missing.txt", local.Folder(), XFER_DOWNLOAD, false);
  TransferEntry b = s.Entry("/", "b.txt", local.Folder(), XFER_DOWNLOAD, false, 5);
  ASSERT_TRUE(s.Run([&] {
    s.session.QueueTransfer(missing);
    s.session.QueueTransfer(b);
  }, 2));
  EXPECT_EQ(StateOf(s.session, missing), ENTRY_FAILED);
  EXPECT_EQ(StateOf(s.session, b), -1);
  EXPECT_EQ(h4test::ReadFile(local.Path("b.txt")), "bravo");
  // A run with nothing pending neither lists nor changes anything.
  std::size_t lists = server.CountCommands("LIST");
  ASSERT_TRUE(s.Run([&] { s.session.RunQueue(); }));
  EXPECT_EQ(server.CountCommands("LIST"), lists);
  EXPECT_EQ(server.CountCommands("RETR missing.txt"), 1u);
}

TEST(QueueRun, AFolderEntryThatFailsInsideIsMarkedFailed) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/dir/a.txt", "a");
  server.AddFile("/dir/b.txt", "b");
  server.SetHandler("RETR", [](const skifftest::FtpCommand& c) -> std::optional<skifftest::Script> {
    if (c.argument == "a.txt") return skifftest::Script("550 Permission denied.");
    return std::nullopt;
  });
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "dir", local.Folder(), XFER_DOWNLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));
  EXPECT_EQ(StateOf(s.session, e), ENTRY_FAILED);
  // The first failure ends the folder.
  EXPECT_EQ(server.CountCommands("RETR b.txt"), 0u);
  EXPECT_EQ(std::string(s.session.currentDir), "/");
}

}  // namespace
