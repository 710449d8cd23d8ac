// One entry of a remote directory listing, and a parsed listing.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct RemoteFileRecord {
  char name[128];
  char sizeText[16];
  char dateText[16];
  char timeText[16];
  char attributes[16];
  std::int32_t isFolder;
};

// A parsed listing in server order. The list's empty tail record is implicit:
// a listing of n entries holds n records.
using RemoteListing = std::vector<RemoteFileRecord>;

// The size text read as a signed 64-bit decimal number: 0 when it is not
// plain decimal digits or does not fit.
std::int64_t RecordSize(const RemoteFileRecord& record);
