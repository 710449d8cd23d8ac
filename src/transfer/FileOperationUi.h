// What a local file operation asks and tells its user: one confirmation
// before deleting, a Yes/No before replacing, progress with a way to cancel,
// and the failures at the end. The local pane's windows implement it; every
// call comes on the thread that runs the operation, in this order:
// [ConfirmDelete] OperationStarted (ConfirmReplace | Progress)* OperationFinished [ReportFailures].
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/LocalFileOps.h"

enum class LocalFileOperation { Delete, Move, Rename, Copy };

class CFileOperationUi {
 public:
  // How many names ConfirmDelete is given at most.
  static constexpr std::size_t kConfirmNames = 5;

  virtual ~CFileOperationUi() = default;
  // Asked once before `count` items are deleted for good; `firstNames` are
  // the names of the first of them. True deletes, false deletes nothing.
  virtual bool ConfirmDelete(std::size_t count, const std::vector<std::string>& firstNames) = 0;
  // `target` exists: true replaces it, false keeps both.
  virtual bool ConfirmReplace(const std::string& target) = 0;
  // Per entry and per block copied; false cancels the operation.
  virtual bool Progress(const platform::FileOpProgress& progress) = 0;
  // What failed, each with the system's text; only called when something did.
  virtual void ReportFailures(const std::vector<platform::FileOpFailure>& failures) = 0;
  // Brackets the work itself (after the delete confirmation), so that a
  // progress window can be shown and closed.
  virtual void OperationStarted(LocalFileOperation /*operation*/, std::size_t /*items*/) {}
  virtual void OperationFinished(const platform::FileOpResult& /*result*/) {}
};
