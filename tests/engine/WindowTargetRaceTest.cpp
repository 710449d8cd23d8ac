// The session's window targets, its site and its current folder are read and
// replaced from other threads while the worker posts (for the thread
// sanitizer build, which reports any unguarded access).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "QueueRunTestHelpers.h"

namespace {

using h4test::kWaitMs;
using h4test::TempDir;
using h5test::LoggedInSession;

TEST(WindowTargets, ReplacedFromAnotherThreadWhileAMultiFileRunPosts) {
  constexpr int kFiles = 8;
  constexpr std::size_t kSize = 192 * 1024;
  skifftest::ScriptedFtpServer server;
  for (int i = 0; i < kFiles; ++i)
    server.AddFile((i % 2 ? "/d2/f" : "/d1/f") + std::to_string(i), h4test::PatternData(kSize, i));
  skifftest::DataOptions pieces;
  pieces.chunkSize = 16 * 1024;  // many progress posts per file
  pieces.chunkDelayMs = 2;
  server.SetDataOptions(pieces);
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  const std::string address = server.Address();

  // Files in two folders, so that the current folder changes under the reader.
  for (int i = 0; i < kFiles; ++i)
    s.session.transferQueue.Add(s.Entry(i % 2 ? "/d2" : "/d1", "f" + std::to_string(i),
                                        local.Folder(), XFER_DOWNLOAD, false, kSize));

  h4test::Windows other;
  std::atomic<bool> done{false};
  std::atomic<int> rounds{0}, oddSites{0}, oddDirs{0};
  std::thread ui([&] {
    bool flip = false;
    while (!done.load()) {
      const h4test::Windows& w = flip ? other : s.windows;
      w.Attach(s.session);
      s.session.queueWindow = w.view;
      s.session.localWindow = flip ? nullptr : w.log;
      if (std::string(s.session.Site().address) != address) ++oddSites;
      std::string dir = s.session.CurrentDir();
      if (dir != "/" && dir != "/d1" && dir != "/d2") ++oddDirs;
      flip = !flip;
      ++rounds;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  s.session.RunQueue();
  bool finished = h4test::WaitUntil([&] { return s.session.transferQueue.Size() == 0; },
                                    3 * kWaitMs);
  done = true;
  ui.join();
  s.windows.Attach(s.session);
  ASSERT_TRUE(finished) << s.session.transferQueue.Size() << " entries left";

  // Commands run in order: once NOOP arrives, the run is over.
  ASSERT_EQ(s.session.PostRawCommand("NOOP\r\n"), 1);
  ASSERT_TRUE(server.WaitForCommand("NOOP", kWaitMs));
  for (int i = 0; i < kFiles; ++i)
    EXPECT_EQ(h4test::ReadFile(local.Path("f" + std::to_string(i))),
              h4test::PatternData(kSize, i))
        << "f" << i;
  EXPECT_GT(rounds.load(), 0);
  EXPECT_EQ(oddSites.load(), 0);
  EXPECT_EQ(oddDirs.load(), 0);
  // Both sets of windows got messages of the run.
  EXPECT_GT(other.progress->Count() + s.windows.progress->Count(), 0u);
}

}  // namespace
