// Deleting entries and trees for good, link by link, never through a link.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LocalFileOps.h"
#include "platform/LocalFileOpsDetail.h"

namespace platform {
namespace detail {

bool RemoveTree(const std::string& path, const FileOpCallbacks& callbacks,
                FileOpProgress& progress, FileOpResult& result, bool makeWritable,
                bool& removed) {
  removed = false;
  if (!Tick(callbacks, progress, path)) return false;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    AddFailure(result, path, errno);
    return true;
  }
  if (!S_ISDIR(info.st_mode)) {
    if (::unlink(path.c_str()) != 0) {
      AddFailure(result, path, errno);
    } else {
      removed = true;
    }
    return true;
  }
  if (makeWritable && (info.st_mode & S_IRWXU) != S_IRWXU) {
    ::chmod(path.c_str(), (info.st_mode & 07777) | S_IRWXU);
  }
  std::vector<std::string> names;
  if (int error = ListNames(path, names)) {
    AddFailure(result, path, error);
    return true;
  }
  bool allGone = true;
  for (const std::string& name : names) {
    bool gone = false;
    if (!RemoveTree(Joined(path, name), callbacks, progress, result, makeWritable, gone)) {
      return false;
    }
    allGone = allGone && gone;
  }
  if (!allGone) return true;  // the entry left behind has been reported
  if (::rmdir(path.c_str()) != 0) {
    AddFailure(result, path, errno);
  } else {
    removed = true;
  }
  return true;
}

std::uint64_t TreeBytes(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return 0;
  if (S_ISREG(info.st_mode)) return static_cast<std::uint64_t>(info.st_size);
  if (!S_ISDIR(info.st_mode)) return 0;
  std::vector<std::string> names;
  ListNames(path, names);
  std::uint64_t total = 0;
  for (const std::string& name : names) total += TreeBytes(Joined(path, name));
  return total;
}

}  // namespace detail

FileOpResult DeleteItems(const std::vector<std::string>& paths, const FileOpCallbacks& callbacks) {
  FileOpResult result;
  FileOpProgress progress;
  progress.itemsTotal = paths.size();
  for (const std::string& given : paths) {
    std::string path = detail::Trimmed(given);
    if (path.empty() || path == "/") {
      // Nothing to name, or the whole file system: refused.
      detail::AddFailure(result, given, path.empty() ? ENOENT : EBUSY);
    } else {
      bool removed = false;
      if (!detail::RemoveTree(path, callbacks, progress, result, false, removed)) {
        result.cancelled = true;
        break;
      }
      if (removed) ++result.done;
    }
    ++progress.itemsDone;
  }
  return result;
}

}  // namespace platform
