// The posting operations: what they do before the login, duplicates, the
// rename pair, the notice without a worker, and lines that can't be sent.
#include <gtest/gtest.h>

#include "QueueRunTestHelpers.h"
#include "platform/Notice.h"

namespace {

using h4test::TempDir;
using h5test::LoggedInSession;

class RecordingNotices final : public platform::NoticeSink {
 public:
  void ShowNotice(const std::string& caption, const std::string& text) override {
    std::lock_guard<std::mutex> lock(mutex);
    shown.push_back(caption + ": " + text);
  }
  std::mutex mutex;
  std::vector<std::string> shown;
};

TEST(Facade, BeforeTheLoginChangeDirDoesNothingAndRefreshListWaits) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/x");
  // A slow greeting keeps the login from finishing for a while.
  server.SetGreeting(skifftest::Script().Pause(300).Send("220 Slow but ready."));
  LoggedInSession s(server);
  s.session.Start();
  ASSERT_EQ(s.session.IsLoggedIn(), 0);
  s.session.ChangeDir("/x");
  s.session.MakeDir("made");
  EXPECT_EQ(s.session.RefreshDir(), 0);
  s.session.RefreshList();
  ASSERT_TRUE(h4test::WaitForStatus(*s.windows.log, "Successful transfers"));

  std::vector<std::string> lines = server.CommandLines();
  EXPECT_EQ(server.CountCommands("CWD"), 0u);
  EXPECT_EQ(server.CountCommands("MKD"), 0u);
  auto list = std::find(lines.begin(), lines.end(), "LIST");
  ASSERT_NE(list, lines.end());
  // The listing came after the whole login sequence.
  EXPECT_NE(std::find(lines.begin(), list, "PWD"), list);
  EXPECT_EQ(h4test::CountOf(h4test::StatusLines(*s.windows.log),
                            "Fininsh initialization, waiting for orders"),
            1u);
}

TEST(Facade, TwoQueueTransfersOfOneEntryRunItOnce) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/a.txt", "alpha");
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "a.txt", local.Folder(), XFER_DOWNLOAD, false, 5);
  ASSERT_TRUE(s.Run([&] {
    s.session.QueueTransfer(e);
    s.session.QueueTransfer(e);
  }, 2));
  EXPECT_EQ(server.CountCommands("RETR a.txt"), 1u);
  EXPECT_EQ(h4test::ReadFile(local.Path("a.txt")), "alpha");
  EXPECT_EQ(e.controlSocket, s.session.controlSocket.load());
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);
}

TEST(Facade, RenameWithARefusedRnfrStillSendsRnto) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/old.txt", "o");
  server.SetReply("RNFR", "550 RNFR command failed.");
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  ASSERT_TRUE(s.Run([&] {
    EXPECT_EQ(s.session.RenameRemote("/old.txt", "/new.txt"), 1);
    s.session.RefreshList();
  }, 3));
  std::vector<std::string> lines = s.LinesFrom("RNFR");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "RNFR /old.txt");
  EXPECT_EQ(lines[1], "RNTO /new.txt");
  EXPECT_TRUE(server.Exists("/old.txt"));
  EXPECT_FALSE(server.Exists("/new.txt"));
}

TEST(Facade, NavigationRunsCwdPwdListInOrder) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/pub/sub");
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  ASSERT_TRUE(s.Run([&] {
    s.session.ChangeDir("/pub");
    s.session.RefreshList();
  }, 3));
  ASSERT_TRUE(s.Run([&] {
    s.session.ParentDir();
    s.session.RefreshList();
  }, 3));
  std::vector<std::string> lines = s.LinesFrom("CWD /pub");
  std::vector<std::string> want = {"CWD /pub", "PWD", "TYPE A", "LIST"};
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], "CWD /pub");
  EXPECT_EQ(lines[1], "PWD");
  EXPECT_EQ(lines[4], "LIST");
  EXPECT_EQ(lines[5], "CDUP");
  EXPECT_EQ(lines[6], "PWD");
  EXPECT_EQ(std::string(s.session.currentDir), "/");
}

TEST(Facade, LinesThatCantBeSentAreNotPosted) {
  skifftest::ScriptedFtpServer server;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  std::size_t idle = h5test::IdleCount(*s.windows.view);
  s.session.MakeDir("x\r\nDELE y");
  s.session.ChangeDir(std::string(300, 'a').c_str());
  EXPECT_EQ(s.session.RenameRemote("a", "b\r\nDELE c"), 0);
  s.session.RefreshDir();
  // A marker last: the worker takes commands in order, so once the server
  // has its NOOP every line posted before it has been sent, if it was posted.
  ASSERT_EQ(s.session.PostRawCommand("NOOP\r\n"), 1);
  ASSERT_TRUE(server.WaitForCommand("NOOP", h4test::kWaitMs));
  ASSERT_TRUE(h4test::WaitUntil([&] { return h5test::IdleCount(*s.windows.view) >= idle + 2; }));
  EXPECT_EQ(server.CountCommands("PWD"), 2u);  // the login's and RefreshDir's
  EXPECT_EQ(server.CountCommands("MKD"), 0u);
  EXPECT_EQ(server.CountCommands("CWD"), 0u);
  EXPECT_EQ(server.CountCommands("RNFR"), 0u);
  EXPECT_EQ(server.CountCommands("DELE"), 0u);
}

TEST(Facade, ARawCommandWithoutAWorkerShowsTheNotice) {
  auto notices = std::make_shared<RecordingNotices>();
  platform::SetNoticeSink(notices);
  CFtpObject session;
  EXPECT_EQ(session.PostRawCommand("CWD /\r\n"), 0);  // not logged in: nothing
  {
    std::lock_guard<std::mutex> lock(notices->mutex);
    EXPECT_TRUE(notices->shown.empty());
  }
  // What a forced termination leaves: logged in, no worker.
  session.loggedIn = 1;
  EXPECT_EQ(session.PostRawCommand("CWD /\r\n"), 0);
  session.loggedIn = 0;
  platform::SetNoticeSink(nullptr);
  std::lock_guard<std::mutex> lock(notices->mutex);
  EXPECT_EQ(notices->shown, std::vector<std::string>{"error: Can't send command, not connected."});
}

}  // namespace
