// The foreground run of the transfer queue: the entry that came with the
// command first, then every pending entry in list order.
#include <optional>

#include "engine/FtpFunction.h"
#include "engine/QueueSteps.h"

int CFtpFunction::RunTransferQueue(const TransferEntry* entry) {
  using namespace queue_steps;
  // Every entry runs in its own directory; afterwards the session goes back
  // to the one the user was browsing, so the pane and currentDir agree.
  const std::string browsed = queue_steps::CurrentDir(*this);
  RemoteNames names;

  int count = 0;
  if (entry) {
    std::optional<TransferEntry> queued;
    for (const TransferEntry& e : transferQueue.Entries())
      if (Matches(e, *entry)) {
        queued = e;
        break;
      }
    if (queued && queued->state == ENTRY_PENDING) {
      TransferEntry run = *entry;
      RunEntry(run, names);
      ++count;
    }
  }
  std::optional<TransferEntry> last;
  while (std::optional<TransferEntry> next = transferQueue.FirstPending()) {
    if (stopRequested.load()) break;
    // The same record offered again at once would run for ever (two queued
    // entries that the queue cannot tell apart): it waits for the next run.
    if (last && SameRecord(*last, *next)) break;
    last = next;
    TransferEntry run = *next;
    RunEntry(run, names);
    ++count;
  }

  askConflict = 1;
  ReturnToBrowsed(*this, browsed);
  if (count != 0) ListDirectory(1);
  return 1;
}

int CFtpFunction::RunEntry(TransferEntry& entry, queue_steps::RemoteNames& names) {
  entry.controlSocket = controlSocket.load();
  transferQueue.SetState(ENTRY_RUNNING, entry);
  return queue_steps::RunEntrySteps(*this, entry, names, transferQueue);
}

void CFtpFunction::FreeListing(RemoteListing& list) {
  RemoteListing().swap(list);
}
