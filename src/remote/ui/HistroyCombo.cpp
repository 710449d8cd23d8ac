#include "remote/ui/HistroyCombo.h"

#include "remote/ServerText.h"
#include "remote/HistoryQueue.h"

CHistroyCombo::CHistroyCombo(wxWindow* parent, wxWindowID id)
    : wxComboBox(parent, id, wxString(), wxDefaultPosition, wxDefaultSize, 0, nullptr,
                 wxCB_READONLY | wxCB_DROPDOWN) {
  SetName("CHistroyCombo");
}

void CHistroyCombo::AddPathOnTop(const std::string& path) {
  const std::string trimmed = TrimRemotePath(path);
  paths_.insert(paths_.begin(), trimmed);
  Insert(wxString::FromUTF8(ServerTextToUtf8(trimmed)), 0);
}

int CHistroyCombo::SelectPath(const std::string& path) {
  const std::string trimmed = TrimRemotePath(path);
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    if (paths_[i] == trimmed) {
      SetSelection(static_cast<int>(i));
      return 1;
    }
  }
  return 0;
}

std::string CHistroyCombo::GetSelectedText() const {
  const int selected = GetSelection();
  if (selected < 0 || static_cast<std::size_t>(selected) >= paths_.size()) return {};
  return paths_[static_cast<std::size_t>(selected)];
}

void CHistroyCombo::RemoveAllPaths() {
  paths_.clear();
  Clear();
}
