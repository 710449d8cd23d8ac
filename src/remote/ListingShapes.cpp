// Field shapes of listing lines, each checked on one token or a few.
#include "remote/ListingShapes.h"

#include <algorithm>
#include <array>

namespace listing_shapes {

namespace {

// A size holds at most this many digits (more than any 64-bit count).
constexpr std::size_t kMaxSizeDigits = 20;
// Longest month name taken, in bytes (UTF-8 names of other languages too).
constexpr std::size_t kMaxMonthWord = 20;

// Character classes, looked up by byte: listing lines are long and many.
enum : unsigned char { kDigit = 1, kLetter = 2, kHigh = 4, kType = 8, kMode = 16 };

constexpr std::array<unsigned char, 256> MakeClasses() {
  std::array<unsigned char, 256> classes{};
  for (int c = '0'; c <= '9'; ++c) classes[c] |= kDigit;
  for (int c = 'a'; c <= 'z'; ++c) classes[c] |= kLetter;
  for (int c = 'A'; c <= 'Z'; ++c) classes[c] |= kLetter;
  for (int c = 0x80; c <= 0xff; ++c) classes[c] |= kHigh;
  // File types: regular, block, character, folder, door, link, pipe,
  // socket, network special, whiteout, unknown.
  for (char c : std::string_view("-bcdDlpsnw?")) classes[static_cast<unsigned char>(c)] |= kType;
  for (char c : std::string_view("rwxsStTlL-")) classes[static_cast<unsigned char>(c)] |= kMode;
  return classes;
}
constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

bool Is(char c, unsigned char classes) {
  return (kClasses[static_cast<unsigned char>(c)] & classes) != 0;
}
bool IsDigit(char c) { return Is(c, kDigit); }
bool IsAsciiLetter(char c) { return Is(c, kLetter); }

// The value of 1 to `maxDigits` digits, or -1.
int SmallNumber(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits || !IsDigits(text)) return -1;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

// Drops one "." or "," that ends `text` ("26.", "Juli,").
std::string_view WithoutMark(std::string_view text) {
  if (!text.empty() && (text.back() == '.' || text.back() == ',')) text.remove_suffix(1);
  return text;
}

// Day of the month, 1 to 31; `mark` allows a trailing "." or ",".
bool IsDay(std::string_view text, bool mark) {
  const int day = SmallNumber(mark ? WithoutMark(text) : text, 2);
  return day >= 1 && day <= 31;
}

bool IsMonthNumber(std::string_view text) {
  const int month = SmallNumber(text, 2);
  return month >= 1 && month <= 12;
}

// A month name in any language: "Jan", "oct", "September", "Juli,", "Mär".
// Bytes beyond ASCII count as letters so that UTF-8 names pass.
bool IsMonthWord(std::string_view text) {
  text = WithoutMark(text);
  if (text.size() < 3 || text.size() > kMaxMonthWord) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return Is(c, kLetter | kHigh); });
}

bool IsTimeOrYear(std::string_view text) { return IsTimeOfDay(text) || IsYear(text); }

bool HasSeconds(std::string_view text) {
  return IsTimeOfDay(text) && std::count(text.begin(), text.end(), ':') == 2;
}

// One part of a one-token date: 1, 2 or 4 digits, or a month name of ASCII
// letters. Returns 1 for digits, 4 for four digits, 2 for a name, 0 for none.
int DatePart(std::string_view part, bool digitsOnly) {
  if (IsDigits(part)) {
    if (part.size() == 4) return 4;
    return part.size() <= 2 ? 1 : 0;
  }
  const bool word = !digitsOnly && part.size() >= 3 && part.size() <= 9 &&
                    std::all_of(part.begin(), part.end(), [](char c) { return IsAsciiLetter(c); });
  return word ? 2 : 0;
}

}  // namespace

bool IsDigits(std::string_view text) {
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return !text.empty();
}

bool IsPermissionToken(std::string_view text) {
  if (text.size() < 10 || !Is(text[0], kType)) return false;
  return std::all_of(text.begin() + 1, text.begin() + 10, [](char c) { return Is(c, kMode); });
}

bool IsTimeOfDay(std::string_view text) {
  // An AM or PM mark glued on.
  if (text.size() > 2) {
    const std::string_view mark = text.substr(text.size() - 2);
    if ((mark[0] == 'A' || mark[0] == 'a' || mark[0] == 'P' || mark[0] == 'p') &&
        (mark[1] == 'M' || mark[1] == 'm'))
      text.remove_suffix(2);
  }
  // One or two digits of hours before the colon.
  std::size_t colon = 0;
  while (colon < text.size() && colon < 3 && text[colon] != ':') ++colon;
  if (colon == text.size() || text[colon] != ':') return false;
  const int hours = SmallNumber(text.substr(0, colon), 2);
  if (hours < 0 || hours > 24) return false;
  std::string_view rest = text.substr(colon + 1);
  auto twoDigits = [&](int max) {
    const int value = rest.size() >= 2 ? SmallNumber(rest.substr(0, 2), 2) : -1;
    rest.remove_prefix(std::min<std::size_t>(2, rest.size()));
    return value >= 0 && value <= max;
  };
  if (!twoDigits(59)) return false;
  if (rest.empty()) return true;
  if (rest[0] != ':') return false;
  rest.remove_prefix(1);
  if (!twoDigits(60)) return false;
  if (rest.empty()) return true;
  if (rest[0] != '.') return false;
  rest.remove_prefix(1);
  return !rest.empty() && rest.size() <= 9 && IsDigits(rest);
}

bool IsYear(std::string_view text) { return text.size() == 4 && IsDigits(text); }

bool IsZoneOffset(std::string_view text) {
  return text.size() == 5 && (text[0] == '+' || text[0] == '-') && IsDigits(text.substr(1));
}

bool ReadGroupedSize(std::string_view text, std::string& digits) {
  digits.clear();
  if (IsDigits(text)) {
    if (text.size() > kMaxSizeDigits) return false;
    digits.assign(text);
    return true;
  }
  const std::size_t first = text.find_first_not_of("0123456789");
  if (first == 0 || first > 3 || (text[first] != ',' && text[first] != '.')) return false;
  const char separator = text[first];
  digits.assign(text.substr(0, first));
  for (std::size_t at = first; at < text.size(); at += 4) {
    const std::string_view group = text.substr(at + 1, 3);
    if (text[at] != separator || group.size() != 3 || !IsDigits(group)) return false;
    digits.append(group);
  }
  return digits.size() <= kMaxSizeDigits;
}

int DateTokenParts(std::string_view text, bool digitsOnly) {
  if (text.size() > 16 || text.size() < 3 || !Is(text[0], kDigit | kLetter)) return 0;
  std::size_t first = 0;
  while (first < text.size() && Is(text[first], kDigit | kLetter)) ++first;
  if (first == text.size() || (text[first] != '-' && text[first] != '/' && text[first] != '.'))
    return 0;
  const char separator = text[first];
  int kinds[3] = {};
  int parts = 0;
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(text.find(separator, start), text.size());
    if (parts == 3) return 0;
    kinds[parts] = DatePart(text.substr(start, end - start), digitsOnly);
    if (kinds[parts++] == 0) return 0;
    if (end == text.size()) break;
    start = end + 1;
  }
  const int words = static_cast<int>(std::count(kinds, kinds + parts, 2));
  if (parts == 2) return kinds[0] == 1 && kinds[1] == 1 ? 2 : 0;
  // Three parts: at most one month name, a four-digit year only at an end.
  if (parts != 3 || words > 1 || kinds[1] == 4) return 0;
  return 3;
}

DateMatch MatchDate(const std::string_view* tokens, std::size_t count, std::size_t first) {
  auto at = [&](std::size_t k) {
    return first + k < count ? tokens[first + k] : std::string_view();
  };
  const std::string_view t = at(0), u = at(1), v = at(2);
  DateMatch m;
  // Owner, group and size columns are often numbers of three digits or
  // more; the only date that starts so is one token with a leading year.
  if (t.size() >= 3 && IsDigit(t[0]) && IsDigit(t[1]) && IsDigit(t[2]) &&
      DateTokenParts(t, false) == 0)
    return m;
  // Month name first, as "ls -l" writes it: "Jan 29 03:26", "Jan 29 2019",
  // and with "ls -lT" the time with seconds before the year.
  if (IsMonthWord(t) && IsDay(u, true) && IsTimeOrYear(v)) {
    m.dateParts[0] = t;
    m.dateParts[1] = u;
    m.dateCount = 2;
    m.time = v;
    m.tokens = 3;
    if (HasSeconds(v) && IsYear(at(3))) {
      m.dateParts[m.dateCount++] = at(3);
      m.tokens = 4;
    }
    m.singleBlankBeforeName = true;
    return m;
  }
  // Day first: "01 oct 2004", "26. Juli, 20:10"; or month and day as
  // numbers: "3 29 03:26".
  if ((IsDay(t, true) && IsMonthWord(u) && IsTimeOrYear(v)) ||
      (IsMonthNumber(t) && IsDay(u, false) && IsTimeOrYear(v))) {
    m.dateParts[0] = t;
    m.dateParts[1] = u;
    m.dateCount = 2;
    m.time = v;
    m.tokens = 3;
    return m;
  }
  // One-token dates: "2005-06-07 21:22", "2004.07.15", "09-26 2000".
  const int parts = DateTokenParts(t, false);
  if (parts == 0 || (parts == 2 && !IsTimeOrYear(u))) return m;
  m.dateParts[0] = t;
  m.dateCount = 1;
  m.tokens = 1;
  if (IsTimeOrYear(u) && (parts == 2 || IsTimeOfDay(u))) {
    m.time = u;
    m.tokens = 2;
    if (IsZoneOffset(v)) m.tokens = 3;
  }
  return m;
}

}  // namespace listing_shapes
