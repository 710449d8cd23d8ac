// Turns the text of an MLSD reply (RFC 3659) into remote file records that
// read as the records of a LIST line: folder flag, size, a date and time in
// the "ls -l" shape, and the permission token when UNIX.mode is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "remote/ListingParser.h"

// Longest fact list read; a line with a longer one is dropped.
inline constexpr std::size_t kMaxMlsdFactBytes = 4096;

enum class MlsdLine {
  kEntry,     // a record was filled
  kSelf,      // the listed folder itself or its parent (cdir, pdir): not shown
  kBadFacts,  // no fact list, a fact without "=", no type, a list too long
  kBadName,   // an empty name, or one too long, or one with "/", "\" or NUL
};

// One line without its line end: "type=file;size=5;modify=20240101120000; name".
// The name is everything after the first blank, kept exactly. `nowUtc` (seconds
// since 1970 in UTC) decides, as "ls -l" does, whether a date shows its time
// of day or its year. `record` is filled only for kEntry.
MlsdLine ParseMlsdLine(std::string_view line, std::int64_t nowUtc, RemoteFileRecord& record);

// A whole MLSD reply, line by line (LF or CR LF); lines with bad facts count
// as unknownLines, bad names as skippedNames.
ListingParse ParseMlsdListing(std::string_view text, std::int64_t nowUtc,
                              std::size_t maxRecords = kMaxListingRecords);

// The current time in seconds since 1970 (UTC).
std::int64_t UtcNowSeconds();
