// Queued work runs in each entry's own remote folder, whatever folder the
// user is browsing; a folder that can't be entered fails its entry without a
// single command for it; afterwards the session is back where the user was.
#include <gtest/gtest.h>

#include <filesystem>

#include "QueueRunTestHelpers.h"

namespace {

using h5test::StateOf;

using h4test::StatusLines;
using h4test::TempDir;
using h4test::WriteFile;
using h5test::CountPrefix;
using h5test::LoggedInSession;

// The verbs that change or move something on the server.
std::size_t WorkCommands(skifftest::ScriptedFtpServer& server) {
  std::size_t n = 0;
  for (const char* verb : {"RETR", "STOR", "APPE", "MKD", "DELE", "RMD"})
    n += server.CountCommands(std::string(verb) + " ");
  return n;
}

TEST(RemoteFolder, DeletionsTakePlaceInTheirOwnFolders) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/a/x", "ax");
  server.AddFile("/a/y", "ay");
  server.AddFile("/b/y", "by");
  LoggedInSession s(server, "/a");
  ASSERT_TRUE(s.Connect());
  ASSERT_EQ(s.session.CurrentDir(), "/a");

  TransferEntry here = s.Entry("/a", "x", "/tmp/", XFER_DOWNLOAD, false);
  TransferEntry there = s.Entry("/b", "y", "/tmp/", XFER_DOWNLOAD, false);
  ASSERT_TRUE(s.Run([&] {
    s.session.QueueDelete(here);
    s.session.QueueDelete(there);
  }, 2));

  EXPECT_FALSE(server.Exists("/a/x"));
  EXPECT_FALSE(server.Exists("/b/y"));
  // The file of the same name in the browsed folder is left alone.
  EXPECT_EQ(server.FileContents("/a/y"), "ay");
  EXPECT_EQ(s.session.refusedDeletions.load(), 0);
  // Back in the browsed folder, as the server confirmed it.
  EXPECT_EQ(s.session.CurrentDir(), "/a");
  std::vector<std::string> after = s.LinesFrom("DELE y");
  ASSERT_GE(after.size(), 3u);
  EXPECT_EQ(after[1], "CWD /a");
  EXPECT_EQ(after[2], "PWD");
}

TEST(RemoteFolder, UploadsLandInTheEntrysFolderAndTheBrowsedOneTakesNoCwd) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/a");
  server.AddDir("/b");
  TempDir local;
  for (const char* name : {"one.txt", "two.txt", "three.txt", "far.txt"})
    WriteFile(local.Path(name), std::string("data of ") + name);
  LoggedInSession s(server, "/a");
  ASSERT_TRUE(s.Connect());
  server.ClearRecords();

  // "", "." and one trailing "/" all name the folder the session is in.
  TransferEntry one = s.Entry("/a/", "one.txt", local.Folder(), XFER_UPLOAD, false);
  TransferEntry two = s.Entry("", "two.txt", local.Folder(), XFER_UPLOAD, false);
  TransferEntry three = s.Entry(".", "three.txt", local.Folder(), XFER_UPLOAD, false);
  TransferEntry far = s.Entry("/b", "far.txt", local.Folder(), XFER_UPLOAD, false);
  s.session.transferQueue.Add(one);
  s.session.transferQueue.Add(two);
  s.session.transferQueue.Add(three);
  s.session.transferQueue.Add(far);
  ASSERT_TRUE(s.Run([&] { s.session.RunQueue(); }));

  EXPECT_EQ(server.FileContents("/a/one.txt"), "data of one.txt");
  EXPECT_EQ(server.FileContents("/a/two.txt"), "data of two.txt");
  EXPECT_EQ(server.FileContents("/a/three.txt"), "data of three.txt");
  EXPECT_EQ(server.FileContents("/b/far.txt"), "data of far.txt");
  EXPECT_FALSE(server.Exists("/a/far.txt"));
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);
  // Only the entry for /b moved the session, and the run came back.
  EXPECT_EQ(server.Lines("CWD"), (std::vector<std::string>{"CWD /b", "CWD /a"}));
  EXPECT_EQ(s.session.CurrentDir(), "/a");
}

TEST(RemoteFolder, AFolderThatCantBeEnteredFailsItsEntriesAndSendsNothingForThem) {
  skifftest::ScriptedFtpServer server;
  // Files of the same names where the session is: never touched.
  server.AddFile("/f.txt", "root copy");
  server.AddFile("/del.txt", "keep me");
  TempDir local;
  WriteFile(local.Path("u.txt"), "upload");
  std::filesystem::create_directories(local.Path("tree"));
  WriteFile(local.Path("tree/in.txt"), "inside");
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());

  TransferEntry down = s.Entry("/nope", "f.txt", local.Folder(), XFER_DOWNLOAD, false, 9);
  TransferEntry up = s.Entry("/nope/", "u.txt", local.Folder(), XFER_UPLOAD, false);
  TransferEntry folder = s.Entry("/nope", "tree", local.Folder(), XFER_UPLOAD, true);
  TransferEntry del = s.Entry("/nope", "del.txt", local.Folder(), XFER_DOWNLOAD, false);
  s.session.transferQueue.Add(down);
  s.session.transferQueue.Add(up);
  ASSERT_TRUE(s.Run([&] {
    s.session.QueueTransfer(folder);
    s.session.QueueDelete(del);
  }, 2));

  EXPECT_EQ(WorkCommands(server), 0u);
  EXPECT_EQ(server.FileContents("/f.txt"), "root copy");
  EXPECT_EQ(server.FileContents("/del.txt"), "keep me");
  EXPECT_FALSE(server.Exists("/u.txt"));
  EXPECT_FALSE(server.Exists("/tree"));
  EXPECT_FALSE(std::filesystem::exists(local.Path("f.txt")));

  // One status line per entry, with the folder and the server's answer.
  std::vector<std::string> status = StatusLines(*s.windows.log);
  EXPECT_EQ(CountPrefix(status, "Failed: "), 4u);
  const std::string why = " (can't enter the remote folder /nope: 550 Failed to change directory.)";
  EXPECT_EQ(h4test::CountOf(status, "Failed: /nope/f.txt" + why), 1u);
  EXPECT_EQ(h4test::CountOf(status, "Failed: /nope/u.txt" + why), 1u);
  EXPECT_EQ(h4test::CountOf(status, "Failed: /nope/tree" + why), 1u);
  EXPECT_EQ(h4test::CountOf(status, "Failed: /nope/del.txt" + why), 1u);

  // Transfers stay queued as failed; the deletion is dropped and counted.
  EXPECT_EQ(StateOf(s.session, down), ENTRY_FAILED);
  EXPECT_EQ(StateOf(s.session, up), ENTRY_FAILED);
  EXPECT_EQ(StateOf(s.session, folder), ENTRY_FAILED);
  EXPECT_TRUE(s.session.deleteQueue.IsEmpty());
  EXPECT_EQ(s.session.refusedDeletions.load(), 1);
  EXPECT_EQ(s.session.CurrentDir(), "/");
}

}  // namespace
