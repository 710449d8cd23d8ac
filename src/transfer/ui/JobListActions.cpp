#include "transfer/ui/JobListActions.h"

#include "app/ui/CommandTable.h"
#include "engine/FtpFunction.h"
#include "res/CommandIds.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/JobListCtrl.h"
#include "transfer/ui/QueueWork.h"

namespace {

void Append(wxMenu& menu, int command, const char* label) {
  menu.Append(cmd::WxId(command), label, CommandTextFor(command).prompt);
}

}  // namespace

int RemoveSelectedEntries(const CJobListCtrl& list, CFileQueue& queue, CQueueWork& work) {
  int taken = 0;
  TransferEntry entry;
  for (long row : list.SelectedRows()) {
    if (!list.ReadRow(row, entry)) continue;
    work.Add([&queue, entry] { queue.Remove(entry); });
    ++taken;
  }
  return taken;
}

int SetRowsState(const CJobListCtrl& list, CFileQueue& queue, CFtpFunction* session,
                 std::int32_t state, CQueueWork& work, bool allRows) {
  std::vector<long> rows;
  if (allRows) {
    for (long row = 0; row < static_cast<long>(list.RowCount()); ++row) rows.push_back(row);
  } else {
    rows = list.SelectedRows();
  }
  int changed = 0;
  bool cancelled = false;
  TransferEntry entry;
  for (long row : rows) {
    if (!list.ReadRow(row, entry)) continue;
    if (state == ENTRY_STOPPED && entry.state == ENTRY_RUNNING && session && !cancelled) {
      session->Cancel();  // one running transfer per session
      cancelled = true;
    }
    if (entry.state == state) continue;
    work.Add([&queue, state, entry] { queue.SetState(state, entry); });
    ++changed;
  }
  return changed;
}

std::unique_ptr<wxMenu> BuildForegroundMenu() {
  auto menu = std::make_unique<wxMenu>();
  Append(*menu, cmd::ID_FOREGROUND_START, "Start");
  Append(*menu, cmd::ID_FOREGROUND_STOP, "Stop");
  return menu;
}

std::unique_ptr<wxMenu> BuildBackgroundMenu() {
  auto menu = std::make_unique<wxMenu>();
  Append(*menu, cmd::ID_BACKGROUND_START, "Start");
  Append(*menu, cmd::ID_BACKGROUND_STOP_SELECTED, "Stop selected");
  Append(*menu, cmd::ID_BACKGROUND_STOP_ALL, "Stop all");
  Append(*menu, cmd::ID_BACKGROUND_SELECT_ALL, "Select all");
  return menu;
}
