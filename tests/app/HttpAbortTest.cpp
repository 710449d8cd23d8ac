// Ending a fetch early: the abort switch ends a fetch that a silent server
// holds, keeps a fetch from starting once set, reaches only fetches made in
// its scope, and ends the version check without a question.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "LoopbackHttpServer.h"
#include "app/VersionCheck.h"
#include "platform/HttpFetch.h"

namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

class HttpAbort : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
  }
  std::shared_ptr<platform::HttpAbortSwitch> abortSwitch =
      std::make_shared<platform::HttpAbortSwitch>();
};

TEST_F(HttpAbort, SwitchSetFromAnotherThreadEndsAFetchTheServerHolds) {
  LoopbackHttpServer server({NeverAnswer()});
  std::future<platform::HttpReply> fetch = std::async(std::launch::async, [&] {
    const platform::HttpAbortScope scope(abortSwitch);
    platform::HttpClient client("test");
    return client.Get(server.Url("/softinfo.ini"), 100);
  });
  ASSERT_TRUE(WaitFor([&] { return !server.Requests().empty(); }));
  abortSwitch->Set();
  // Bounded past the server's hold, so a fetch that ignores the switch fails
  // below instead of hanging here.
  ASSERT_EQ(fetch.wait_for(std::chrono::milliseconds(LoopbackHttpServer::kHoldLimitMs + 5000)),
            std::future_status::ready);
  const platform::HttpReply reply = fetch.get();
  EXPECT_FALSE(server.GaveUpHolding()) << "the fetch ended only when the server let go";
  EXPECT_TRUE(reply.aborted);
  EXPECT_FALSE(reply.received);
  EXPECT_TRUE(abortSwitch->EndedAFetch());
  EXPECT_TRUE(WaitFor([&] { return server.ClientLeftHeldConnection(); }));
}

TEST_F(HttpAbort, OnlyFetchesInsideTheScopeWatchTheSwitch) {
  LoopbackHttpServer server({ReplyWithLength("inner"), ReplyWithLength("after the scope")});
  platform::HttpClient client("test");
  abortSwitch->Set();
  {
    const platform::HttpAbortScope scope(abortSwitch);
    {
      const platform::HttpAbortScope inner(nullptr);  // the innermost scope counts
      const platform::HttpReply reply = client.Get(server.Url("/x"), 100);
      EXPECT_FALSE(reply.aborted);
      EXPECT_EQ(reply.body, "inner");
    }
    const platform::HttpReply reply = client.Get(server.Url("/x"), 100);
    EXPECT_TRUE(reply.aborted);
    EXPECT_FALSE(reply.received);
  }
  EXPECT_EQ(server.Requests().size(), 1u) << "a set switch still let a fetch connect";
  const platform::HttpReply after = client.Get(server.Url("/x"), 100);
  EXPECT_FALSE(after.aborted);
  EXPECT_EQ(after.status, 200);
  EXPECT_EQ(after.body, "after the scope");
}

TEST_F(HttpAbort, AnAbortedVersionCheckAsksNothing) {
  LoopbackHttpServer server({ReplyWithLength("Vessa Skiffline=9.9")});
  VersionCheckConfig config;
  config.versionFileAddress = server.Url("/softinfo.ini");
  config.productName = "Vessa Skiffline";
  config.programVersion = "4.3.2";
  bool asked = false;
  config.askYesNo = [&](const std::string&, const std::string&) { return asked = true; };
  config.abortSwitch = abortSwitch;
  abortSwitch->Set();
  EXPECT_EQ(RunVersionCheck(config), 1);
  EXPECT_FALSE(asked);
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(abortSwitch->EndedAFetch());
}

}  // namespace
