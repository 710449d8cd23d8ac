// The remote pane: the path box with its up button above the remote list.
// It shows every listing the foreground session sends, keeps the visited
// directories with their listings (so that going back shows one at once),
// disables itself while the session is busy, and turns keys, double clicks,
// the context menu and the Remote commands into session commands:
// downloads, deletions, renames, new folders and changes of directory.
//
// The session's messages reach the pane through Target(), which the main
// frame makes the session's viewWindow: WM_SESSION_STATE (busy 0 / idle 1),
// WM_SESSION_LISTING and WM_QUEUE_CHANGED.
//
// Rows dragged from its list are downloaded or queued where they are dropped
// (FtpDirDrag.h); local rows dragged onto its list, and files dropped on it
// from the desktop, are uploaded by the session (onto a folder row: into
// that folder).
//
// While it is the active pane it takes Remote Delete, Download, Refresh, New
// folder, Edit and Ctrl+A; Cancel and About pass on to the frame, so that a
// transfer can be stopped whichever pane was clicked last.
#pragma once

#include <wx/bmpbuttn.h>
#include <wx/panel.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Message.h"
#include "platform/ui/RowDrag.h"
#include "remote/HistoryQueue.h"
#include "sites/SiteRecord.h"
#include "transfer/TransferEntry.h"

class CFtpDirDrag;
class CFtpDirList;
class CFtpObject;
class CHistroyCombo;
class CTrawlixDoc;
class wxMenu;

namespace platform {
class WindowTarget;
}

class CFtpDirView : public wxPanel {
 public:
  static constexpr wxWindowID kUpButtonId = 4610;
  static constexpr int kUpButtonWidth = 26;
  static constexpr int kUpButtonHeight = 20;
  static constexpr int kListTop = 23;

  explicit CFtpDirView(wxWindow* parent, wxWindowID id = wxID_ANY);
  ~CFtpDirView() override;

  // --- wiring, by the main frame ---
  void SetSession(CFtpObject* session) { session_ = session; }
  void SetDocument(CTrawlixDoc* document) { document_ = document; }
  // Where the session posts the pane's messages (its viewWindow).
  const std::shared_ptr<platform::WindowTarget>& Target() const { return target_; }
  // Called after entries went into the foreground queue and at connect, so
  // that the queue view shows the session's queue.
  void SetQueueShown(std::function<void()> shown) { queueShown_ = std::move(shown); }
  // Adds an entry to the background queue (the background window's AddEntry).
  void SetBackgroundQueue(std::function<void(const TransferEntry&)> add) {
    backgroundAdd_ = std::move(add);
  }
  // Where the pane's problems go (the message log).
  void SetStatusReporter(std::function<void(const std::string&)> report) {
    report_ = std::move(report);
  }
  // Adds a window that takes dragged remote rows (see FtpDirDrag.h for the
  // targets the frame registers).
  void AddDropTarget(DropTarget target);
  CFtpDirDrag& Drag() { return *drag_; }

  // --- operations; those that need the server do nothing while logged out ---
  // Empties the history, gives the session the site and the login's queue
  // file, starts it and asks for a listing. Returns 1.
  int Connect(const SiteRecord& record);
  // Stops the session and empties the list, the history and the path box. Returns 1.
  int Disconnect();
  // A listing of the session's current directory arrived.
  void ShowListing(RemoteListing listing);
  void FillList(std::shared_ptr<const RemoteListing> listing);
  // After a change of directory: the stored listing at once, else a new one.
  void ShowPath(const std::string& path);
  int OpenSelected();
  void GoUp();
  void PickPath();
  int RenameSelected();
  int DeleteSelected();
  // Into `targetFolder`, or the local pane's folder when empty.
  int DownloadSelected(const std::string& targetFolder = "");
  int DownloadEntryRow(long row, const std::string& targetFolder = "");
  int QueueSelectedBackground();
  // Remote rows dropped on a local window: into `folder` when it names an
  // existing folder, else into the local pane's folder.
  int DropDownload(const std::string& folder);
  // Local files and folders (full paths) dropped on the list at `screen`:
  // uploaded by the session into the current directory, or into the folder
  // whose row is there. Returns 0 (nothing queued) while logged out.
  int UploadDropped(const std::vector<std::string>& paths, const wxPoint& screen);
  bool LoggedIn() const;
  int NewFolder();
  void CancelOperation();
  void RefreshList();
  void SelectAllRows();
  // Whether exactly one row is selected (the Edit command's test).
  bool OneRowSelected() const;
  // The transfer entry of a row (download direction), `targetFolder` or the
  // local pane's folder as the local side.
  TransferEntry MakeRowEntry(long row, const std::string& targetFolder = "") const;

  // The Remote menu with "Upload" grayed, as the right button shows it.
  std::unique_ptr<wxMenu> ContextMenu() const;
  const CHistoryQueue& History() const { return history_; }
  // The pane's controls are enabled (the session is idle or stopped).
  bool ControlsEnabled() const;

  CHistroyCombo* pathBox = nullptr;  // children, owned by the pane
  wxBitmapButton* upButton = nullptr;
  CFtpDirList* fileList = nullptr;

 private:
  void LayoutChildren();
  void BindCommands();
  void OnMessage(platform::Message& message);
  void OnKey(int key);
  void OnContextMenu();
  void SetControlsEnabled(bool enabled);
  std::string CurrentDir() const;
  std::string LocalFolder(const std::string& targetFolder) const;
  void Report(const std::string& text) const;
  // Entries of the selected rows; rows whose paths don't fit an entry are
  // reported and left out.
  std::vector<TransferEntry> SelectedEntries(const std::string& targetFolder) const;

  CHistoryQueue history_;
  CFtpObject* session_ = nullptr;
  CTrawlixDoc* document_ = nullptr;
  std::shared_ptr<platform::WindowTarget> target_;
  std::function<void()> queueShown_;
  std::function<void(const TransferEntry&)> backgroundAdd_;
  std::function<void(const std::string&)> report_;
  std::unique_ptr<CFtpDirDrag> drag_;
};
