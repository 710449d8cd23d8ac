#include "local/ui/LocalFileJob.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <atomic>
#include <future>
#include <mutex>

#include "local/ui/FileOperationDialogs.h"
#include "local/ui/FileProgressDlg.h"
#include "transfer/FileManageLib.h"

namespace {

// One question of the worker: the dialog to ask it with, made on the
// user-interface thread, and its answer, given exactly once.
struct Question {
  std::function<wxDialog*(wxWindow* parent)> make;
  std::promise<bool> promise;
  std::atomic<bool> answered{false};

  void Answer(bool yes) {
    if (!answered.exchange(true)) promise.set_value(yes);
  }
};

// Where the operation stands, as the progress window last has to show it.
struct Report {
  bool started = false;
  LocalFileOperation operation = LocalFileOperation::Delete;
  std::size_t items = 0;
  bool haveProgress = false;
  platform::FileOpProgress progress;
  bool finished = false;  // the work is over: the progress window goes
  bool complete = false;  // the worker is done: `done` runs
  int result = 0;
};

// A window of ours taken out of its parent's care, so that a parent being
// destroyed can't delete it under a running modal loop, then destroyed.
void DetachAndClose(wxDialog* dialog) {
  if (wxWindow* parent = dialog->GetParent()) parent->RemoveChild(dialog);
  if (dialog->IsModal()) {
    dialog->EndModal(wxID_NO);  // whoever runs its loop destroys it
  } else {
    dialog->Destroy();
  }
}

}  // namespace

struct CLocalFileJob::Shared {
  // User-interface thread only.
  wxWeakRef<wxWindow> parent;
  bool hasParent = false;
  bool busy = false;
  std::function<void(int)> done;
  wxWeakRef<wxDialog> openDialog;
  wxWeakRef<CFileProgressDlg> progressDlg;
  bool progressMade = false;

  // Any thread.
  std::atomic<bool> cancel{false};

  std::mutex mutex;  // guards what follows
  bool closed = false;
  std::shared_ptr<Question> question;
  bool syncPending = false;
  Report report;

  // Worker: asks on the user-interface thread and waits for the answer; No
  // once the job is closed.
  bool Ask(const std::shared_ptr<Shared>& self, std::function<wxDialog*(wxWindow*)> make) {
    auto q = std::make_shared<Question>();
    q->make = std::move(make);
    std::future<bool> answer = q->promise.get_future();
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (closed || !wxTheApp) return false;
      question = q;
    }
    wxTheApp->CallAfter([self, q] { self->ShowQuestion(q); });
    const bool yes = answer.get();
    std::lock_guard<std::mutex> lock(mutex);
    if (question == q) question.reset();
    return yes;
  }

  // User-interface thread: the question's dialog, modal.
  void ShowQuestion(const std::shared_ptr<Question>& q) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (closed) q->Answer(false);
    }
    if (q->answered) return;
    wxWindow* owner = parent.get();
    if (hasParent && !owner) {
      q->Answer(false);
      return;
    }
    wxDialog* dialog = q->make(owner);
    wxWeakRef<wxDialog> alive(dialog);
    openDialog = dialog;
    const int code = dialog->ShowModal();
    if (openDialog.get() == dialog) openDialog = nullptr;
    q->Answer(code == wxID_YES);
    if (alive) alive->Destroy();
  }

  // Worker: changes the report and makes sure one Sync is on its way.
  template <typename Change>
  void Post(const std::shared_ptr<Shared>& self, Change change) {
    bool post = false;
    {
      std::lock_guard<std::mutex> lock(mutex);
      change(report);
      if (!syncPending && !closed) post = syncPending = true;
    }
    if (post && wxTheApp) wxTheApp->CallAfter([self] { self->Sync(self); });
  }

  // User-interface thread: brings the progress window up to the report;
  // runs `done` once the worker is through.
  void Sync(const std::shared_ptr<Shared>& self) {
    Report now;
    {
      std::lock_guard<std::mutex> lock(mutex);
      syncPending = false;
      if (closed) return;
      now = report;
      report.haveProgress = false;
    }
    if (now.started && !now.finished && !progressMade && (!hasParent || parent)) {
      progressMade = true;
      progressDlg = new CFileProgressDlg(parent.get(), now.operation, now.items,
                                         [weak = std::weak_ptr<Shared>(self)] {
                                           if (auto shared = weak.lock()) shared->cancel = true;
                                         });
    }
    if (now.haveProgress && progressDlg) progressDlg->SetProgress(now.progress);
    if (now.finished) CloseProgress();
    if (now.complete && busy) {
      busy = false;
      std::function<void(int)> finished = std::move(done);
      done = nullptr;
      if (finished) finished(now.result);
    }
  }

  void CloseProgress() {
    if (CFileProgressDlg* dialog = progressDlg.get()) {
      progressDlg = nullptr;
      DetachAndClose(dialog);
    }
  }

  // User-interface thread: no more questions, progress or `done`; the
  // worker is asked to stop and its open question answered No.
  void Close() {
    std::shared_ptr<Question> open;
    {
      std::lock_guard<std::mutex> lock(mutex);
      closed = true;
      open = question;
    }
    cancel = true;
    done = nullptr;
    if (open) open->Answer(false);
    if (wxDialog* dialog = openDialog.get()) {
      openDialog = nullptr;
      DetachAndClose(dialog);
    }
    CloseProgress();
  }

  void OnParentDestroy(wxWindowDestroyEvent& event) {
    event.Skip();
    if (event.GetEventObject() == parent.get()) Close();
  }
};

namespace {

// The operation's user, as the worker sees it.
class WorkerUi final : public CFileOperationUi {
 public:
  explicit WorkerUi(std::shared_ptr<CLocalFileJob::Shared> shared) : shared_(std::move(shared)) {}

  bool ConfirmDelete(std::size_t count, const std::vector<std::string>& firstNames) override {
    return shared_->Ask(shared_, [count, firstNames](wxWindow* parent) -> wxDialog* {
      return new CConfirmDeleteDlg(parent, count, firstNames);
    });
  }
  bool ConfirmReplace(const std::string& target) override {
    return shared_->Ask(shared_, [target](wxWindow* parent) -> wxDialog* {
      return new CConfirmReplaceDlg(parent, target);
    });
  }
  bool Progress(const platform::FileOpProgress& progress) override {
    shared_->Post(shared_, [&progress](Report& report) {
      report.progress = progress;
      report.haveProgress = true;
    });
    return !shared_->cancel;
  }
  void ReportFailures(const std::vector<platform::FileOpFailure>& failures) override {
    shared_->Ask(shared_, [operation = operation_, failures](wxWindow* parent) -> wxDialog* {
      return new CFileFailuresDlg(parent, operation, failures);
    });
  }
  void OperationStarted(LocalFileOperation operation, std::size_t items) override {
    operation_ = operation;
    shared_->Post(shared_, [operation, items](Report& report) {
      report.started = true;
      report.operation = operation;
      report.items = items;
    });
  }
  void OperationFinished(const platform::FileOpResult&) override {
    shared_->Post(shared_, [](Report& report) { report.finished = true; });
  }

 private:
  std::shared_ptr<CLocalFileJob::Shared> shared_;
  LocalFileOperation operation_ = LocalFileOperation::Delete;
};

int RunOperation(const std::shared_ptr<CLocalFileJob::Shared>& shared,
                 LocalFileOperation operation, const std::vector<std::string>& sources,
                 const std::vector<std::string>& targets, platform::FileOpHooks hooks) {
  try {
    WorkerUi ui(shared);
    CFileManageLib lib(&ui);
    lib.SetHooks(std::move(hooks));
    for (const std::string& path : sources) lib.AddSource(path);
    for (const std::string& path : targets) lib.AddTarget(path);
    switch (operation) {
      case LocalFileOperation::Delete: return lib.Delete();
      case LocalFileOperation::Move: return lib.Move();
      case LocalFileOperation::Rename: return lib.Rename();
      case LocalFileOperation::Copy: return lib.Copy();
    }
  } catch (const std::exception&) {
    // Out of memory or threads: the operation failed; the pane reads its
    // folder again either way.
  }
  return 0;
}

}  // namespace

CLocalFileJob::CLocalFileJob(wxWindow* parent) : shared_(std::make_shared<Shared>()) {
  shared_->parent = parent;
  shared_->hasParent = parent != nullptr;
  if (parent) parent->Bind(wxEVT_DESTROY, &Shared::OnParentDestroy, shared_.get());
}

CLocalFileJob::~CLocalFileJob() {
  if (wxWindow* parent = shared_->parent.get()) {
    parent->Unbind(wxEVT_DESTROY, &Shared::OnParentDestroy, shared_.get());
  }
  shared_->Close();
  if (worker_.joinable()) worker_.join();
}

bool CLocalFileJob::Busy() const { return shared_->busy; }

void CLocalFileJob::SetHooks(platform::FileOpHooks hooks) { hooks_ = std::move(hooks); }

bool CLocalFileJob::Start(LocalFileOperation operation, std::vector<std::string> sources,
                          std::vector<std::string> targets, std::function<void(int)> done) {
  if (shared_->busy) return false;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->closed) return false;
    shared_->report = Report{};
  }
  // The last worker posted its result as its final step: it has ended or is
  // about to.
  if (worker_.joinable()) worker_.join();
  shared_->busy = true;
  shared_->cancel = false;
  shared_->progressMade = false;
  shared_->done = std::move(done);
  try {
    worker_ = std::thread([shared = shared_, operation, sources = std::move(sources),
                           targets = std::move(targets), hooks = hooks_] {
      const int result = RunOperation(shared, operation, sources, targets, hooks);
      shared->Post(shared, [result](Report& report) {
        report.finished = true;
        report.complete = true;
        report.result = result;
      });
    });
  } catch (const std::system_error&) {
    shared_->busy = false;
    shared_->done = nullptr;
    return false;
  }
  return true;
}
