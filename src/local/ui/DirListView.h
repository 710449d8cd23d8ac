// The local pane: the local folder's files. For now an empty panel that holds the main window's cell.
#pragma once

#include <wx/panel.h>

class CDirListView : public wxPanel {
 public:
  explicit CDirListView(wxWindow* parent, wxWindowID id = wxID_ANY)
      : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN,
                "CDirListView") {}
};
