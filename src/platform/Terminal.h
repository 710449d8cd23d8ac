// Whether a standard stream is a terminal (for colours, progress and prompts).
#pragma once

namespace platform {

inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

bool IsTerminal(int fd);

}  // namespace platform
