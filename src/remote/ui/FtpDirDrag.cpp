#include "remote/ui/FtpDirDrag.h"

#include "local/LocalPath.h"
#include "local/ui/DirListCtrl.h"
#include "remote/ServerText.h"
#include "platform/Files.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"

CFtpDirDrag::CFtpDirDrag(CFtpDirView& pane) : pane_(pane), drag_(&pane) {
  pane_.fileList->Bind(wxEVT_LIST_BEGIN_DRAG, [this](wxListEvent&) { OnBeginDrag(); });
  // Its own list takes nothing: the no-entry cursor, no drop.
  DropTarget own;
  own.window = pane_.fileList;
  own.hover = [](const wxPoint&) { return false; };
  drag_.AddTarget(std::move(own));
}

bool CFtpDirDrag::LoggedIn() const { return pane_.LoggedIn(); }

void CFtpDirDrag::OnBeginDrag() {
  const std::vector<long> selected = pane_.fileList->SelectedRows();
  if (selected.empty()) return;
  const wxString label =
      selected.size() == 1 ? wxString::FromUTF8(ServerTextToUtf8(pane_.fileList->Row(selected.front())->name))
                           : wxString::Format("%zu items", selected.size());
  drag_.Begin(label, pane_.fileList->RowIcon(selected.front()));
}

DropTarget CFtpDirDrag::LocalListTarget(CDirListCtrl& list) {
  // The folder row under the pointer, or "" for the local pane's folder.
  const auto folderAt = [&list](const wxPoint& screen) -> std::string {
    const long row = list.RowAtScreenPoint(screen);
    if (row < 0 || !list.Row(row)->isFolder) return "";
    const std::string path = list.RowPath(row);
    return platform::IsDirectory(path) ? localpath::AsFolderPath(path) : "";
  };
  DropTarget target;
  target.window = &list;
  target.hover = [this, &list](const wxPoint& screen) {
    const long row = list.RowAtScreenPoint(screen);
    list.SetDropRow(row >= 0 && list.Row(row)->isFolder ? row : -1);
    return LoggedIn();
  };
  target.leave = [&list] { list.SetDropRow(-1); };
  target.drop = [this, folderAt](const wxPoint& screen) { pane_.DropDownload(folderAt(screen)); };
  return target;
}

DropTarget CFtpDirDrag::QueueListTarget(wxWindow* list) {
  DropTarget target;
  target.window = list;
  target.hover = [this](const wxPoint&) { return LoggedIn(); };
  target.drop = [this](const wxPoint&) { pane_.DropDownload(""); };
  return target;
}

DropTarget CFtpDirDrag::BackgroundListTarget(wxWindow* list) {
  DropTarget target;
  target.window = list;
  target.hover = [this](const wxPoint&) { return LoggedIn(); };
  target.drop = [this](const wxPoint&) { pane_.QueueSelectedBackground(); };
  return target;
}

DropTarget CFtpDirDrag::DropWindowTarget(wxWindow* window, std::function<void()> dropped) {
  DropTarget target;
  target.window = window;
  target.hover = [](const wxPoint&) { return true; };
  target.drop = [this, dropped = std::move(dropped)](const wxPoint&) {
    if (dropped) dropped();
    pane_.QueueSelectedBackground();
  };
  return target;
}
