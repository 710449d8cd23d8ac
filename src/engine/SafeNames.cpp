#include "engine/SafeNames.h"

bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

bool IsSendableName(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool IsPlainName(std::string_view name) {
  return IsSendableName(name) && !IsDotName(name) &&
         name.find_first_of("/\\") == std::string_view::npos;
}
