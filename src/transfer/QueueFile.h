// Reading and writing queue files: TransferEntry records one after another,
// 2096 bytes each, with nothing else in the file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "transfer/TransferEntry.h"

// Reads whole records from `path` and hands each to `take`, in file order.
// A trailing partial record is dropped; a read error ends the reading.
// False if the file can't be opened.
bool ReadQueueFile(const std::string& path, const std::function<void(const TransferEntry&)>& take);

// Replaces the file at `path` with `entries`, through a flushed temporary file
// renamed over it, so the file always holds whole records of one list. The
// file is readable and writable by its owner only. False if it can't be
// written; the old file is then left as it was.
// `error` gets the system's reason for a failure.
bool WriteQueueFile(const std::string& path, const std::vector<TransferEntry>& entries);
bool WriteQueueFile(const std::string& path, const std::vector<TransferEntry>& entries,
                    std::string& error);

// True if `path` can name a queue file: not empty and not ending in a folder
// separator.
bool UsableQueuePath(const std::string& path);
