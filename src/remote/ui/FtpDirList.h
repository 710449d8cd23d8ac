// The remote list: one remote directory's listing, its folders first and
// then its files, each group in case-insensitive name order, with the
// columns "File", "Size", "Type" ("DIR" for a folder), "Time", "Date" and
// "Attribute".
//
// A virtual list: the rows are drawn on demand from the listing, which the
// list shares with the path history (no copy), and an order of indices into
// it; a listing of 100,000 entries costs no more to show than a screenful.
// Icons come from the desktop's content types, looked up for drawn rows only
// and kept per type.
//
// The list tells its owner (queued wx events) of a double click
// (EVT_REMOTE_OPEN), of the keys Backspace, Enter, Delete, F2 and F5
// (EVT_REMOTE_KEY, GetInt() = 8, 13, 46, 113 or 116) and of the right button
// (EVT_REMOTE_CONTEXT_MENU); the owner does the work.
#pragma once

#include <wx/listctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ui/ThemeIcons.h"
#include "remote/RemoteFileRecord.h"

wxDECLARE_EVENT(EVT_REMOTE_OPEN, wxCommandEvent);
wxDECLARE_EVENT(EVT_REMOTE_KEY, wxCommandEvent);
wxDECLARE_EVENT(EVT_REMOTE_CONTEXT_MENU, wxCommandEvent);

class CFtpDirList : public wxListCtrl {
 public:
  static constexpr wxWindowID kId = 4609;
  // The key codes EVT_REMOTE_KEY carries.
  static constexpr int kKeyBack = 8, kKeyEnter = 13, kKeyDelete = 46, kKeyF2 = 113, kKeyF5 = 116;

  CFtpDirList(wxWindow* parent, wxWindow* ownerView, wxWindowID id = kId);
  ~CFtpDirList() override;

  // Shows `listing` (null: no rows), folders first, each group sorted.
  void FillList(std::shared_ptr<const RemoteListing> listing);
  void ClearRows() { FillList(nullptr); }

  std::size_t RowCount() const { return order_.size(); }
  // The record a row shows, or null.
  const RemoteFileRecord* Row(long row) const;
  bool IsFolderRow(long row) const;
  std::vector<long> SelectedRows() const;
  long RowOfName(const std::string& name) const;  // -1 when absent
  void SelectAllRows();
  // The listing shown (shared with the history), or null.
  const std::shared_ptr<const RemoteListing>& Listing() const { return listing_; }

  // The column texts as drawn.
  wxString CellText(long row, long column) const { return OnGetItemText(row, column); }
  wxBitmap RowIcon(long row) const { return icons_.Bitmap(OnGetItemImage(row)); }
  // The window that draws the rows (hit tests take its coordinates).
  wxWindow* RowsWindow() const;

 protected:
  wxString OnGetItemText(long item, long column) const override;
  int OnGetItemImage(long item) const override;

 private:
  void OnKeyDown(wxKeyEvent& event);
  void OnSize(wxSizeEvent& event);
  void Notify(const wxEventType& type, int value = 0);
  int IconOf(long row) const;

  wxWindow* ownerView_;
  std::shared_ptr<const RemoteListing> listing_;
  std::vector<std::uint32_t> order_;  // row -> index into the listing
  bool columnsSized_ = false;
  mutable platform::ThemeIcons icons_;
  mutable std::vector<std::int32_t> rowIcons_;  // -1 until drawn
  mutable std::unordered_map<std::string, std::int32_t> iconByType_;
  mutable std::int32_t folderIcon_ = -1;
};
