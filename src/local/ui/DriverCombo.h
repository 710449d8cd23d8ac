// The drive and folder box above the local list: every root (file system
// root, home, user-visible mounts) and, under the root holding the shown
// folder, the chain of folders leading to it, indented by depth, each with
// its theme icon. Picking an entry sends the usual wxEVT_COMBOBOX; the local
// pane then opens GetSelectedPath().
#pragma once

#include <wx/odcombo.h>

#include <functional>
#include <string>
#include <vector>

#include "local/DriveChain.h"
#include "platform/LocalRoots.h"
#include "platform/ui/ThemeIcons.h"

class CDriverCombo : public wxOwnerDrawnComboBox {
 public:
  static constexpr wxWindowID kId = 4097;
  using RootSource = std::function<std::vector<platform::LocalRoot>()>;

  // `roots` is asked each time the box is filled; by default the system's
  // roots (platform::ListLocalRoots).
  CDriverCombo(wxWindow* parent, wxWindowID id = kId, RootSource roots = {});
  ~CDriverCombo() override;
  CDriverCombo(const CDriverCombo&) = delete;
  CDriverCombo& operator=(const CDriverCombo&) = delete;

  // Refills the roots and the chain for `folderPath` (a file shows its
  // folder; a missing path shows the roots only and keeps a selected root).
  // Sends no selection event. Returns 1.
  int SetPath(const std::string& folderPath);
  // The selected entry's path without its trailing "/" ("/" stays "/");
  // "" when nothing is selected.
  std::string GetSelectedPath() const;
  // The path last given to SetPath.
  std::string ShownPath() const { return shownPath_; }

  // The entries as shown, for tests and callers that inspect the box.
  int EntryCount() const { return static_cast<int>(entries_.size()); }
  std::string EntryText(int index) const;  // UTF-8 as displayed
  int EntryDepth(int index) const;         // -1 for an index the box lacks
  std::string EntryPath(int index) const;  // bytes, ends with "/"

  // Pixels of indent per depth level in the drop-down list.
  static constexpr int kIndentPerLevel = 12;

 protected:
  void OnDrawItem(wxDC& dc, const wxRect& rect, int item, int flags) const override;
  wxCoord OnMeasureItem(size_t item) const override;
  wxCoord OnMeasureItemWidth(size_t item) const override;

 private:
  const drivechain::Entry* EntryAt(int index) const;

  RootSource roots_;
  std::string shownPath_;
  std::vector<drivechain::Entry> entries_;
  std::vector<int> iconIndex_;  // per entry, into icons_
  platform::ThemeIcons icons_;
};
