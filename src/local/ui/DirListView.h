// The local pane: the drive and folder box with its up button above the
// local list. It keeps the three in step, takes the Local commands while it
// is the active pane, publishes the folder it shows to the document (the
// remote pane downloads there), and starts uploads: by command, or by
// dragging rows onto a window that registered as a drop target. Rows
// dragged onto a folder row of its own list move into that folder; files
// dropped on the list from the desktop are copied into the folder shown.
#pragma once

#include <wx/bmpbuttn.h>
#include <wx/panel.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/RowDrag.h"
#include "platform/LocalRoots.h"
#include "transfer/TransferEntry.h"

class CDirListCtrl;
class wxMenu;
class CDriverCombo;
class CFtpObject;
class CLocalFileJob;
class CTrawlixDoc;

class CDirListView : public wxPanel {
 public:
  static constexpr wxWindowID kUpButtonId = 4098;
  static constexpr int kUpButtonWidth = 26;
  static constexpr int kUpButtonHeight = 20;
  static constexpr int kListTop = 23;

  // Shows `startFolder`, or the user's home folder when it is empty. The
  // drive box takes its roots from `roots` (default: the system's).
  explicit CDirListView(wxWindow* parent, const std::string& startFolder = "",
                        std::function<std::vector<platform::LocalRoot>()> roots = {});
  ~CDirListView() override;

  // --- wiring, by the main frame ---
  void SetSession(CFtpObject* session) { session_ = session; }
  void SetDocument(CTrawlixDoc* document) { document_ = document; }
  // Called after an upload entry went into the foreground queue, so that the
  // queue view shows that queue.
  void SetQueueShown(std::function<void()> shown) { queueShown_ = std::move(shown); }
  // Adds an entry to the background queue (the background window's AddEntry).
  void SetBackgroundQueue(std::function<void(const TransferEntry&)> add) {
    backgroundAdd_ = std::move(add);
  }
  // Where the pane's problems go (the message log).
  void SetStatusReporter(std::function<void(const std::string&)> report);
  // Adds a window that takes dropped local rows.
  void AddDropTarget(DropTarget target);

  // --- operations ---
  void RefreshFolder();
  // Opens `folder` when it exists; false (nothing changes) otherwise.
  bool ShowFolderIfExists(const std::string& folder);
  int UploadSelected();
  int QueueSelected();
  int IsFolderRow(long row) const;
  // The upload entry for a row of the list.
  TransferEntry MakeUploadEntry(long row) const;

  // The Local menu with "Download" grayed, as the right button shows it.
  std::unique_ptr<wxMenu> ContextMenu() const;

  CRowDrag& Drag() { return *drag_; }
  CLocalFileJob& FileJob() { return *fileJob_; }

  CDriverCombo* driveBox = nullptr;    // children, owned by the pane
  wxBitmapButton* upButton = nullptr;
  CDirListCtrl* fileList = nullptr;

 private:
  void LayoutChildren();
  void BindCommands();
  void OnListed();
  void OnDriveSelected();
  void OnContextMenu();
  void OnBeginDrag();
  void RegisterOwnList();
  void Report(const std::string& text) const;
  // The selected rows as upload entries; rows whose paths don't fit an
  // entry are reported and left out.
  std::vector<TransferEntry> SelectedEntries() const;
  void QueueSomeUploads();

  CFtpObject* session_ = nullptr;
  CTrawlixDoc* document_ = nullptr;
  std::function<void()> queueShown_;
  std::function<void(const TransferEntry&)> backgroundAdd_;
  std::function<void(const std::string&)> report_;
  std::unique_ptr<CRowDrag> drag_;
  std::unique_ptr<CLocalFileJob> fileJob_;
  static constexpr std::chrono::milliseconds kUploadSlice{8};
  struct PendingUpload {
    std::string name, folder, sizeText, timeText;
  };
  std::deque<PendingUpload> pendingUploads_;  // selected for upload, not yet queued
};
