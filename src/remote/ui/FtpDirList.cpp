#include "remote/ui/FtpDirList.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/ui/ListRows.h"
#include "remote/ServerText.h"
#include "platform/ContentTypes.h"
#include "transfer/SortStringArray.h"

namespace {

// Server bytes as shown: UTF-8, or each byte as its ISO-8859-1 character.
wxString ServerDisplay(std::string_view bytes) { return wxString::FromUTF8(ServerTextToUtf8(bytes)); }

// A record's text field, read no further than its size.
template <std::size_t N>
wxString FieldDisplay(const char (&field)[N]) {
  return ServerDisplay(std::string_view(field, ::strnlen(field, N)));
}

}  // namespace

wxDEFINE_EVENT(EVT_REMOTE_OPEN, wxCommandEvent);
wxDEFINE_EVENT(EVT_REMOTE_KEY, wxCommandEvent);
wxDEFINE_EVENT(EVT_REMOTE_CONTEXT_MENU, wxCommandEvent);

CFtpDirList::CFtpDirList(wxWindow* parent, wxWindow* ownerView, wxWindowID id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_NONE),
      ownerView_(ownerView) {
  SetName("CFtpDirList");
  SetImageList(&icons_.ImageList(), wxIMAGE_LIST_SMALL);
  InsertColumn(0, "File", wxLIST_FORMAT_LEFT);
  InsertColumn(1, "Size", wxLIST_FORMAT_RIGHT);
  InsertColumn(2, "Type", wxLIST_FORMAT_LEFT);
  InsertColumn(3, "Time", wxLIST_FORMAT_LEFT);
  InsertColumn(4, "Date", wxLIST_FORMAT_LEFT);
  InsertColumn(5, "Attribute", wxLIST_FORMAT_LEFT);

  Bind(wxEVT_SIZE, &CFtpDirList::OnSize, this);
  Bind(wxEVT_LIST_COL_END_DRAG, [this](wxListEvent& event) {
    columnsSized_ = true;
    event.Skip();
  });
  // Enter is taken in OnKeyDown, so activation means a double click.
  Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { Notify(EVT_REMOTE_OPEN); });
  RowsWindow()->Bind(wxEVT_KEY_DOWN, &CFtpDirList::OnKeyDown, this);
  RowsWindow()->Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& event) {
    // Queued, so the owner sees the selection the default handling makes.
    Notify(EVT_REMOTE_CONTEXT_MENU);
    event.Skip();
  });
}

CFtpDirList::~CFtpDirList() { SetImageList(nullptr, wxIMAGE_LIST_SMALL); }

wxWindow* CFtpDirList::RowsWindow() const { return platform::ListRowsWindow(*this); }

void CFtpDirList::OnSize(wxSizeEvent& event) {
  event.Skip();
  // Two units of the width for the name, one for each other column, until
  // the user sets a width by hand.
  const int width = GetClientSize().x;
  if (columnsSized_ || width < 70) return;
  const int unit = (width - 20) / 7;
  SetColumnWidth(0, 2 * unit);
  for (int column = 1; column < 6; ++column) SetColumnWidth(column, unit);
}

void CFtpDirList::FillList(std::shared_ptr<const RemoteListing> listing) {
  // Nothing selected survives a new listing.
  for (long row : SelectedRows()) SetItemState(row, 0, wxLIST_STATE_SELECTED);
  listing_ = std::move(listing);
  order_.clear();
  if (listing_) {
    const RemoteListing& records = *listing_;
    std::vector<std::u32string> keys;
    keys.reserve(records.size());
    for (const RemoteFileRecord& r : records) keys.push_back(FoldedKey(r.name));
    order_.resize(records.size());
    std::iota(order_.begin(), order_.end(), 0u);
    // Folders first, then files; equal keys keep the server's order.
    std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
      const bool folderA = records[a].isFolder == 1, folderB = records[b].isFolder == 1;
      if (folderA != folderB) return folderA;
      return keys[a] < keys[b];
    });
  }
  rowIcons_.assign(order_.size(), -1);
  SetItemCount(static_cast<long>(order_.size()));
  if (!order_.empty()) EnsureVisible(0);
  Refresh();
}

const RemoteFileRecord* CFtpDirList::Row(long row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= order_.size() || !listing_) return nullptr;
  return &(*listing_)[order_[static_cast<std::size_t>(row)]];
}

bool CFtpDirList::IsFolderRow(long row) const {
  const RemoteFileRecord* record = Row(row);
  return record && record->isFolder == 1;
}

std::vector<long> CFtpDirList::SelectedRows() const {
  std::vector<long> selected;
  for (long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
       row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
    if (Row(row)) selected.push_back(row);
  return selected;
}

long CFtpDirList::RowOfName(const std::string& name) const {
  for (std::size_t i = 0; i < order_.size(); ++i)
    if ((*listing_)[order_[i]].name == name) return static_cast<long>(i);
  return -1;
}

void CFtpDirList::SelectAllRows() {
  for (long row = 0; row < GetItemCount(); ++row)
    SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void CFtpDirList::OnKeyDown(wxKeyEvent& event) {
  int key = 0;
  switch (event.GetKeyCode()) {
    case WXK_BACK: key = kKeyBack; break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: key = kKeyEnter; break;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE: key = kKeyDelete; break;
    case WXK_F2: key = kKeyF2; break;
    case WXK_F5: key = kKeyF5; break;
    default: break;
  }
  if (key != 0) Notify(EVT_REMOTE_KEY, key);
  // Enter stops here: the list would take it as an activation (a double click).
  if (key != kKeyEnter) event.Skip();
}

void CFtpDirList::Notify(const wxEventType& type, int value) {
  if (!ownerView_) return;
  auto* event = new wxCommandEvent(type, GetId());
  event->SetEventObject(this);
  event->SetInt(value);
  wxQueueEvent(ownerView_, event);  // wx takes ownership of the queued event
}

int CFtpDirList::IconOf(long row) const {
  const RemoteFileRecord* record = Row(row);
  if (!record) return -1;
  std::int32_t& slot = rowIcons_[static_cast<std::size_t>(row)];
  if (slot >= 0) return slot;
  if (record->isFolder == 1) {
    if (folderIcon_ < 0) folderIcon_ = icons_.IndexFor(platform::FolderContentType().iconNames);
    slot = folderIcon_;
    return slot;
  }
  const platform::ContentType type = platform::ContentTypeOfName(record->name);
  auto known = iconByType_.find(type.id);
  if (known == iconByType_.end())
    known = iconByType_.emplace(type.id, icons_.IndexFor(type.iconNames)).first;
  slot = known->second;
  return slot;
}

wxString CFtpDirList::OnGetItemText(long item, long column) const {
  const RemoteFileRecord* record = Row(item);
  if (!record) return wxString();
  switch (column) {
    case 0: return ServerDisplay(record->name);
    case 1: return FieldDisplay(record->sizeText);
    case 2: return record->isFolder == 1 ? wxString("DIR") : wxString();
    case 3: return FieldDisplay(record->timeText);
    case 4: return FieldDisplay(record->dateText);
    case 5: return FieldDisplay(record->attributes);
    default: return wxString();
  }
}

int CFtpDirList::OnGetItemImage(long item) const { return IconOf(item); }
