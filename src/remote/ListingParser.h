// Turns the text of a LIST reply into remote file records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "remote/RemoteFileRecord.h"

inline constexpr std::size_t kTokenBufferSize = 260;

// Reads the next blank-separated token of `text` from `cursor` into `buffer`.
// Returns 1 when more tokens follow on the line, 2 when the token ended its
// line (or the text ended), 0 when the line holds no further token.
int NextToken(std::size_t& cursor, char (&buffer)[kTokenBufferSize], std::string_view text);

// Parses a listing by the server type: 1 UNIX layout, 2 MS-DOS layout, any
// other type gives an empty listing. Every line yields at most one record.
RemoteListing ParseListing(std::int32_t serverType, std::string_view text);
