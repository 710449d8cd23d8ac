// The local list: one local folder, its subfolders first and then its files,
// each with its icon, name, size, type and time of last change. Enter or a
// double click opens, Backspace goes up, Delete, F2 and F5 delete, rename
// and re-read; items dragged onto a folder row move into it.
//
// The rows live in a vector and are drawn on demand (a virtual list), so a
// folder of 100,000 files costs no more to show than one screenful. Folders
// are read on a thread of their own; the owner hears of each finished
// listing (EVT_LOCAL_LISTED) and of the right button (EVT_LOCAL_CONTEXT_MENU).
// Deleting, renaming and moving go to the operation runner the owner sets,
// which runs them off the UI thread and calls back when done; the folder is
// read again after each.
#pragma once

#include <wx/listctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "local/LocalFolderReader.h"
#include "local/LocalListing.h"
#include "platform/Message.h"
#include "platform/ui/ThemeIcons.h"
#include "transfer/FileOperationUi.h"

namespace platform {
class WindowTarget;
}

wxDECLARE_EVENT(EVT_LOCAL_LISTED, wxCommandEvent);
wxDECLARE_EVENT(EVT_LOCAL_CONTEXT_MENU, wxCommandEvent);

class CDirListCtrl : public wxListCtrl {
 public:
  static constexpr wxWindowID kId = 4096;
  static constexpr std::size_t kMaxPathLength = 4095;

  // Runs one file operation and calls `done` with its result (1 or 0) on
  // the UI thread when it has ended.
  using OperationRunner = std::function<void(
      LocalFileOperation operation, std::vector<std::string> sources,
      std::vector<std::string> targets, std::function<void(int)> done)>;

  CDirListCtrl(wxWindow* parent, wxWindow* ownerView, wxWindowID id = kId);
  ~CDirListCtrl() override;

  int ShowFolder(const std::string& path);
  std::string GetFolderPath() const;
  void GoUp();
  int OpenSelected();
  int DeleteSelected();
  int RenameSelected();
  int MoveSelectedInto(const std::string& targetFolder);
  // Copies items given by full path (dropped from the desktop) into the
  // folder shown, asking before replacing; the folder is read again after.
  int CopyIntoFolder(std::vector<std::string> paths);
  void SelectAllRows();

  // The rows as listed; the full path of a row is the folder followed by
  // the row's name (bytes).
  std::size_t RowCount() const { return rows_.size(); }
  const LocalRow* Row(long index) const;
  std::string RowPath(long index) const;
  std::vector<long> SelectedRows() const;
  long RowOfName(const std::string& name) const;  // -1 when absent
  // The icon a row is drawn with.
  wxBitmap RowIcon(long row) const { return icons_.Bitmap(OnGetItemImage(row)); }
  // A read of the folder is under way.
  bool Reading() const { return reading_; }
  // The column texts as drawn.
  wxString CellText(long row, long column) const { return OnGetItemText(row, column); }

  // The row marked as the place of a drop (-1: none).
  void SetDropRow(long row);
  long DropRow() const { return dropRow_; }
  // The window that draws the rows (hit tests take its coordinates).
  wxWindow* RowsWindow() const;
  // The row under a point of the screen, -1 for none.
  long RowAtScreenPoint(const wxPoint& screen) const;

  void SetOperationRunner(OperationRunner runner) { runOperation_ = std::move(runner); }
  // Opens a file with its program; by default the desktop's default application.
  void SetOpener(std::function<void(const std::string& path)> opener) { open_ = std::move(opener); }
  // Where problems (a folder that can't be read, a file that can't be opened) are told.
  void SetProblemReporter(std::function<void(const std::string&)> report) {
    report_ = std::move(report);
  }

 protected:
  wxString OnGetItemText(long item, long column) const override;
  int OnGetItemImage(long item) const override;
  wxItemAttr* OnGetItemAttr(long item) const override;

 private:
  struct TypeInfo {
    wxString description;
    int icon = -1;
  };

  void OnFolderRead(platform::Message& message);
  void OnKeyDown(wxKeyEvent& event);
  void OnRightDown(wxMouseEvent& event);
  void OnSize(wxSizeEvent& event);
  const TypeInfo& TypeOf(long row) const;
  long NextSelected(long after) const;
  void Notify(const wxEventType& type);
  void Report(const std::string& text) const;
  void RunOperation(LocalFileOperation operation, std::vector<std::string> sources,
                    std::vector<std::string> targets);

  wxWindow* ownerView_;
  std::string folderPath_;
  std::vector<LocalRow> rows_;
  std::shared_ptr<platform::WindowTarget> target_;
  LocalFolderReader reader_;
  bool reading_ = false;
  bool columnsSized_ = false;
  long dropRow_ = -1;
  mutable wxItemAttr dropAttr_;
  mutable platform::ThemeIcons icons_;
  mutable std::vector<std::int32_t> rowTypes_;  // index into types_, -1 until drawn
  mutable std::vector<TypeInfo> types_;
  mutable std::unordered_map<std::string, std::int32_t> typeById_;
  OperationRunner runOperation_;
  std::function<void(const std::string&)> open_;
  std::function<void(const std::string&)> report_;
};
