// Runs the local pane's file operations (delete, move, rename) one at a time
// on a worker thread, so that the window keeps painting and answering while
// files are deleted or copied. The operation's questions (confirm delete,
// confirm replace) and its failure report are shown as modal dialogs on the
// user-interface thread while the worker waits for the answer; its progress
// goes to a CFileProgressDlg whose Cancel stops it.
//
// Made, used and destroyed on the user-interface thread. Destroying the job,
// or its parent window, cancels a running operation and answers an open
// question No; the destructor waits for the worker, which then stops at its
// next step.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/LocalFileOps.h"
#include "transfer/FileOperationUi.h"

class wxWindow;

class CLocalFileJob {
 public:
  explicit CLocalFileJob(wxWindow* parent);  // parent of the dialogs; may be null
  ~CLocalFileJob();
  CLocalFileJob(const CLocalFileJob&) = delete;
  CLocalFileJob& operator=(const CLocalFileJob&) = delete;

  // From Start until just before `done` runs, which is after the failure
  // report (if any) was closed.
  bool Busy() const;
  // Starts `operation` over the paths on a worker thread; false (nothing
  // started) while one runs, or once the parent window is gone. `done(result)`
  // runs afterwards on the user-interface thread with CFileManageLib's result
  // (1 or 0); it is not called if the job is destroyed first.
  bool Start(LocalFileOperation operation, std::vector<std::string> sources,
             std::vector<std::string> targets, std::function<void(int)> done);
  // Stand-ins for system calls, for tests; used by the operations started next.
  void SetHooks(platform::FileOpHooks hooks);

  struct Shared;  // what the worker and the user-interface thread share

 private:
  std::shared_ptr<Shared> shared_;
  platform::FileOpHooks hooks_;
  std::thread worker_;
};
