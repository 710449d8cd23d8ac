#include "platform/FileKind.h"

#include <sys/stat.h>

namespace platform {

bool IsSymbolicLink(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace platform
