// Queue files: layout, loading, write-through, atomic replacement, rights,
// one file per login, and the current-site file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "QueueTestSupport.h"
#include "platform/MessageIds.h"
#include "platform/Sync.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"

namespace {

std::vector<unsigned char> Concat(const std::vector<TransferEntry>& list) {
  std::vector<unsigned char> out;
  for (const auto& e : list) {
    auto b = Bytes(e);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

ino_t Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

// Waits (bounded) until the file holds exactly the queue's list.
bool FileReaches(const std::string& path, CFileQueue& queue, int timeoutMs = 5000) {
  std::uint64_t end = platform::TickMs() + static_cast<std::uint64_t>(timeoutMs);
  do {
    if (ReadBytes(path) == Concat(queue.Entries()) && platform::PathExists(path)) return true;
    platform::SleepMs(5);
  } while (platform::TickMs() < end);
  return false;
}

std::size_t ChangeMessages(platform::RecordingTarget& t) {
  std::size_t n = 0;
  t.Inspect([&](std::vector<platform::Message>& all) {
    for (auto& m : all) n += m.id == msg::WM_QUEUE_CHANGED;
  });
  return n;
}

}  // namespace

TEST(QueueFile, RecordsAreTheEntriesByteForByteInListOrder) {
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  CFileQueue q;
  q.SetFile(path);
  TransferEntry a = Entry("a");
  a.controlSocket = 17;
  a.resumeOffset = 5'000'000'000LL;
  a.existsAction = ACTION_RESUME;
  a.site.serverType = SERVER_TYPE_WINDOWS_NT;
  q.Add(a);
  q.Add(Entry("b", XFER_UPLOAD));
  q.SetState(ENTRY_RUNNING, Entry("b", XFER_UPLOAD));
  ASSERT_TRUE(FileReaches(path, q));  // written without being asked
  std::vector<unsigned char> bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 2 * sizeof(TransferEntry));
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 2096), Bytes(a));
  std::int32_t state;
  std::memcpy(&state, bytes.data() + 2096 + 2084, 4);
  EXPECT_EQ(state, ENTRY_RUNNING);
  // Save writes at once and says so.
  q.Remove(a);
  EXPECT_EQ(q.Save(), 1);
  EXPECT_EQ(platform::FileSize(path), 2096);
}

TEST(QueueFile, TrailingPartialRecordLoadsTwoAndStaysUntilTheNextChange) {
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  std::vector<unsigned char> bytes = Concat({Entry("one"), Entry("two")});
  bytes.insert(bytes.end(), 100, 0x5A);
  WriteBytes(path, bytes);
  CFileQueue q;
  auto target = std::make_shared<platform::RecordingTarget>();
  q.SetNotifyWindow(target);
  q.SetFile(path);
  EXPECT_EQ(q.Size(), 2u);
  EXPECT_EQ(ChangeMessages(*target), 2u);  // one per entry loaded
  // Flush writes any change not yet in the file: had loading counted as a
  // change, the partial record would be gone now.
  q.Flush();
  EXPECT_EQ(ReadBytes(path), bytes);
  EXPECT_EQ(q.FileBytesWritten(), 0u);
  q.SetState(ENTRY_FAILED, Entry("two"));
  q.Flush();
  EXPECT_EQ(platform::FileSize(path), static_cast<std::int64_t>(2 * sizeof(TransferEntry)));
}

TEST(QueueFile, TheSameEntryTwiceLoadsOnceAndTheFileKeepsBothUntilAChange) {
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  TransferEntry running = Entry("dup");
  running.state = ENTRY_RUNNING;
  std::vector<unsigned char> bytes = Concat({running, running});
  WriteBytes(path, bytes);
  CFileQueue q;
  EXPECT_EQ(q.SetFile(path), 1);
  ASSERT_EQ(q.Size(), 1u);
  EXPECT_EQ(q.Entries()[0].state, ENTRY_PENDING);  // taken again by the next Start
  EXPECT_TRUE(q.FirstPending().has_value());
  q.Flush();  // writes only if loading had counted as a change
  EXPECT_EQ(ReadBytes(path), bytes);
  q.Add(Entry("dup"));  // a duplicate: not a change either
  q.Flush();
  EXPECT_EQ(ReadBytes(path), bytes);
  EXPECT_EQ(q.FileBytesWritten(), 0u);
  q.SetState(ENTRY_STOPPED, Entry("dup"));
  q.Flush();
  EXPECT_EQ(platform::FileSize(path), static_cast<std::int64_t>(sizeof(TransferEntry)));
}

TEST(QueueFile, SecondIdenticalAddNeitherRewritesTheFileNorPosts) {
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  CFileQueue q;
  auto target = std::make_shared<platform::RecordingTarget>();
  q.SetNotifyWindow(target);
  q.SetFile(path);
  q.Add(Entry("up", XFER_UPLOAD));
  q.Flush();
  ino_t written = Inode(path);
  ASSERT_NE(written, 0u);
  std::uint64_t bytes = q.FileBytesWritten();
  EXPECT_EQ(bytes, sizeof(TransferEntry));
  EXPECT_EQ(ChangeMessages(*target), 1u);
  q.Add(Entry("up", XFER_UPLOAD));
  q.Flush();  // would write a change the second Add had made
  EXPECT_EQ(Inode(path), written);  // every write replaces the file
  EXPECT_EQ(q.FileBytesWritten(), bytes);
  EXPECT_EQ(ChangeMessages(*target), 1u);
}

TEST(QueueFile, HostileRecordsLoadWithoutOverrunningTheirFields) {
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  // Texts without terminators, odd states and directions.
  std::vector<unsigned char> bytes(3 * sizeof(TransferEntry), 'A');
  bytes[2 * 2096 + 1208] = 'B';  // the third one has another name
  WriteBytes(path, bytes);
  CFileQueue q;
  q.SetFile(path);
  ASSERT_EQ(q.Size(), 2u);
  EXPECT_EQ(q.Contains(q.Entries()[1]), 1);
  EXPECT_FALSE(q.FirstPending().has_value());  // state 0x41414141 is no pending
  EXPECT_EQ(q.Remove(q.Entries()[0]), 1);
  q.Flush();
  EXPECT_EQ(platform::FileSize(path), static_cast<std::int64_t>(sizeof(TransferEntry)));
}

TEST(QueueFile, EmptyAndMissingFilesAndTheLastRemoval) {
  TempFolder dir;
  CFileQueue q;
  EXPECT_EQ(q.SetFile(dir.File("missing.TWQ")), 1);
  EXPECT_EQ(q.Load(), 0);
  EXPECT_TRUE(q.IsEmpty());
  EXPECT_FALSE(platform::PathExists(dir.File("missing.TWQ")));  // loading creates nothing

  std::string path = dir.File("empty.TWQ");
  WriteBytes(path, {});
  q.SetFile(path);
  EXPECT_EQ(q.Load(), 1);
  EXPECT_TRUE(q.IsEmpty());
  q.Add(Entry("last"));
  q.Flush();
  EXPECT_EQ(platform::FileSize(path), 2096);
  q.Remove(Entry("last"));
  q.Flush();
  EXPECT_TRUE(platform::PathExists(path));
  EXPECT_EQ(platform::FileSize(path), 0);
}

TEST(QueueFile, FilesAreReadableAndWritableByTheirOwnerOnly) {
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  WriteBytes(path, {});
  ::chmod(path.c_str(), 0644);
  {
    CFileQueue q;
    q.SetFile(path);
    q.Add(Entry("secret"));
  }
  EXPECT_EQ(Mode(path), 0600u);
  std::string fresh = dir.File("fresh.TWQ");
  {
    CFileQueue q;
    q.SetFile(fresh);
    q.Add(Entry("secret"));
    EXPECT_EQ(q.Save(), 1);
    EXPECT_EQ(Mode(fresh), 0600u);
  }
}

TEST(QueueFile, SaveThatCannotCreateTheFileReturnsZeroAndKeepsTheOldFile) {
  TempFolder dir;
  CFileQueue q;
  EXPECT_EQ(q.Save(), 0);  // no file given yet
  q.SetFile(dir.File("no/such/folder/q.TWQ"));
  q.Add(Entry("kept in memory"));
  EXPECT_EQ(q.Save(), 0);
  EXPECT_EQ(q.Size(), 1u);
  EXPECT_FALSE(platform::PathExists(dir.File("no")));

  std::string path = dir.File("q.TWQ");
  q.SetFile(path);
  q.Add(Entry("a"));
  ASSERT_EQ(q.Save(), 1);
  std::vector<unsigned char> before = ReadBytes(path);
  // The temporary file's place is taken: no save can be made, even by root.
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  ASSERT_TRUE(platform::CreateDirectory(temp));
  q.Add(Entry("b"));
  EXPECT_EQ(q.Save(), 0);
  q.Flush();
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(q.Size(), 2u);
  ::rmdir(temp.c_str());
  q.Add(Entry("c"));  // the next change gets through again
  EXPECT_TRUE(FileReaches(path, q));
}

TEST(QueueFile, PendingChangesReachTheFileBeforeDestructionSetFileAndClear) {
  TempFolder dir;
  std::string a = dir.File("a.TWQ"), b = dir.File("b.TWQ");
  {
    CFileQueue q;
    q.SetFile(a);
    q.Add(Entry("x"));
    q.SetFile(b);  // the old file gets its last change first
    EXPECT_EQ(ReadBytes(a), Bytes(Entry("x")));
    EXPECT_TRUE(q.IsEmpty());
    q.Add(Entry("y"));
    q.Add(Entry("z"));
    q.Clear();  // Clear doesn't write the file, which keeps the last change
    q.Flush();
    EXPECT_EQ(ReadBytes(b), Concat({Entry("y"), Entry("z")}));
    q.Add(Entry("w"));
  }
  EXPECT_EQ(ReadBytes(b), Bytes(Entry("w")));
}

TEST(QueueFile, EachLoginHasItsOwnFile) {
  SiteRecord site{};
  SetField(site.address, "192.168.1.20");
  SetField(site.user, "bob");
  EXPECT_EQ(LoginQueueFileName(site), "192.168.1.20bob.TWQ");
  SetField(site.user, "");
  EXPECT_EQ(LoginQueueFileName(site), "192.168.1.20.TWQ");

  TempFolder dir;
  auto fileOf = [&](const std::string& user) {
    SiteRecord s{};
    SetField(s.address, "10.0.0.1");
    SetField(s.user, user);
    return platform::JoinPath(dir.Path(), LoginQueueFileName(s));
  };
  CFileQueue q;
  q.SetFile(fileOf("alice"));
  q.Add(Entry("for-alice", XFER_DOWNLOAD, 1, "10.0.0.1", "alice"));
  q.SetFile(fileOf("bob"));
  EXPECT_TRUE(q.IsEmpty());
  q.Add(Entry("for-bob", XFER_DOWNLOAD, 1, "10.0.0.1", "bob"));
  q.SetFile(fileOf("alice"));
  ASSERT_EQ(q.Size(), 1u);
  EXPECT_EQ(FieldText(q.Entries()[0].remoteName), "for-alice");
  EXPECT_TRUE(platform::PathExists(dir.File("10.0.0.1alice.TWQ")));
  EXPECT_TRUE(platform::PathExists(dir.File("10.0.0.1bob.TWQ")));
}

TEST(QueueFile, AQueueWithoutAUsableFileLivesInMemoryOnly) {
  TempFolder dir;
  CFileQueue q;
  q.SetFile("");
  q.Add(Entry("a"));
  EXPECT_EQ(q.Save(), 0);
  EXPECT_EQ(q.Size(), 1u);
  q.SetFile(dir.Path() + "/");
  q.Add(Entry("b"));
  EXPECT_EQ(q.Save(), 0);
  q.Flush();
  EXPECT_TRUE(platform::IsDirectory(dir.Path()));
}

TEST(QueueFile, TwoThreadsChangingAtOnceLeaveTheFileEqualToTheList) {
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  CFileQueue q;
  q.SetFile(path);
  auto work = [&](const std::string& prefix) {
    for (int i = 0; i < 300; ++i) {
      TransferEntry e = Entry(prefix + std::to_string(i));
      q.Add(e);
      q.SetState(i % 3 == 0 ? ENTRY_RUNNING : ENTRY_FAILED, e);
      if (i % 2 == 0) q.Remove(e);
      if (i % 50 == 0) q.Save();
    }
  };
  std::thread t1(work, "a");
  std::thread t2(work, "b");
  t1.join();
  t2.join();
  q.Flush();
  std::vector<TransferEntry> list = q.Entries();
  EXPECT_EQ(list.size(), 300u);
  EXPECT_EQ(ReadBytes(path), Concat(list));
  CFileQueue reloaded;
  reloaded.SetFile(path);
  EXPECT_EQ(reloaded.Size(), 300u);
}

TEST(CurrentSiteFile, OnlyAWholeRecordCountsAndSavingWritesExactlyOne) {
  TempFolder dir;
  std::string path = dir.File("TWDefault.TWQ");
  SiteRecord zero{};
  auto bytesOf = [](const SiteRecord& r) {
    std::vector<unsigned char> b(sizeof r);
    std::memcpy(b.data(), &r, sizeof r);
    return b;
  };
  EXPECT_EQ(bytesOf(LoadCurrentSiteFile(path)), bytesOf(zero));  // missing
  WriteBytes(path, std::vector<unsigned char>(947, 0x41));
  EXPECT_EQ(bytesOf(LoadCurrentSiteFile(path)), bytesOf(zero));
  std::vector<unsigned char> longer(1000);
  for (std::size_t i = 0; i < longer.size(); ++i) longer[i] = static_cast<unsigned char>(i);
  WriteBytes(path, longer);
  std::vector<unsigned char> first(longer.begin(), longer.begin() + 948);
  EXPECT_EQ(bytesOf(LoadCurrentSiteFile(path)), first);

  SiteRecord site{};
  SetField(site.address, "ftp.example.org");
  site.resumeSupported = 1;
  ASSERT_TRUE(SaveCurrentSiteFile(path, site));
  EXPECT_EQ(ReadBytes(path), bytesOf(site));
  EXPECT_EQ(Mode(path), 0600u);
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  ASSERT_TRUE(platform::CreateDirectory(temp));
  EXPECT_FALSE(SaveCurrentSiteFile(path, zero));
  EXPECT_EQ(ReadBytes(path), bytesOf(site));
  ::rmdir(temp.c_str());
}
