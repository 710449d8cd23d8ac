// Files and folders dropped on a window from the desktop's file manager:
// their paths, as bytes of the file system, with the point of the drop on
// the screen, handed to a function. A list takes them on the window that
// draws its rows, so the point can be hit-tested there.
#pragma once

#include <wx/dnd.h>

#include <functional>
#include <string>
#include <vector>

class wxListCtrl;

class CFileDropTarget : public wxFileDropTarget {
 public:
  // Returns whether the drop was taken.
  using Drop = std::function<bool(const std::vector<std::string>& paths, const wxPoint& screen)>;

  // `window`: the window the target is set on (points are its client's);
  // `accepts`: whether a drop would be taken now (default: always).
  CFileDropTarget(wxWindow* window, Drop drop, std::function<bool()> accepts = {});

  bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override;
  wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult def) override;

  // Makes `list` take dropped files (the list owns the target).
  static void Attach(wxListCtrl& list, Drop drop, std::function<bool()> accepts = {});
  // The target attached to `list`, or null.
  static CFileDropTarget* Of(const wxListCtrl& list);

 private:
  wxWindow* window_;
  Drop drop_;
  std::function<bool()> accepts_;
};
