#include "platform/ui/FileDropTarget.h"

#include <wx/listctrl.h>

#include "platform/ui/ListRows.h"

CFileDropTarget::CFileDropTarget(wxWindow* window, Drop drop, std::function<bool()> accepts)
    : window_(window), drop_(std::move(drop)), accepts_(std::move(accepts)) {}

bool CFileDropTarget::OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) {
  if (!drop_ || (accepts_ && !accepts_())) return false;
  std::vector<std::string> paths;
  paths.reserve(names.size());
  for (const wxString& name : names) {
    const wxCharBuffer bytes = name.fn_str();
    if (bytes.data() && bytes.length() > 0) paths.emplace_back(bytes.data(), bytes.length());
  }
  if (paths.empty()) return false;
  return drop_(paths, window_->ClientToScreen(wxPoint(x, y)));
}

wxDragResult CFileDropTarget::OnDragOver(wxCoord x, wxCoord y, wxDragResult def) {
  if (accepts_ && !accepts_()) return wxDragNone;
  return wxFileDropTarget::OnDragOver(x, y, def == wxDragMove ? wxDragCopy : def);
}

void CFileDropTarget::Attach(wxListCtrl& list, Drop drop, std::function<bool()> accepts) {
  // The generic list sets the target on its rows window.
  list.SetDropTarget(new CFileDropTarget(platform::ListRowsWindow(list), std::move(drop),
                                         std::move(accepts)));
}

CFileDropTarget* CFileDropTarget::Of(const wxListCtrl& list) {
  return dynamic_cast<CFileDropTarget*>(list.GetDropTarget());
}
