#include "platform/ui/ListRows.h"

namespace platform {

wxWindow* ListRowsWindow(const wxListCtrl& list) {
#ifdef __WXGTK__
  // The rows window is a public member of an incomplete type: found among
  // the children by its address.
  for (wxWindow* child : list.GetChildren())
    if (static_cast<const void*>(child) == static_cast<const void*>(list.m_mainWin)) return child;
#endif
  return const_cast<wxListCtrl*>(&list);
}

long ListRowAt(const wxListCtrl& list, const wxPoint& screen) {
  wxWindow* rows = ListRowsWindow(list);
  const wxPoint inRows = rows->ScreenToClient(screen);
  if (!rows->GetClientRect().Contains(inRows)) return -1;
  int flags = 0;
  const long row = const_cast<wxListCtrl&>(list).HitTest(inRows, flags);
  return (flags & wxLIST_HITTEST_ONITEM) ? row : -1;
}

}  // namespace platform
