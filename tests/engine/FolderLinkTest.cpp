// A folder upload does not follow a symbolic link to a folder: a link back
// up the tree would otherwise upload the same files again and again.
#include <gtest/gtest.h>

#include <filesystem>

#include "QueueRunTestHelpers.h"

namespace {

using h4test::TempDir;
using h4test::WriteFile;
using h5test::LoggedInSession;
namespace fs = std::filesystem;

TEST(FolderLink, ALinkToAParentFolderIsSkippedAndTheRealFilesGoOnce) {
  skifftest::ScriptedFtpServer server;
  TempDir local;
  fs::create_directories(local.Path("up/sub"));
  WriteFile(local.Path("up/f1.txt"), "one");
  WriteFile(local.Path("up/sub/f2.txt"), "two");
  fs::create_directory_symlink("..", local.Path("up/sub/loop"));
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());

  TransferEntry e = s.Entry("/", "up", local.Folder(), XFER_UPLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));

  EXPECT_EQ(h4test::CountOf(h4test::StatusLines(*s.windows.log),
                            "Skipped loop: a link to a folder is not followed"),
            1u);
  EXPECT_EQ(server.FileContents("/up/f1.txt"), "one");
  EXPECT_EQ(server.FileContents("/up/sub/f2.txt"), "two");
  EXPECT_FALSE(server.Exists("/up/sub/loop"));
  EXPECT_EQ(server.CountCommands("STOR f1.txt"), 1u);
  EXPECT_EQ(server.CountCommands("STOR f2.txt"), 1u);
  EXPECT_EQ(server.CountCommands("MKD "), 2u);  // up, sub
  // The folder finished: the entry left the queue.
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);
  EXPECT_EQ(s.session.CurrentDir(), "/");
}

}  // namespace
