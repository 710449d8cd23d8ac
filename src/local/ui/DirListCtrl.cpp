#include "local/ui/DirListCtrl.h"

#include <wx/settings.h>

#include "platform/ui/ListRows.h"
#include "local/LocalPath.h"
#include "local/ui/DisplayText.h"
#include "local/ui/InputFileNameDlg.h"
#include "platform/ContentTypes.h"
#include "platform/ErrorText.h"
#include "platform/Files.h"
#include "platform/MessageIds.h"
#include "platform/OpenFile.h"
#include "platform/ui/WindowTarget.h"

wxDEFINE_EVENT(EVT_LOCAL_LISTED, wxCommandEvent);
wxDEFINE_EVENT(EVT_LOCAL_CONTEXT_MENU, wxCommandEvent);

namespace {

// A name typed for a rename must stay in the folder: no separator, not
// empty, not "." or "..".
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool SamePath(const std::string& a, const std::string& b) {
  return localpath::AsFolderPath(a) == localpath::AsFolderPath(b);
}

}  // namespace

CDirListCtrl::CDirListCtrl(wxWindow* parent, wxWindow* ownerView, wxWindowID id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_NONE),
      ownerView_(ownerView),
      target_(platform::WindowTarget::Create(this, [this](platform::Message& m) { OnFolderRead(m); })),
      reader_(target_) {
  SetName("CDirListCtrl");
  SetImageList(&icons_.ImageList(), wxIMAGE_LIST_SMALL);
  InsertColumn(0, "File", wxLIST_FORMAT_LEFT);
  InsertColumn(1, "Size", wxLIST_FORMAT_RIGHT);
  InsertColumn(2, "Type", wxLIST_FORMAT_LEFT);
  InsertColumn(3, "Modify DateTime", wxLIST_FORMAT_LEFT);
  dropAttr_.SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
  dropAttr_.SetTextColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
  open_ = [this](const std::string& path) {
    const std::string problem = platform::OpenWithDefaultApplication(path);
    if (!problem.empty()) Report("Could not open " + path + ": " + problem);
  };

  Bind(wxEVT_SIZE, &CDirListCtrl::OnSize, this);
  Bind(wxEVT_LIST_COL_END_DRAG, [this](wxListEvent& event) {
    columnsSized_ = true;
    event.Skip();
  });
  Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { OpenSelected(); });
  // Keys and the right button reach the window that draws the rows.
  RowsWindow()->Bind(wxEVT_KEY_DOWN, &CDirListCtrl::OnKeyDown, this);
  RowsWindow()->Bind(wxEVT_RIGHT_DOWN, &CDirListCtrl::OnRightDown, this);
}

CDirListCtrl::~CDirListCtrl() {
  target_->Detach();
  SetImageList(nullptr, wxIMAGE_LIST_SMALL);
}

wxWindow* CDirListCtrl::RowsWindow() const { return platform::ListRowsWindow(*this); }

void CDirListCtrl::OnSize(wxSizeEvent& event) {
  event.Skip();
  // Two units of the width for the name, one for each other column; kept so
  // as the pane grows into its place, until the user sets a width by hand.
  const int width = GetClientSize().x;
  if (columnsSized_ || width < 60) return;
  const int unit = (width - 20) / 5;
  SetColumnWidth(0, 2 * unit);
  for (int column = 1; column < 4; ++column) SetColumnWidth(column, unit);
}

int CDirListCtrl::ShowFolder(const std::string& path) {
  folderPath_ = path.empty() ? std::string("/") : localpath::AsFolderPath(path);
  rows_.clear();
  rowTypes_.clear();
  dropRow_ = -1;
  SetItemCount(0);
  Refresh();
  reading_ = true;
  reader_.Read(folderPath_);
  return 1;
}

void CDirListCtrl::OnFolderRead(platform::Message& message) {
  if (message.id != msg::WM_LOCAL_FOLDER_READ) return;
  if (static_cast<std::uint64_t>(message.wParam) != reader_.Current()) return;  // overtaken
  LocalListing listing = message.payload.Take<LocalListing>();
  reading_ = false;
  rows_ = std::move(listing.rows);
  rowTypes_.assign(rows_.size(), -1);
  // Nothing selected survives a new listing.
  for (long row = NextSelected(-1); row != -1; row = NextSelected(row))
    SetItemState(row, 0, wxLIST_STATE_SELECTED);
  SetItemCount(static_cast<long>(rows_.size()));
  if (!rows_.empty()) EnsureVisible(0);
  Refresh();
  if (listing.error != 0) {
    Report("Could not read the folder " + folderPath_ + ": " + platform::ErrorText(listing.error));
  }
  Notify(EVT_LOCAL_LISTED);
}

std::string CDirListCtrl::GetFolderPath() const { return localpath::AsFolderPath(folderPath_); }

void CDirListCtrl::GoUp() {
  const std::string parent = localpath::ParentOf(folderPath_);
  if (parent != folderPath_) ShowFolder(parent);
}

const LocalRow* CDirListCtrl::Row(long index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) return nullptr;
  return &rows_[static_cast<std::size_t>(index)];
}

std::string CDirListCtrl::RowPath(long index) const {
  const LocalRow* row = Row(index);
  return row ? GetFolderPath() + row->name : std::string();
}

long CDirListCtrl::RowOfName(const std::string& name) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].name == name) return static_cast<long>(i);
  return -1;
}

std::vector<long> CDirListCtrl::SelectedRows() const {
  std::vector<long> selected;
  for (long row = NextSelected(-1); row != -1; row = NextSelected(row))
    if (Row(row)) selected.push_back(row);
  return selected;
}

int CDirListCtrl::OpenSelected() {
  const std::vector<long> selected = SelectedRows();
  if (selected.size() != 1) return 0;
  const std::string path = RowPath(selected.front());
  if (platform::IsDirectory(path)) {
    ShowFolder(path);
  } else if (open_) {
    open_(path);
  }
  return 1;
}

long CDirListCtrl::NextSelected(long after) const {
  return GetNextItem(after, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void CDirListCtrl::RunOperation(LocalFileOperation operation, std::vector<std::string> sources,
                                std::vector<std::string> targets) {
  if (!runOperation_ || sources.empty()) return;
  wxWeakRef<CDirListCtrl> self(this);
  runOperation_(operation, std::move(sources), std::move(targets), [self](int) {
    if (self) self->ShowFolder(self->folderPath_);
  });
}

int CDirListCtrl::DeleteSelected() {
  std::vector<std::string> sources;
  for (long row : SelectedRows()) sources.push_back(RowPath(row));
  if (sources.empty() || !runOperation_) return 0;
  RunOperation(LocalFileOperation::Delete, std::move(sources), {});
  return 1;
}

int CDirListCtrl::RenameSelected() {
  const std::vector<long> selected = SelectedRows();
  if (selected.size() != 1) return 0;
  const LocalRow row = *Row(selected.front());
  const std::string folder = GetFolderPath();
  CInputFileNameDlg dialog(wxGetTopLevelParent(this));
  const wxString shown = DisplayText(row.name);
  dialog.nameText = shown.utf8_string();
  if (dialog.ShowModal() != wxID_OK) return 0;
  // An untouched name keeps its bytes, even where they aren't UTF-8.
  const std::string newName = dialog.nameText == shown.utf8_string() ? row.name : dialog.nameText;
  if (!IsPlainName(newName)) {
    Report("\"" + newName + "\" is not a name a file can have here; nothing was renamed.");
    ShowFolder(folderPath_);
    return 0;
  }
  if (newName == row.name) return 1;
  RunOperation(LocalFileOperation::Rename, {folder + row.name}, {folder + newName});
  return 1;
}

int CDirListCtrl::MoveSelectedInto(const std::string& targetFolder) {
  std::vector<std::string> sources;
  for (long row : SelectedRows()) {
    const std::string path = RowPath(row);
    if (!SamePath(path, targetFolder)) sources.push_back(path);
  }
  if (sources.empty() || !runOperation_) return 0;
  RunOperation(LocalFileOperation::Move, std::move(sources), {localpath::AsFolderPath(targetFolder)});
  return 1;
}

int CDirListCtrl::CopyIntoFolder(std::vector<std::string> paths) {
  if (paths.empty() || !runOperation_) return 0;
  RunOperation(LocalFileOperation::Copy, std::move(paths), {GetFolderPath()});
  return 1;
}

void CDirListCtrl::SelectAllRows() {
  for (long row = 0; row < GetItemCount(); ++row)
    SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void CDirListCtrl::SetDropRow(long row) {
  if (row == dropRow_) return;
  const long old = dropRow_;
  dropRow_ = Row(row) ? row : -1;
  if (old >= 0 && old < GetItemCount()) RefreshItem(old);
  if (dropRow_ >= 0) RefreshItem(dropRow_);
}

long CDirListCtrl::RowAtScreenPoint(const wxPoint& screen) const {
  const long row = platform::ListRowAt(*this, screen);
  return Row(row) ? row : -1;
}

void CDirListCtrl::OnKeyDown(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_BACK:
      GoUp();
      break;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE:
      DeleteSelected();
      break;
    case WXK_F2:
      RenameSelected();
      break;
    case WXK_F5:
      ShowFolder(folderPath_);
      break;
    default:
      break;
  }
  event.Skip();  // the list's own key handling goes on
}

void CDirListCtrl::OnRightDown(wxMouseEvent& event) {
  // Queued, so the owner sees the selection the default handling makes.
  Notify(EVT_LOCAL_CONTEXT_MENU);
  event.Skip();
}

void CDirListCtrl::Notify(const wxEventType& type) {
  if (!ownerView_) return;
  auto* event = new wxCommandEvent(type, GetId());
  event->SetEventObject(this);
  wxQueueEvent(ownerView_, event);  // wx takes ownership of the queued event
}

void CDirListCtrl::Report(const std::string& text) const {
  if (report_) report_(text);
}

const CDirListCtrl::TypeInfo& CDirListCtrl::TypeOf(long index) const {
  static const TypeInfo kNone;
  const LocalRow* row = Row(index);
  if (!row) return kNone;
  std::int32_t& slot = rowTypes_[static_cast<std::size_t>(index)];
  if (slot < 0) {
    const platform::ContentType type =
        row->isFolder ? platform::FolderContentType() : platform::ContentTypeOfName(row->name);
    auto known = typeById_.find(type.id);
    if (known == typeById_.end()) {
      TypeInfo info{wxString::FromUTF8(type.description), icons_.IndexFor(type.iconNames)};
      types_.push_back(info);
      known = typeById_.emplace(type.id, static_cast<std::int32_t>(types_.size() - 1)).first;
    }
    slot = known->second;
  }
  return types_[static_cast<std::size_t>(slot)];
}

wxString CDirListCtrl::OnGetItemText(long item, long column) const {
  const LocalRow* row = Row(item);
  if (!row) return wxString();
  switch (column) {
    case 0:
      return DisplayText(row->name);
    case 1:
      return SizeText(*row);
    case 2:
      return TypeOf(item).description;
    case 3:
      return TimeText(*row);
    default:
      return wxString();
  }
}

int CDirListCtrl::OnGetItemImage(long item) const { return TypeOf(item).icon; }

wxItemAttr* CDirListCtrl::OnGetItemAttr(long item) const {
  return item == dropRow_ ? &dropAttr_ : nullptr;
}
