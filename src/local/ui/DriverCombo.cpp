#include "local/ui/DriverCombo.h"

#include <wx/dc.h>

#include <algorithm>

#include "platform/ContentTypes.h"
#include "platform/Files.h"

namespace {

constexpr int kIconGap = 4;  // pixels around the icon
constexpr wchar_t kReplacement = 0xFFFD;

// Bytes as one line of readable text: each byte of an invalid UTF-8
// sequence, and each control character, becomes U+FFFD.
wxString ShownText(const std::string& bytes) {
  std::u32string out;
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    char32_t cp = 0;
    std::size_t len = 0;
    char32_t min = 0;
    if (c < 0x80) {
      cp = c, len = 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F, len = 2, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F, len = 3, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07, len = 4, min = 0x10000;
    }
    bool ok = len > 0 && i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) {
      ok = (s[i + k] & 0xC0) == 0x80;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    ok = ok && cp >= min && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!ok) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(cp < 0x20 || (cp >= 0x7F && cp < 0xA0) ? char32_t{kReplacement} : cp);
    i += len;
  }
  wxString text;
  for (char32_t cp : out) text += wxUniChar(static_cast<wxUint32>(cp));
  return text;
}

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
    texts.Add(ShownText(entry.text));
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
  return entry ? std::string(ShownText(entry->text).utf8_str().data()) : std::string();
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
