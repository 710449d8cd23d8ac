// A process killed at any moment while it changes and saves its queue leaves
// a file of whole records of a state the queue really had.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include "QueueTestSupport.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"

namespace {

constexpr std::size_t kWindow = 150;  // entries the child keeps queued

TransferEntry Numbered(int k) { return Entry("e" + std::to_string(k)); }

int NumberOf(const TransferEntry& e) {
  std::string name = FieldText(e.remoteName);
  if (name.size() < 2 || name[0] != 'e') return -1;
  return std::atoi(name.c_str() + 1);
}

// The child: continue the queue found in the file, adding one entry after
// another, re-stating it, dropping the oldest beyond the window, saving now
// and then on top of the queue's own writing. Tells the parent once its first
// change is on disk. Never returns.
[[noreturn]] void RunChild(const std::string& path, int readyFd) {
  CFileQueue q;
  q.SetFile(path);
  int next = 0;
  for (const auto& e : q.Entries()) next = std::max(next, NumberOf(e) + 1);
  for (int i = 0; i < 200000; ++i, ++next) {
    TransferEntry e = Numbered(next);
    q.Add(e);
    q.SetState(i % 2 ? ENTRY_RUNNING : ENTRY_FAILED, e);
    while (q.Size() > kWindow) q.Remove(q.Entries().front());
    if (i % 4 == 0) q.Save();
    if (i == 0) {
      char c = 'r';
      if (::write(readyFd, &c, 1) != 1) _exit(3);
    }
  }
  _exit(0);
}

// Whole records of one window e<j> … e<k> in order, as the child made them.
::testing::AssertionResult HoldsARealState(const std::string& path) {
  std::vector<unsigned char> bytes = ReadBytes(path);
  if (bytes.empty() || bytes.size() % sizeof(TransferEntry) != 0)
    return ::testing::AssertionFailure() << "file of " << bytes.size() << " bytes";
  std::size_t count = bytes.size() / sizeof(TransferEntry);
  if (count > kWindow + 1) return ::testing::AssertionFailure() << count << " records";
  int previous = -1;
  for (std::size_t i = 0; i < count; ++i) {
    TransferEntry e;
    std::memcpy(&e, bytes.data() + i * sizeof e, sizeof e);
    int k = NumberOf(e);
    if (k < 0 || (previous >= 0 && k != previous + 1))
      return ::testing::AssertionFailure() << "record " << i << " is e" << k << " after e" << previous;
    previous = k;
    if (e.state != ENTRY_PENDING && e.state != ENTRY_RUNNING && e.state != ENTRY_FAILED)
      return ::testing::AssertionFailure() << "record " << i << " in state " << e.state;
    TransferEntry expected = Numbered(k);
    expected.state = e.state;
    if (std::memcmp(&e, &expected, sizeof e) != 0)
      return ::testing::AssertionFailure() << "record " << i << " differs from what was queued";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(QueueCrash, KilledWhileSavingLeavesWholeRecordsOfARealState) {
  TempFolder dir;
  std::string path = dir.File("crash.TWQ");
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delayMs(0, 30);
  for (int round = 0; round < 50; ++round) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(pipeFds[0]);
      RunChild(path, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    pollfd ready{pipeFds[0], POLLIN, 0};
    bool started = ::poll(&ready, 1, 10000) == 1;
    char c = 0;
    started = started && ::read(pipeFds[0], &c, 1) == 1;
    ::close(pipeFds[0]);
    if (started) {
      int wait = delayMs(random);
      if (wait) ::usleep(static_cast<useconds_t>(wait) * 1000);
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(started) << "round " << round << ": the child never saved";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "round " << round;
    ASSERT_TRUE(HoldsARealState(path)) << "round " << round;
  }
  CFileQueue q;
  q.SetFile(path);
  EXPECT_EQ(static_cast<std::int64_t>(q.Size() * sizeof(TransferEntry)), platform::FileSize(path));
  EXPECT_TRUE(q.FirstPending().has_value());
}
