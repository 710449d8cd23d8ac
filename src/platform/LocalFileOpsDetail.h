// Shared pieces of the local file operations (LocalFileOps.h): folder
// reading, tree removal and tree copying. Internal to src/platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/LocalFileOps.h"

namespace platform::detail {

// Owning file descriptor.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return fd_; }
  // Closes now; the error number of a failed close, else 0.
  int Close();

 private:
  int fd_;
};

// `path` without trailing "/" ("/" stays "/").
std::string Trimmed(const std::string& path);
// `folder` + "/" + `name`, `folder` trimmed first.
std::string Joined(const std::string& folder, const std::string& name);
// The last component of a trimmed path ("" for "/").
std::string LastName(const std::string& trimmed);
// The folder holding a trimmed path ("/" for "/x", "." for a bare name).
std::string Holder(const std::string& trimmed);

// Names in a folder, without "." and ".."; 0 or the error number.
int ListNames(const std::string& folder, std::vector<std::string>& names);

void AddFailure(FileOpResult& result, const std::string& path, int error);

// Tells the progress callback about `path`; false when it cancels.
bool Tick(const FileOpCallbacks& callbacks, FileOpProgress& progress, const std::string& path);

// Removes one entry and everything below it without following links,
// reporting each failure. `makeWritable` first gives each folder owner write
// access (for removing our own partial copies). Returns false when
// cancelled; `removed` says whether the entry is gone.
bool RemoveTree(const std::string& path, const FileOpCallbacks& callbacks,
                FileOpProgress& progress, FileOpResult& result, bool makeWritable,
                bool& removed);

// Bytes held by the regular files of a tree (links not followed).
std::uint64_t TreeBytes(const std::string& path);

// One copy in progress; says why it stopped.
struct CopyRun {
  const FileOpCallbacks& callbacks;
  const FileOpHooks& hooks;
  FileOpProgress& progress;
  int error = 0;
  std::string errorPath;
  bool cancelled = false;
};

// Copies `from` (not following links) to `to`, which must not exist: files
// byte for byte and flushed to disk, folders with all they hold, links as
// links; modes, owners and times kept where the system allows. False on
// failure or cancel (see `run`); the caller removes what was made at `to`.
bool CopyTree(const std::string& from, const std::string& to, CopyRun& run);

// Flushes a folder's entries to disk (best effort).
void SyncFolder(const std::string& folder);

}  // namespace platform::detail
