// Every posted message number of the program, by name. The numbers are fixed.
#pragma once

#include <cstdint>

namespace msg {

inline constexpr std::uint32_t TM_SESSION_COMMAND = 5526;
inline constexpr std::uint32_t WM_SESSION_STATE = 6024;
inline constexpr std::uint32_t WM_SESSION_LISTING = 5028;
inline constexpr std::uint32_t WM_SESSION_REPLY_LINE = 5025;
inline constexpr std::uint32_t WM_SESSION_COMMAND_LINE = 5026;
inline constexpr std::uint32_t WM_SESSION_STATUS_LINE = 5029;
inline constexpr std::uint32_t WM_SESSION_PROGRESS = 5027;
inline constexpr std::uint32_t WM_SESSION_PROGRESS_TEXT = 1284;
inline constexpr std::uint32_t WM_QUEUE_CHANGED = 1124;
inline constexpr std::uint32_t WM_REMOTE_KEY = 1174;
inline constexpr std::uint32_t WM_REMOTE_OPEN = 1224;
inline constexpr std::uint32_t WM_REMOTE_CONTEXT_MENU = 1334;
inline constexpr std::uint32_t WM_JOBLIST_KEY = 1294;
inline constexpr std::uint32_t WM_JOBLIST_MENU = 1314;
inline constexpr std::uint32_t WM_DROP_RECEIVED = 1304;
inline constexpr std::uint32_t WM_LOCAL_CONTEXT_MENU = 1324;
inline constexpr std::uint32_t WM_LOCAL_LISTED = 6400;
// A local folder was read off the UI thread; wParam is the read's number.
inline constexpr std::uint32_t WM_LOCAL_FOLDER_READ = 6401;

}  // namespace msg
