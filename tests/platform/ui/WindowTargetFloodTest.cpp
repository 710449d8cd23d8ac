// A window far behind its workers: posting workers are held back at the
// bound and let go by delivery, Detach, a release or the time limit; the UI
// thread never waits; and a flood is delivered in slices that leave room
// for timers, queued calls and paint.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/MessageIds.h"
#include "platform/ui/WindowTarget.h"
#include "support/ui/UiTest.h"

namespace {

using platform::WindowTarget;
using namespace std::chrono_literals;

constexpr std::size_t kHigh = WindowTarget::kHighWater;

platform::Message Line(std::size_t i) {
  return platform::TextMessage(msg::WM_SESSION_STATUS_LINE, std::to_string(i));
}

// Waits without pumping (the window must not catch up meanwhile).
bool WaitWithoutPumping(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class WindowTargetFloodTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "flood test");
    panel = new wxPanel(frame);
    target = WindowTarget::Create(panel, [this](platform::Message& m) {
      texts.push_back(m.Text());
      if (onMessage) onMessage(texts.size());
    });
  }
  void TearDown() override {
    target->Detach();  // lets a poster go that a failed test left waiting
    for (auto& w : workers)
      if (w.valid()) w.wait();
    frame->Destroy();
    uitest::PumpFor(20);
  }

  // Posts lines first..last-1 from a worker; the result is the last post's.
  std::future<bool>& PostLines(std::size_t first, std::size_t last) {
    workers.push_back(std::async(std::launch::async, [t = target, first, last] {
      bool ok = false;
      for (std::size_t i = first; i < last; ++i) ok = t->Post(Line(i));
      return ok;
    }));
    return workers.back();
  }

  static bool Finished(std::future<bool>& f, int timeoutMs = 10000) {
    return f.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
  }

  bool InOrder(std::size_t count) const {
    if (texts.size() != count) return false;
    for (std::size_t i = 0; i < count; ++i)
      if (texts[i] != std::to_string(i)) return false;
    return true;
  }

  wxFrame* frame = nullptr;
  wxPanel* panel = nullptr;
  std::shared_ptr<WindowTarget> target;
  std::vector<std::string> texts;
  std::function<void(std::size_t delivered)> onMessage;
  std::vector<std::future<bool>> workers;
};

TEST_F(WindowTargetFloodTest, AFastWorkerIsHeldAtTheBoundAndEverythingArrivesInOrder) {
  constexpr std::size_t kTotal = 3 * kHigh;
  std::future<bool>& worker = PostLines(0, kTotal);
  ASSERT_TRUE(WaitWithoutPumping([&] { return target->PostersHeldNow() == 1; }));
  EXPECT_EQ(target->WaitingCount(), kHigh);

  EXPECT_TRUE(uitest::PumpUntil([&] { return texts.size() == kTotal; }, 30000));
  ASSERT_TRUE(Finished(worker));
  EXPECT_TRUE(worker.get());
  EXPECT_TRUE(InOrder(kTotal));
  EXPECT_LE(target->PeakWaiting(), kHigh) << "the waiting list grew past its bound";
  EXPECT_GE(target->HeldPostCount(), 1u);
}

TEST_F(WindowTargetFloodTest, DetachLetsAHeldPosterGoAndDropsItsMessage) {
  target->SetMaxPostWait(60s);  // only Detach can end the wait in time
  std::future<bool>& worker = PostLines(0, kHigh + 1);
  ASSERT_TRUE(WaitWithoutPumping([&] { return target->PostersHeldNow() == 1; }));
  target->Detach();
  ASSERT_TRUE(Finished(worker));
  EXPECT_FALSE(worker.get()) << "the held message was accepted after Detach";
  uitest::PumpFor(30);
  EXPECT_TRUE(texts.empty());
}

TEST_F(WindowTargetFloodTest, ReleaseLetsHeldPostersGoUntilTheWindowCatchesUp) {
  target->SetMaxPostWait(60s);  // only the release can end the wait in time
  std::future<bool>& held = PostLines(0, kHigh + 1);
  ASSERT_TRUE(WaitWithoutPumping([&] { return target->PostersHeldNow() == 1; }));
  target->ReleaseBlockedPosts();
  ASSERT_TRUE(Finished(held));
  EXPECT_TRUE(held.get()) << "a released message is queued";

  // Still released: a burst past the bound goes straight in.
  std::future<bool>& burst = PostLines(kHigh + 1, 2 * kHigh + 1);
  ASSERT_TRUE(Finished(burst));
  EXPECT_TRUE(burst.get());
  EXPECT_EQ(target->HeldPostCount(), 1u);
  EXPECT_EQ(target->WaitingCount(), 2 * kHigh + 1);

  // Once the window has caught up, the bound holds again.
  ASSERT_TRUE(uitest::PumpUntil([&] { return texts.size() == 2 * kHigh + 1; }, 30000));
  EXPECT_TRUE(InOrder(2 * kHigh + 1));
  std::future<bool>& again = PostLines(0, kHigh + 1);
  ASSERT_TRUE(WaitWithoutPumping([&] { return target->PostersHeldNow() == 1; }));
  target->ReleaseBlockedPosts();
  ASSERT_TRUE(Finished(again));
}

TEST_F(WindowTargetFloodTest, AHeldPostIsQueuedAnywayWhenTheWindowNeverCatchesUp) {
  target->SetMaxPostWait(20ms);
  std::future<bool>& worker = PostLines(0, kHigh + 3);
  ASSERT_TRUE(Finished(worker));
  EXPECT_TRUE(worker.get());
  EXPECT_EQ(target->HeldPostCount(), 3u);
  EXPECT_EQ(target->WaitingCount(), kHigh + 3);
  EXPECT_TRUE(uitest::PumpUntil([&] { return texts.size() == kHigh + 3; }, 30000));
  EXPECT_TRUE(InOrder(kHigh + 3));
}

TEST_F(WindowTargetFloodTest, PostsFromTheUiThreadNeverWait) {
  target->SetMaxPostWait(1s);  // a wrong wait ends and shows in the count
  for (std::size_t i = 0; i < kHigh + 10; ++i) EXPECT_TRUE(target->Post(Line(i)));
  EXPECT_EQ(target->HeldPostCount(), 0u);
  EXPECT_EQ(target->WaitingCount(), kHigh + 10);
  EXPECT_TRUE(uitest::PumpUntil([&] { return texts.size() == kHigh + 10; }, 30000));
  EXPECT_TRUE(InOrder(kHigh + 10));
}

// A one-shot timer that records how many messages had been delivered when it fired.
class RecordingTimer final : public wxTimer {
 public:
  explicit RecordingTimer(const std::vector<std::string>& texts) : texts_(texts) {}
  void Notify() override { firedAt = texts_.size(); }
  std::size_t firedAt = 0;

 private:
  const std::vector<std::string>& texts_;
};

TEST_F(WindowTargetFloodTest, TimersQueuedCallsAndPaintRunWhileAFloodIsDelivered) {
  frame->SetSize(300, 200);
  frame->Show();
  std::size_t paintedAt = 0;
  bool painted = false;
  panel->Bind(wxEVT_PAINT, [&](wxPaintEvent&) {
    wxPaintDC dc(panel);
    painted = true;
    paintedAt = texts.size();
  });
  ASSERT_TRUE(uitest::PumpUntil([&] { return painted; }, 5000)) << "no paint at all";

  constexpr std::size_t kTotal = 2 * kHigh;
  constexpr std::size_t kMidFlood = 1000;
  RecordingTimer timer(texts);
  std::size_t calledAt = 0;
  painted = false;
  onMessage = [&](std::size_t delivered) {
    wxMicroSleep(20);  // a handler slow enough that the flood takes many slices
    if (delivered != kMidFlood) return;
    timer.StartOnce(1);
    wxTheApp->CallAfter([&] { calledAt = texts.size(); });
    panel->Refresh();
  };
  std::future<bool>& worker = PostLines(0, kTotal);
  ASSERT_TRUE(uitest::PumpUntil([&] { return texts.size() == kTotal; }, 60000));
  ASSERT_TRUE(Finished(worker));
  EXPECT_TRUE(InOrder(kTotal));
  EXPECT_GE(timer.firedAt, kMidFlood) << "the timer did not fire";
  EXPECT_LT(timer.firedAt, kTotal) << "the timer waited for the flood to end";
  EXPECT_GE(calledAt, kMidFlood) << "the queued call did not run";
  EXPECT_LT(calledAt, kTotal) << "the queued call waited for the flood to end";
  EXPECT_TRUE(painted);
  EXPECT_LT(paintedAt, kTotal) << "paint waited for the flood to end";
}

}  // namespace
