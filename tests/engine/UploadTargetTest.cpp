// An upload never overwrites or extends a server's file it could not judge:
// without the folder's names it does not run, a link's size is not taken for
// a resume offset, and a resume from a shorter local file sends nothing.
// A folder upload that can't get back to a folder stops there.
#include <gtest/gtest.h>

#include <filesystem>

#include "QueueRunTestHelpers.h"

namespace {

using h4test::StatusLines;
using h4test::TempDir;
using h4test::WriteFile;
using h5test::LoggedInSession;
using h5test::StateOf;

bool AnyLineStartsWith(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& l : lines)
    if (l.rfind(prefix, 0) == 0) return true;
  return false;
}

TEST(UploadTarget, WithoutTheFoldersNamesTheUploadDoesNotRun) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/keep.txt", "the server's copy");
  server.SetReply("LIST", "550 Listing not allowed.");
  TempDir local;
  WriteFile(local.Path("keep.txt"), "local");
  LoggedInSession s(server);
  s.session.questions = std::make_shared<CFixedAnswers>(ACTION_SKIP);
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "keep.txt", local.Folder(), XFER_UPLOAD, false, 5);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));
  EXPECT_EQ(server.CountCommands("STOR"), 0u);
  EXPECT_EQ(server.FileContents("/keep.txt"), "the server's copy");
  EXPECT_EQ(StateOf(s.session, e), ENTRY_FAILED);
  EXPECT_TRUE(AnyLineStartsWith(StatusLines(*s.windows.log), "Failed: /keep.txt (LIST was refused"));
}

TEST(UploadTarget, AResumeOntoALinkOrFromAShorterFileSendsNothing) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/real.bin", std::string(5000, 'r'));
  server.AddFile("/short.bin", std::string(100, 's'));
  // The link's listed size (8) is the length of "real.bin", not the file's.
  server.SetListing("/",
                    "lrwxrwxrwx    1 ftp      ftp             8 Jan 10 12:00 up.bin -> real.bin\r\n"
                    "-rw-r--r--    1 ftp      ftp          5000 Jan 10 12:00 real.bin\r\n"
                    "-rw-r--r--    1 ftp      ftp           100 Jan 10 12:00 short.bin\r\n");
  TempDir local;
  WriteFile(local.Path("up.bin"), std::string(6000, 'L'));
  WriteFile(local.Path("short.bin"), std::string(10, 'l'));
  LoggedInSession s(server);
  s.session.questions = std::make_shared<CFixedAnswers>(ACTION_RESUME);
  ASSERT_TRUE(s.Connect());
  TransferEntry link = s.Entry("/", "up.bin", local.Folder(), XFER_UPLOAD, false, 6000);
  TransferEntry shorter = s.Entry("/", "short.bin", local.Folder(), XFER_UPLOAD, false, 10);
  s.session.transferQueue.Add(link);
  s.session.transferQueue.Add(shorter);
  ASSERT_TRUE(s.Run([&] { s.session.RunQueue(); }));
  EXPECT_EQ(server.CountCommands("APPE"), 0u);
  EXPECT_EQ(server.CountCommands("STOR"), 0u);
  EXPECT_EQ(server.FileContents("/real.bin"), std::string(5000, 'r'));
  EXPECT_EQ(server.FileContents("/short.bin"), std::string(100, 's'));
  EXPECT_EQ(StateOf(s.session, link), ENTRY_FAILED);
  EXPECT_EQ(StateOf(s.session, shorter), ENTRY_FAILED);
  std::vector<std::string> status = StatusLines(*s.windows.log);
  EXPECT_TRUE(AnyLineStartsWith(status, "Failed: /up.bin (the remote target is a link"));
  EXPECT_TRUE(AnyLineStartsWith(status, "Failed: /short.bin (the local file is shorter"));
}

TEST(UploadTarget, AFolderUploadThatCantGetBackToAFolderStopsThere) {
  skifftest::ScriptedFtpServer server;
  TempDir local;
  std::filesystem::create_directories(local.Path("up/sub"));
  WriteFile(local.Path("up/sub/s.txt"), "sub");
  WriteFile(local.Path("up/p.txt"), "parent");
  int cwdUp = 0;
  server.SetHandler("CWD", [&](const skifftest::FtpCommand& c) -> std::optional<skifftest::Script> {
    // Entering /up works; coming back to it from /up/sub is refused.
    if (c.argument == "/up" && ++cwdUp > 1) return skifftest::Script("550 Not now.");
    return std::nullopt;
  });
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  TransferEntry e = s.Entry("/", "up", local.Folder(), XFER_UPLOAD, true);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));
  EXPECT_EQ(server.FileContents("/up/sub/s.txt"), "sub");
  // The parent's file is not sent into the subfolder (or anywhere).
  EXPECT_FALSE(server.Exists("/up/sub/p.txt"));
  EXPECT_FALSE(server.Exists("/up/p.txt"));
  EXPECT_EQ(StateOf(s.session, e), ENTRY_FAILED);
}

}  // namespace
