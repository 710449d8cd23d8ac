// Turns the text of a LIST reply into remote file records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "remote/RemoteFileRecord.h"

inline constexpr std::size_t kTokenBufferSize = 260;

// Most records one listing yields; entries past it are left out and the
// result says so, so that a hostile listing can't exhaust memory.
inline constexpr std::size_t kMaxListingRecords = 500'000;

// Reads the next blank-separated token of `text` from `cursor` into `buffer`.
// Returns 1 when more tokens follow on the line, 2 when the token ended its
// line (or the text ended), 0 when the line holds no further token.
int NextToken(std::size_t& cursor, char (&buffer)[kTokenBufferSize], std::string_view text);

// A parsed listing with what was left out of it.
struct ListingParse {
  RemoteListing records;
  // Entries left out because their name is longer than kMaxRecordNameLength
  // or holds a NUL byte (a cut name would name another file).
  std::size_t skippedNames = 0;
  // Lines that fit no layout (blank lines and "total N" lines not counted),
  // such as an error message a server put into the listing.
  std::size_t unknownLines = 0;
  // More than kMaxListingRecords entries: those past the limit are left out.
  bool truncated = false;
};

// Parses a listing line by line. Each line's layout (UNIX long listing or
// MS-DOS) is recognised from the line itself; the server type (1 UNIX,
// 2 MS-DOS, anything else unknown) only decides which layout is tried first.
// Every line yields at most one record, and at most `maxRecords` lines do.
ListingParse ParseListingWithCounts(std::int32_t serverType, std::string_view text,
                                    std::size_t maxRecords = kMaxListingRecords);

// The records of ParseListingWithCounts alone.
RemoteListing ParseListing(std::int32_t serverType, std::string_view text);
