// Whole folders both ways against the scripted server, and listings that
// try to lead a download out of the folder the user chose.
#include <gtest/gtest.h>

#include <filesystem>

#include "QueueRunTestHelpers.h"

namespace {

using h4test::ReadFile;
using h4test::TempDir;
using h4test::WriteFile;
using h5test::CountPrefix;
using h5test::LoggedInSession;
using h5test::TreeBelow;
namespace fs = std::filesystem;

TEST(FolderTransfer, DownloadBuildsTheTreeAndEndsWhereItStarted) {
  skifftest::ScriptedFtpServer server;
  server.SetHomeDir("/pub");
  server.AddFile("/pub/dir/a.txt", "alpha");
  server.AddFile("/pub/dir/zero.txt", "");
  server.AddFile("/pub/dir/sub/b.txt", "beta");
  server.AddDir("/pub/dir/sub/empty");
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());

  TransferEntry e = s.Entry("/pub", "dir", local.Folder(), XFER_DOWNLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));

  EXPECT_EQ(TreeBelow(local.Folder()),
            (std::vector<std::string>{"dir/", "dir/a.txt", "dir/sub/", "dir/sub/b.txt",
                                      "dir/sub/empty/", "dir/zero.txt"}));
  EXPECT_EQ(ReadFile(local.Path("dir/a.txt")), "alpha");
  EXPECT_EQ(ReadFile(local.Path("dir/sub/b.txt")), "beta");
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);

  // The last directory change goes back to the start, confirmed by PWD, and
  // the pane gets the listing of that directory.
  std::vector<std::string> lines = server.CommandLines();
  std::vector<std::string> cwds;
  for (auto& l : lines)
    if (l.rfind("CWD ", 0) == 0) cwds.push_back(l);
  ASSERT_FALSE(cwds.empty());
  EXPECT_EQ(cwds.back(), "CWD /pub");
  EXPECT_EQ(std::string(s.session.currentDir), "/pub");
  EXPECT_EQ(lines.back(), "LIST");
  std::size_t listings = 0;
  s.windows.view->Inspect([&](std::vector<platform::Message>& all) {
    for (auto& m : all) listings += m.id == msg::WM_SESSION_LISTING;
  });
  EXPECT_EQ(listings, 1u);
}

TEST(FolderTransfer, UploadIntoAnExistingFolderGoesOnAfterRefusedMkd) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/up");
  server.AddFile("/up/old.txt", "kept");
  TempDir local;
  fs::create_directories(local.Path("up/inner"));
  fs::create_directories(local.Path("up/empty"));
  WriteFile(local.Path("up/x.txt"), "xray");
  WriteFile(local.Path("up/zero.txt"), "");
  WriteFile(local.Path("up/inner/y.txt"), "yankee");
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());

  TransferEntry e = s.Entry("/", "up", local.Folder(), XFER_UPLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));

  std::vector<std::string> log = h4test::LogLines(*s.windows.log);
  bool refusedLogged = false;
  for (auto& l : log) refusedLogged |= l.find("550 Create directory operation failed.") != std::string::npos;
  EXPECT_TRUE(refusedLogged);
  EXPECT_EQ(server.CountCommands("MKD up"), 1u);
  EXPECT_EQ(server.FileContents("/up/x.txt").value_or("?"), "xray");
  EXPECT_EQ(server.FileContents("/up/zero.txt").value_or("?"), "");
  EXPECT_EQ(server.FileContents("/up/inner/y.txt").value_or("?"), "yankee");
  EXPECT_EQ(server.FileContents("/up/old.txt").value_or("?"), "kept");
  EXPECT_TRUE(server.IsDir("/up/empty"));
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);
  EXPECT_EQ(std::string(s.session.currentDir), "/");
}

TEST(FolderTransfer, HostileNamesNeverLeaveTheChosenFolder) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/x", "outside");
  server.AddFile("/evil/good.txt", "hello");
  server.AddFile("/evil/sub/inner.txt", "in");
  const std::string f = "-rw-r--r--    1 ftp      ftp             5 Jan 10 12:00 ";
  const std::string d = "drwxr-xr-x    2 ftp      ftp          4096 Jan 10 12:00 ";
  server.SetListing("/evil", d + ".\r\n" + d + "..\r\n" + f + "../x\r\n" + f + "a/b\r\n" + f +
                                 "/etc/x\r\n" + d + "../evil\r\n" + f + "..\\x\r\n" + d +
                                 "sub\r\n" + f + "good.txt\r\n");
  // The subfolder lists its parent again.
  const std::string two = "-rw-r--r--    1 ftp      ftp             2 Jan 10 12:00 ";
  server.SetListing("/evil/sub", d + "..\r\n" + two + "inner.txt\r\n");
  TempDir root;
  fs::create_directories(root.Path("dest"));
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());

  TransferEntry e = s.Entry("/", "evil", root.Path("dest") + "/", XFER_DOWNLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));

  EXPECT_EQ(TreeBelow(root.Folder()),
            (std::vector<std::string>{"dest/", "dest/evil/", "dest/evil/good.txt",
                                      "dest/evil/sub/", "dest/evil/sub/inner.txt"}));
  EXPECT_EQ(server.Lines("RETR"), (std::vector<std::string>{"RETR inner.txt", "RETR good.txt"}));
  EXPECT_EQ(s.session.skippedNames.load(), 5);
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);
}

TEST(FolderTransfer, AFolderInsideItselfEndsAsAFailedEntry) {
  skifftest::ScriptedFtpServer server;
  std::string deep;
  for (int i = 0; i < kMaxFolderDepth + 6; ++i) deep += "/l";
  server.AddDir(deep);
  TempDir root;
  fs::create_directories(root.Path("dest"));
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());

  TransferEntry e = s.Entry("/", "l", root.Path("dest") + "/", XFER_DOWNLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));

  std::vector<TransferEntry> left = s.session.transferQueue.Entries();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].state, ENTRY_FAILED);
  bool told = false;
  for (auto& l : h4test::StatusLines(*s.windows.log))
    told |= l.find("nested deeper than 64 levels") != std::string::npos;
  EXPECT_TRUE(told);
  // Everything made lies below the destination, 64 levels at most.
  for (auto& p : TreeBelow(root.Folder())) {
    EXPECT_EQ(p.rfind("dest/", 0), 0u) << p;
    EXPECT_LE(std::count(p.begin(), p.end(), '/'), kMaxFolderDepth + 1) << p;
  }
  EXPECT_EQ(std::string(s.session.currentDir), "/");
}

TEST(FolderTransfer, UploadSkipsLocalNamesThatCantBeSent) {
  skifftest::ScriptedFtpServer server;
  TempDir local;
  fs::create_directories(local.Path("up"));
  WriteFile(local.Path("up/fine.txt"), "ok");
  WriteFile(local.Path("up/two\r\nDELE fine.txt"), "bad");
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());

  TransferEntry e = s.Entry("/", "up", local.Folder(), XFER_UPLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));

  EXPECT_EQ(server.CountCommands("DELE"), 0u);
  EXPECT_EQ(server.Lines("STOR"), (std::vector<std::string>{"STOR fine.txt"}));
  EXPECT_EQ(s.session.skippedNames.load(), 1);
  EXPECT_EQ(CountPrefix(server.CommandLines(), "STOR"), 1u);
}

}  // namespace
