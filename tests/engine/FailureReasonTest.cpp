// Every failed entry says once, in one status line, what failed and why; an
// upload whose local source has gone sends nothing over the server's copy.
#include <gtest/gtest.h>

#include <filesystem>

#include "QueueRunTestHelpers.h"

namespace {

using h5test::StateOf;

using h4test::StatusLines;
using h4test::TempDir;
using h5test::CountPrefix;
using h5test::LoggedInSession;

// The status lines that begin with `prefix`.
std::vector<std::string> StartingWith(const std::vector<std::string>& lines,
                                      const std::string& prefix) {
  std::vector<std::string> out;
  for (auto& l : lines)
    if (l.rfind(prefix, 0) == 0) out.push_back(l);
  return out;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(FailureReason, AnUploadWithoutItsLocalSourceSendsNothing) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/keep.txt", "the server's only copy");
  TempDir local;  // holds neither file
  LoggedInSession s(server);
  // The user would overwrite the server's copy if the upload could go.
  s.session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  ASSERT_TRUE(s.Connect());
  TransferEntry over = s.Entry("/", "keep.txt", local.Folder(), XFER_UPLOAD, false);
  TransferEntry fresh = s.Entry("/", "new.txt", local.Folder(), XFER_UPLOAD, false);
  s.session.transferQueue.Add(over);
  s.session.transferQueue.Add(fresh);
  ASSERT_TRUE(s.Run([&] { s.session.RunQueue(); }));

  EXPECT_EQ(server.CountCommands("STOR"), 0u);
  EXPECT_EQ(server.CountCommands("APPE"), 0u);
  EXPECT_EQ(server.FileContents("/keep.txt"), "the server's only copy");
  EXPECT_FALSE(server.Exists("/new.txt"));
  // Nothing was made up locally either.
  EXPECT_FALSE(std::filesystem::exists(local.Path("keep.txt")));
  EXPECT_FALSE(std::filesystem::exists(local.Path("new.txt")));
  EXPECT_EQ(StateOf(s.session, over), ENTRY_FAILED);
  EXPECT_EQ(StateOf(s.session, fresh), ENTRY_FAILED);
  std::vector<std::string> status = StatusLines(*s.windows.log);
  EXPECT_EQ(h4test::CountOf(status, "Failed: /keep.txt (local file missing)"), 1u);
  EXPECT_EQ(h4test::CountOf(status, "Failed: /new.txt (local file missing)"), 1u);
}

TEST(FailureReason, EachFailedEntryGetsOneLineWithItsReason) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/pub/gone.txt", "g");
  server.AddFile("/pub/secret.txt", "s");
  server.AddFile("/pub/fine.txt", "fine");
  server.SetHandler("RETR", [](const skifftest::FtpCommand& c) -> std::optional<skifftest::Script> {
    if (c.argument == "secret.txt") return skifftest::Script("550 Permission denied.");
    return std::nullopt;
  });
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  // A local folder that does not exist, a refused RETR, a missing upload
  // source, and one entry that goes through.
  TransferEntry noFolder =
      s.Entry("/pub", "gone.txt", local.Path("missing") + "/", XFER_DOWNLOAD, false, 1);
  TransferEntry refused = s.Entry("/pub", "secret.txt", local.Folder(), XFER_DOWNLOAD, false, 1);
  TransferEntry noSource = s.Entry("/pub", "absent.txt", local.Folder(), XFER_UPLOAD, false);
  TransferEntry fine = s.Entry("/pub", "fine.txt", local.Folder(), XFER_DOWNLOAD, false, 4);
  for (auto* e : {&noFolder, &refused, &noSource, &fine}) s.session.transferQueue.Add(*e);
  ASSERT_TRUE(s.Run([&] { s.session.RunQueue(); }));

  EXPECT_EQ(h4test::ReadFile(local.Path("fine.txt")), "fine");
  std::vector<std::string> status = StatusLines(*s.windows.log);
  EXPECT_EQ(CountPrefix(status, "Failed: "), 3u);

  std::vector<std::string> lines = StartingWith(status, "Failed: /pub/gone.txt (");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(Contains(lines[0], "No such file or directory")) << lines[0];
  EXPECT_EQ(lines[0].back(), ')');

  lines = StartingWith(status, "Failed: /pub/secret.txt (");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(Contains(lines[0], "550 Permission denied.")) << lines[0];

  EXPECT_EQ(h4test::CountOf(status, "Failed: /pub/absent.txt (local file missing)"), 1u);

  for (auto* e : {&noFolder, &refused, &noSource}) EXPECT_EQ(StateOf(s.session, *e), ENTRY_FAILED);
  EXPECT_EQ(StateOf(s.session, fine), -1);
}

}  // namespace
