// The per-user folder that holds the program's own files: the site file,
// the queue files and the current-site file. It is
//   $SKIFFLINE_DATA_DIR              when set (tests, portable set-ups),
//   else $XDG_DATA_HOME/skiffline    when XDG_DATA_HOME is an absolute path,
//   else $HOME/.local/share/skiffline.
// A missing folder is created, its missing parents too, readable by its
// owner only (0700); an existing folder is used as it is.
#pragma once

#include <string>

namespace platform {

struct DataFolderResult {
  std::string path;   // ends with "/"; empty when the folder can't be used
  std::string error;  // why it can't be used; empty on success
  explicit operator bool() const { return !path.empty(); }
};

// Where the folder is by the rules above, without touching the disk; the
// error names what is wrong with the environment (a relative override, no
// home folder).
DataFolderResult DataFolderLocation();

// The folder, created when missing. Reads the environment at every call.
DataFolderResult DataFolder();

// `name` inside `folder` (a DataFolder() path); empty when `folder` is
// empty, so that a missing data folder never turns into the working folder.
std::string DataFilePath(const std::string& folder, const std::string& name);
// `name` inside DataFolder(); empty when the folder can't be used.
std::string DataFilePath(const std::string& name);

}  // namespace platform
