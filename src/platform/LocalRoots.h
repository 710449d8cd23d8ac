// The places a local path can start from: the file system root, the user's
// home folder and every mount the desktop shows to the user (removable
// drives, network shares with a local path). Read afresh on every call.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct LocalRoot {
  std::string path;                    // bytes as the file system gives them; ends with "/"
  std::string label;                   // what the user sees (UTF-8 for mounts)
  std::vector<std::string> iconNames;  // theme icon names, best first
};

// "/" first, then the home folder, then the user-visible mounts in the order
// the desktop lists them. A path that appears twice is listed once (the
// first time); shadowed mounts and mounts without a local path are left out.
std::vector<LocalRoot> ListLocalRoots();

}  // namespace platform
