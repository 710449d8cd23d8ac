// CLocalFileJob while an operation runs: the window stays alive, Cancel in
// the progress window stops a move, and the job or its parent window going
// away ends everything without a hang and without losing a byte.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "local/ui/FileJobDriver.h"
#include "local/ui/FileProgressDlg.h"
#include "local/ui/LocalFileJob.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"
#include "support/ui/UiTest.h"

using filejob_test::Answer;
using filejob_test::Click;
using filejob_test::DialogActor;
using skifftest::Exists;
using skifftest::FileText;
using skifftest::MakeFile;
using skifftest::NamesIn;

namespace {

constexpr std::size_t kBlock = 256 * 1024;  // the copy's block size

// Holds the worker in a hook until the test opens it (at most 10 s, so that
// a failing test can't hang the run).
struct Gate {
  std::atomic<bool> open{false};
  std::atomic<int> calls{0};
  void Pass() {
    ++calls;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!open && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
};

CFileProgressDlg* ShownProgressWindow() {
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<CFileProgressDlg*>(window);
    if (dialog && dialog->IsShown()) return dialog;
  }
  return nullptr;
}

bool AnyProgressWindow() {
  for (wxWindow* window : wxTopLevelWindows) {
    if (dynamic_cast<CFileProgressDlg*>(window) && !window->IsBeingDeleted()) return true;
  }
  return false;
}

class LocalFileJobLifeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.Path().empty());
    ASSERT_TRUE(dir_.MakeDir("src"));
    ASSERT_TRUE(dir_.MakeDir("dst"));
    frame_ = new wxFrame(nullptr, wxID_ANY, "Local pane");
    frame_->Show();
    job_ = std::make_unique<CLocalFileJob>(frame_);
  }
  void TearDown() override {
    job_.reset();
    if (frame_) frame_->Destroy();
    uitest::PumpFor(20);
  }
  std::string P(const std::string& relative) const { return dir_.PathOf(relative); }

  // `count` files of `size` random bytes in src; their paths.
  std::vector<std::string> MakeSources(int count, std::size_t size) {
    std::mt19937 random(7);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      std::string bytes(size, '\0');
      for (char& c : bytes) c = static_cast<char>(random());
      const std::string name = "f" + std::to_string(i) + ".bin";
      EXPECT_TRUE(MakeFile(P("src/" + name), bytes));
      contents_[name] = bytes;
      paths.push_back(P("src/" + name));
    }
    return paths;
  }

  // Every file is whole in exactly one place, src or dst, and dst holds
  // nothing else (no partial copy).
  void ExpectEverySourceWhole() {
    for (const auto& [name, bytes] : contents_) {
      const bool inSource = Exists(P("src/" + name)), inTarget = Exists(P("dst/" + name));
      EXPECT_NE(inSource, inTarget) << name;
      EXPECT_EQ(FileText(P(inSource ? "src/" + name : "dst/" + name)), bytes) << name;
    }
    for (const std::string& name : NamesIn(P("dst"))) EXPECT_TRUE(contents_.count(name)) << name;
  }

  void CrossFileSystems(std::function<int(const std::string&, std::uint64_t)> writeFault) {
    platform::FileOpHooks hooks;
    hooks.rename = [](const std::string&, const std::string&) { return EXDEV; };
    hooks.writeFault = std::move(writeFault);
    job_->SetHooks(hooks);
  }

  skifftest::TempDir dir_;
  wxFrame* frame_ = nullptr;
  std::unique_ptr<CLocalFileJob> job_;
  std::map<std::string, std::string> contents_;
};

TEST_F(LocalFileJobLifeTest, CancelInTheProgressWindowStopsAMoveAndKeepsEverySourceWhole) {
  const auto sources = MakeSources(4, 3 * kBlock);
  Gate gate;  // holds the second file's copy before its first block
  std::atomic<int> firstBlocks{0};
  CrossFileSystems([&gate, &firstBlocks](const std::string&, std::uint64_t offset) {
    if (offset == 0 && ++firstBlocks == 2) gate.Pass();
    return 0;
  });
  auto outcome = filejob_test::Start(*job_, LocalFileOperation::Move, sources, {P("dst")});
  ASSERT_TRUE(uitest::PumpUntil([] { return ShownProgressWindow() != nullptr; }, 10000));
  CFileProgressDlg* progress = ShownProgressWindow();
  EXPECT_EQ(progress->GetTitle(), "Moving");
  EXPECT_TRUE(uitest::PumpUntil([&] { return progress->NameText() == "f1.bin"; }, 5000))
      << progress->NameText();
  EXPECT_TRUE(progress->CountText().Contains("1 of 4 items")) << progress->CountText();
  EXPECT_EQ(progress->GaugeValue(), CFileProgressDlg::kGaugeRange / 4);
  Click(*progress, wxID_CANCEL);
  gate.open = true;
  ASSERT_TRUE(uitest::PumpUntil([&] { return outcome->finished; }, 10000));
  EXPECT_EQ(outcome->result, 0);
  EXPECT_TRUE(uitest::PumpUntil([] { return !AnyProgressWindow(); }, 2000));
  ExpectEverySourceWhole();
  EXPECT_FALSE(Exists(P("src/f0.bin")));  // moved before the cancel
  EXPECT_TRUE(Exists(P("src/f1.bin")));
  EXPECT_TRUE(Exists(P("src/f3.bin")));
}

TEST_F(LocalFileJobLifeTest, TheWindowKeepsHandlingEventsWhileAnOperationRuns) {
  const auto sources = MakeSources(2, 2 * kBlock);
  Gate gate;
  CrossFileSystems([&gate](const std::string&, std::uint64_t) {
    gate.Pass();
    return 0;
  });
  int ticks = 0;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&ticks](wxTimerEvent&) { ++ticks; });
  timer.Start(10);
  auto outcome = filejob_test::Start(*job_, LocalFileOperation::Move, sources, {P("dst")});
  EXPECT_TRUE(uitest::PumpUntil([&] { return gate.calls > 0 && ticks >= 5; }, 10000));
  EXPECT_TRUE(job_->Busy());
  EXPECT_FALSE(job_->Start(LocalFileOperation::Delete, {P("src/f0.bin")}, {}, [](int) {}));
  gate.open = true;
  ASSERT_TRUE(uitest::PumpUntil([&] { return outcome->finished; }, 10000));
  timer.Stop();
  EXPECT_EQ(outcome->result, 1);
  EXPECT_FALSE(job_->Busy());
  EXPECT_TRUE(NamesIn(P("src")).empty());
  ExpectEverySourceWhole();
  // The next operation may start now.
  DialogActor actor(Answer(wxID_NO));
  EXPECT_EQ(filejob_test::RunToEnd(*job_, LocalFileOperation::Delete, {P("dst/f0.bin")}), 0);
}

TEST_F(LocalFileJobLifeTest, DestroyingTheJobWhileAQuestionIsOpenAnswersNo) {
  ASSERT_TRUE(MakeFile(P("src/a.txt"), "alpha"));
  ASSERT_TRUE(MakeFile(P("src/b.txt"), "beta"));
  DialogActor actor([this](wxDialog&) { job_.reset(); });  // inside the question's modal loop
  auto outcome = filejob_test::Start(*job_, LocalFileOperation::Rename, {P("src/a.txt")},
                                     {P("src/b.txt")});
  ASSERT_TRUE(uitest::PumpUntil([&] { return job_ == nullptr; }, 10000));
  uitest::PumpFor(100);
  EXPECT_EQ(actor.Seen().size(), 1u);
  EXPECT_FALSE(outcome->finished);
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(window);
    EXPECT_FALSE(dialog && dialog->IsShown()) << dialog->GetTitle();
  }
  EXPECT_EQ(FileText(P("src/a.txt")), "alpha");
  EXPECT_EQ(FileText(P("src/b.txt")), "beta");
}

TEST_F(LocalFileJobLifeTest, DestroyingTheJobDuringAMoveStopsItWithoutLosingABlock) {
  const auto sources = MakeSources(6, 4 * kBlock);
  std::atomic<int> blocks{0};
  CrossFileSystems([&blocks](const std::string&, std::uint64_t) {
    ++blocks;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return 0;
  });
  auto outcome = filejob_test::Start(*job_, LocalFileOperation::Move, sources, {P("dst")});
  ASSERT_TRUE(uitest::PumpUntil([&] { return blocks >= 6; }, 10000));
  job_.reset();
  uitest::PumpFor(50);
  EXPECT_FALSE(outcome->finished);
  EXPECT_FALSE(AnyProgressWindow());
  ExpectEverySourceWhole();
}

TEST_F(LocalFileJobLifeTest, ThePaneWindowGoingAwayWhileAQuestionIsOpenAnswersNo) {
  ASSERT_TRUE(MakeFile(P("src/a.txt"), "alpha"));
  ASSERT_TRUE(MakeFile(P("src/b.txt"), "beta"));
  bool frameGone = false;
  frame_->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& e) {
    e.Skip();
    if (e.GetEventObject() == frame_) frameGone = true;
  });
  DialogActor actor([this](wxDialog&) {
    delete frame_;  // the question's parent, under its modal loop
    frame_ = nullptr;
  });
  auto outcome = filejob_test::Start(*job_, LocalFileOperation::Rename, {P("src/a.txt")},
                                     {P("src/b.txt")});
  ASSERT_TRUE(uitest::PumpUntil([&] { return frameGone; }, 10000));
  uitest::PumpFor(100);
  EXPECT_EQ(actor.Seen().size(), 1u);
  EXPECT_FALSE(outcome->finished);
  EXPECT_FALSE(job_->Start(LocalFileOperation::Delete, {P("src/a.txt")}, {}, [](int) {}));
  job_.reset();  // joins the worker, which got its No
  EXPECT_EQ(FileText(P("src/a.txt")), "alpha");
  EXPECT_EQ(FileText(P("src/b.txt")), "beta");
}

}  // namespace
