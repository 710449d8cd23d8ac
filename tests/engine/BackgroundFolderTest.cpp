// The background worker runs each entry in its own remote folder, keeps the
// entries that failed (marked failed), and sends nothing for an entry whose
// folder it can't enter.
#include <gtest/gtest.h>

#include "QueueRunTestHelpers.h"
#include "engine/FtpTransmitFile.h"

namespace {

using h4test::TempDir;
using h4test::WriteFile;

TransferEntry EntryIn(const SiteRecord& site, const std::string& dir, const std::string& name,
                      const std::string& localDir, std::int32_t direction) {
  TransferEntry e = h4test::MakeEntry(site, name, localDir, direction, 1);
  h4test::SetText(e.remoteDir, dir);
  return e;
}

TEST(BackgroundFolders, FailedEntriesStayFailedAndAFolderThatCantBeEnteredSendsNothing) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/a");
  server.AddDir("/b");
  TempDir local;
  for (const char* name : {"u1", "u2", "u3"})
    WriteFile(local.Path(name), std::string("up ") + name);
  h4test::Windows windows;
  CFileQueue queue;
  CFtpTransmitFile worker;
  windows.Attach(worker);
  worker.backgroundQueue = &queue;

  SiteRecord site = h4test::MakeSite(server.Address());
  TransferEntry gone1 = EntryIn(site, "/a", "gone1", local.Folder(), XFER_DOWNLOAD);
  TransferEntry u1 = EntryIn(site, "/a", "u1", local.Folder(), XFER_UPLOAD);
  TransferEntry u2 = EntryIn(site, "/nope", "u2", local.Folder(), XFER_UPLOAD);
  TransferEntry gone2 = EntryIn(site, "/b", "gone2", local.Folder(), XFER_DOWNLOAD);
  TransferEntry u3 = EntryIn(site, "/b", "u3", local.Folder(), XFER_UPLOAD);
  for (auto* e : {&gone1, &u1, &u2, &gone2, &u3}) queue.Add(*e);
  worker.StartBackground();
  ASSERT_TRUE(worker.WaitIdle(60000));

  // One login; each entry in its own folder.
  EXPECT_EQ(server.ConnectionCount(), 1);
  EXPECT_EQ(server.FileContents("/a/u1"), "up u1");
  EXPECT_EQ(server.FileContents("/b/u3"), "up u3");
  // Nothing was sent for the entry whose folder does not exist.
  EXPECT_EQ(server.CountCommands("STOR u2"), 0u);
  EXPECT_EQ(server.CountCommands("APPE u2"), 0u);

  // The failed entries stay, marked failed, in queue order.
  std::vector<TransferEntry> left = queue.Entries();
  ASSERT_EQ(left.size(), 3u);
  EXPECT_TRUE(Matches(left[0], gone1));
  EXPECT_TRUE(Matches(left[1], u2));
  EXPECT_TRUE(Matches(left[2], gone2));
  for (auto& e : left) EXPECT_EQ(e.state, ENTRY_FAILED) << e.remoteName;

  std::vector<std::string> status = h4test::StatusLines(*windows.log);
  EXPECT_EQ(h5test::CountPrefix(status, "Failed: "), 3u);
  EXPECT_EQ(h4test::CountOf(status, "Failed: /nope/u2 (can't enter the remote folder /nope: "
                                    "550 Failed to change directory.)"),
            1u);
  EXPECT_EQ(h5test::CountPrefix(status, "Failed: /a/gone1 ("), 1u);
  EXPECT_EQ(h5test::CountPrefix(status, "Failed: /b/gone2 ("), 1u);
}

}  // namespace
