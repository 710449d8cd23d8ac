// Remote deletion: files, folders with their content, empty folders, hostile
// listings, and a folder deletion that can't return where it started.
#include <gtest/gtest.h>

#include "QueueRunTestHelpers.h"

namespace {

using h4test::TempDir;
using h5test::LoggedInSession;
using h5test::TreeBelow;

std::vector<std::string> Deletions(skifftest::ScriptedFtpServer& server) {
  std::vector<std::string> out;
  for (auto& l : server.CommandLines())
    if (l.rfind("DELE ", 0) == 0 || l.rfind("RMD ", 0) == 0) out.push_back(l);
  return out;
}

TEST(DeleteQueue, AFolderGoesContentFirstEachSubfolderAfterItsOwn) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/d/f1", "1");
  server.AddFile("/d/s/f2", "2");
  server.AddDir("/d/s/t");
  server.AddFile("/keep", "k");
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "d", local.Folder(), XFER_DOWNLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueDelete(e); }));

  EXPECT_EQ(Deletions(server),
            (std::vector<std::string>{"DELE f1", "DELE f2", "RMD t", "RMD s", "RMD d"}));
  EXPECT_FALSE(server.Exists("/d"));
  EXPECT_TRUE(server.Exists("/keep"));
  EXPECT_EQ(s.session.refusedDeletions.load(), 0);
  EXPECT_TRUE(s.session.deleteQueue.IsEmpty());
  // A deletion makes no local folder.
  EXPECT_TRUE(TreeBelow(local.Folder()).empty());
  EXPECT_EQ(std::string(s.session.currentDir), "/");
}

TEST(DeleteQueue, AnEmptyFolderTakesOneRmd) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/e");
  server.AddFile("/plain.txt", "p");
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry folder = s.Entry("/", "e", "/tmp/", XFER_DOWNLOAD, true);
  TransferEntry file = s.Entry("/", "plain.txt", "/tmp/", XFER_DOWNLOAD, false);
  ASSERT_TRUE(s.Run([&] {
    s.session.QueueDelete(folder);
    s.session.QueueDelete(file);
  }, 2));
  EXPECT_EQ(Deletions(server), (std::vector<std::string>{"RMD e", "DELE plain.txt"}));
  EXPECT_FALSE(server.Exists("/e"));
  EXPECT_FALSE(server.Exists("/plain.txt"));
}

TEST(DeleteQueue, HostileListingsDeleteNothingOutsideTheFolder) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/victim", "v");
  server.AddFile("/h/ok.txt", "ok");
  server.AddDir("/h/victim");
  const std::string f = "-rw-r--r--    1 ftp      ftp             5 Jan 10 12:00 ";
  const std::string d = "drwxr-xr-x    2 ftp      ftp          4096 Jan 10 12:00 ";
  server.SetListing("/h", d + ".\r\n" + d + "..\r\n" + f + "../victim\r\n" + f + "/victim\r\n" +
                              d + "../h\r\n" + f + "ok.txt\r\n");
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "h", "/tmp/", XFER_DOWNLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueDelete(e); }));
  EXPECT_EQ(Deletions(server), (std::vector<std::string>{"DELE ok.txt", "RMD h"}));
  EXPECT_TRUE(server.Exists("/victim"));
  EXPECT_EQ(s.session.skippedNames.load(), 3);
  EXPECT_EQ(s.session.refusedDeletions.load(), 1);  // the folder is not empty
}

TEST(DeleteQueue, AFolderThatCantReturnIsDroppedAndTheDrainGoesOn) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/d/f1", "1");
  server.AddFile("/other.txt", "o");
  std::atomic<bool> armed{false};
  std::atomic<bool> failNextPwd{false};
  server.SetHandler("CWD", [&](const skifftest::FtpCommand& c) -> std::optional<skifftest::Script> {
    if (armed.load() && c.argument == "/") failNextPwd = true;
    return std::nullopt;
  });
  server.SetHandler("PWD", [&](const skifftest::FtpCommand&) -> std::optional<skifftest::Script> {
    if (failNextPwd.exchange(false)) return skifftest::Script("550 No current directory.");
    return std::nullopt;
  });
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  armed = true;
  TransferEntry folder = s.Entry("/", "d", "/tmp/", XFER_DOWNLOAD, true);
  TransferEntry file = s.Entry("/", "other.txt", "/tmp/", XFER_DOWNLOAD, false);
  ASSERT_TRUE(s.Run([&] {
    s.session.QueueDelete(folder);
    s.session.QueueDelete(file);
  }, 2));
  EXPECT_EQ(Deletions(server), (std::vector<std::string>{"DELE f1", "DELE other.txt"}));
  EXPECT_TRUE(s.session.deleteQueue.IsEmpty());
  bool told = false;
  for (auto& l : h4test::StatusLines(*s.windows.log))
    told |= l.find("Deleting the folder d stopped") != std::string::npos;
  EXPECT_TRUE(told);
}

TEST(DeleteQueue, DeepNestingEndsTheDeletion) {
  skifftest::ScriptedFtpServer server;
  std::string deep;
  for (int i = 0; i < kMaxFolderDepth + 4; ++i) deep += "/l";
  server.AddDir(deep);
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "l", "/tmp/", XFER_DOWNLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueDelete(e); }));
  EXPECT_TRUE(s.session.deleteQueue.IsEmpty());
  EXPECT_GT(s.session.refusedDeletions.load(), 0);
  bool told = false;
  for (auto& l : h4test::StatusLines(*s.windows.log))
    told |= l.find("nested deeper than 64 levels") != std::string::npos;
  EXPECT_TRUE(told);
  EXPECT_LE(server.CountCommands("RMD"), static_cast<std::size_t>(kMaxFolderDepth + 1));
}

}  // namespace
