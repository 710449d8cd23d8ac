// Deleting, renaming, moving and copying files and folders on the local disk, item by
// item, with progress, cancellation and a question before anything existing
// is replaced. Results are values: what was done, what was left, and every
// failure with the system's text. Paths are bytes, used exactly as given; a
// trailing "/" on a folder path is allowed. Symbolic links are never
// followed: a link is deleted, renamed, moved or copied as a link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Where a long operation stands; handed to the progress callback.
struct FileOpProgress {
  std::string path;              // the entry being worked on
  std::size_t itemsDone = 0;     // items of the request finished so far
  std::size_t itemsTotal = 0;    // items in the request
  std::uint64_t bytesDone = 0;   // bytes copied of the item being copied
  std::uint64_t bytesTotal = 0;  // bytes that item holds (0 when not copying)
};

struct FileOpFailure {
  std::string path;  // the entry that failed
  int error = 0;     // the system's error number
  std::string text;  // the system's text for it
};

struct FileOpResult {
  std::size_t done = 0;     // items deleted, renamed or moved
  std::size_t skipped = 0;  // items left where they were: a No to replacing, or already in place
  bool cancelled = false;   // the progress callback stopped the operation
  std::vector<FileOpFailure> failures;
  bool Succeeded() const { return !cancelled && failures.empty(); }
};

struct FileOpCallbacks {
  // Called per entry and per block copied; returning false cancels. Optional.
  std::function<bool(const FileOpProgress&)> progress;
  // Asked when the target of a rename or move exists; true replaces it.
  // Without one, nothing existing is replaced.
  std::function<bool(const std::string& target)> replace;
};

// Stand-ins for system calls, so that tests can make a rename cross file
// systems or a copy fail part way.
struct FileOpHooks {
  // Replaces the first rename(2) of an item being renamed or moved; returns
  // 0 or an error number (EXDEV makes the item be copied).
  std::function<int(const std::string& from, const std::string& to)> rename;
  // Called before each block written to a copy; a nonzero error number fails
  // that write with it.
  std::function<int(const std::string& path, std::uint64_t offset)> writeFault;
};

// Deletes each path for good (no trash), folders with all they hold. A
// failure is reported and the rest goes on; a folder that keeps an entry it
// could not delete is kept too (only the entry's failure is reported).
// What was deleted before a cancel stays deleted.
FileOpResult DeleteItems(const std::vector<std::string>& paths, const FileOpCallbacks& callbacks);

// Renames `from` to `to`, normally within one folder. An existing `to` is
// replaced only when `callbacks.replace` says so; a folder replaces only an
// empty folder. Should `to` lie on another file system, the item is moved
// as MoveInto does.
FileOpResult RenameItem(const std::string& from, const std::string& to,
                        const FileOpCallbacks& callbacks, const FileOpHooks& hooks = {});

// Moves each source into `folder`, keeping its name. A source that is
// `folder` itself, or already in it, is skipped. Where rename(2) can't
// (another file system) the item is copied to a temporary name beside its
// target, flushed to disk, renamed into place, and only then is the source
// deleted; a failed or cancelled copy is removed and its source kept whole.
// A cancel stops before the next item.
FileOpResult MoveInto(const std::vector<std::string>& sources, const std::string& folder,
                      const FileOpCallbacks& callbacks, const FileOpHooks& hooks = {});

// Copies each source into `folder`, keeping its name; the sources stay. An
// existing target is replaced only when `callbacks.replace` says so (a
// folder replaces only an empty folder); a source that is already that
// target is skipped, and a folder is never copied into itself. Each copy is
// made under a temporary name beside its target and renamed into place when
// whole; a failed or cancelled copy is removed. A cancel stops before the
// next item.
FileOpResult CopyInto(const std::vector<std::string>& sources, const std::string& folder,
                      const FileOpCallbacks& callbacks, const FileOpHooks& hooks = {});

}  // namespace platform
