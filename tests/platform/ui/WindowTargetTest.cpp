// Posting to a window from worker threads: order, coalesced progress, and
// posts after the window is gone.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/panel.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/MessageIds.h"
#include "platform/ui/WindowTarget.h"
#include "support/ui/UiTest.h"

namespace {

struct Received {
  std::vector<std::uint32_t> ids;
  std::vector<std::string> texts;
  std::vector<std::intptr_t> wParams;
  bool onUiThread = true;
};

class WindowTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "target test");
    panel = new wxPanel(frame);
    target = platform::WindowTarget::Create(panel, [this](platform::Message& m) {
      got.onUiThread = got.onUiThread && wxIsMainThread();
      got.ids.push_back(m.id);
      got.texts.push_back(m.Text());
      got.wParams.push_back(m.wParam);
    });
  }
  void TearDown() override {
    if (frame) frame->Destroy();
    uitest::PumpFor(20);
  }

  wxFrame* frame = nullptr;
  wxPanel* panel = nullptr;
  std::shared_ptr<platform::WindowTarget> target;
  Received got;
};

TEST_F(WindowTargetTest, PostsFromAnotherThreadArriveInOrderOnTheUiThread) {
  constexpr int kLines = 500;
  std::thread worker([t = target] {
    for (int i = 0; i < kLines; ++i)
      t->Post(platform::TextMessage(msg::WM_SESSION_STATUS_LINE, std::to_string(i)));
  });
  worker.join();
  EXPECT_TRUE(uitest::PumpUntil([&] { return got.texts.size() == kLines; }));
  ASSERT_EQ(got.texts.size(), static_cast<std::size_t>(kLines));
  for (int i = 0; i < kLines; ++i) EXPECT_EQ(got.texts[i], std::to_string(i));
  EXPECT_TRUE(got.onUiThread);
}

TEST_F(WindowTargetTest, FloodOfProgressCoalescesAndTheLastValueArrives) {
  constexpr int kPosts = 20000;
  std::thread worker([t = target] {
    t->Post(platform::TextMessage(msg::WM_SESSION_STATUS_LINE, "before"));
    for (int i = 1; i <= kPosts; ++i) {
      t->Post(platform::MakeMessage(msg::WM_SESSION_PROGRESS, i % 101, i));
      t->Post(platform::TextMessage(msg::WM_SESSION_PROGRESS_TEXT, "file " + std::to_string(i)));
    }
    t->Post(platform::TextMessage(msg::WM_SESSION_STATUS_LINE, "after"));
  });
  worker.join();
  EXPECT_TRUE(uitest::PumpUntil([&] { return !got.texts.empty() && got.texts.back() == "after"; }));
  EXPECT_EQ(target->PostCount(), 2u * kPosts + 2u);
  EXPECT_LT(target->DeliveryCount(), 100u) << "the posts were not coalesced";
  // Lines keep their place around the coalesced progress.
  ASSERT_GE(got.ids.size(), 4u);
  EXPECT_EQ(got.texts.front(), "before");
  std::intptr_t lastPercent = -1;
  std::string lastText;
  for (std::size_t i = 0; i < got.ids.size(); ++i) {
    if (got.ids[i] == msg::WM_SESSION_PROGRESS) lastPercent = got.wParams[i];
    if (got.ids[i] == msg::WM_SESSION_PROGRESS_TEXT) lastText = got.texts[i];
  }
  EXPECT_EQ(lastPercent, kPosts % 101);
  EXPECT_EQ(lastText, "file " + std::to_string(kPosts));
}

TEST_F(WindowTargetTest, PostsAfterTheWindowIsDestroyedAreDropped) {
  target->Post(platform::TextMessage(msg::WM_SESSION_STATUS_LINE, "waiting"));
  panel->Destroy();  // a child: gone at once
  EXPECT_FALSE(target->Attached());
  std::atomic<int> accepted{0};
  std::thread worker([t = target, &accepted] {
    for (int i = 0; i < 100; ++i)
      if (t->Post(platform::TextMessage(msg::WM_SESSION_STATUS_LINE, "late"))) ++accepted;
  });
  worker.join();
  uitest::PumpFor(50);
  EXPECT_EQ(accepted.load(), 0);
  EXPECT_TRUE(got.texts.empty()) << "a message reached a destroyed window";
}

TEST_F(WindowTargetTest, PostsWhileTheWindowGoesAwayNeverReachIt) {
  std::atomic<bool> stop{false};
  std::thread worker([t = target, &stop] {
    while (!stop.load()) t->Post(platform::TextMessage(msg::WM_SESSION_REPLY_LINE, "x"));
  });
  uitest::PumpUntil([&] { return got.texts.size() > 10; });
  frame->Destroy();
  frame = nullptr;
  uitest::PumpFor(50);
  const std::size_t seen = got.texts.size();
  EXPECT_FALSE(target->Attached());
  uitest::PumpFor(50);
  stop = true;
  worker.join();
  uitest::PumpFor(20);
  EXPECT_EQ(got.texts.size(), seen);
}

}  // namespace
