// Opens a web address (a page or a "mailto:" link) with the user's default
// program: first the desktop's own launcher, then by hand the command line of
// the program registered for web pages (on Linux the Exec= line of the
// .desktop file that `xdg-mime query default x-scheme-handler/http` names).
// UI thread only. Callers ignore the result.
#pragma once

#include <functional>
#include <string>

namespace platform {

bool OpenWebAddress(const std::string& address);

// The function the program opens addresses with; tests put a recorder in.
using WebAddressOpener = std::function<void(const std::string& address)>;
WebAddressOpener DefaultWebAddressOpener();

}  // namespace platform
