#include "transfer/ui/GuiQuestions.h"

#include <wx/app.h>
#include <wx/thread.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "local/ui/InputFileNameDlg.h"
#include "transfer/ui/SelectActionDlg.h"

namespace {

// One question on its way: what it asks, and the answer once `done`.
struct Pending {
  enum class Kind { TargetExists, NewName };
  Kind kind = Kind::TargetExists;
  TargetExistsQuestion question;
  std::string name;
  bool nameGiven = false;
  bool done = false;

  // The answer of a question nobody answered: Skip, or Cancel.
  void AnswerUnasked() {
    question.result = ACTION_SKIP;
    question.applyToRest = 0;
    nameGiven = false;
    done = true;
  }
};

// Brought to the front of the main window, which stays usable meanwhile.
constexpr long kQuestionStyle = wxSTAY_ON_TOP;

}  // namespace

// Everything the worker threads and the user-interface thread share. Tasks
// queued to the user-interface thread hold it by shared pointer, so it lives
// until the last of them ran.
struct CGuiQuestions::Broker {
  std::mutex mutex;
  std::condition_variable answered;
  std::deque<std::shared_ptr<Pending>> waiting;  // asked, not yet shown
  std::shared_ptr<Pending> shown;                // the one whose dialog is open
  bool shutdown = false;
  wxDialog* dialog = nullptr;  // user-interface thread only

  // Asks on a worker thread: hands the question over and waits for the answer.
  void AskFromWorker(const std::shared_ptr<Broker>& self, const std::shared_ptr<Pending>& p) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (shutdown || !wxTheApp) {
        p->AnswerUnasked();
        return;
      }
      waiting.push_back(p);
    }
    wxTheApp->CallAfter([self] { self->ShowNext(self); });
    std::unique_lock<std::mutex> lock(mutex);
    answered.wait(lock, [&] { return p->done; });
  }

  // Asks on the user-interface thread itself: a modal dialog.
  void AskModal(Pending& p) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (shutdown) {
        p.AnswerUnasked();
        return;
      }
    }
    if (p.kind == Pending::Kind::TargetExists) {
      CSelectActionDlg dlg(nullptr);
      Fill(dlg, p);
      dlg.result = ACTION_SKIP;  // a loop ended by no button at all answers Skip
      dlg.ShowModal();
      TakeAnswer(dlg, p);
    } else {
      CInputFileNameDlg dlg(nullptr);
      dlg.nameText = p.name;
      TakeAnswer(dlg, dlg.ShowModal(), p);
    }
    p.done = true;
  }

  // User-interface thread: opens the next waiting question unless one is open.
  void ShowNext(const std::shared_ptr<Broker>& self) {
    std::shared_ptr<Pending> next;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (shown || waiting.empty()) return;
      next = waiting.front();
      waiting.pop_front();
      shown = next;
    }
    if (next->kind == Pending::Kind::TargetExists) {
      auto* dlg = new CSelectActionDlg(nullptr, kQuestionStyle);
      {
        std::lock_guard<std::mutex> lock(mutex);
        Fill(*dlg, *next);
      }
      dlg->SetCloseHandler([self, next, dlg](int) {
        {
          std::lock_guard<std::mutex> lock(self->mutex);
          if (!next->done) TakeAnswer(*dlg, *next);
        }
        self->CallAfterClosed(self, dlg);
      });
      dialog = dlg;
    } else {
      auto* dlg = new CInputFileNameDlg(nullptr, kQuestionStyle);
      {
        std::lock_guard<std::mutex> lock(mutex);
        dlg->nameText = next->name;
      }
      dlg->SetCloseHandler([self, next, dlg](int returnCode) {
        {
          std::lock_guard<std::mutex> lock(self->mutex);
          if (!next->done) TakeAnswer(*dlg, returnCode, *next);
        }
        self->CallAfterClosed(self, dlg);
      });
      dialog = dlg;
    }
    // A dialog destroyed unanswered (program exit) answers Skip / Cancel.
    wxDialog* opened = dialog;
    opened->Bind(wxEVT_DESTROY, [self, opened](wxWindowDestroyEvent& event) {
      event.Skip();
      if (event.GetEventObject() == opened && self->dialog == opened) self->Forget(self);
    });
    opened->Show();
    opened->Raise();
  }

  // The dialog closed with its answer taken: it goes once its own close
  // handling has finished.
  void CallAfterClosed(const std::shared_ptr<Broker>& self, wxDialog* closed) {
    if (!wxTheApp) return;
    wxTheApp->CallAfter([self, closed] {
      if (self->dialog == closed) self->CloseShown(self);
    });
  }

  // User-interface thread: the open question ends (answered, or answered
  // Skip / Cancel if nobody did); its dialog goes; the next one opens.
  void CloseShown(const std::shared_ptr<Broker>& self) {
    wxDialog* closing = dialog;
    dialog = nullptr;
    Finish();
    if (closing) closing->Destroy();
    ShowNext(self);
  }

  // The open dialog was destroyed by somebody else.
  void Forget(const std::shared_ptr<Broker>& self) {
    dialog = nullptr;
    Finish();
    if (wxTheApp) wxTheApp->CallAfter([self] { self->ShowNext(self); });
  }

  void Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (shown && !shown->done) shown->AnswerUnasked();
      shown.reset();
    }
    answered.notify_all();
  }

  // Any thread: every waiting question is answered Skip / Cancel; the open
  // dialog is closed on the user-interface thread.
  void Release(const std::shared_ptr<Broker>& self, bool forever) {
    bool hadOpen = false;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (forever) shutdown = true;
      for (auto& p : waiting) p->AnswerUnasked();
      waiting.clear();
      if (shown) {
        if (!shown->done) shown->AnswerUnasked();
        hadOpen = true;
      }
    }
    answered.notify_all();
    if (!hadOpen) return;
    if (wxThread::IsMain()) {
      CloseShown(self);
    } else if (wxTheApp) {
      wxTheApp->CallAfter([self] { self->CloseShown(self); });
    }
  }

  static void Fill(CSelectActionDlg& dlg, const Pending& p) {
    dlg.applyAll = p.question.applyAll;
    dlg.targetText = p.question.targetText;
  }
  static void TakeAnswer(const CSelectActionDlg& dlg, Pending& p) {
    p.question.result = dlg.result;
    p.question.applyToRest = dlg.applyToRest;
    if (dlg.result != ACTION_SKIP) p.question.applyAll = dlg.applyAll;
    p.done = true;
  }
  static void TakeAnswer(const CInputFileNameDlg& dlg, int returnCode, Pending& p) {
    p.nameGiven = returnCode == wxID_OK;
    if (p.nameGiven) p.name = dlg.nameText;
    p.done = true;
  }
};

CGuiQuestions::CGuiQuestions() : broker_(std::make_shared<Broker>()) {}

CGuiQuestions::~CGuiQuestions() { Shutdown(); }

void CGuiQuestions::AskTargetExists(TargetExistsQuestion& question) {
  auto p = std::make_shared<Pending>();
  p->kind = Pending::Kind::TargetExists;
  p->question = question;
  if (wxThread::IsMain())
    broker_->AskModal(*p);
  else
    broker_->AskFromWorker(broker_, p);
  std::lock_guard<std::mutex> lock(broker_->mutex);
  question = p->question;
}

bool CGuiQuestions::AskNewName(std::string& name) {
  auto p = std::make_shared<Pending>();
  p->kind = Pending::Kind::NewName;
  p->name = name;
  if (wxThread::IsMain())
    broker_->AskModal(*p);
  else
    broker_->AskFromWorker(broker_, p);
  std::lock_guard<std::mutex> lock(broker_->mutex);
  if (p->nameGiven) name = p->name;
  return p->nameGiven;
}

void CGuiQuestions::ReleaseWaiting() { broker_->Release(broker_, false); }

void CGuiQuestions::Shutdown() { broker_->Release(broker_, true); }

wxDialog* CGuiQuestions::OpenDialog() const { return broker_->dialog; }

std::size_t CGuiQuestions::Unanswered() const {
  std::lock_guard<std::mutex> lock(broker_->mutex);
  return broker_->waiting.size() + (broker_->shown && !broker_->shown->done ? 1 : 0);
}
