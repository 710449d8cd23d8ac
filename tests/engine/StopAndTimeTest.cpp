// Stop ends a worker in every state, a silent server fails what waits on it,
// a second Cancel never waits for the first one's ABOR, and a failed SYST is
// shown without holding the worker.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>

#include "QueueRunTestHelpers.h"
#include "platform/Notice.h"

namespace {

using h4test::kWaitMs;
using h4test::StatusLines;
using h4test::TempDir;
using h5test::LoggedInSession;
using std::chrono::seconds;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs `fn` on another thread; true when it returned within `limit`.
bool ReturnsWithin(const std::function<void()>& fn, seconds limit,
                   const std::function<void()>& unblock = {}) {
  auto done = std::async(std::launch::async, fn);
  if (done.wait_for(limit) == std::future_status::ready) return true;
  if (unblock) unblock();  // so that a broken engine fails instead of hanging
  return false;
}

// A notice sink whose blocking ShowNotice stands for a modal message box:
// it returns only when released (or after a long bound). PostNotice records.
class ModalNotices final : public platform::NoticeSink {
 public:
  void ShowNotice(const std::string& caption, const std::string& text) override {
    std::unique_lock<std::mutex> lock(mutex_);
    shown_.push_back(caption + ": " + text);
    changed_.wait_for(lock, seconds(30), [&] { return released_; });
  }
  void PostNotice(const std::string& caption, const std::string& text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    posted_.push_back(caption + ": " + text);
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  std::vector<std::string> Shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }
  std::vector<std::string> Posted() {
    std::lock_guard<std::mutex> lock(mutex_);
    return posted_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool released_ = false;
  std::vector<std::string> shown_, posted_;
};

// Installs a sink for one test and always takes it away again.
struct InstalledNotices {
  std::shared_ptr<ModalNotices> sink = std::make_shared<ModalNotices>();
  InstalledNotices() { platform::SetNoticeSink(sink); }
  ~InstalledNotices() {
    sink->Release();
    platform::SetNoticeSink(nullptr);
  }
};

TEST(StopAndTime, StopEndsALoginWhoseUserIsNeverAnswered) {
  skifftest::ScriptedFtpServer server;
  server.SetReply("USER", skifftest::Script());  // never answered
  LoggedInSession s(server);
  s.session.Start();
  ASSERT_TRUE(server.WaitForCommand("USER", kWaitMs));

  EXPECT_TRUE(ReturnsWithin([&] { s.session.Stop(); }, seconds(10)));
  EXPECT_FALSE(s.session.HasWorker());
  EXPECT_EQ(s.session.IsLoggedIn(), 0);
  // The stop ended the attempts: one connection, closed.
  EXPECT_TRUE(server.WaitForClosedConnections(1, kWaitMs));
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST(StopAndTime, ADownloadFromAServerThatFallsSilentFailsAndTheSessionGoesOn) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/big.bin", h4test::PatternData(64 * 1024));
  skifftest::DataOptions silent;
  silent.chunkSize = 4096;
  silent.chunkDelayMs = 60000;  // one piece, then a minute of silence
  server.QueueDataOptions(silent);
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  s.session.inactivityTimeoutMs = 500;
  s.session.lateReplyTimeoutMs = 500;

  TransferEntry e = s.Entry("/", "big.bin", local.Folder(), XFER_DOWNLOAD, false, 64 * 1024);
  s.session.QueueTransfer(e);
  std::string failed;
  ASSERT_TRUE(h4test::WaitUntil([&] {
    for (auto& l : StatusLines(*s.windows.log))
      if (l.rfind("Failed: /big.bin (", 0) == 0) failed = l;
    return !failed.empty();
  })) << "the transfer still waits on the silent server";
  EXPECT_TRUE(Contains(failed, "silent")) << failed;
  s.session.inactivityTimeoutMs = kInactivityTimeoutMs;

  // The same session lists again.
  ASSERT_TRUE(s.Run([&] { s.session.RefreshList(); }));
  EXPECT_TRUE(h4test::WaitForStatus(*s.windows.log, "Successful transfers"));
  EXPECT_TRUE(s.session.HasWorker());
  EXPECT_EQ(s.session.transferQueue.Size(), 1u);
}

TEST(StopAndTime, ASecondCancelWhileTheFirstAbortIsUnansweredReturnsAtOnce) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/slow.bin", h4test::PatternData(1024 * 1024));
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 20;
  // Neither the broken transfer nor the ABOR is ever answered.
  slow.failed = skifftest::Script();
  server.QueueDataOptions(slow);
  server.SetHandler("ABOR", [](const skifftest::FtpCommand&) -> std::optional<skifftest::Script> {
    return skifftest::Script();
  });
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  s.session.lateReplyTimeoutMs = 120000;  // the first cancel waits for its reply
  TransferEntry e = s.Entry("/", "slow.bin", local.Folder(), XFER_DOWNLOAD, false, 1024 * 1024);
  s.session.QueueTransfer(e);
  ASSERT_TRUE(h4test::WaitForMessage(*s.windows.progress, msg::WM_SESSION_PROGRESS));

  auto unblock = [&] { server.DropConnections(); };
  ASSERT_TRUE(ReturnsWithin([&] { s.session.Cancel(); }, seconds(5), unblock));
  ASSERT_TRUE(server.WaitForCommand("ABOR", kWaitMs));
  EXPECT_TRUE(s.session.CancelInFlight());
  EXPECT_TRUE(ReturnsWithin([&] { s.session.Cancel(); }, seconds(5), unblock));
  EXPECT_TRUE(s.session.CancelInFlight());
  EXPECT_EQ(server.CountCommands("ABOR"), 1u);

  EXPECT_TRUE(ReturnsWithin([&] { s.session.Stop(); }, seconds(10), unblock));
  EXPECT_FALSE(s.session.HasWorker());
}

TEST(StopAndTime, ASystThatFailsIsPostedAndNeverHoldsTheWorker) {
  InstalledNotices notices;
  skifftest::ScriptedFtpServer server;
  server.QueueReply("SYST", skifftest::Script());  // the first SYST is never answered
  LoggedInSession s(server);
  s.session.inactivityTimeoutMs = 1000;
  s.session.Start();

  ASSERT_TRUE(h4test::WaitUntil([&] { return !notices.sink->Posted().empty(); }))
      << "no notice for the failed SYST";
  std::vector<std::string> posted = notices.sink->Posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].rfind("error: ", 0), 0u) << posted[0];
  EXPECT_TRUE(Contains(posted[0], "error while recv server reply")) << posted[0];
  // The worker was not held by the notice: it went on with the login.
  EXPECT_TRUE(h4test::WaitForStatus(*s.windows.log, "Fininsh initialization, waiting for orders"));
  EXPECT_TRUE(notices.sink->Shown().empty());

  EXPECT_TRUE(ReturnsWithin([&] { s.session.Stop(); }, seconds(10),
                            [&] { notices.sink->Release(); }));
  EXPECT_FALSE(s.session.HasWorker());
}

}  // namespace
