#include "local/LocalPath.h"

namespace localpath {
namespace {

std::string WithoutTrailingSlash(const std::string& path) {
  if (path.size() > 1 && path.back() == '/') return path.substr(0, path.size() - 1);
  return path;
}

}  // namespace

std::string NameOf(const std::string& path) {
  std::string trimmed = WithoutTrailingSlash(path);
  std::size_t slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
  std::string trimmed = WithoutTrailingSlash(path);
  std::size_t slash = trimmed.rfind('/');
  if (slash == std::string::npos) return trimmed;
  return slash == 0 ? std::string("/") : trimmed.substr(0, slash);
}

std::string AsFolderPath(const std::string& path) {
  if (path.empty() || path.back() == '/') return path;
  return path + '/';
}

}  // namespace localpath
