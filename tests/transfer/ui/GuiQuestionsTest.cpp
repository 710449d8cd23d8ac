// Worker threads' questions shown on the user-interface thread: the window
// stays usable, one question at a time, and a released question frees its
// worker.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "local/ui/InputFileNameDlg.h"
#include "support/ui/UiTest.h"
#include "transfer/TransferEntry.h"
#include "transfer/ui/GuiQuestions.h"
#include "transfer/ui/ModalDriver.h"
#include "transfer/ui/SelectActionDlg.h"

using dialog_test::Click;

namespace {

// One worker thread asking "Target file already exists" once.
// A worker left waiting by a failed test is released before it is joined.
struct TargetWorker {
  TargetWorker(CGuiQuestions& questions, std::string target, int applyAll = 0)
      : questions_(questions) {
    question.targetText = std::move(target);
    question.applyAll = applyAll;
    thread = std::thread([this, &questions] {
      questions.AskTargetExists(question);
      done = true;
    });
  }
  ~TargetWorker() {
    if (!thread.joinable()) return;
    questions_.Shutdown();
    thread.join();
  }
  CGuiQuestions& questions_;
  TargetExistsQuestion question;
  std::atomic<bool> done{false};
  std::thread thread;
};

struct NameWorker {
  NameWorker(CGuiQuestions& questions, std::string proposed)
      : questions_(questions), name(std::move(proposed)) {
    thread = std::thread([this, &questions] {
      given = questions.AskNewName(name);
      done = true;
    });
  }
  ~NameWorker() {
    if (!thread.joinable()) return;
    questions_.Shutdown();
    thread.join();
  }
  CGuiQuestions& questions_;
  std::string name;
  bool given = false;
  std::atomic<bool> done{false};
  std::thread thread;
};

struct GuiQuestions : testing::Test {
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "Skiffline", wxDefaultPosition, wxSize(500, 300));
    frame->Show();
    uitest::PumpFor(30);
  }
  void TearDown() override {
    // Whatever a failed test left waiting is released before the workers join.
    questions.Shutdown();
    uitest::PumpFor(30);
    frame->Destroy();
    uitest::PumpFor(20);
  }

  CSelectActionDlg* OpenTargetDialog() {
    return dynamic_cast<CSelectActionDlg*>(questions.OpenDialog());
  }
  bool WaitForTargetDialog() {
    return uitest::PumpUntil([&] { return OpenTargetDialog() && OpenTargetDialog()->IsShown(); });
  }
  static int ShownQuestionDialogs() {
    int n = 0;
    for (wxWindow* w : wxTopLevelWindows)
      if ((dynamic_cast<CSelectActionDlg*>(w) || dynamic_cast<CInputFileNameDlg*>(w)) &&
          w->IsShown())
        ++n;
    return n;
  }

  wxFrame* frame = nullptr;
  CGuiQuestions questions;  // before the workers: they join first
};

TEST_F(GuiQuestions, WorkerWaitsWhileTheMainWindowKeepsWorking) {
  int ticks = 0;
  wxTimer timer(frame);
  frame->Bind(wxEVT_TIMER, [&](wxTimerEvent&) { ++ticks; });
  timer.Start(20);

  TargetWorker worker(questions, "/pub/readme.txt");
  ASSERT_TRUE(WaitForTargetDialog());
  CSelectActionDlg* dlg = OpenTargetDialog();
  EXPECT_EQ(std::string(dlg->targetBox->GetValue().utf8_str().data()), "/pub/readme.txt");
  EXPECT_FALSE(dlg->IsModal());
  EXPECT_EQ(dlg->GetParent(), nullptr);

  const int ticksAtOpen = ticks;
  EXPECT_TRUE(uitest::PumpUntil([&] { return ticks >= ticksAtOpen + 3; }));
  EXPECT_TRUE(frame->IsEnabled());
  EXPECT_FALSE(worker.done);
  EXPECT_EQ(questions.Unanswered(), 1u);

  dlg->applyAllBox->SetValue(true);
  Click(*dlg, CSelectActionDlg::kOverwriteId);
  ASSERT_TRUE(uitest::PumpUntil([&] { return worker.done.load(); }));
  timer.Stop();
  worker.thread.join();
  EXPECT_EQ(worker.question.result, ACTION_OVERWRITE);
  EXPECT_EQ(worker.question.applyAll, 1);
  EXPECT_EQ(worker.question.applyToRest, 1);
  EXPECT_TRUE(uitest::PumpUntil([&] { return questions.OpenDialog() == nullptr; }));
  EXPECT_EQ(questions.Unanswered(), 0u);
}

TEST_F(GuiQuestions, TwoWorkersGetTheirDialogsOneAfterAnother) {
  TargetWorker first(questions, "/a/one.bin");
  ASSERT_TRUE(WaitForTargetDialog());
  TargetWorker second(questions, "/b/two.bin", 1);
  ASSERT_TRUE(uitest::PumpUntil([&] { return questions.Unanswered() == 2u; }));
  uitest::PumpFor(50);
  EXPECT_EQ(ShownQuestionDialogs(), 1);

  CSelectActionDlg* dlg = OpenTargetDialog();
  EXPECT_EQ(dlg->targetText, "/a/one.bin");
  Click(*dlg, CSelectActionDlg::kResumeId);
  ASSERT_TRUE(uitest::PumpUntil([&] { return first.done.load(); }));

  ASSERT_TRUE(uitest::PumpUntil(
      [&] { return OpenTargetDialog() && OpenTargetDialog()->targetText == "/b/two.bin"; }));
  CSelectActionDlg* next = OpenTargetDialog();
  EXPECT_EQ(next->targetText, "/b/two.bin");
  EXPECT_TRUE(next->applyAllBox->GetValue());  // filled from the question
  EXPECT_FALSE(second.done);
  EXPECT_EQ(ShownQuestionDialogs(), 1);
  Click(*next, wxID_CANCEL);
  ASSERT_TRUE(uitest::PumpUntil([&] { return second.done.load(); }));

  first.thread.join();
  second.thread.join();
  EXPECT_EQ(first.question.result, ACTION_RESUME);
  EXPECT_EQ(first.question.applyAll, 0);
  EXPECT_EQ(second.question.result, ACTION_SKIP);
  EXPECT_EQ(second.question.applyAll, 1);     // Skip reads nothing back
  EXPECT_EQ(second.question.applyToRest, 1);  // but the tick was left on
}

TEST_F(GuiQuestions, ReleaseWaitingFreesTheOpenAndTheQueuedQuestions) {
  TargetWorker open(questions, "/x/open.txt");
  ASSERT_TRUE(WaitForTargetDialog());
  NameWorker queued(questions, "proposed.txt");
  ASSERT_TRUE(uitest::PumpUntil([&] { return questions.Unanswered() == 2u; }));

  // As a stopping session does it: from another thread.
  std::thread stopper([&] { questions.ReleaseWaiting(); });
  stopper.join();
  ASSERT_TRUE(uitest::PumpUntil([&] { return open.done && queued.done; }));
  open.thread.join();
  queued.thread.join();
  EXPECT_EQ(open.question.result, ACTION_SKIP);
  EXPECT_EQ(open.question.applyToRest, 0);
  EXPECT_FALSE(queued.given);
  EXPECT_EQ(queued.name, "proposed.txt");
  EXPECT_TRUE(uitest::PumpUntil([&] { return questions.OpenDialog() == nullptr; }));
  uitest::PumpFor(50);
  EXPECT_EQ(ShownQuestionDialogs(), 0);

  // Released is not closed for good: the next question is shown again.
  TargetWorker later(questions, "/x/later.txt");
  ASSERT_TRUE(WaitForTargetDialog());
  Click(*OpenTargetDialog(), CSelectActionDlg::kRenameId);
  ASSERT_TRUE(uitest::PumpUntil([&] { return later.done.load(); }));
  later.thread.join();
  EXPECT_EQ(later.question.result, ACTION_RENAME);
}

TEST_F(GuiQuestions, AfterShutdownQuestionsAreAnsweredAtOnce) {
  questions.Shutdown();
  TargetWorker worker(questions, "/late.txt");
  NameWorker name(questions, "n");
  ASSERT_TRUE(uitest::PumpUntil([&] { return worker.done && name.done; }));
  worker.thread.join();
  name.thread.join();
  EXPECT_EQ(worker.question.result, ACTION_SKIP);
  EXPECT_FALSE(name.given);
  EXPECT_EQ(questions.OpenDialog(), nullptr);
}

TEST_F(GuiQuestions, DialogDestroyedUnansweredReleasesItsWorker) {
  TargetWorker worker(questions, "/gone.txt");
  ASSERT_TRUE(WaitForTargetDialog());
  questions.OpenDialog()->Destroy();  // as the program's exit does with every window
  ASSERT_TRUE(uitest::PumpUntil([&] { return worker.done.load(); }));
  worker.thread.join();
  EXPECT_EQ(worker.question.result, ACTION_SKIP);
  EXPECT_EQ(questions.OpenDialog(), nullptr);
}

TEST_F(GuiQuestions, NewNameIsAskedWithTheProposedText) {
  NameWorker ok(questions, "draft.txt");
  ASSERT_TRUE(uitest::PumpUntil([&] {
    return dynamic_cast<CInputFileNameDlg*>(questions.OpenDialog()) != nullptr;
  }));
  auto* dlg = dynamic_cast<CInputFileNameDlg*>(questions.OpenDialog());
  EXPECT_EQ(dlg->nameEdit->GetValue(), "draft.txt");
  dlg->nameEdit->ChangeValue("final.txt");
  Click(*dlg, wxID_OK);
  ASSERT_TRUE(uitest::PumpUntil([&] { return ok.done.load(); }));
  ok.thread.join();
  EXPECT_TRUE(ok.given);
  EXPECT_EQ(ok.name, "final.txt");

  ASSERT_TRUE(uitest::PumpUntil([&] { return questions.OpenDialog() == nullptr; }));
  NameWorker cancel(questions, "draft.txt");
  ASSERT_TRUE(uitest::PumpUntil([&] {
    return dynamic_cast<CInputFileNameDlg*>(questions.OpenDialog()) != nullptr;
  }));
  auto* second = dynamic_cast<CInputFileNameDlg*>(questions.OpenDialog());
  second->nameEdit->ChangeValue("ignored");
  Click(*second, wxID_CANCEL);
  ASSERT_TRUE(uitest::PumpUntil([&] { return cancel.done.load(); }));
  cancel.thread.join();
  EXPECT_FALSE(cancel.given);
  EXPECT_EQ(cancel.name, "draft.txt");
}

TEST_F(GuiQuestions, AskedOnTheUserInterfaceThreadTheDialogIsModal) {
  TargetExistsQuestion q;
  q.targetText = "/ui/thread.txt";
  bool wasModal = false;
  wxTheApp->CallAfter([&] {
    uitest::PumpUntil([&] {
      for (wxWindow* w : wxTopLevelWindows)
        if (auto* d = dynamic_cast<CSelectActionDlg*>(w); d && d->IsModal()) return true;
      return false;
    });
    for (wxWindow* w : wxTopLevelWindows) {
      if (auto* d = dynamic_cast<CSelectActionDlg*>(w); d && d->IsModal()) {
        wasModal = true;
        d->applyAllBox->SetValue(true);
        Click(*d, CSelectActionDlg::kRenameId);
      }
    }
  });
  // A dialog still open after ten seconds is ended, which answers Skip.
  wxTimer limit;
  limit.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
    for (wxWindow* w : wxTopLevelWindows)
      if (auto* d = dynamic_cast<wxDialog*>(w); d && d->IsModal()) d->EndModal(wxID_CANCEL);
  });
  limit.StartOnce(10000);
  questions.AskTargetExists(q);
  limit.Stop();
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(q.result, ACTION_RENAME);
  EXPECT_EQ(q.applyAll, 1);
}

}  // namespace
