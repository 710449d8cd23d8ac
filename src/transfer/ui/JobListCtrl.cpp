#include "transfer/ui/JobListCtrl.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>

#include "platform/ui/ListRows.h"
#include "local/ui/DisplayText.h"
#include "sites/FixedText.h"
#include "transfer/ui/StateIcons.h"

wxDEFINE_EVENT(EVT_JOBLIST_KEY, wxCommandEvent);
wxDEFINE_EVENT(EVT_JOBLIST_MENU, wxCommandEvent);

namespace {

struct Column {
  const char* heading;
  int width;
};

constexpr Column kColumns[CJobListCtrl::kColumnCount] = {
    {"File", 50},        {"Size", 50},         {"File type", 80},  {"Transfer Type", 80},
    {"Server", 60},      {"Remote Path", 80},  {"Local Path", 80}, {"User", 50},
};

// The identity CFileQueue::Matches compares, as one key.
std::string IdentityKey(const TransferEntry& e) {
  std::string key;
  key.reserve(128);
  key.append(reinterpret_cast<const char*>(&e.fileSize), sizeof e.fileSize);
  for (const std::string& part : {FieldText(e.site.address), FieldText(e.site.user),
                                  FieldText(e.remoteDir), FieldText(e.remoteName)}) {
    key += part;
    key += '\0';
  }
  return key;
}

}  // namespace

CJobListCtrl::CJobListCtrl(wxWindow* parent, wxWindowID id, Order order, wxWindow* ownerWindow)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_NONE),
      order_(order),
      ownerWindow_(ownerWindow),
      icons_(kIconSize, kIconSize, true, 4) {
  SetName("CJobListCtrl");
  // The image index is the state value.
  for (std::int32_t state : {ENTRY_PENDING, ENTRY_FAILED, ENTRY_STOPPED, ENTRY_RUNNING})
    icons_.Add(DrawStateIcon(state, kIconSize));
  SetImageList(&icons_, wxIMAGE_LIST_SMALL);
  // The table's widths were made for a smaller font than GTK's.
  constexpr int kPadding = 18;
  for (int c = 0; c < kColumnCount; ++c) {
    int width = std::max(kColumns[c].width, GetTextExtent(kColumns[c].heading).x + kPadding);
    if (c == 0) width = std::max(width, GetTextExtent("a file name.ext").x + kIconSize + kPadding);
    if (c == 1) width = std::max(width, GetTextExtent("0000000000").x + kPadding);
    if (c == 4) width = std::max(width, GetTextExtent("192.168.100.100").x + kPadding);
    baseWidths_[c] = width;
    InsertColumn(c, kColumns[c].heading, wxLIST_FORMAT_LEFT, width);
  }
  Bind(wxEVT_SIZE, &CJobListCtrl::OnSize, this);
  Bind(wxEVT_LIST_COL_END_DRAG, [this](wxListEvent& event) {
    columnsSized_ = true;
    event.Skip();
  });
  RowsWindow()->Bind(wxEVT_KEY_DOWN, &CJobListCtrl::OnKeyDown, this);
  RowsWindow()->Bind(wxEVT_RIGHT_DOWN, &CJobListCtrl::OnRightDown, this);
}

CJobListCtrl::~CJobListCtrl() { SetImageList(nullptr, wxIMAGE_LIST_SMALL); }

const char* CJobListCtrl::ColumnHeading(int column) {
  return column >= 0 && column < kColumnCount ? kColumns[column].heading : "";
}

int CJobListCtrl::ColumnWidth(int column) {
  return column >= 0 && column < kColumnCount ? kColumns[column].width : 0;
}

wxWindow* CJobListCtrl::RowsWindow() const { return platform::ListRowsWindow(*this); }

void CJobListCtrl::OnSize(wxSizeEvent& event) {
  event.Skip();
  if (columnsSized_) return;
  int sum = 0;
  for (int width : baseWidths_) sum += width;
  // A margin for the vertical scroll bar.
  const int extra = std::max(GetClientSize().x - 20 - sum, 0);
  SetColumnWidth(0, baseWidths_[0] + extra / 2);
  SetColumnWidth(5, baseWidths_[5] + extra / 4);
  SetColumnWidth(6, baseWidths_[6] + extra / 4);
}

int CJobListCtrl::StartWidth(int column) const {
  return column >= 0 && column < kColumnCount ? baseWidths_[column] : 0;
}

long CJobListCtrl::RowAtScreenPoint(const wxPoint& screen) const {
  const long row = platform::ListRowAt(*this, screen);
  return Row(row) ? row : -1;
}

void CJobListCtrl::SetEntries(std::vector<TransferEntry> entries) {
  // Selected rows, and the row with the focus, stay so while their entry does.
  std::unordered_set<std::string> selected;
  for (long row = NextSelected(-1); row != -1; row = NextSelected(row))
    if (const TransferEntry* e = Row(row)) selected.insert(IdentityKey(*e));
  const long focused = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
  const std::string focusKey = Row(focused) ? IdentityKey(*Row(focused)) : std::string();

  if (order_ == Order::kNewestFirst) std::reverse(entries.begin(), entries.end());
  rows_ = std::move(entries);
  if (!selected.empty()) SetItemState(-1, 0, wxLIST_STATE_SELECTED);
  SetItemCount(static_cast<long>(rows_.size()));
  if (!selected.empty() || !focusKey.empty()) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const std::string key = IdentityKey(rows_[i]);
      const long row = static_cast<long>(i);
      if (selected.count(key)) SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
      if (!focusKey.empty() && key == focusKey)
        SetItemState(row, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    }
  }
  Refresh();
}

void CJobListCtrl::AddRow(const TransferEntry& entry, long index) {
  const std::size_t at = std::min(static_cast<std::size_t>(std::max(index, 0L)), rows_.size());
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), entry);
  SetItemCount(static_cast<long>(rows_.size()));
  Refresh();
}

bool CJobListCtrl::ReadRow(long index, TransferEntry& entry) const {
  std::memset(&entry, 0, sizeof entry);
  const TransferEntry* row = Row(index);
  if (!row) {
    entry.state = ENTRY_FAILED;
    return false;
  }
  entry.state = row->state;
  std::memcpy(entry.remoteName, row->remoteName, sizeof entry.remoteName);
  entry.fileSize = row->fileSize;
  std::memcpy(entry.site.address, row->site.address, sizeof entry.site.address);
  std::memcpy(entry.remoteDir, row->remoteDir, sizeof entry.remoteDir);
  std::memcpy(entry.localDir, row->localDir, sizeof entry.localDir);
  std::memcpy(entry.site.user, row->site.user, sizeof entry.site.user);
  return true;
}

void CJobListCtrl::SelectAll() {
  if (!rows_.empty()) SetItemState(-1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void CJobListCtrl::SelectNone() {
  if (!rows_.empty()) SetItemState(-1, 0, wxLIST_STATE_SELECTED);
}

const TransferEntry* CJobListCtrl::Row(long index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) return nullptr;
  return &rows_[static_cast<std::size_t>(index)];
}

long CJobListCtrl::NextSelected(long after) const {
  return GetNextItem(after, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

std::vector<long> CJobListCtrl::SelectedRows() const {
  std::vector<long> selected;
  for (long row = NextSelected(-1); row != -1; row = NextSelected(row))
    if (Row(row)) selected.push_back(row);
  return selected;
}

long CJobListCtrl::RowOfName(const char* name) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (FieldText(rows_[i].remoteName) == name) return static_cast<long>(i);
  return -1;
}

wxBitmap CJobListCtrl::StateIcon(std::int32_t state) const {
  return state >= 0 && state < icons_.GetImageCount() ? icons_.GetBitmap(state) : wxBitmap();
}

void CJobListCtrl::OnKeyDown(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key == WXK_DELETE || key == WXK_NUMPAD_DELETE) Notify(EVT_JOBLIST_KEY, WXK_DELETE);
  event.Skip();  // the list's own key handling goes on
}

void CJobListCtrl::OnRightDown(wxMouseEvent& event) {
  // Queued, so the owner sees the selection the default handling makes.
  Notify(EVT_JOBLIST_MENU, 0);
  event.Skip();
}

void CJobListCtrl::Notify(const wxEventType& type, int value) {
  if (!ownerWindow_) return;
  auto* event = new wxCommandEvent(type, GetId());
  event->SetEventObject(this);
  event->SetInt(value);
  wxQueueEvent(ownerWindow_, event);  // wx owns the queued event
}

wxString CJobListCtrl::OnGetItemText(long item, long column) const {
  const TransferEntry* e = Row(item);
  if (!e) return wxString();
  switch (column) {
    case 0: return DisplayText(FieldText(e->remoteName));
    case 1: return wxString::Format("%lld", static_cast<long long>(e->fileSize));
    case 2: return e->isFolder ? "Folder" : "File";
    case 3: return e->direction != 0 ? "Upload" : "Download";
    case 4: return DisplayText(FieldText(e->site.address));
    case 5: return DisplayText(FieldText(e->remoteDir));
    case 6: return DisplayText(FieldText(e->localDir));
    case 7: return DisplayText(FieldText(e->site.user));
    default: return wxString();
  }
}

int CJobListCtrl::OnGetItemImage(long item) const {
  const TransferEntry* e = Row(item);
  if (!e) return -1;
  // A state the list has no picture for shows as failed.
  return e->state >= ENTRY_PENDING && e->state <= ENTRY_RUNNING ? e->state : ENTRY_FAILED;
}
