// Local names are bytes as the file system gives them, not necessarily UTF-8.
// For showing them: valid UTF-8 as it is, each byte that is not part of a
// valid sequence as U+FFFD, and control characters (newline, tab, C1
// controls) as U+FFFD too, so that one name stays one line. Only for
// display: the bytes themselves are what operations use.
#pragma once

#include <wx/string.h>

#include <cstddef>
#include <string>

wxString DisplayText(const std::string& bytes);
// DisplayText, cut in the middle with "…" when longer than `maxChars`
// characters, so that a very long name can't stretch a window.
wxString ShortDisplayText(const std::string& bytes, std::size_t maxChars = 60);
