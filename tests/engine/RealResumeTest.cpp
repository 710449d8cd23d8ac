// Resumed transfers through the queue against real servers, with the user's
// decision Resume: an upload goes on with APPE from the server's size (no
// REST), a download with REST of the local size right before its RETR. The
// commands are read from the session's own log window.
#include <gtest/gtest.h>

#include <filesystem>

#include "RealSessionHelpers.h"

namespace {

using realtest::CommandsLeadingTo;
using realtest::Kind;
using realtest::RealSessionTest;
using realtest::SameBytes;
using realtest::SentCommands;

class RealResumeTest : public RealSessionTest {
 protected:
  // 3 MB that differ from position to position, so a shifted part shows.
  const std::string data = h4test::PatternData(3 * 1024 * 1024 + 17, 31);
  const std::size_t part = 1536 * 1024 + 5;
};

TEST_P(RealResumeTest, UploadGoesOnWithAppeFromTheServersSize) {
  ASSERT_TRUE(server->WriteFile("up/whole.bin", data.substr(0, part)));
  h4test::WriteFile(local.Path("whole.bin"), data);
  session.questions = std::make_shared<CFixedAnswers>(ACTION_RESUME);
  ASSERT_TRUE(Connect()) << server->Log();

  TransferEntry up = Entry("up", "whole.bin", local.Folder(), XFER_UPLOAD, false,
                           static_cast<std::int64_t>(data.size()));
  ASSERT_TRUE(Run([&] { session.QueueTransfer(up); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << QueueText();
  EXPECT_TRUE(server->ReadFile("up/whole.bin") == data);
  EXPECT_TRUE(SameBytes(local.Path("whole.bin"), server->RootPath("up/whole.bin")));

  const std::vector<std::string> sent = SentCommands(*windows.log);
  std::vector<std::string> transfer = CommandsLeadingTo(sent, "TYPE I", "APPE ");
  ASSERT_EQ(transfer.size(), 3u) << testing::PrintToString(sent);
  EXPECT_EQ(transfer[0], "TYPE I");
  EXPECT_EQ(transfer[1].rfind("PORT ", 0), 0u) << transfer[1];
  EXPECT_EQ(transfer[2], "APPE whole.bin");
  // Nothing was stored over the server's part from the start.
  EXPECT_EQ(h5test::CountPrefix(sent, "STOR "), 0u);
}

TEST_P(RealResumeTest, DownloadGoesOnWithRestOfTheLocalSizeRightBeforeRetr) {
  ASSERT_TRUE(server->WriteFile("down/whole.bin", data));
  h4test::WriteFile(local.Path("whole.bin"), data.substr(0, part));
  session.questions = std::make_shared<CFixedAnswers>(ACTION_RESUME);
  ASSERT_TRUE(Connect()) << server->Log();

  TransferEntry down = Entry("down", "whole.bin", local.Folder(), XFER_DOWNLOAD, false,
                             static_cast<std::int64_t>(data.size()));
  ASSERT_TRUE(Run([&] { session.QueueTransfer(down); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << QueueText();
  EXPECT_TRUE(h4test::ReadFile(local.Path("whole.bin")) == data);
  EXPECT_TRUE(SameBytes(local.Path("whole.bin"), server->RootPath("down/whole.bin")));

  const std::vector<std::string> sent = SentCommands(*windows.log);
  std::vector<std::string> transfer = CommandsLeadingTo(sent, "TYPE I", "RETR ");
  ASSERT_EQ(transfer.size(), 4u) << testing::PrintToString(sent);
  EXPECT_EQ(transfer[0], "TYPE I");
  EXPECT_EQ(transfer[1].rfind("PORT ", 0), 0u) << transfer[1];
  EXPECT_EQ(transfer[2], "REST " + std::to_string(part));
  EXPECT_EQ(transfer[3], "RETR whole.bin");
  // The server took the offset: the part is not fetched again.
  for (const std::string& line : h4test::StatusLines(*windows.log))
    EXPECT_EQ(line.find("can't resume"), std::string::npos) << line;
}

TEST_P(RealResumeTest, FolderDownloadResumesEachPartlyLoadedFile) {
  // The decision is asked for each existing file of a folder download too:
  // every part goes on from its own size, a file not there yet comes whole.
  const std::string other = h4test::PatternData(700 * 1024 + 3, 32);
  ASSERT_TRUE(server->WriteFile("tree/one.bin", data));
  ASSERT_TRUE(server->WriteFile("tree/two.bin", other));
  ASSERT_TRUE(server->WriteFile("tree/new.bin", "new"));
  std::filesystem::create_directories(local.Path("tree"));
  h4test::WriteFile(local.Path("tree/one.bin"), data.substr(0, part));
  h4test::WriteFile(local.Path("tree/two.bin"), other.substr(0, 1000));
  session.questions = std::make_shared<CFixedAnswers>(ACTION_RESUME, false);
  ASSERT_TRUE(Connect()) << server->Log();

  TransferEntry folder = Entry("", "tree", local.Folder(), XFER_DOWNLOAD, true);
  ASSERT_TRUE(Run([&] { session.QueueTransfer(folder); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << QueueText();
  EXPECT_TRUE(SameBytes(local.Path("tree/one.bin"), server->RootPath("tree/one.bin")));
  EXPECT_TRUE(SameBytes(local.Path("tree/two.bin"), server->RootPath("tree/two.bin")));
  EXPECT_EQ(h4test::ReadFile(local.Path("tree/new.bin")), "new");

  const std::vector<std::string> sent = SentCommands(*windows.log);
  EXPECT_EQ(CommandsLeadingTo(sent, "REST " + std::to_string(part), "RETR one.bin").size(), 2u)
      << testing::PrintToString(sent);
  EXPECT_EQ(CommandsLeadingTo(sent, "REST 1000", "RETR two.bin").size(), 2u)
      << testing::PrintToString(sent);
  // A file that is not there yet starts at 0.
  EXPECT_EQ(CommandsLeadingTo(sent, "REST 0", "RETR new.bin").size(), 2u)
      << testing::PrintToString(sent);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealResumeTest,
                         ::testing::Values(Kind::PyFtpd, Kind::Vsftpd), realtest::KindName);

}  // namespace
