#include "local/ui/DirListView.h"

#include <wx/menu.h>

#include <chrono>

#include "app/ui/CommandTable.h"
#include "app/ui/TrawlixDoc.h"
#include "engine/FtpObject.h"
#include "local/LocalPath.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DisplayText.h"
#include "local/ui/DriverCombo.h"
#include "local/ui/LocalFileJob.h"
#include "local/ui/UpArrow.h"
#include "platform/Files.h"
#include "platform/ui/FileDropTarget.h"
#include "res/CommandIds.h"
#include "transfer/MakeEntry.h"

CDirListView::CDirListView(wxWindow* parent, const std::string& startFolder,
                           std::function<std::vector<platform::LocalRoot>()> roots)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
              wxTAB_TRAVERSAL | wxBORDER_SUNKEN, "CDirListView") {
  driveBox = new CDriverCombo(this, CDriverCombo::kId, std::move(roots));
  driveBox->SetPopupMaxHeight(150);
  fileList = new CDirListCtrl(this, this);
  upButton = new wxBitmapButton(this, kUpButtonId, UpArrowBitmap(true), wxDefaultPosition,
                                wxSize(kUpButtonWidth, kUpButtonHeight));
  upButton->SetBitmapDisabled(UpArrowBitmap(false));
  upButton->SetToolTip("Up one level");
  drag_ = std::make_unique<CRowDrag>(this);
  fileJob_ = std::make_unique<CLocalFileJob>(this);
  fileList->SetOperationRunner([this](LocalFileOperation operation,
                                      std::vector<std::string> sources,
                                      std::vector<std::string> targets,
                                      std::function<void(int)> done) {
    if (!fileJob_->Start(operation, std::move(sources), std::move(targets), std::move(done)))
      Report("Another file operation is still running; try again when it has ended.");
  });
  RegisterOwnList();
  // Files dropped from the desktop are copied into the folder shown.
  CFileDropTarget::Attach(*fileList, [this](const std::vector<std::string>& paths, const wxPoint&) {
    return fileList->CopyIntoFolder(paths) == 1;
  });
  BindCommands();
  LayoutChildren();

  const std::string start = startFolder.empty() ? platform::HomeFolder() : startFolder;
  fileList->ShowFolder(start);
  driveBox->SetPath(localpath::AsFolderPath(start));
}

CDirListView::~CDirListView() {
  // The drag and a running file operation end before the children go.
  drag_.reset();
  fileJob_.reset();
}

void CDirListView::SetStatusReporter(std::function<void(const std::string&)> report) {
  report_ = std::move(report);
  fileList->SetProblemReporter(report_);
}

void CDirListView::Report(const std::string& text) const {
  if (report_) report_(text);
}

void CDirListView::LayoutChildren() {
  const wxSize client = GetClientSize();
  const int w = client.x, h = client.y;
  const int boxWidth = std::max(w - kUpButtonWidth, 10);
  driveBox->SetSize(0, 0, boxWidth, wxDefaultCoord);
  // As tall as the box beside it, where the box is taller than the button.
  const int top = std::max(kListTop, driveBox->GetSize().y);
  upButton->SetSize(w - kUpButtonWidth, 0, kUpButtonWidth, std::max(kUpButtonHeight, top));
  fileList->SetSize(0, top, std::max(w, 1), std::max(h - top, 1));
}

void CDirListView::BindCommands() {
  Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    LayoutChildren();
    event.Skip();
  });
  Bind(EVT_LOCAL_LISTED, [this](wxCommandEvent&) { OnListed(); });
  Bind(EVT_LOCAL_CONTEXT_MENU, [this](wxCommandEvent&) { OnContextMenu(); });
  driveBox->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent&) { OnDriveSelected(); });
  upButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { fileList->GoUp(); });
  fileList->Bind(wxEVT_LIST_BEGIN_DRAG, [this](wxListEvent&) { OnBeginDrag(); });

  const auto on = [this](int id, std::function<void()> action) {
    Bind(wxEVT_MENU, [action = std::move(action)](wxCommandEvent&) { action(); }, cmd::WxId(id));
  };
  on(cmd::ID_LOCAL_DELETE, [this] { fileList->DeleteSelected(); });
  on(cmd::ID_LOCAL_REFRESH, [this] { RefreshFolder(); });
  on(cmd::ID_LOCAL_UPLOAD, [this] { UploadSelected(); });
  on(cmd::ID_LOCAL_DOWNLOAD, [] {});  // taken, and nothing happens
  on(cmd::ID_SELECT_ALL, [this] { fileList->SelectAllRows(); });
}

void CDirListView::OnListed() {
  const std::string folder = fileList->GetFolderPath();
  if (document_) document_->SetLocalFolder(folder);
  driveBox->SetPath(folder);
}

void CDirListView::OnDriveSelected() {
  const std::string path = driveBox->GetSelectedPath();
  if (path.empty()) return;
  driveBox->SetPath(path);
  fileList->ShowFolder(path);
}

void CDirListView::RefreshFolder() {
  const std::string folder = fileList->GetFolderPath();
  fileList->ShowFolder(folder);
  driveBox->SetPath(folder);
}

bool CDirListView::ShowFolderIfExists(const std::string& folder) {
  if (folder.empty() || !platform::IsDirectory(folder)) return false;
  fileList->ShowFolder(folder);
  driveBox->SetPath(localpath::AsFolderPath(folder));
  return true;
}

std::unique_ptr<wxMenu> CDirListView::ContextMenu() const {
  std::unique_ptr<wxMenu> menu(BuildLocalMenu());
  menu->Enable(cmd::WxId(cmd::ID_LOCAL_DOWNLOAD), false);
  return menu;
}

void CDirListView::OnContextMenu() {
  std::unique_ptr<wxMenu> menu = ContextMenu();
  PopupMenu(menu.get());
}

TransferEntry CDirListView::MakeUploadEntry(long row) const {
  const LocalRow* item = fileList->Row(row);
  const std::string name = item ? item->name : std::string();
  const SiteRecord site = session_ ? session_->Site() : SiteRecord{};
  const std::string remoteDir = session_ ? session_->CurrentDir() : std::string();
  return ::MakeUploadEntry(site, remoteDir, name, fileList->GetFolderPath(),
                           item ? SizeText(*item) : "", item ? TimeText(*item) : "");
}

std::vector<TransferEntry> CDirListView::SelectedEntries() const {
  std::vector<TransferEntry> entries;
  const std::string folder = fileList->GetFolderPath();
  // The session's site and folder once for all rows: thousands may be selected.
  const SiteRecord site = session_ ? session_->Site() : SiteRecord{};
  const std::string remoteDir = session_ ? session_->CurrentDir() : std::string();
  const std::vector<long> rows = fileList->SelectedRows();
  entries.reserve(rows.size());
  for (long row : rows) {
    const LocalRow& item = *fileList->Row(row);
    if (!FitsEntryFields(remoteDir, item.name, folder)) {
      Report("Not queued: the path of " + folder + item.name + " is longer than a queue entry holds.");
      continue;
    }
    entries.push_back(::MakeUploadEntry(site, remoteDir, item.name, folder, SizeText(item), TimeText(item)));
  }
  return entries;
}

int CDirListView::UploadSelected() {
  if (!session_ || !session_->IsLoggedIn()) return 0;
  // What the entries need is taken now (the list may be read again before
  // they are all made); the entries are made and queued in slices.
  const std::string folder = fileList->GetFolderPath();
  for (long row : fileList->SelectedRows()) {
    const LocalRow& item = *fileList->Row(row);
    pendingUploads_.push_back({item.name, folder, SizeText(item), TimeText(item)});
  }
  QueueSomeUploads();
  return 1;
}

void CDirListView::QueueSomeUploads() {
  // Thousands of rows are handed over a slice at a time, so the window
  // keeps painting meanwhile; the first slice goes at once.
  const auto until = std::chrono::steady_clock::now() + kUploadSlice;
  const SiteRecord site = session_ ? session_->Site() : SiteRecord{};
  const std::string remoteDir = session_ ? session_->CurrentDir() : std::string();
  while (!pendingUploads_.empty() && session_) {
    const PendingUpload row = std::move(pendingUploads_.front());
    pendingUploads_.pop_front();
    if (!FitsEntryFields(remoteDir, row.name, row.folder)) {
      Report("Not queued: the path of " + row.folder + row.name + " is longer than a queue entry holds.");
      continue;
    }
    TransferEntry entry = ::MakeUploadEntry(site, remoteDir, row.name, row.folder, row.sizeText, row.timeText);
    session_->QueueTransfer(entry);
    if (document_) document_->shownQueue = &session_->transferQueue;
    if (queueShown_) queueShown_();
    if (std::chrono::steady_clock::now() >= until) break;
  }
  if (!pendingUploads_.empty()) CallAfter(&CDirListView::QueueSomeUploads);
}

int CDirListView::QueueSelected() {
  if (!session_ || !session_->IsLoggedIn()) return 0;
  if (!backgroundAdd_) return 1;
  for (const TransferEntry& entry : SelectedEntries()) backgroundAdd_(entry);
  return 1;
}

int CDirListView::IsFolderRow(long row) const {
  const LocalRow* item = fileList->Row(row);
  if (!item) return 0;
  if (fileList->GetItemState(row, wxLIST_STATE_SELECTED) & wxLIST_STATE_SELECTED) return 0;
  return platform::IsDirectory(fileList->RowPath(row)) ? 1 : 0;
}

void CDirListView::AddDropTarget(DropTarget target) { drag_->AddTarget(std::move(target)); }

void CDirListView::RegisterOwnList() {
  // Onto an unselected folder row of its own list: move the selection there.
  DropTarget own;
  own.window = fileList;
  own.hover = [this](const wxPoint& screen) {
    const long row = fileList->RowAtScreenPoint(screen);
    const bool folder = IsFolderRow(row) != 0;
    fileList->SetDropRow(folder ? row : -1);
    return folder;
  };
  own.leave = [this] { fileList->SetDropRow(-1); };
  own.drop = [this](const wxPoint& screen) {
    const long row = fileList->RowAtScreenPoint(screen);
    if (IsFolderRow(row)) fileList->MoveSelectedInto(fileList->RowPath(row));
  };
  drag_->AddTarget(std::move(own));
}

void CDirListView::OnBeginDrag() {
  const std::vector<long> selected = fileList->SelectedRows();
  if (selected.empty()) return;
  const wxString label =
      selected.size() == 1 ? DisplayText(fileList->Row(selected.front())->name)
                           : wxString::Format("%zu items", selected.size());
  drag_->Begin(label, fileList->RowIcon(selected.front()));
}
