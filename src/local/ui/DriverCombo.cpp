#include "local/ui/DriverCombo.h"

#include <wx/dc.h>

#include <algorithm>

#include "platform/ContentTypes.h"
#include "local/ui/DisplayText.h"
#include "platform/Files.h"

namespace {

constexpr int kIconGap = 4;  // pixels around the icon

drivechain::PathKind KindOf(const std::string& path) {
  if (path.empty() || !platform::PathExists(path)) return drivechain::PathKind::Missing;
  return platform::IsDirectory(path) ? drivechain::PathKind::Folder : drivechain::PathKind::File;
}

}  // namespace

CDriverCombo::CDriverCombo(wxWindow* parent, wxWindowID id, RootSource roots)
    : wxOwnerDrawnComboBox(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0,
                           nullptr, wxCB_READONLY),
      roots_(roots ? std::move(roots) : RootSource(platform::ListLocalRoots)) {
  SetPath("");
}

CDriverCombo::~CDriverCombo() {
  if (IsPopupShown()) Dismiss();
}

int CDriverCombo::SetPath(const std::string& folderPath) {
  shownPath_ = folderPath;
  const std::string wasSelected = EntryPath(GetSelection());
  drivechain::Chain chain = drivechain::BuildChain(
      roots_(), folderPath, KindOf(folderPath), platform::FolderContentType().iconNames);

  if (IsPopupShown()) Dismiss();
  Clear();
  entries_ = std::move(chain.entries);
  iconIndex_.clear();
  wxArrayString texts;
  for (const drivechain::Entry& entry : entries_) {
    texts.Add(DisplayText(entry.text));
    iconIndex_.push_back(icons_.IndexFor(entry.iconNames));
  }
  if (!texts.empty()) Append(texts);

  int selected = chain.selected;
  if (selected < 0 && !wasSelected.empty()) {
    auto same = std::find_if(entries_.begin(), entries_.end(),
                             [&](const drivechain::Entry& e) { return e.path == wasSelected; });
    if (same != entries_.end()) selected = static_cast<int>(same - entries_.begin());
  }
  SetSelection(selected >= 0 ? selected : wxNOT_FOUND);
  return 1;
}

std::string CDriverCombo::GetSelectedPath() const {
  const drivechain::Entry* entry = EntryAt(GetSelection());
  return entry ? drivechain::OpenPathOf(*entry) : std::string();
}

const drivechain::Entry* CDriverCombo::EntryAt(int index) const {
  if (index < 0 || index >= EntryCount()) return nullptr;
  return &entries_[static_cast<std::size_t>(index)];
}

std::string CDriverCombo::EntryText(int index) const {
  const drivechain::Entry* entry = EntryAt(index);
  return entry ? std::string(DisplayText(entry->text).utf8_str().data()) : std::string();
}

int CDriverCombo::EntryDepth(int index) const {
  const drivechain::Entry* entry = EntryAt(index);
  return entry ? entry->depth : -1;
}

std::string CDriverCombo::EntryPath(int index) const {
  const drivechain::Entry* entry = EntryAt(index);
  return entry ? entry->path : std::string();
}

void CDriverCombo::OnDrawItem(wxDC& dc, const wxRect& rect, int item, int flags) const {
  const drivechain::Entry* entry = EntryAt(item);
  if (!entry) return;
  // The closed box shows the selected entry flush left, the list shows the tree.
  const int indent = (flags & wxODCB_PAINTING_CONTROL) ? 0 : entry->depth * kIndentPerLevel;
  wxDCClipper clip(dc, rect);
  int x = rect.x + kIconGap + indent;
  const wxBitmap icon = icons_.Bitmap(iconIndex_[static_cast<std::size_t>(item)]);
  if (icon.IsOk()) {
    dc.DrawBitmap(icon, x, rect.y + (rect.height - icon.GetHeight()) / 2, true);
  }
  x += platform::ThemeIcons::kSize + kIconGap;
  const wxString text = GetString(static_cast<unsigned>(item));
  dc.DrawText(text, x, rect.y + (rect.height - dc.GetCharHeight()) / 2);
}

wxCoord CDriverCombo::OnMeasureItem(size_t) const {
  return std::max(platform::ThemeIcons::kSize, GetCharHeight()) + kIconGap;
}

wxCoord CDriverCombo::OnMeasureItemWidth(size_t item) const {
  const drivechain::Entry* entry = EntryAt(static_cast<int>(item));
  if (!entry) return -1;
  int width = 0;
  GetTextExtent(GetString(static_cast<unsigned>(item)), &width, nullptr);
  return entry->depth * kIndentPerLevel + platform::ThemeIcons::kSize + 3 * kIconGap + width;
}
