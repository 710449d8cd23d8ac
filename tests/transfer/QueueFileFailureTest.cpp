// A queue file that can't be written: the change stays pending and is tried
// again by the next change, Flush or the destruction; the user is told once
// per streak of failures, with the file and the reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "QueueTestSupport.h"
#include "platform/ErrorText.h"
#include "platform/Notice.h"
#include "platform/Sync.h"
#include "transfer/FileQueue.h"

namespace {

// The writer posts its notices: it must never wait for the user.
class RecordedNotices final : public platform::NoticeSink {
 public:
  void ShowNotice(const std::string& caption, const std::string&) override {
    ADD_FAILURE() << "a notice that waits for the user: " << caption;
  }
  void PostNotice(const std::string& caption, const std::string& text) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      texts_.push_back(caption + ": " + text);
    }
    changed_.notify_all();
  }
  std::vector<std::string> Texts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
  }
  bool WaitForCount(std::size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return texts_.size() >= n; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> texts_;
};

class QueueFileFailure : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetNoticeSink(notices); }
  void TearDown() override {
    platform::SetNoticeSink(nullptr);
    ::rmdir(temp.c_str());
  }
  // A folder where the temporary file would go: no write gets through, even
  // for root.
  void Block() { ASSERT_TRUE(platform::CreateDirectory(temp)); }
  void Unblock() { ASSERT_EQ(::rmdir(temp.c_str()), 0); }

  std::shared_ptr<RecordedNotices> notices = std::make_shared<RecordedNotices>();
  TempFolder dir;
  std::string path = dir.File("q.TWQ");
  std::string temp = path + ".tmp" + std::to_string(::getpid());
};

std::vector<unsigned char> Concat(const std::vector<TransferEntry>& list) {
  std::vector<unsigned char> out;
  for (const auto& e : list) {
    auto b = Bytes(e);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

}  // namespace

TEST_F(QueueFileFailure, AFailedWriteIsToldOnceAndItsChangeReachesTheFileLater) {
  TransferEntry a = Entry("a"), b = Entry("b"), c = Entry("c"), d = Entry("d");
  {
    CFileQueue q;
    q.SetFile(path);
    q.Add(a);
    q.Flush();
    ASSERT_EQ(ReadBytes(path), Bytes(a));

    Block();
    q.Add(b);
    q.Flush();
    q.Add(c);
    q.Flush();
    EXPECT_EQ(q.Save(), 0);
    EXPECT_EQ(ReadBytes(path), Bytes(a));  // the old file is untouched
    ASSERT_TRUE(notices->WaitForCount(1));
    std::string told = notices->Texts()[0];
    EXPECT_NE(told.find(path), std::string::npos) << told;
    EXPECT_NE(told.find(platform::ErrorText(EISDIR)), std::string::npos) << told;

    // Nothing changed since, yet Flush writes: the failed changes were not
    // taken for written.
    Unblock();
    q.Flush();
    EXPECT_EQ(ReadBytes(path), Concat({a, b, c}));

    // A new streak is told again; the destruction tries once more.
    Block();
    q.Add(d);
    q.Flush();
    ASSERT_TRUE(notices->WaitForCount(2));
    Unblock();
  }
  EXPECT_EQ(ReadBytes(path), Concat({a, b, c, d}));
  // The destruction waits for the queue's notices: no more came.
  EXPECT_EQ(notices->Texts().size(), 2u);
}

TEST_F(QueueFileFailure, TheNextChangeTriesAgainWithoutAFlush) {
  CFileQueue q;
  q.SetFile(path);
  Block();
  q.Add(Entry("a"));
  ASSERT_TRUE(notices->WaitForCount(1));  // the writer's own attempt failed
  Unblock();
  q.Add(Entry("b"));
  bool reached = false;
  for (int i = 0; i < 500 && !reached; ++i) {
    reached = ReadBytes(path) == Concat({Entry("a"), Entry("b")});
    if (!reached) platform::SleepMs(10);
  }
  EXPECT_TRUE(reached);
}

TEST_F(QueueFileFailure, ChangesThatCouldNotBeWrittenNeverReachAnotherFileOrOutliveClear) {
  std::string other = dir.File("other.TWQ");
  WriteBytes(other, Bytes(Entry("theirs")));
  {
    CFileQueue q;
    q.SetFile(path);
    q.Add(Entry("a"));
    q.Flush();
    Block();
    q.Add(Entry("b"));
    q.Flush();
    // Another file: its own entries load, and the pending change stays out.
    q.SetFile(other);
    q.Flush();
    EXPECT_EQ(ReadBytes(other), Bytes(Entry("theirs")));
    ASSERT_EQ(q.Size(), 1u);

    q.SetFile(path);  // still blocked: loads the last state written
    EXPECT_EQ(q.Size(), 1u);
    q.Add(Entry("c"));
    q.Flush();
    q.Clear();  // not a change: the cleared list is never written
    Unblock();
  }
  EXPECT_EQ(ReadBytes(path), Bytes(Entry("a")));
}
