// The up button's pictures, drawn here rather than taken from a theme (some
// themes draw "go up" too faintly to see on a button).
#pragma once

#include <wx/bitmap.h>

// An upward arrow; `enabled` false gives the grey picture of a disabled button.
wxBitmap UpArrowBitmap(bool enabled = true);
