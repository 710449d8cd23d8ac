// The shapes of the fields in a listing line: what a permission token, a
// size, a time and the many ways servers write a date look like. A line's
// layout and the start of its name are found from these shapes, not from
// counting tokens.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace listing_shapes {

bool IsDigits(std::string_view text);

// A type letter and three read-write-execute triples, perhaps followed by
// an ACL or security-context mark: "drwxr-xr-x", "-rw-r--r--+", "lrwxrwxrwx".
bool IsPermissionToken(std::string_view text);

// "3:26", "03:26", "03:26:17", "03:26:17.123456789", "12:09PM", "9:05am".
bool IsTimeOfDay(std::string_view text);
// A four-digit year.
bool IsYear(std::string_view text);
// A time zone offset as "ls --full-time" writes it: "+0100", "-0530".
bool IsZoneOffset(std::string_view text);

// A byte count with optional thousands groups, all with the same separator:
// "9730", "9,730", "1.234.567". Writes the plain digits to `digits`. A
// group of other than three digits ("1.5", "12,34") is no size.
bool ReadGroupedSize(std::string_view text, std::string& digits);

// A date of one token with two or three parts: "2005-06-07", "04-27-00",
// "1999/10/12", "24-04-2003", "2004.07.15", "01-jun-99", "09-26". Returns
// the number of parts, 0 when the token is no date. `digitsOnly` false also
// allows a month name as one part.
int DateTokenParts(std::string_view text, bool digitsOnly);

// A date (with its time or year) spread over the tokens from `first` on.
struct DateMatch {
  std::size_t tokens = 0;               // tokens it takes; 0: no date here
  std::string_view dateParts[3];        // joined by blanks into the date text
  std::size_t dateCount = 0;
  std::string_view time;                // time or year; may be empty
  bool singleBlankBeforeName = false;   // the "ls -l" layout: month, day, time
};

// Tries every date shape at `first`. `tokens` holds `count` tokens.
DateMatch MatchDate(const std::string_view* tokens, std::size_t count, std::size_t first);

}  // namespace listing_shapes
