// The system's own words for an error number, for status lines.
#pragma once

#include <string>

namespace platform {

// The error number of the last failed file or system call on this thread.
int LastSystemError();
// The system's text for an error number (e.g. "No space left on device").
std::string ErrorText(int error);

}  // namespace platform
