// What the job-list windows do to their queue for the selected rows: remove
// them, give them a new state (stopping a running transfer first where the
// new state is "stopped"), and the two context menus. The changes are added
// to a CQueueWork, which carries them out a slice at a time.
#pragma once

#include <wx/menu.h>

#include <cstdint>
#include <memory>

class CFileQueue;
class CFtpFunction;
class CJobListCtrl;
class CQueueWork;

// Removes the entries of the selected rows from `queue`. A running entry
// leaves the queue without being stopped: its transfer goes on to its end.
// Returns how many rows were taken.
int RemoveSelectedEntries(const CJobListCtrl& list, CFileQueue& queue, CQueueWork& work);

// Gives the entries of the selected rows (of every row when `allRows`)
// `state`. When `state` is ENTRY_STOPPED and a row shows ENTRY_RUNNING, the
// session's running transfer is cancelled at once (on a thread of its own).
// Rows already in `state` are left alone. Returns how many rows are to change.
int SetRowsState(const CJobListCtrl& list, CFileQueue& queue, CFtpFunction* session,
                 std::int32_t state, CQueueWork& work, bool allRows = false);

// The "Foreground transmission" menu (Start, Stop) and the "Background
// transmission" menu (Start, Stop selected, Stop all, Select all), as the
// two lists' context menus.
std::unique_ptr<wxMenu> BuildForegroundMenu();
std::unique_ptr<wxMenu> BuildBackgroundMenu();
