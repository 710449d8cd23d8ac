// Copying a tree for a move across file systems: files byte for byte and
// flushed, folders recursively, links as links.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/LocalFileOpsDetail.h"

namespace platform::detail {
namespace {

constexpr std::size_t kBlockSize = 256 * 1024;

bool Fail(CopyRun& run, const std::string& path, int error) {
  run.error = error;
  run.errorPath = path;
  return false;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Owner, mode and times of `info` on `path` (a folder, link or fifo), as far
// as the system lets us; a copy that can't keep them is still a whole copy.
void KeepAttributes(const std::string& path, const struct stat& info, bool isLink) {
  if (::lchown(path.c_str(), info.st_uid, info.st_gid) != 0) {
    // Not ours to give away: the copy stays ours.
  }
  if (!isLink) ::chmod(path.c_str(), info.st_mode & 07777);
  const timespec times[2] = {info.st_atim, info.st_mtim};
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

bool CopyFile(const std::string& from, const std::string& to, const struct stat& info,
              CopyRun& run) {
  UniqueFd in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (in.Get() < 0) return Fail(run, from, errno);
  UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.Get() < 0) return Fail(run, to, errno);
  std::vector<char> buffer(kBlockSize);
  std::uint64_t offset = 0;
  for (;;) {
    ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return Fail(run, from, errno);
    }
    if (got == 0) break;
    if (run.hooks.writeFault) {
      if (int error = run.hooks.writeFault(to, offset)) return Fail(run, to, error);
    }
    if (!WriteAll(out.Get(), buffer.data(), static_cast<std::size_t>(got))) {
      return Fail(run, to, errno);
    }
    offset += static_cast<std::uint64_t>(got);
    run.progress.bytesDone += static_cast<std::uint64_t>(got);
    if (!Tick(run.callbacks, run.progress, from)) {
      run.cancelled = true;
      return false;
    }
  }
  if (::fsync(out.Get()) != 0) return Fail(run, to, errno);
  if (::fchown(out.Get(), info.st_uid, info.st_gid) != 0) {
    // Not ours to give away: the copy stays ours.
  }
  ::fchmod(out.Get(), info.st_mode & 07777);  // after fchown, which may drop set-id bits
  const timespec times[2] = {info.st_atim, info.st_mtim};
  ::futimens(out.Get(), times);
  if (int error = out.Close()) return Fail(run, to, error);
  return true;
}

bool CopyLink(const std::string& from, const std::string& to, const struct stat& info,
              CopyRun& run) {
  std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
  for (;;) {
    ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
    if (n < 0) return Fail(run, from, errno);
    if (static_cast<std::size_t>(n) < target.size()) {
      target.resize(static_cast<std::size_t>(n));
      break;
    }
    target.resize(target.size() * 2);  // the link grew since lstat
  }
  if (::symlink(target.c_str(), to.c_str()) != 0) return Fail(run, to, errno);
  KeepAttributes(to, info, true);
  return true;
}

bool CopyFolder(const std::string& from, const std::string& to, const struct stat& info,
                CopyRun& run) {
  if (::mkdir(to.c_str(), S_IRWXU) != 0) return Fail(run, to, errno);
  std::vector<std::string> names;
  if (int error = ListNames(from, names)) return Fail(run, from, error);
  for (const std::string& name : names) {
    if (!CopyTree(Joined(from, name), Joined(to, name), run)) return false;
  }
  SyncFolder(to);
  KeepAttributes(to, info, false);  // last, as adding entries changes the times
  return true;
}

}  // namespace

bool CopyTree(const std::string& from, const std::string& to, CopyRun& run) {
  if (!Tick(run.callbacks, run.progress, from)) {
    run.cancelled = true;
    return false;
  }
  struct stat info {};
  if (::lstat(from.c_str(), &info) != 0) return Fail(run, from, errno);
  if (S_ISREG(info.st_mode)) return CopyFile(from, to, info, run);
  if (S_ISDIR(info.st_mode)) return CopyFolder(from, to, info, run);
  if (S_ISLNK(info.st_mode)) return CopyLink(from, to, info, run);
  if (S_ISFIFO(info.st_mode)) {
    if (::mkfifo(to.c_str(), S_IRUSR | S_IWUSR) != 0) return Fail(run, to, errno);
    KeepAttributes(to, info, false);
    return true;
  }
  return Fail(run, from, ENOTSUP);  // devices and sockets are not copied
}

}  // namespace platform::detail
