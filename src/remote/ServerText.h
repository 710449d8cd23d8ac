// Names and paths from a server are bytes, kept as sent for every command.
// For showing them: valid UTF-8 as it is, every other byte as its ISO-8859-1
// character, and control characters (C0, DEL, C1) as U+FFFD so that one name
// stays one line. Only for display.
#pragma once

#include <string>
#include <string_view>

// The text to show, in UTF-8.
std::string ServerTextToUtf8(std::string_view bytes);
