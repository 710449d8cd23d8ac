// Renaming and moving: rename(2) where it can, otherwise copy beside the
// target, flush, rename into place, and only then delete the source.
#include "platform/LocalFileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/LocalFileOpsDetail.h"

namespace platform {
namespace {

using namespace detail;

enum class Step { Next, Stop };

bool SameEntry(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// rename(2); unless `replace`, an existing target is kept (EEXIST).
int RenameEntry(const std::string& from, const std::string& to, bool replace) {
#ifdef RENAME_NOREPLACE
  if (!replace) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // Not offered by this file system (or a real EINVAL, which rename repeats).
  }
#endif
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// A free name beside `target` for a copy under way.
std::string TempNameBeside(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  std::string folder = Holder(target);
  std::string name;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    name = Joined(folder, ".skiffline-move-" + std::to_string(::getpid()) + "-" +
                              std::to_string(counter.fetch_add(1)));
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0 && errno == ENOENT) break;
  }
  return name;
}

// Why replacing `existing` with `source` can't work, or 0: rename(2) puts a
// folder only over an empty folder and a non-folder only over a non-folder.
int ReplaceRefusal(const struct stat& source, const struct stat& existing,
                   const std::string& target) {
  bool sourceFolder = S_ISDIR(source.st_mode);
  if (!S_ISDIR(existing.st_mode)) return sourceFolder ? ENOTDIR : 0;
  if (!sourceFolder) return EISDIR;
  std::vector<std::string> names;
  if (int error = ListNames(target, names)) return error;
  return names.empty() ? 0 : ENOTEMPTY;
}

// The user's name for a path inside our temporary copy.
std::string Shown(const std::string& path, const std::string& temp, const std::string& to) {
  if (path.compare(0, temp.size(), temp) == 0) return to + path.substr(temp.size());
  return path;
}

// Copies `from` to a temporary name beside `to` and renames it into place;
// then, when `deleteSource`, removes `from`.
Step CopyIntoPlace(const std::string& from, const std::string& to, bool replacing,
                   bool deleteSource, const FileOpCallbacks& callbacks, const FileOpHooks& hooks,
                   FileOpProgress& progress, FileOpResult& result) {
  progress.bytesTotal = TreeBytes(from);
  std::string temp = TempNameBeside(to);
  CopyRun run{callbacks, hooks, progress, 0, {}, false};
  bool copied = CopyTree(from, temp, run);
  int error = copied ? RenameEntry(temp, to, replacing) : 0;
  FileOpProgress quiet;
  if (!copied || error != 0) {
    FileOpResult cleanup;
    bool gone = false;
    RemoveTree(temp, FileOpCallbacks{}, quiet, cleanup, true, gone);
    if (run.cancelled) {
      result.cancelled = true;
    } else if (!copied) {
      AddFailure(result, Shown(run.errorPath, temp, to), run.error);
    } else {
      AddFailure(result, to, error);
    }
    for (const FileOpFailure& failure : cleanup.failures) {
      if (failure.path != temp || failure.error != ENOENT) result.failures.push_back(failure);
    }
    return run.cancelled ? Step::Stop : Step::Next;
  }
  SyncFolder(Holder(to));
  if (!deleteSource) {
    ++result.done;
    return Step::Next;
  }
  // The copy is in place: the source goes now, without a way to cancel half of it.
  bool gone = false;
  RemoveTree(from, FileOpCallbacks{}, quiet, result, false, gone);
  if (gone) ++result.done;
  return Step::Next;
}

// Moves `from` to the path `to` (both trimmed).
Step MoveEntry(const std::string& from, const std::string& to, const FileOpCallbacks& callbacks,
               const FileOpHooks& hooks, FileOpProgress& progress, FileOpResult& result) {
  progress.bytesDone = progress.bytesTotal = 0;
  if (!Tick(callbacks, progress, from)) {
    result.cancelled = true;
    return Step::Stop;
  }
  struct stat source {};
  if (::lstat(from.c_str(), &source) != 0) {
    AddFailure(result, from, errno);
    return Step::Next;
  }
  if (from == to) {
    ++result.skipped;
    return Step::Next;
  }
  struct stat existing {};
  bool replacing = false;
  // The same entry under another spelling (a change of letter case) is no clash.
  if (::lstat(to.c_str(), &existing) == 0 && !SameEntry(source, existing)) {
    if (!callbacks.replace || !callbacks.replace(to)) {
      ++result.skipped;
      return Step::Next;
    }
    replacing = true;
  }
  int error = hooks.rename ? hooks.rename(from, to) : RenameEntry(from, to, replacing);
  if (error == 0) {
    ++result.done;
    return Step::Next;
  }
  if (error != EXDEV) {
    AddFailure(result, error == EEXIST ? to : from, error);
    return Step::Next;
  }
  if (replacing) {
    // Found out before copying rather than after.
    if (int refusal = ReplaceRefusal(source, existing, to)) {
      AddFailure(result, to, refusal);
      return Step::Next;
    }
  }
  return CopyIntoPlace(from, to, replacing, true, callbacks, hooks, progress, result);
}

// Copies `from` to the path `to` (both trimmed).
Step CopyEntry(const std::string& from, const std::string& to, const FileOpCallbacks& callbacks,
               const FileOpHooks& hooks, FileOpProgress& progress, FileOpResult& result) {
  progress.bytesDone = progress.bytesTotal = 0;
  if (!Tick(callbacks, progress, from)) {
    result.cancelled = true;
    return Step::Stop;
  }
  struct stat source {};
  if (::lstat(from.c_str(), &source) != 0) {
    AddFailure(result, from, errno);
    return Step::Next;
  }
  struct stat existing {};
  bool replacing = false;
  if (::lstat(to.c_str(), &existing) == 0) {
    if (SameEntry(source, existing)) {
      ++result.skipped;  // dropped where it already is
      return Step::Next;
    }
    if (!callbacks.replace || !callbacks.replace(to)) {
      ++result.skipped;
      return Step::Next;
    }
    if (int refusal = ReplaceRefusal(source, existing, to)) {
      AddFailure(result, to, refusal);
      return Step::Next;
    }
    replacing = true;
  }
  return CopyIntoPlace(from, to, replacing, false, callbacks, hooks, progress, result);
}

// Why a trimmed path can't be renamed or moved, or be the new name, or 0.
int NameRefusal(const std::string& path) {
  if (path.empty()) return ENOENT;
  if (path == "/") return EBUSY;
  std::string name = LastName(path);
  return name == "." || name == ".." ? EINVAL : 0;
}

// Why `from` can't be moved to a place inside `into`, or 0.
int PlaceRefusal(const std::string& from, const std::string& into) {
  if (int refusal = NameRefusal(from)) return refusal;
  if (into.empty()) return ENOENT;
  if (into.compare(0, from.size() + 1, from + "/") == 0) return EINVAL;  // into itself
  return 0;
}

}  // namespace

FileOpResult RenameItem(const std::string& from, const std::string& to,
                        const FileOpCallbacks& callbacks, const FileOpHooks& hooks) {
  FileOpResult result;
  FileOpProgress progress;
  progress.itemsTotal = 1;
  std::string source = Trimmed(from);
  std::string target = Trimmed(to);
  if (int refusal = PlaceRefusal(source, target)) {
    AddFailure(result, from, refusal);
  } else if (int badName = NameRefusal(target)) {
    AddFailure(result, to, badName);
  } else {
    MoveEntry(source, target, callbacks, hooks, progress, result);
  }
  return result;
}

FileOpResult MoveInto(const std::vector<std::string>& sources, const std::string& folder,
                      const FileOpCallbacks& callbacks, const FileOpHooks& hooks) {
  FileOpResult result;
  FileOpProgress progress;
  progress.itemsTotal = sources.size();
  std::string into = Trimmed(folder);
  for (const std::string& given : sources) {
    std::string from = Trimmed(given);
    if (!from.empty() && from == into) {
      ++result.skipped;  // a folder dropped onto itself stays where it is
    } else if (int refusal = PlaceRefusal(from, into)) {
      AddFailure(result, given, refusal);
    } else if (MoveEntry(from, Joined(into, LastName(from)), callbacks, hooks, progress, result) ==
               Step::Stop) {
      break;
    }
    ++progress.itemsDone;
  }
  return result;
}

FileOpResult CopyInto(const std::vector<std::string>& sources, const std::string& folder,
                      const FileOpCallbacks& callbacks, const FileOpHooks& hooks) {
  FileOpResult result;
  FileOpProgress progress;
  progress.itemsTotal = sources.size();
  std::string into = Trimmed(folder);
  for (const std::string& given : sources) {
    std::string from = Trimmed(given);
    int refusal = PlaceRefusal(from, into);
    if (refusal == 0 && from == into) refusal = EINVAL;  // a folder into itself
    if (refusal != 0) {
      AddFailure(result, given, refusal);
    } else if (CopyEntry(from, Joined(into, LastName(from)), callbacks, hooks, progress, result) ==
               Step::Stop) {
      break;
    }
    ++progress.itemsDone;
  }
  return result;
}

}  // namespace platform
