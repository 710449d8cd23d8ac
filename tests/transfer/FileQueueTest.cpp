// The transfer queue model: duplicate key and identity, states, the change
// message, copies for the workers, locking.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "QueueTestSupport.h"
#include "platform/MessageIds.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"

namespace {

class FileQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { queue.SetNotifyWindow(target); }
  std::size_t Changes() {
    std::size_t n = 0;
    target->Inspect([&](std::vector<platform::Message>& all) {
      for (auto& m : all) {
        EXPECT_EQ(m.wParam, 0);
        EXPECT_EQ(m.lParam, 0);
        if (m.id == msg::WM_QUEUE_CHANGED) ++n;
      }
    });
    return n;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (const auto& e : queue.Entries()) out.push_back(FieldText(e.remoteName));
    return out;
  }

  std::shared_ptr<platform::RecordingTarget> target = std::make_shared<platform::RecordingTarget>();
  CFileQueue queue;
};

}  // namespace

TEST_F(FileQueueTest, SameUploadTwiceIsQueuedOnceAndTheSecondAddChangesNothing) {
  TransferEntry up = Entry("a.txt", XFER_UPLOAD);
  EXPECT_EQ(queue.Add(up), 1);
  EXPECT_EQ(Changes(), 1u);
  // Only the duplicate key counts: another size, local folder or state
  // doesn't make it a new entry.
  TransferEntry again = up;
  again.fileSize = 999;
  SetField(again.localDir, "/elsewhere/");
  again.state = ENTRY_STOPPED;
  EXPECT_EQ(queue.Add(again), 1);
  EXPECT_EQ(queue.Size(), 1u);
  EXPECT_EQ(Changes(), 1u);
  EXPECT_EQ(queue.Entries()[0].fileSize, up.fileSize);
}

TEST_F(FileQueueTest, AnEntryCanBeQueuedAgainOnceRemovedOrCleared) {
  // Thousands queued at once: each other, and a second round adds nothing.
  for (int i = 0; i < 3000; ++i) queue.Add(Entry("f" + std::to_string(i), XFER_UPLOAD));
  for (int i = 0; i < 3000; ++i) queue.Add(Entry("f" + std::to_string(i), XFER_UPLOAD));
  EXPECT_EQ(queue.Size(), 3000u);
  // The same name as a download or a folder is another key.
  queue.Add(Entry("f7", XFER_DOWNLOAD));
  EXPECT_EQ(queue.Size(), 3001u);
  TransferEntry seven = Entry("f7", XFER_UPLOAD);
  EXPECT_EQ(queue.Remove(seven), 1);
  EXPECT_EQ(queue.Size(), 3000u);
  queue.Add(seven);
  EXPECT_EQ(queue.Size(), 3001u);
  queue.Add(seven);
  EXPECT_EQ(queue.Size(), 3001u);
  queue.Clear();
  queue.Add(seven);
  EXPECT_EQ(Names(), (std::vector<std::string>{"f7"}));
}

TEST_F(FileQueueTest, DuplicateKeyAndIdentityAreKeptApart) {
  TransferEntry up = Entry("a.txt", XFER_UPLOAD, 10);
  TransferEntry down = Entry("a.txt", XFER_DOWNLOAD, 10);
  TransferEntry folder = Entry("a.txt", XFER_DOWNLOAD, 10);
  folder.isFolder = 1;
  queue.Add(up);
  queue.Add(down);
  queue.Add(folder);
  ASSERT_EQ(queue.Size(), 3u);  // direction and folder flag make new entries

  // Matches ignores direction and folder flag: the first in list order is hit.
  EXPECT_EQ(queue.SetState(ENTRY_FAILED, folder), 1);
  auto list = queue.Entries();
  EXPECT_EQ(list[0].direction, XFER_UPLOAD);
  EXPECT_EQ(list[0].state, ENTRY_FAILED);
  EXPECT_EQ(list[1].state, ENTRY_PENDING);
  EXPECT_EQ(queue.Remove(down), 1);
  list = queue.Entries();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].direction, XFER_DOWNLOAD);
  EXPECT_EQ(list[0].isFolder, 0);

  // Another user or address is another identity and another key.
  TransferEntry otherUser = Entry("a.txt", XFER_UPLOAD, 10, "10.0.0.1", "bob");
  TransferEntry otherHost = Entry("a.txt", XFER_UPLOAD, 10, "10.0.0.2", "alice");
  EXPECT_EQ(queue.Contains(otherUser), 0);
  EXPECT_EQ(queue.Contains(otherHost), 0);
  queue.Add(otherUser);
  queue.Add(otherHost);
  EXPECT_EQ(queue.Size(), 4u);
}

TEST_F(FileQueueTest, AnotherSizeIsAnotherIdentity) {
  queue.Add(Entry("big.iso", XFER_DOWNLOAD, 4'000'000'000LL));
  std::size_t before = Changes();
  // Differs only in the high 32 bits.
  TransferEntry probe = Entry("big.iso", XFER_DOWNLOAD, 4'000'000'000LL + (1LL << 32));
  EXPECT_EQ(queue.Contains(probe), 0);
  EXPECT_EQ(queue.SetState(ENTRY_FAILED, probe), 0);
  EXPECT_EQ(queue.Remove(probe), 0);
  EXPECT_EQ(queue.Size(), 1u);
  EXPECT_EQ(queue.Entries()[0].state, ENTRY_PENDING);
  EXPECT_EQ(Changes(), before);
  // Local paths and state take no part in the identity.
  TransferEntry same = Entry("big.iso", XFER_UPLOAD, 4'000'000'000LL);
  SetField(same.localDir, "/other/");
  same.state = ENTRY_FAILED;
  EXPECT_EQ(queue.Contains(same), 1);
}

TEST_F(FileQueueTest, StatesOnAddAndWhatTheWorkersTake) {
  TransferEntry running = Entry("run");
  running.state = ENTRY_RUNNING;
  running.next = 0xDEADBEEF;
  TransferEntry stopped = Entry("stop");
  stopped.state = ENTRY_STOPPED;
  TransferEntry failed = Entry("fail");
  failed.state = ENTRY_FAILED;
  queue.Add(stopped);
  queue.Add(failed);
  EXPECT_FALSE(queue.FirstPending().has_value());
  queue.Add(running);
  auto list = queue.Entries();
  EXPECT_EQ(list[0].state, ENTRY_STOPPED);
  EXPECT_EQ(list[1].state, ENTRY_FAILED);
  EXPECT_EQ(list[2].state, ENTRY_PENDING);  // running comes in as pending
  EXPECT_EQ(list[2].next, 0u);
  auto first = queue.FirstPending();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(FieldText(first->remoteName), "run");
}

TEST_F(FileQueueTest, RemoveOnEmptyQueueAndOfAnEntryNotQueued) {
  EXPECT_EQ(queue.Remove(Entry("x")), 1);
  EXPECT_EQ(queue.SetState(ENTRY_FAILED, Entry("x")), 0);
  EXPECT_EQ(Changes(), 0u);
  queue.Add(Entry("a"));
  EXPECT_EQ(queue.Remove(Entry("x")), 0);
  EXPECT_EQ(queue.Size(), 1u);
  EXPECT_EQ(Changes(), 1u);
  EXPECT_EQ(queue.Remove(Entry("a")), 1);
  EXPECT_EQ(queue.IsEmpty(), 1);
  EXPECT_EQ(Changes(), 2u);
}

TEST_F(FileQueueTest, FindPendingSameLoginSkipsEntriesThatAreNotPending) {
  TransferEntry probe = Entry("probe");
  auto add = [&](const std::string& name, std::int32_t state, const std::string& user = "alice") {
    TransferEntry e = Entry(name, XFER_DOWNLOAD, 1, "10.0.0.1", user);
    queue.Add(e);
    queue.SetState(state, e);
  };
  add("failed", ENTRY_FAILED);
  add("stopped", ENTRY_STOPPED);
  add("running", ENTRY_RUNNING);
  add("otheruser", ENTRY_PENDING, "bob");
  EXPECT_FALSE(queue.FindPendingSameLogin(probe).has_value());
  TransferEntry otherPassword = Entry("pw");
  SetField(otherPassword.site.password, "different");
  queue.Add(otherPassword);
  EXPECT_FALSE(queue.FindPendingSameLogin(probe).has_value());  // the password counts too
  add("pending", ENTRY_PENDING);
  auto found = queue.FindPendingSameLogin(probe);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(FieldText(found->remoteName), "pending");
}

TEST_F(FileQueueTest, WorkersGetCopiesAndWriteBackByIdentity) {
  queue.Add(Entry("a"));
  auto taken = queue.FirstPending();
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(queue.SetState(ENTRY_RUNNING, *taken), 1);
  EXPECT_EQ(queue.Entries()[0].state, ENTRY_RUNNING);
  // The user removes the entry while the worker still holds its copy.
  EXPECT_EQ(queue.Remove(Entry("a")), 1);
  EXPECT_EQ(FieldText(taken->remoteName), "a");
  EXPECT_EQ(queue.SetState(ENTRY_FAILED, *taken), 0);
  EXPECT_EQ(queue.Remove(*taken), 1);  // empty queue
  EXPECT_TRUE(queue.IsEmpty());
}

TEST_F(FileQueueTest, ClearPostsOnlyWhenThereWereEntries) {
  queue.Clear();
  EXPECT_EQ(Changes(), 0u);
  queue.Add(Entry("a"));
  queue.Add(Entry("b"));
  queue.Clear();
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_EQ(Changes(), 3u);
}

TEST_F(FileQueueTest, LockIsReentrantAndHoldsOffOtherThreads) {
  // The other thread records when it is about to take the lock, and what
  // the list held once it got in.
  std::mutex m;
  std::condition_variable changed;
  bool trying = false, gotIn = false;
  std::vector<std::string> seen;
  auto waitFor = [&](const bool& flag, int ms) {
    std::unique_lock<std::mutex> lock(m);
    return changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return flag; });
  };

  queue.Lock();
  queue.Lock();
  queue.Add(Entry("mine"));  // the same thread takes the lock again
  std::thread other([&] {
    {
      std::lock_guard<std::mutex> lock(m);
      trying = true;
    }
    changed.notify_all();
    queue.Lock();
    std::vector<std::string> names = Names();
    queue.Unlock();
    {
      std::lock_guard<std::mutex> lock(m);
      seen = names;
      gotIn = true;
    }
    changed.notify_all();
  });
  ASSERT_TRUE(waitFor(trying, 5000));
  // A thread that isn't held off gets in at once and ends these waits early.
  EXPECT_FALSE(waitFor(gotIn, 100));
  queue.Add(Entry("late"));
  queue.Unlock();  // still held once
  EXPECT_FALSE(waitFor(gotIn, 100));
  queue.Add(Entry("later"));
  queue.Unlock();
  ASSERT_TRUE(waitFor(gotIn, 5000));
  other.join();
  // It got in after the last Unlock: it saw every entry added before it.
  EXPECT_EQ(seen, (std::vector<std::string>{"mine", "late", "later"}));
}

TEST_F(FileQueueTest, ChangeMessagesArePostedOutsideTheQueueLock) {
  // The window asks the queue from another thread while a message is being
  // posted: posted under the queue's lock, that thread would be held off.
  // A held-off question is answered once the lock is released, so the
  // answers are kept until the end.
  std::size_t heldOff = 0;
  std::vector<std::future<std::size_t>> answers;
  queue.SetNotifyWindow(std::make_shared<platform::CallbackTarget>([&](platform::Message&) {
    answers.push_back(std::async(std::launch::async, [&] { return queue.Size(); }));
    if (answers.back().wait_for(std::chrono::seconds(2)) != std::future_status::ready) ++heldOff;
  }));
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  WriteBytes(path, Bytes(Entry("from-file")));
  queue.SetFile(path);
  queue.Add(Entry("a"));
  queue.SetState(ENTRY_FAILED, Entry("a"));
  queue.Remove(Entry("a"));
  queue.Clear();
  queue.Load();
  EXPECT_EQ(answers.size(), 6u);
  EXPECT_EQ(heldOff, 0u);
  for (auto& a : answers) ASSERT_EQ(a.wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

TEST(DeleteFileQueue, SameRemoteItemIsQueuedOnceHoweverLongTheQueue) {
  CDeleteFileQueue q;
  for (int i = 0; i < 20; ++i) q.Add(Entry("f" + std::to_string(i)));
  TransferEntry doomed = Entry("doomed");
  doomed.state = ENTRY_FAILED;
  q.Add(doomed);
  q.Add(doomed);
  q.Add(Entry("doomed"));
  int count = 0;
  while (!q.IsEmpty()) {
    auto head = q.FirstPending();
    ASSERT_TRUE(head.has_value());
    EXPECT_EQ(head->state, ENTRY_PENDING);
    if (FieldText(head->remoteName) == "doomed") ++count;
    ASSERT_EQ(q.Remove(*head), 1);
  }
  EXPECT_EQ(count, 1);
  EXPECT_FALSE(q.FirstPending().has_value());
}

TEST(DeleteFileQueue, RemoveAndContainsGoByAddressDirectoryAndName) {
  CDeleteFileQueue q;
  EXPECT_EQ(q.Remove(Entry("x")), 1);  // empty
  q.Add(Entry("file", XFER_DOWNLOAD, 5, "10.0.0.1", "alice"));
  // User and size take no part here.
  TransferEntry probe = Entry("file", XFER_UPLOAD, 77, "10.0.0.1", "bob");
  EXPECT_EQ(q.Contains(probe), 1);
  EXPECT_EQ(q.Contains(Entry("file", XFER_DOWNLOAD, 5, "10.0.0.9")), 0);
  TransferEntry otherDir = Entry("file");
  SetField(otherDir.remoteDir, "/elsewhere");
  EXPECT_EQ(q.Contains(otherDir), 0);
  EXPECT_EQ(q.Remove(otherDir), 0);
  EXPECT_EQ(q.Remove(probe), 1);
  EXPECT_EQ(q.IsEmpty(), 1);
  q.Add(Entry("a"));
  q.Clear();
  EXPECT_EQ(q.IsEmpty(), 1);
}
