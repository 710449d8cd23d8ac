// Deleting, renaming, moving and copying local files for the local pane: collects
// source and target paths, then runs one operation over them through the
// platform's local file operations, asking its CFileOperationUi.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/LocalFileOps.h"
#include "transfer/FileOperationUi.h"

// A growable byte buffer of zero-terminated paths, closed by an empty path.
class CPathList {
 public:
  static constexpr std::size_t kGrowStep = 4096;

  // Appends `path` and its zero, growing the buffer kGrowStep bytes at a
  // time. False, with the list unchanged, for an empty path, one holding a
  // zero byte, or when the buffer can't grow.
  bool Add(const std::string& path);
  // Appends the empty path that ends the list.
  bool Close();
  void Reset();

  std::size_t Capacity() const { return capacity_; }
  std::size_t Used() const { return used_; }
  const char* Data() const { return buffer_.get(); }
  // The paths collected, up to the closing empty one.
  std::vector<std::string> Paths() const;

 private:
  bool Append(const char* data, std::size_t size);

  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
};

class CFileManageLib {
 public:
  // `ui` (not owned, may be null) must outlive the calls. Without one, the
  // operations run unseen and destructive steps are refused: Delete deletes
  // nothing and no existing target is replaced.
  explicit CFileManageLib(CFileOperationUi* ui = nullptr) : ui_(ui) {}

  int AddSource(const std::string& path) { return sources_.Add(path) ? 1 : 0; }
  int AddTarget(const std::string& path) { return targets_.Add(path) ? 1 : 0; }
  void Reset();

  // Each returns 1 when everything asked for was done (a No to replacing
  // counts as done), 0 on a failure, a refusal or a cancel. The lists are
  // empty afterwards whatever the outcome.
  //
  // Delete: every source, for good, after one confirmation.
  int Delete();
  // Move: every source into the first target folder; a source that is that
  // folder stays where it is.
  int Move();
  // Rename: each source to the target at the same place in the list.
  int Rename();
  // Copy: every source into the first target folder; the sources stay.
  int Copy();

  const CPathList& Sources() const { return sources_; }
  const CPathList& Targets() const { return targets_; }
  // Stand-ins for system calls, for tests.
  void SetHooks(platform::FileOpHooks hooks) { hooks_ = std::move(hooks); }

 private:
  // Closes both lists, takes their paths and empties them.
  void TakePaths(std::vector<std::string>& sources, std::vector<std::string>& targets);
  platform::FileOpCallbacks Callbacks();
  int Finish(const platform::FileOpResult& result);

  CFileOperationUi* ui_;
  CPathList sources_;
  CPathList targets_;
  platform::FileOpHooks hooks_;
};
