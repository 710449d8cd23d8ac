// One local folder as the local list shows it: its subfolders in
// case-insensitive name order, then its files in the same order, each with
// what the columns show. Names are the bytes the file system gives; the
// texts for people are made from them only when a row is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LocalRow {
  std::string name;            // bytes, as listed
  bool isFolder = false;       // a folder, or a link to one
  bool hasAttributes = false;  // size and time were read
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // seconds since the epoch
};

struct LocalListing {
  std::string folder;  // the folder listed, ending with "/"
  std::vector<LocalRow> rows;
  int error = 0;  // the system's error number when the folder couldn't be read (whole or in part)
};

// Reads `folder` (a "/" is appended when it lacks one). A folder that can't
// be read gives the rows read so far, usually none, and its error.
LocalListing ReadLocalFolder(const std::string& folder);

// Puts folders first, then files, each group in case-insensitive name order.
void SortLocalRows(std::vector<LocalRow>& rows);

// The "Size" column: the size in bytes without separators, "0" for a
// folder, "" when the attributes couldn't be read.
std::string SizeText(const LocalRow& row);
// The "Modify DateTime" column: "%d-%d-%d %d:%d" of year, month, day, hour
// and minute in UTC, without zero padding; "" without attributes.
std::string TimeText(const LocalRow& row);
std::string TimeText(std::int64_t secondsSinceEpoch);
