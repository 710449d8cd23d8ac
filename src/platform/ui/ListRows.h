// Where a list control draws its rows. GTK's list is wx's generic one, which
// draws its rows in a child window of its own: keys and mouse buttons reach
// that child, and hit tests take its coordinates.
#pragma once

#include <wx/listctrl.h>

namespace platform {

// The window that draws `list`'s rows (the list itself where it draws them).
wxWindow* ListRowsWindow(const wxListCtrl& list);
// The row under a point of the screen, -1 when no row is there (the header
// and the space below the rows count as no row).
long ListRowAt(const wxListCtrl& list, const wxPoint& screen);

}  // namespace platform
