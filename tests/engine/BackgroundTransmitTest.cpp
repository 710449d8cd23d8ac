// The background worker: login groups over one connection each, a failed
// login, a Start while a run is active, and two real servers.
#include <gtest/gtest.h>

#include "QueueRunTestHelpers.h"
#include "engine/FtpTransmitFile.h"
#include "support/RealServers.h"

namespace {

using h4test::ReadFile;
using h4test::TempDir;

struct Background {
  h4test::Windows windows;
  CFileQueue queue;
  CFtpTransmitFile worker;
  Background() {
    windows.Attach(worker);
    worker.backgroundQueue = &queue;
  }
  bool RunToEnd() {
    worker.StartBackground();
    return worker.WaitIdle(60000);
  }
};

TransferEntry Download(const SiteRecord& site, const std::string& dir, const std::string& name,
                       const std::string& localDir, std::int64_t size) {
  TransferEntry e = h4test::MakeEntry(site, name, localDir, XFER_DOWNLOAD, size);
  h4test::SetText(e.remoteDir, dir);
  return e;
}

std::vector<std::string> CommandsOf(platform::RecordingTarget& log, const std::string& verb) {
  std::vector<std::string> out;
  for (auto& t : log.Texts(msg::WM_SESSION_COMMAND_LINE)) {
    std::string body = t.size() > 12 ? t.substr(12) : "";
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
    if (body.rfind(verb, 0) == 0) out.push_back(body);
  }
  return out;
}

TEST(BackgroundTransmit, OneLoginPerGroupInQueueOrder) {
  skifftest::ScriptedFtpServer one, two;
  one.AddFile("/a/f1", "one");
  one.AddFile("/b/f3", "three");
  two.AddFile("/f2", "two");
  TempDir local;
  Background bg;
  SiteRecord s1 = h4test::MakeSite(one.Address());
  SiteRecord s2 = h4test::MakeSite(two.Address());
  bg.queue.Add(Download(s1, "/a", "f1", local.Folder(), 3));
  bg.queue.Add(Download(s2, "/", "f2", local.Folder(), 3));
  bg.queue.Add(Download(s1, "/b", "f3", local.Folder(), 5));
  ASSERT_TRUE(bg.RunToEnd());

  EXPECT_EQ(one.ConnectionCount(), 1);
  EXPECT_EQ(two.ConnectionCount(), 1);
  EXPECT_EQ(ReadFile(local.Path("f1")), "one");
  EXPECT_EQ(ReadFile(local.Path("f2")), "two");
  EXPECT_EQ(ReadFile(local.Path("f3")), "three");
  EXPECT_EQ(CommandsOf(*bg.windows.log, "RETR"),
            (std::vector<std::string>{"RETR f1", "RETR f3", "RETR f2"}));
  EXPECT_EQ(one.CountCommands("QUIT"), 1u);
  EXPECT_EQ(two.CountCommands("QUIT"), 1u);
  EXPECT_EQ(bg.queue.Size(), 0u);
  // Each group changes to its entries' directories.
  EXPECT_EQ(one.Lines("CWD"), (std::vector<std::string>{"CWD /a", "CWD /b"}));
}

TEST(BackgroundTransmit, AFailedLoginLeavesItsEntryFailedAndTheRestGoes) {
  skifftest::ScriptedFtpServer good, bad;
  good.AddFile("/g", "good");
  bad.SetCredentials("someone", "else");
  TempDir local;
  Background bg;
  TransferEntry refused = Download(h4test::MakeSite(bad.Address()), "/", "x", local.Folder(), 1);
  bg.queue.Add(refused);
  bg.queue.Add(Download(h4test::MakeSite(good.Address()), "/", "g", local.Folder(), 4));
  ASSERT_TRUE(bg.RunToEnd());

  std::vector<TransferEntry> left = bg.queue.Entries();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(Matches(left[0], refused));
  EXPECT_EQ(left[0].state, ENTRY_FAILED);
  EXPECT_EQ(ReadFile(local.Path("g")), "good");
  EXPECT_EQ(bad.ConnectionCount(), 1);  // no retry within the run
}

TEST(BackgroundTransmit, ASecondStartWhileRunningOnlyLetsTheLoopTakeTheEntry) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/slow", h4test::PatternData(128 * 1024));
  server.AddFile("/late", "late");
  skifftest::DataOptions slow;
  slow.chunkSize = 8192;
  slow.chunkDelayMs = 20;
  server.QueueDataOptions(skifftest::DataOptions{});  // the group's listing
  server.QueueDataOptions(slow);
  TempDir local;
  Background bg;
  SiteRecord site = h4test::MakeSite(server.Address());
  bg.queue.Add(Download(site, "/", "slow", local.Folder(), 128 * 1024));
  bg.worker.StartBackground();
  ASSERT_TRUE(server.WaitForCommand("RETR slow", h4test::kWaitMs));
  bg.queue.Add(Download(site, "/", "late", local.Folder(), 4));
  bg.worker.StartBackground();
  EXPECT_TRUE(bg.worker.IsRunning());
  ASSERT_TRUE(bg.worker.WaitIdle(60000));

  EXPECT_EQ(server.ConnectionCount(), 1);
  EXPECT_EQ(ReadFile(local.Path("late")), "late");
  EXPECT_EQ(ReadFile(local.Path("slow")).size(), 128u * 1024);
  EXPECT_EQ(bg.queue.Size(), 0u);
}

TEST(BackgroundTransmit, ALaterEntryStoppedWhileRunningStays) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/first", "1");
  server.AddFile("/slow", h4test::PatternData(256 * 1024));
  server.AddFile("/third", "3");
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 20;
  server.QueueDataOptions(skifftest::DataOptions{});  // the group's listing
  server.QueueDataOptions(skifftest::DataOptions{});  // first
  server.QueueDataOptions(slow);
  TempDir local;
  Background bg;
  SiteRecord site = h4test::MakeSite(server.Address());
  TransferEntry stopped = Download(site, "/", "slow", local.Folder(), 256 * 1024);
  bg.queue.Add(Download(site, "/", "first", local.Folder(), 1));
  bg.queue.Add(stopped);
  bg.queue.Add(Download(site, "/", "third", local.Folder(), 1));
  bg.worker.StartBackground();
  ASSERT_TRUE(server.WaitForCommand("RETR slow", h4test::kWaitMs));
  // "Stop selected" on the running entry.
  bg.worker.SetProceed(0);
  bg.queue.SetState(ENTRY_STOPPED, stopped);
  bg.worker.Cancel();
  ASSERT_TRUE(bg.worker.WaitIdle(60000));

  std::vector<TransferEntry> left = bg.queue.Entries();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(Matches(left[0], stopped));
  EXPECT_EQ(left[0].state, ENTRY_STOPPED);
  // The entries after it run normally.
  EXPECT_EQ(ReadFile(local.Path("third")), "3");
}

TEST(BackgroundTransmit, TwoRealServersTwoLogins) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer alice("alice", "pw-a");
  skifftest::PyFtpdServer bob("bob", "pw-b");
  ASSERT_TRUE(alice.Ok()) << alice.Log();
  ASSERT_TRUE(bob.Ok()) << bob.Log();
  ASSERT_TRUE(alice.WriteFile("one.txt", "first"));
  ASSERT_TRUE(alice.WriteFile("sub/three.txt", "third"));
  ASSERT_TRUE(bob.WriteFile("two.txt", "second"));
  TempDir local;
  Background bg;
  SiteRecord a = h4test::MakeSite(alice.Address(), "alice", "pw-a");
  SiteRecord b = h4test::MakeSite(bob.Address(), "bob", "pw-b");
  bg.queue.Add(Download(a, "/", "one.txt", local.Folder(), 5));
  bg.queue.Add(Download(b, "/", "two.txt", local.Folder(), 6));
  bg.queue.Add(Download(a, "/sub", "three.txt", local.Folder(), 5));
  ASSERT_TRUE(bg.RunToEnd());

  EXPECT_EQ(CommandsOf(*bg.windows.log, "USER"),
            (std::vector<std::string>{"USER alice", "USER bob"}));
  EXPECT_EQ(CommandsOf(*bg.windows.log, "RETR"),
            (std::vector<std::string>{"RETR one.txt", "RETR three.txt", "RETR two.txt"}));
  EXPECT_EQ(ReadFile(local.Path("one.txt")), "first");
  EXPECT_EQ(ReadFile(local.Path("two.txt")), "second");
  EXPECT_EQ(ReadFile(local.Path("three.txt")), "third");
  EXPECT_EQ(bg.queue.Size(), 0u);
}

}  // namespace
