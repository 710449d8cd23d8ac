// A job list: the entries of one transfer queue, one row each, with a state
// icon, the file's name and size, its kind and direction, the server, both
// folders and the user. The rows live in a vector and are drawn on demand (a
// virtual list), so thousands of entries cost no more than one screenful.
//
// The owner hears of the Delete key (EVT_JOBLIST_KEY, the key code in the
// event's int) and of the right button (EVT_JOBLIST_MENU); both are queued
// before the list's own handling of the key or button, which goes on as usual.
// Rows keep their selection across a rebuild as long as their entry is still
// there (by the identity that CFileQueue::Matches uses).
#pragma once

#include <wx/imaglist.h>
#include <wx/listctrl.h>

#include <cstdint>
#include <vector>

#include "transfer/TransferEntry.h"

wxDECLARE_EVENT(EVT_JOBLIST_KEY, wxCommandEvent);
wxDECLARE_EVENT(EVT_JOBLIST_MENU, wxCommandEvent);

class CJobListCtrl : public wxListCtrl {
 public:
  // Queue order (the foreground queue view) or the entry queued last on top
  // (the background window).
  enum class Order { kQueue, kNewestFirst };

  static constexpr int kColumnCount = 8;
  static constexpr int kIconSize = 16;

  CJobListCtrl(wxWindow* parent, wxWindowID id, Order order, wxWindow* ownerWindow = nullptr);
  ~CJobListCtrl() override;

  void SetOwnerWindow(wxWindow* owner) { ownerWindow_ = owner; }
  wxWindow* OwnerWindow() const { return ownerWindow_; }

  // Replaces every row with `entries`, given in queue order.
  void SetEntries(std::vector<TransferEntry> entries);
  // Inserts one row at `index` (clamped to the rows there are).
  void AddRow(const TransferEntry& entry, long index);
  // The row's entry as the queue identifies it: all zero except state,
  // remoteName, fileSize, site.address, remoteDir, localDir and site.user.
  // An index without a row gives an all-zero entry in ENTRY_FAILED; returns
  // false then.
  bool ReadRow(long index, TransferEntry& entry) const;
  void SelectAll();
  void SelectNone();

  std::size_t RowCount() const { return rows_.size(); }
  const TransferEntry* Row(long index) const;
  std::vector<long> SelectedRows() const;
  // The first row whose remote name is `name`, -1 when there is none.
  long RowOfName(const char* name) const;
  wxString CellText(long row, long column) const { return OnGetItemText(row, column); }
  int RowImage(long row) const { return OnGetItemImage(row); }
  // The icon of a state as drawn (tests and screenshots).
  wxBitmap StateIcon(std::int32_t state) const;

  // The window that draws the rows (hit tests take its coordinates).
  wxWindow* RowsWindow() const;
  // The row under a point of the screen, -1 for none.
  long RowAtScreenPoint(const wxPoint& screen) const;

  // Column headings and initial widths in pixels. Room beyond their sum goes
  // to the name (half) and the two paths (a quarter each), until the user
  // sets a width by hand.
  static const char* ColumnHeading(int column);
  static int ColumnWidth(int column);
  // The width a column starts with in this list (never less than ColumnWidth).
  int StartWidth(int column) const;

 protected:
  wxString OnGetItemText(long item, long column) const override;
  int OnGetItemImage(long item) const override;

 private:
  void OnSize(wxSizeEvent& event);
  void OnKeyDown(wxKeyEvent& event);
  void OnRightDown(wxMouseEvent& event);
  void Notify(const wxEventType& type, int value);
  long NextSelected(long after) const;

  Order order_;
  wxWindow* ownerWindow_;
  std::vector<TransferEntry> rows_;  // in display order
  wxImageList icons_;
  bool columnsSized_ = false;  // the user dragged a column border
  // The starting widths: the table's, widened where this font needs more
  // for a heading or a size to show whole.
  int baseWidths_[kColumnCount] = {};
};
