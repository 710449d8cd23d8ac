#include <gtest/gtest.h>

#include <thread>

#include "platform/MessageTarget.h"
#include "platform/Sync.h"
#include "platform/ThreadQueue.h"

using namespace platform;

TEST(ThreadMessageQueue, KeepsPostingOrderAcrossThreadsAndRefusesWhenClosed) {
  ThreadMessageQueue q;
  EXPECT_FALSE(q.Post(MakeMessage(1)));  // not open yet: no thread to take it
  q.Open();
  std::thread producer([&] {
    for (int i = 0; i < 1000; ++i) q.Post(MakeMessage(7, i, 0, Payload::Of(std::to_string(i))));
  });
  for (int i = 0; i < 1000; ++i) {
    auto m = q.Wait(5000);
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->wParam, i);
    EXPECT_EQ(m->Text(), std::to_string(i));
  }
  producer.join();
  EXPECT_FALSE(q.Peek().has_value());
  q.Close();
  EXPECT_FALSE(q.Post(MakeMessage(1)));
}

TEST(Payload, MovesOwnershipAndChecksType) {
  auto owned = std::make_unique<int>(42);
  Payload p = Payload::Of(std::move(owned));
  EXPECT_EQ(p.As<std::string>(), nullptr);
  auto back = p.Take<std::unique_ptr<int>>();
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, 42);
  EXPECT_TRUE(p.Empty());
}

TEST(Event, AutoResetReleasesOneWaitAndTimesOut) {
  Event e(true, false);
  EXPECT_FALSE(e.Wait(10));
  std::thread t([&] { e.Set(); });
  EXPECT_TRUE(e.Wait(5000));
  t.join();
  EXPECT_FALSE(e.Wait(10));  // consumed by the first wait
}

TEST(RecordingTarget, WaitsForMessagesFromAnotherThread) {
  auto target = std::make_shared<RecordingTarget>();
  WindowHandle handle = target;
  std::thread t([&] { PostTo(handle, TextMessage(5025, "line")); });
  EXPECT_TRUE(target->WaitFor([](const auto& v) { return v.size() == 1; }, 5000));
  t.join();
  EXPECT_EQ(target->Texts(5025), std::vector<std::string>{"line"});
  EXPECT_FALSE(PostTo(nullptr, MakeMessage(1)));
}
