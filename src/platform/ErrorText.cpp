#include "platform/ErrorText.h"

#include <cerrno>
#include <cstring>

namespace platform {

int LastSystemError() { return errno; }

std::string ErrorText(int error) {
  char buffer[256] = {};
  // The GNU variant returns the text, which may or may not be the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return text ? text : "error " + std::to_string(error);
#else
  if (strerror_r(error, buffer, sizeof buffer) != 0) return "error " + std::to_string(error);
  return buffer;
#endif
}

}  // namespace platform
