#include "remote/ui/FtpDirView.h"

#include <wx/menu.h>

#include "app/ui/CommandTable.h"
#include "app/ui/TrawlixDoc.h"
#include "engine/FtpObject.h"
#include "engine/SafeNames.h"
#include "local/DroppedItems.h"
#include "remote/ServerText.h"
#include "local/ui/InputFileNameDlg.h"
#include "local/ui/UpArrow.h"
#include "platform/Files.h"
#include "platform/MessageIds.h"
#include "platform/ui/FileDropTarget.h"
#include "platform/ui/ListRows.h"
#include "platform/ui/WindowTarget.h"
#include "remote/ui/FtpDirDrag.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/HistroyCombo.h"
#include "res/CommandIds.h"
#include "transfer/MakeEntry.h"

namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

CFtpDirView::CFtpDirView(wxWindow* parent, wxWindowID id)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN,
              "CFtpDirView") {
  pathBox = new CHistroyCombo(this);
  upButton = new wxBitmapButton(this, kUpButtonId, UpArrowBitmap(true), wxDefaultPosition,
                                wxSize(kUpButtonWidth, kUpButtonHeight));
  upButton->SetBitmapDisabled(UpArrowBitmap(false));
  upButton->SetToolTip("Up one level");
  fileList = new CFtpDirList(this, this);
  target_ = platform::WindowTarget::Create(this, [this](platform::Message& m) { OnMessage(m); });
  drag_ = std::make_unique<CFtpDirDrag>(*this);
  CFileDropTarget::Attach(
      *fileList,
      [this](const std::vector<std::string>& paths, const wxPoint& screen) {
        return UploadDropped(paths, screen) == 1;
      },
      [this] { return LoggedIn(); });
  BindCommands();
  LayoutChildren();
}

CFtpDirView::~CFtpDirView() {
  drag_.reset();  // a running drag ends before the children go
  target_->Detach();
}

void CFtpDirView::AddDropTarget(DropTarget target) { drag_->AddTarget(std::move(target)); }

void CFtpDirView::LayoutChildren() {
  const wxSize client = GetClientSize();
  const int w = client.x, h = client.y;
  pathBox->SetSize(0, 0, std::max(w - kUpButtonWidth, 10), wxDefaultCoord);
  const int top = std::max(kListTop, pathBox->GetSize().y);
  upButton->SetSize(w - kUpButtonWidth, 0, kUpButtonWidth, std::max(kUpButtonHeight, top));
  fileList->SetSize(0, top, std::max(w, 1), std::max(h - top, 1));
}

void CFtpDirView::BindCommands() {
  Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    LayoutChildren();
    event.Skip();
  });
  Bind(EVT_REMOTE_OPEN, [this](wxCommandEvent&) { OpenSelected(); });
  Bind(EVT_REMOTE_KEY, [this](wxCommandEvent& event) { OnKey(event.GetInt()); });
  Bind(EVT_REMOTE_CONTEXT_MENU, [this](wxCommandEvent&) { OnContextMenu(); });
  pathBox->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent&) { PickPath(); });
  upButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { GoUp(); });

  // Cancel and About are left to the frame.
  const auto on = [this](int id, std::function<void()> action) {
    Bind(wxEVT_MENU, [action = std::move(action)](wxCommandEvent&) { action(); }, cmd::WxId(id));
  };
  on(cmd::ID_REMOTE_DELETE, [this] { DeleteSelected(); });
  on(cmd::ID_REMOTE_DOWNLOAD, [this] { DownloadSelected(); });
  on(cmd::ID_REMOTE_REFRESH, [this] { RefreshList(); });
  on(cmd::ID_REMOTE_NEW_FOLDER, [this] { NewFolder(); });
  on(cmd::ID_REMOTE_EDIT, [this] { OneRowSelected(); });
  on(cmd::ID_SELECT_ALL, [this] { SelectAllRows(); });
}

void CFtpDirView::OnMessage(platform::Message& message) {
  switch (message.id) {
    case msg::WM_SESSION_STATE:
      SetControlsEnabled(message.wParam != 0);
      break;
    case msg::WM_SESSION_LISTING:
      if (RemoteListing* listing = message.payload.As<RemoteListing>())
        ShowListing(std::move(*listing));
      break;
    case msg::WM_QUEUE_CHANGED:
      RefreshList();
      break;
    default:
      break;
  }
}

void CFtpDirView::OnKey(int key) {
  switch (key) {
    case CFtpDirList::kKeyBack: GoUp(); break;
    case CFtpDirList::kKeyEnter: OpenSelected(); break;
    case CFtpDirList::kKeyDelete: DeleteSelected(); break;
    case CFtpDirList::kKeyF2: RenameSelected(); break;
    case CFtpDirList::kKeyF5: RefreshList(); break;
    default: break;
  }
}

void CFtpDirView::SetControlsEnabled(bool enabled) {
  pathBox->Enable(enabled);
  upButton->Enable(enabled);
  fileList->Enable(enabled);
}

bool CFtpDirView::ControlsEnabled() const {
  return pathBox->IsEnabled() && upButton->IsEnabled() && fileList->IsEnabled();
}

std::string CFtpDirView::CurrentDir() const {
  return session_ ? session_->CurrentDir() : std::string();
}

bool CFtpDirView::LoggedIn() const { return session_ && session_->IsLoggedIn() == 1; }

void CFtpDirView::Report(const std::string& text) const {
  if (report_) report_(text);
}

int CFtpDirView::Connect(const SiteRecord& record) {
  history_.ClearHistory();
  if (!session_) return 1;
  session_->SetSite(record);
  session_->transferQueue.SetFile(LoginQueueFilePath(record));
  if (document_) document_->shownQueue = &session_->transferQueue;
  if (queueShown_) queueShown_();
  session_->Start();
  RefreshList();
  return 1;
}

int CFtpDirView::Disconnect() {
  if (session_) session_->Stop();
  history_.ClearHistory();
  fileList->ClearRows();
  pathBox->RemoveAllPaths();
  SetControlsEnabled(true);  // a stopped session is never busy
  return 1;
}

void CFtpDirView::ShowListing(RemoteListing listing) {
  const std::string dir = CurrentDir();
  if (history_.StoreListing(dir, std::move(listing)) == 1) {
    if (!dir.empty()) {  // a server whose PWD said nothing gets no entry
      pathBox->AddPathOnTop(dir);
      pathBox->SetSelection(0);
    }
  } else {
    pathBox->SelectPath(dir);
  }
  FillList(history_.FindPath(dir)->cachedListing);
}

void CFtpDirView::FillList(std::shared_ptr<const RemoteListing> listing) {
  fileList->FillList(std::move(listing));
}

void CFtpDirView::ShowPath(const std::string& path) {
  if (const CHistoryQueue::HistoryNode* node = history_.FindPath(path))
    FillList(node->cachedListing);
  else
    RefreshList();
  pathBox->SelectPath(path);
}

int CFtpDirView::OpenSelected() {
  const std::vector<long> selected = fileList->SelectedRows();
  if (selected.size() != 1 || !LoggedIn()) return 0;
  const long row = selected.front();
  if (!fileList->IsFolderRow(row)) return DownloadEntryRow(row);
  const std::string path = WithSlash(CurrentDir()) + fileList->Row(row)->name;
  session_->ChangeDir(path.c_str());
  ShowPath(path);
  return 1;
}

void CFtpDirView::GoUp() {
  if (!LoggedIn()) return;
  // The directory being left, read before CDUP is posted (the worker may
  // run it at once), cut after its last "/": /home/user gives /home/.
  std::string dir = CurrentDir();
  session_->ParentDir();
  if (dir.size() > 1) {
    const std::size_t slash = TrimRemotePath(dir).rfind('/');
    if (slash != std::string::npos) dir.erase(slash + 1);
  }
  ShowPath(dir);
}

void CFtpDirView::PickPath() {
  const std::string path = pathBox->GetSelectedText();
  if (path.empty() || !LoggedIn()) return;
  session_->ChangeDir(path.c_str());
  ShowPath(path);
}

int CFtpDirView::RenameSelected() {
  const std::vector<long> selected = fileList->SelectedRows();
  if (selected.size() != 1 || !LoggedIn()) return 0;
  const std::string oldName = fileList->Row(selected.front())->name;
  const std::string dir = WithSlash(CurrentDir());
  CInputFileNameDlg dialog(wxGetTopLevelParent(this));
  const std::string shown = ServerTextToUtf8(oldName);
  dialog.nameText = shown;
  const bool ok = dialog.ShowModal() == wxID_OK;
  if (ok) {
    // An untouched name keeps its bytes, even where they aren't UTF-8.
    const std::string newName = dialog.nameText == shown ? oldName : dialog.nameText;
    if (!IsPlainName(newName)) {
      Report("\"" + newName + "\" is not a name a remote file can have here; nothing was renamed.");
    } else if (newName != oldName &&
               !session_->RenameRemote((dir + oldName).c_str(), (dir + newName).c_str())) {
      Report("Not renamed: the path of " + dir + newName + " is too long for a command.");
    }
  }
  RefreshList();
  return ok ? 1 : 0;
}

std::string CFtpDirView::LocalFolder(const std::string& targetFolder) const {
  if (!targetFolder.empty()) return targetFolder;
  return document_ ? document_->localFolder : std::string();
}

TransferEntry CFtpDirView::MakeRowEntry(long row, const std::string& targetFolder) const {
  const RemoteFileRecord* record = fileList->Row(row);
  const SiteRecord site = session_ ? session_->Site() : SiteRecord{};
  if (!record) return MakeTransferEntry(site, CurrentDir(), "", LocalFolder(targetFolder),
                                        XFER_DOWNLOAD, false, "", "");
  return MakeTransferEntry(site, CurrentDir(), record->name, LocalFolder(targetFolder),
                           XFER_DOWNLOAD, record->isFolder == 1, ListedSize(*record),
                           FieldName(record->timeText));
}

std::vector<TransferEntry> CFtpDirView::SelectedEntries(const std::string& targetFolder) const {
  std::vector<TransferEntry> entries;
  const std::string dir = CurrentDir();
  const std::string local = LocalFolder(targetFolder);
  for (long row : fileList->SelectedRows()) {
    const std::string& name = fileList->Row(row)->name;
    if (!FitsEntryFields(dir, name, local)) {
      Report("Not queued: the path of " + WithSlash(dir) + name + " or of " + local + name +
             " is longer than a queue entry holds.");
      continue;
    }
    entries.push_back(MakeRowEntry(row, targetFolder));
  }
  return entries;
}

int CFtpDirView::DownloadEntryRow(long row, const std::string& targetFolder) {
  if (!LoggedIn() || !fileList->Row(row)) return 0;
  const std::string dir = CurrentDir();
  const std::string local = LocalFolder(targetFolder);
  const std::string& name = fileList->Row(row)->name;
  if (!FitsEntryFields(dir, name, local)) {
    Report("Not queued: the path of " + WithSlash(dir) + name + " or of " + local + name +
           " is longer than a queue entry holds.");
    return 0;
  }
  TransferEntry entry = MakeRowEntry(row, targetFolder);
  session_->QueueTransfer(entry);
  if (document_) document_->shownQueue = &session_->transferQueue;
  if (queueShown_) queueShown_();
  return 1;
}

int CFtpDirView::DownloadSelected(const std::string& targetFolder) {
  if (!LoggedIn()) return 0;
  for (TransferEntry& entry : SelectedEntries(targetFolder)) session_->QueueTransfer(entry);
  if (document_) document_->shownQueue = &session_->transferQueue;
  if (queueShown_) queueShown_();
  return 1;
}

int CFtpDirView::DeleteSelected() {
  if (!LoggedIn()) return 0;
  const SiteRecord site = session_->Site();
  const std::string dir = CurrentDir();
  const std::string local = LocalFolder("");
  static const std::string kNoFolder;
  for (long row : fileList->SelectedRows()) {
    const RemoteFileRecord& record = *fileList->Row(row);
    if (!FitsEntryFields(dir, record.name, "")) {
      Report("Not deleted: the path of " + WithSlash(dir) + record.name +
             " is longer than a queue entry holds.");
      continue;
    }
    // A deletion needs no local folder; one too long for the entry is left out.
    const std::string& localDir = FitsEntryFields(dir, record.name, local) ? local : kNoFolder;
    TransferEntry entry = MakeDeleteEntry(site, dir, record.name, localDir, record.isFolder == 1);
    session_->QueueDelete(entry);  // the worker lists the directory again when done
  }
  return 1;
}

int CFtpDirView::QueueSelectedBackground() {
  if (!LoggedIn()) return 0;
  if (!backgroundAdd_) return 1;
  for (const TransferEntry& entry : SelectedEntries("")) backgroundAdd_(entry);
  return 1;
}

int CFtpDirView::DropDownload(const std::string& folder) {
  if (!folder.empty() && platform::IsDirectory(folder)) return DownloadSelected(folder);
  return DownloadSelected();
}

int CFtpDirView::UploadDropped(const std::vector<std::string>& paths, const wxPoint& screen) {
  if (!LoggedIn()) return 0;
  std::string remoteDir = CurrentDir();
  const long row = platform::ListRowAt(*fileList, screen);
  if (fileList->IsFolderRow(row)) remoteDir = WithSlash(remoteDir) + fileList->Row(row)->name;
  const SiteRecord site = session_->Site();
  for (const DroppedItem& item : DescribeLocalItems(paths)) {
    if (!FitsEntryFields(remoteDir, item.row.name, item.folder)) {
      Report("Not queued: the path of " + item.folder + item.row.name + " or of " +
             WithSlash(remoteDir) + item.row.name + " is longer than a queue entry holds.");
      continue;
    }
    TransferEntry entry = ::MakeUploadEntry(site, remoteDir, item.row.name, item.folder,
                                            SizeText(item.row), TimeText(item.row));
    session_->QueueTransfer(entry);
  }
  if (document_) document_->shownQueue = &session_->transferQueue;
  if (queueShown_) queueShown_();
  return 1;
}

int CFtpDirView::NewFolder() {
  if (!LoggedIn()) return 0;
  CInputFileNameDlg dialog(wxGetTopLevelParent(this));
  dialog.nameText = "New Folder";
  if (dialog.ShowModal() != wxID_OK) return 0;
  if (!IsPlainName(dialog.nameText)) {
    Report("\"" + dialog.nameText + "\" is not a name a remote folder can have; nothing was made.");
    return 0;
  }
  session_->MakeDir(dialog.nameText.c_str());
  RefreshList();  // the list shows the new folder
  return 1;
}

void CFtpDirView::CancelOperation() {
  if (session_) session_->Cancel();
}

void CFtpDirView::RefreshList() {
  if (session_) session_->RefreshList();
}

void CFtpDirView::SelectAllRows() { fileList->SelectAllRows(); }

bool CFtpDirView::OneRowSelected() const { return fileList->SelectedRows().size() == 1; }

std::unique_ptr<wxMenu> CFtpDirView::ContextMenu() const {
  std::unique_ptr<wxMenu> menu(BuildRemoteMenu());
  menu->Enable(cmd::WxId(cmd::ID_REMOTE_UPLOAD), false);
  return menu;
}

void CFtpDirView::OnContextMenu() {
  std::unique_ptr<wxMenu> menu = ContextMenu();
  PopupMenu(menu.get());
}
