// Opening a local file with the program the desktop associates with its type.
#pragma once

#include <string>

namespace platform {

// Asks the desktop to open `path` (bytes, as the file system names it) with
// its default application. Empty text when the request was handed over,
// else the desktop's reason.
std::string OpenWithDefaultApplication(const std::string& path);

}  // namespace platform
