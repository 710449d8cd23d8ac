// The program's pictures as wx objects: the program icon in every size, the
// drop window's picture and the start-up picture.
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

#include <string>
#include <vector>

namespace pictures {

// The sizes the program icon is drawn in (square, pixels).
const std::vector<int>& IconSizes();

// An embedded picture by name (see PictureData.h); an invalid bitmap if
// there is none or it does not decode.
wxBitmap Named(const std::string& name);

// The program icon, `size` pixels square (one of IconSizes()).
wxBitmap ProgramIcon(int size);
// Every size of the program icon, for a window's title bar and task bar.
wxIconBundle ProgramIcons();
// The drop window's picture, 38 x 40.
wxBitmap DropWindowPicture();
// The start-up picture, 400 x 300.
wxBitmap SplashPicture();

}  // namespace pictures
