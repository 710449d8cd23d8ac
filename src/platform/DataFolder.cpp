#include "platform/DataFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/ErrorText.h"
#include "platform/Files.h"

namespace platform {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string WithSlash(std::string path) {
  if (path.back() != '/') path += '/';
  return path;
}

DataFolderResult Failure(std::string error) { return {std::string(), std::move(error)}; }

// Creates `path` and its missing parents, new ones owner-only. Returns the
// system's error number, 0 on success; `failed` names the folder that failed.
int MakeFolders(const std::string& path, std::string& failed) {
  std::string partial;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if ((i == path.size() || path[i] == '/') && !partial.empty() && partial != "/") {
      struct stat st {};
      if (::stat(partial.c_str(), &st) != 0) {
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
          failed = partial;
          return errno;
        }
      } else if (!S_ISDIR(st.st_mode)) {
        failed = partial;
        return ENOTDIR;
      }
    }
    if (i < path.size()) partial += path[i];
  }
  return 0;
}

}  // namespace

DataFolderResult DataFolderLocation() {
  if (std::string own = Env("SKIFFLINE_DATA_DIR"); !own.empty()) {
    if (own.front() != '/')
      return Failure("SKIFFLINE_DATA_DIR must be an absolute path, not \"" + own + "\"");
    return {WithSlash(own), {}};
  }
  // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
  if (std::string xdg = Env("XDG_DATA_HOME"); !xdg.empty() && xdg.front() == '/')
    return {WithSlash(JoinPath(xdg, "skiffline")), {}};
  std::string home = HomeFolder();
  if (home == "/")
    return Failure("no home folder to keep the data in (set HOME, XDG_DATA_HOME or "
                   "SKIFFLINE_DATA_DIR)");
  return {home + ".local/share/skiffline/", {}};
}

DataFolderResult DataFolder() {
  DataFolderResult where = DataFolderLocation();
  if (!where) return where;
  std::string folder = where.path.size() > 1 ? where.path.substr(0, where.path.size() - 1)
                                              : where.path;
  std::string failed;
  if (int error = MakeFolders(folder, failed); error != 0)
    return Failure("can't create the data folder \"" + folder + "\"" +
                   (failed == folder ? std::string() : " (at \"" + failed + "\")") + ": " +
                   ErrorText(error));
  if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0)
    return Failure("can't use the data folder \"" + folder + "\": " + ErrorText(errno));
  return where;
}

std::string DataFilePath(const std::string& folder, const std::string& name) {
  return folder.empty() ? std::string() : JoinPath(folder, name);
}

std::string DataFilePath(const std::string& name) { return DataFilePath(DataFolder().path, name); }

}  // namespace platform
