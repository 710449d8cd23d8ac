#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdio>
#include <cstdlib>

#include "platform/ErrorText.h"

namespace platform {

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool File::Open(const std::string& path, OpenMode mode, bool ownerOnly) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::ReadExisting: flags |= O_RDONLY; break;
    case OpenMode::ReadWriteExisting: flags |= O_RDWR; break;
    case OpenMode::ReadWriteOpenAlways: flags |= O_RDWR | O_CREAT; break;
    case OpenMode::ReadWriteTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case OpenMode::WriteTruncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
  }
  mode_t perms = ownerOnly ? 0600 : 0666;
  do {
    fd_ = ::open(path.c_str(), flags, perms);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ >= 0 && ownerOnly && (flags & O_CREAT)) ::fchmod(fd_, 0600);
  return fd_ >= 0;
}

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

long long File::Read(void* data, std::size_t size) {
  auto* p = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd_, p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<long long>(done) : -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

bool File::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool File::WriteAt(std::int64_t offset, const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    offset += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool File::Seek(std::int64_t offset) {
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

std::int64_t File::Position() const {
  return static_cast<std::int64_t>(::lseek(fd_, 0, SEEK_CUR));
}

std::int64_t File::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool File::Truncate(std::int64_t size) { return ::ftruncate(fd_, static_cast<off_t>(size)) == 0; }

bool File::Sync() { return ::fdatasync(fd_) == 0; }

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && IsDirectory(path);
}

bool CreatePrivateDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string partial;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty() && !IsDirectory(partial) && ::mkdir(partial.c_str(), 0700) != 0 &&
          errno != EEXIST)
        return false;
    }
    if (i < path.size()) partial += path[i];
  }
  return IsDirectory(path);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool ListFolder(const std::string& path, std::vector<DirEntry>& out) {
  return ListFolderEntries(path, out) == 0;
}

int ListFolderEntries(const std::string& path, std::vector<DirEntry>& out) {
  out.clear();
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return errno != 0 ? errno : EIO;
  int error = 0;
  for (;;) {
    errno = 0;
    dirent* e = ::readdir(dir);
    if (!e) {
      error = errno;
      break;
    }
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    DirEntry entry;
    entry.name = e->d_name;
    struct stat st {};
    if (::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0) {
      entry.hasAttributes = true;
      entry.isFolder = S_ISDIR(st.st_mode);
      entry.size = static_cast<std::int64_t>(st.st_size);
      entry.modified = static_cast<std::int64_t>(st.st_mtime);
    }
    if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat lst {};
      if (::fstatat(::dirfd(dir), e->d_name, &lst, AT_SYMLINK_NOFOLLOW) == 0)
        entry.isLink = S_ISLNK(lst.st_mode);
    }
    out.push_back(std::move(entry));
  }
  ::closedir(dir);
  return error;
}

namespace {

// Flushes the folder holding `path`, so that a rename in it is on the disk.
// Best effort: some file systems refuse to sync a folder.
void SyncFolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size,
                         bool ownerOnly, std::string& error) {
  error.clear();
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  File file;
  if (!file.Open(temp, OpenMode::WriteTruncate, ownerOnly)) {
    error = ErrorText(errno);
    return false;
  }
  bool ok = file.Write(data, size) && file.Sync();
  int failure = errno;
  file.Close();
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    error = ErrorText(failure);
    return false;
  }
  SyncFolderOf(path);
  return true;
}

bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size,
                         bool ownerOnly) {
  std::string error;
  return ReplaceFileContents(path, data, size, ownerOnly, error);
}

std::string ProgramPath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string ProgramDirectory() {
  std::string path = ProgramPath();
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == kPathSeparator) return folder + name;
  return folder + kPathSeparator + name;
}

std::string HomeFolder() {
  std::string home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = env;
  } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
    home = user->pw_dir;
  }
  if (home.empty() || home.front() != '/') return "/";
  if (home.back() != '/') home += '/';
  return home;
}

}  // namespace platform
