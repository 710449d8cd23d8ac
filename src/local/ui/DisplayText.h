// Names as people see them: the bytes of a name shown as UTF-8 where they
// are UTF-8, with U+FFFD for every byte that isn't and for control
// characters (a newline would break a row). Only for showing: operations
// always use the bytes.
#pragma once

#include <wx/string.h>

#include <string>

wxString DisplayText(const std::string& bytes);
