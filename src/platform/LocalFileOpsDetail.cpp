#include "platform/LocalFileOpsDetail.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ErrorText.h"

namespace platform::detail {

UniqueFd::~UniqueFd() { Close(); }

int UniqueFd::Close() {
  if (fd_ < 0) return 0;
  int error = ::close(fd_) == 0 ? 0 : errno;
  fd_ = -1;
  return error == EINTR ? 0 : error;  // after EINTR the descriptor is gone on Linux
}

std::string Trimmed(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  return path.substr(0, end);
}

std::string Joined(const std::string& folder, const std::string& name) {
  std::string base = Trimmed(folder);
  if (base.empty()) return name;
  if (base.back() != '/') base += '/';
  return base + name;
}

std::string LastName(const std::string& trimmed) {
  if (trimmed == "/") return {};
  std::size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string Holder(const std::string& trimmed) {
  std::size_t slash = trimmed.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : trimmed.substr(0, slash);
}

int ListNames(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return errno;
  int error = 0;
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir);
    if (!entry) {
      error = errno;
      break;
    }
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(dir);
  return error;
}

void AddFailure(FileOpResult& result, const std::string& path, int error) {
  result.failures.push_back({path, error, ErrorText(error)});
}

bool Tick(const FileOpCallbacks& callbacks, FileOpProgress& progress, const std::string& path) {
  if (!callbacks.progress) return true;
  progress.path = path;
  return callbacks.progress(progress);
}

void SyncFolder(const std::string& folder) {
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() >= 0) ::fsync(fd.Get());
}

}  // namespace platform::detail
