// The small pictures of the entry states in the job lists: pending an arrow
// pointing up, failed a cross, stopped a filled square, running an arrow
// pointing right, each in a colour of its own on a clear background.
#pragma once

#include <wx/bitmap.h>

#include <cstdint>

// A `size` x `size` picture of `state`; an unknown state gives the failed one.
wxBitmap DrawStateIcon(std::int32_t state, int size = 16);
// The colour a state is drawn in.
wxColour StateIconColour(std::int32_t state);
