// The remote path box: a read-only drop-down of the remote directories
// visited since the last connect, newest on top. The entries show their
// paths as text (bytes that aren't UTF-8 as U+FFFD); the bytes themselves are
// kept beside them and are what GetSelectedText gives back. One trailing "/"
// (other than the root's) is trimmed when a path is added or looked up.
#pragma once

#include <wx/combobox.h>

#include <string>
#include <vector>

class CHistroyCombo : public wxComboBox {
 public:
  static constexpr wxWindowID kId = 4608;

  explicit CHistroyCombo(wxWindow* parent, wxWindowID id = kId);

  // Inserts an entry at the top.
  void AddPathOnTop(const std::string& path);
  // Selects the first entry of `path`: 1, or 0 (selection unchanged) when none.
  int SelectPath(const std::string& path);
  // The selected entry's path; empty when nothing is selected.
  std::string GetSelectedText() const;
  void RemoveAllPaths();

  // The paths from the top.
  const std::vector<std::string>& Paths() const { return paths_; }

 private:
  std::vector<std::string> paths_;  // parallel to the entries
};
