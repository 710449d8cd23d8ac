// Building a browser's command line for an address by hand, when the desktop
// can't open the address itself. Pure text work, no system calls.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The command line that opens `address` with the program whose registered
// command is `command`. The first placeholder (%1, or the desktop's %u or
// %U) written in double quotes cuts the command at its opening quote; else
// the first bare placeholder cuts it there; else the whole command is kept.
// Then a space and the address follow. Other desktop field codes (%f, %i,
// %c, %k...) before the cut are removed, "%%" becomes "%".
std::string BrowserCommandLine(std::string_view command, std::string_view address);

// The Exec= value of the [Desktop Entry] group of a .desktop file's text,
// or empty text when there is none.
std::string DesktopEntryExec(std::string_view desktopFileText);

}  // namespace platform
