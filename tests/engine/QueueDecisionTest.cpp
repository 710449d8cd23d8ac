// Existing targets: the question, the decision in force across a run, the
// restart offsets, renaming, and the settled rules for Skip and Cancel.
#include <gtest/gtest.h>

#include "QueueRunTestHelpers.h"

namespace {

using h4test::ReadFile;
using h4test::TempDir;
using h4test::WriteFile;
using h5test::LoggedInSession;
using h5test::ScriptedAnswers;
using h5test::TreeBelow;

struct ThreeDownloads {
  skifftest::ScriptedFtpServer server;
  TempDir local;
  std::unique_ptr<LoggedInSession> s;
  std::vector<TransferEntry> entries;

  // Remote f1..f3 with "new<i>"; local copies "old" where `existing` says so.
  explicit ThreeDownloads(std::vector<bool> existing) {
    for (int i = 1; i <= 3; ++i) {
      std::string name = "f" + std::to_string(i);
      server.AddFile("/" + name, "new" + std::to_string(i));
      if (existing[static_cast<std::size_t>(i - 1)]) WriteFile(local.Path(name), "old");
    }
    s = std::make_unique<LoggedInSession>(server);
  }
  bool RunAll() {
    entries.clear();
    for (int i = 1; i <= 3; ++i)
      entries.push_back(
          s->Entry("/", "f" + std::to_string(i), local.Folder(), XFER_DOWNLOAD, false, 4));
    // All three are queued before the run starts, as a selection queued by
    // the window is while its question waits for the window: a decision for
    // the rest of the run covers all of them.
    return s->Run(
        [&] {
          for (auto& e : entries) s->session.transferQueue.Add(e);
          s->session.RunQueue();
        },
        1);
  }
};

TEST(QueueDecision, OverwriteWithApplyAllIsAskedOnceAndReplacesAll) {
  ThreeDownloads t({true, true, true});
  auto answers = std::make_shared<ScriptedAnswers>(
      std::vector<ScriptedAnswers::Answer>{{ACTION_OVERWRITE, true}});
  t.s->session.questions = answers;
  ASSERT_TRUE(t.s->Connect());
  ASSERT_TRUE(t.RunAll());

  EXPECT_EQ(answers->Asked(), std::vector<std::string>{t.local.Path("f1")});
  for (int i = 1; i <= 3; ++i)
    EXPECT_EQ(ReadFile(t.local.Path("f" + std::to_string(i))), "new" + std::to_string(i));
  EXPECT_EQ(t.server.Lines("RETR").size(), 3u);
  EXPECT_EQ(t.s->session.transferQueue.Size(), 0u);

  // The next run asks again, with the tick as it was left.
  WriteFile(t.local.Path("f1"), "old");
  TransferEntry again = t.s->Entry("/", "f1", t.local.Folder(), XFER_DOWNLOAD, false, 4);
  ASSERT_TRUE(t.s->Run([&] { t.s->session.QueueTransfer(again); }));
  EXPECT_EQ(answers->Asked().size(), 2u);
  EXPECT_EQ(answers->TicksShown(), (std::vector<std::int32_t>{0, 1}));
}

TEST(QueueDecision, SkipWithApplyAllSkipsOnlyExistingTargets) {
  ThreeDownloads t({true, false, true});
  auto answers = std::make_shared<ScriptedAnswers>(
      std::vector<ScriptedAnswers::Answer>{{ACTION_SKIP, true}});
  t.s->session.questions = answers;
  ASSERT_TRUE(t.s->Connect());
  ASSERT_TRUE(t.RunAll());

  EXPECT_EQ(answers->Asked().size(), 1u);
  EXPECT_EQ(ReadFile(t.local.Path("f1")), "old");
  EXPECT_EQ(ReadFile(t.local.Path("f2")), "new2");
  EXPECT_EQ(ReadFile(t.local.Path("f3")), "old");
  EXPECT_EQ(t.server.Lines("RETR"), std::vector<std::string>{"RETR f2"});
  // Skipped entries leave the queue as finished ones do.
  EXPECT_EQ(t.s->session.transferQueue.Size(), 0u);
}

TEST(QueueDecision, SkipWithoutTheTickAsksForEveryExistingTarget) {
  ThreeDownloads t({true, false, true});
  auto answers = std::make_shared<ScriptedAnswers>(
      std::vector<ScriptedAnswers::Answer>{{ACTION_SKIP, false}});
  t.s->session.questions = answers;
  ASSERT_TRUE(t.s->Connect());
  ASSERT_TRUE(t.RunAll());
  EXPECT_EQ(answers->Asked(), (std::vector<std::string>{t.local.Path("f1"), t.local.Path("f3")}));
  EXPECT_EQ(ReadFile(t.local.Path("f2")), "new2");
}

TEST(QueueDecision, NoOneToAskMeansSkip) {
  ThreeDownloads t({true, false, false});
  ASSERT_TRUE(t.s->Connect());
  ASSERT_TRUE(t.RunAll());
  EXPECT_EQ(ReadFile(t.local.Path("f1")), "old");
  EXPECT_EQ(t.server.Lines("RETR"), (std::vector<std::string>{"RETR f2", "RETR f3"}));
}

TEST(QueueDecision, ResumeOfALargerLocalFileSendsRestWithItsSize) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/big.bin", "abc");
  TempDir local;
  WriteFile(local.Path("big.bin"), "abcdef");
  LoggedInSession s(server);
  s.session.questions = std::make_shared<CFixedAnswers>(ACTION_RESUME, false);
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "big.bin", local.Folder(), XFER_DOWNLOAD, false, 3);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));
  EXPECT_EQ(server.Lines("REST").back(), "REST 6");
  // The server accepted the offset and sent nothing more: the file is kept,
  // but it is not what the listing promised, so the entry fails.
  EXPECT_EQ(ReadFile(local.Path("big.bin")), "abcdef");
  ASSERT_EQ(s.session.transferQueue.Size(), 1u);
  EXPECT_EQ(s.session.transferQueue.Entries()[0].state, ENTRY_FAILED);
  s.session.transferQueue.Remove(e);

  // A server that refuses the offset decides otherwise: the file starts anew.
  server.SetReply("REST", "501 Bad offset.");
  TransferEntry again = s.Entry("/", "big.bin", local.Folder(), XFER_DOWNLOAD, false, 3);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(again); }));
  EXPECT_EQ(server.Lines("REST").back(), "REST 6");
  EXPECT_EQ(ReadFile(local.Path("big.bin")), "abc");
}

TEST(QueueDecision, UploadResumeContinuesFromTheListedSize) {
  skifftest::ScriptedFtpServer server;
  server.SetHomeDir("/up");
  server.AddFile("/up/b.txt", "12345");
  TempDir local;
  WriteFile(local.Path("a.txt"), "A");
  WriteFile(local.Path("b.txt"), "1234567890");
  WriteFile(local.Path("c.txt"), "C");
  LoggedInSession s(server);
  auto answers = std::make_shared<ScriptedAnswers>(
      std::vector<ScriptedAnswers::Answer>{{ACTION_RESUME, false}});
  s.session.questions = answers;
  ASSERT_TRUE(s.Connect());
  std::vector<TransferEntry> es;
  for (const char* n : {"a.txt", "b.txt", "c.txt"})
    es.push_back(s.Entry("/up", n, local.Folder(), XFER_UPLOAD, false));
  ASSERT_TRUE(s.Run([&] {
    for (auto& e : es) s.session.QueueTransfer(e);
  }, 3));
  EXPECT_EQ(answers->Asked(), std::vector<std::string>{"/up/b.txt"});
  EXPECT_EQ(server.CountCommands("APPE b.txt"), 1u);
  // APPE adds to the end by itself: no REST goes with it.
  EXPECT_EQ(server.CountCommands("REST 5"), 0u);
  EXPECT_EQ(server.FileContents("/up/b.txt").value_or("?"), "1234567890");
  EXPECT_EQ(server.FileContents("/up/a.txt").value_or("?"), "A");
}

TEST(QueueDecision, RenameWritesUnderTheNewNameAndCancelSkips) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/a.txt", "remote");
  server.AddFile("/b.txt", "remote b");
  TempDir local;
  WriteFile(local.Path("a.txt"), "mine");
  WriteFile(local.Path("b.txt"), "mine b");
  LoggedInSession s(server);
  // a.txt: Rename to "copy.txt"; b.txt: Rename, then Cancel in the name question.
  auto answers = std::make_shared<ScriptedAnswers>(
      std::vector<ScriptedAnswers::Answer>{{ACTION_RENAME, false}},
      std::vector<std::string>{"copy.txt"});
  s.session.questions = answers;
  ASSERT_TRUE(s.Connect());
  TransferEntry a = s.Entry("/", "a.txt", local.Folder(), XFER_DOWNLOAD, false, 6);
  TransferEntry b = s.Entry("/", "b.txt", local.Folder(), XFER_DOWNLOAD, false, 8);
  ASSERT_TRUE(s.Run([&] {
    s.session.QueueTransfer(a);
    s.session.QueueTransfer(b);
  }, 2));
  EXPECT_EQ(answers->NamesShown(), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(ReadFile(local.Path("copy.txt")), "remote");
  EXPECT_EQ(ReadFile(local.Path("a.txt")), "mine");
  EXPECT_EQ(ReadFile(local.Path("b.txt")), "mine b");
  EXPECT_EQ(server.Lines("RETR"), std::vector<std::string>{"RETR a.txt"});
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);
}

TEST(QueueDecision, ARenameOutOfTheFolderIsRefused) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/a.txt", "remote");
  TempDir root;
  std::filesystem::create_directories(root.Path("dest"));
  WriteFile(root.Path("dest/a.txt"), "mine");
  LoggedInSession s(server);
  s.session.questions = std::make_shared<ScriptedAnswers>(
      std::vector<ScriptedAnswers::Answer>{{ACTION_RENAME, false}},
      std::vector<std::string>{"../escaped.txt"});
  ASSERT_TRUE(s.Connect());
  TransferEntry a = s.Entry("/", "a.txt", root.Path("dest") + "/", XFER_DOWNLOAD, false, 6);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(a); }));
  EXPECT_EQ(TreeBelow(root.Folder()), (std::vector<std::string>{"dest/", "dest/a.txt"}));
  std::vector<TransferEntry> left = s.session.transferQueue.Entries();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].state, ENTRY_FAILED);
}

}  // namespace
