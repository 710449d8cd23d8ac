// One entry of a remote directory listing, and a parsed listing.
//
// Records live only in memory, so their text fields are as wide as what
// servers send: a name as long as the queue's name fields hold, an ISO date
// and a time with seconds and fraction whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Longest name a record holds (the queue's name fields hold as much). A
// listed name beyond it is left out of the listing, never cut.
inline constexpr std::size_t kMaxRecordNameLength = 259;

struct RemoteFileRecord {
  // At most kMaxRecordNameLength bytes, never a NUL byte (the parser skips
  // longer names). Held as a string: most names are short, and a listing of
  // 100,000 entries stays small.
  std::string name;
  // The size in plain decimal digits ("9,730" is written "9730"); a device
  // file's "major, minor" pair as listed; empty for MS-DOS folders.
  char sizeText[24];
  // The date as listed: "Mar 5", "2005-06-07", "12-31-20", "26. Juli,".
  char dateText[24];
  // The time or year as listed: "10:15", "2019", "10:15:59.123456789".
  char timeText[20];
  // UNIX permission token such as "drwxr-xr-x+"; empty in the MS-DOS layout.
  char attributes[12];
  std::int32_t isFolder;  // 1 for a folder, else 0
  std::int32_t isLink;    // 1 for a symbolic link (never also a folder)
  std::string linkTarget; // what a link points to, as listed; for display
};

// A parsed listing in server order. The list's empty tail record is implicit:
// a listing of n entries holds n records.
using RemoteListing = std::vector<RemoteFileRecord>;

// The size text read as a signed 64-bit decimal number: 0 when it is not
// plain decimal digits or does not fit.
std::int64_t RecordSize(const RemoteFileRecord& record);

// The size text of what a download of the entry will get: empty (unknown)
// for a link, whose listed size is that of the path it holds.
inline const char* ListedSize(const RemoteFileRecord& record) {
  return record.isLink ? "" : record.sizeText;
}
