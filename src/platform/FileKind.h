// What a directory entry is, without following symbolic links.
#pragma once

#include <string>

namespace platform {

// True when `path` itself is a symbolic link (whatever it points at).
bool IsSymbolicLink(const std::string& path);

}  // namespace platform
