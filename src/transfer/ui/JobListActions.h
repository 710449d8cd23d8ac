// What the job-list windows do to their queue for the selected rows: remove
// them, give them a new state (stopping a running transfer first where the
// new state is "stopped"), and the two context menus.
#pragma once

#include <wx/menu.h>

#include <cstdint>
#include <memory>

class CFileQueue;
class CFtpFunction;
class CJobListCtrl;

// Removes the entries of the selected rows from `queue`. A running entry
// leaves the queue without being stopped: its transfer goes on to its end.
// Returns how many entries left the queue.
int RemoveSelectedEntries(const CJobListCtrl& list, CFileQueue& queue);

// Gives the entries of the selected rows (of every row when `allRows`)
// `state`. When `state` is ENTRY_STOPPED and a row shows ENTRY_RUNNING, the
// session's running transfer is cancelled first (on a thread of its own).
// Rows already in `state` are left alone. Returns how many entries changed.
int SetRowsState(const CJobListCtrl& list, CFileQueue& queue, CFtpFunction* session,
                 std::int32_t state, bool allRows = false);

// The "Foreground transmission" menu (Start, Stop) and the "Background
// transmission" menu (Start, Stop selected, Stop all, Select all), as the
// two lists' context menus.
std::unique_ptr<wxMenu> BuildForegroundMenu();
std::unique_ptr<wxMenu> BuildBackgroundMenu();
