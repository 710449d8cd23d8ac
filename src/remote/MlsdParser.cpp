// MLSD lines: "fact=value;fact=value; name". Facts are read by name
// (case-insensitive); those the records have no place for are passed over.
#include "remote/MlsdParser.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "remote/ListingShapes.h"

namespace {

constexpr std::int64_t kDay = 86400;
// "ls -l" shows the time of day for dates within about half a year before
// now (and a little after, for clocks that differ), else the year.
constexpr std::int64_t kRecentPast = 182 * kDay;
constexpr std::int64_t kRecentFuture = 3600;
constexpr std::size_t kMaxSizeDigits = 20;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool StartsWithWord(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameWord(text.substr(0, prefix.size()), prefix);
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

// "YYYYMMDDHHMMSS" with an optional fraction, in UTC, into the date and
// time texts; false when the value is no such time.
bool SetModify(std::string_view value, std::int64_t nowUtc, RemoteFileRecord& record) {
  if (value.size() < 14 || !listing_shapes::IsDigits(value.substr(0, 14))) return false;
  if (value.size() > 14 && (value[14] != '.' || value.size() > 24 ||
                            !listing_shapes::IsDigits(value.substr(15))))
    return false;
  const int year = Digits(value, 0, 4), month = Digits(value, 4, 2), day = Digits(value, 6, 2);
  const int hour = Digits(value, 8, 2), minute = Digits(value, 10, 2), second = Digits(value, 12, 2);
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return false;
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::int64_t when = DaysFromCivil(year, static_cast<unsigned>(month),
                                          static_cast<unsigned>(day)) * kDay +
                            hour * 3600 + minute * 60 + second;
  std::snprintf(record.dateText, sizeof record.dateText, "%s %02d", kMonths[month - 1], day);
  const bool recent = when >= nowUtc - kRecentPast && when <= nowUtc + kRecentFuture;
  if (recent)
    std::snprintf(record.timeText, sizeof record.timeText, "%02d:%02d", hour, minute);
  else
    std::snprintf(record.timeText, sizeof record.timeText, "%04d", year);
  return true;
}

// An octal mode as servers write it: "644", "0755", "0o644", "4755".
bool SetMode(std::string_view value, char type, RemoteFileRecord& record) {
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'o' || value[1] == 'O'))
    value.remove_prefix(2);
  if (value.empty() || value.size() > 6) return false;
  unsigned mode = 0;
  for (char c : value) {
    if (c < '0' || c > '7') return false;
    mode = mode * 8 + static_cast<unsigned>(c - '0');
  }
  if (mode > 07777) return false;
  char text[11];
  text[0] = type;
  static constexpr char kLetters[] = "rwx";
  for (int bit = 0; bit < 9; ++bit)
    text[1 + bit] = (mode & (0400u >> bit)) ? kLetters[bit % 3] : '-';
  // Set-user-id, set-group-id and sticky bits in the execute places.
  auto special = [&](unsigned flag, int at, char withExec, char without) {
    if (mode & flag) text[at] = text[at] == 'x' ? withExec : without;
  };
  special(04000, 3, 's', 'S');
  special(02000, 6, 's', 'S');
  special(01000, 9, 't', 'T');
  text[10] = '\0';
  std::memcpy(record.attributes, text, sizeof text);
  return true;
}

enum class Kind { kNone, kFile, kFolder, kLink, kSelf };

// The value of the type fact; a link's target goes to the record.
Kind ReadType(std::string_view value, RemoteFileRecord& record) {
  if (SameWord(value, "file")) return Kind::kFile;
  if (SameWord(value, "dir")) return Kind::kFolder;
  if (SameWord(value, "cdir") || SameWord(value, "pdir")) return Kind::kSelf;
  if (value.empty()) return Kind::kNone;
  // "OS.unix=slink:target" (also "symlink"); other system types are files.
  for (std::string_view link : {"OS.unix=slink", "OS.unix=symlink"}) {
    if (!StartsWithWord(value, link)) continue;
    std::string_view rest = value.substr(link.size());
    if (!rest.empty() && rest[0] != ':') continue;
    if (!rest.empty()) record.linkTarget.assign(rest.substr(1));
    return Kind::kLink;
  }
  return Kind::kFile;
}

bool ValidSize(std::string_view value) {
  return value.size() <= kMaxSizeDigits && listing_shapes::IsDigits(value);
}

}  // namespace

MlsdLine ParseMlsdLine(std::string_view line, std::int64_t nowUtc, RemoteFileRecord& record) {
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank > kMaxMlsdFactBytes) return MlsdLine::kBadFacts;
  std::string_view facts = line.substr(0, blank);
  const std::string_view name = line.substr(blank + 1);

  record = RemoteFileRecord{};
  Kind kind = Kind::kNone;
  std::string_view size, sizd, modify, mode;
  while (!facts.empty()) {
    const std::size_t end = std::min(facts.find(';'), facts.size());
    const std::string_view fact = facts.substr(0, end);
    facts.remove_prefix(std::min(end + 1, facts.size()));
    if (fact.empty()) continue;
    const std::size_t equals = fact.find('=');
    if (equals == std::string_view::npos || equals == 0) return MlsdLine::kBadFacts;
    const std::string_view key = fact.substr(0, equals), value = fact.substr(equals + 1);
    if (SameWord(key, "type")) {
      kind = ReadType(value, record);
    } else if (SameWord(key, "size")) {
      size = value;
    } else if (SameWord(key, "sizd")) {
      sizd = value;
    } else if (SameWord(key, "modify")) {
      modify = value;
    } else if (SameWord(key, "unix.mode")) {
      mode = value;
    }
  }
  if (kind == Kind::kNone) return MlsdLine::kBadFacts;
  if (kind == Kind::kSelf) return MlsdLine::kSelf;
  if (name.empty() || name.size() > kMaxRecordNameLength ||
      name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos)
    return MlsdLine::kBadName;

  record.name.assign(name);
  record.isFolder = kind == Kind::kFolder ? 1 : 0;
  record.isLink = kind == Kind::kLink ? 1 : 0;
  // A folder's size may come as "sizd" (the size of its listing).
  const std::string_view shownSize = !size.empty() ? size : (record.isFolder ? sizd : size);
  if (ValidSize(shownSize)) {
    std::memcpy(record.sizeText, shownSize.data(), shownSize.size());
    record.sizeText[shownSize.size()] = '\0';
  }
  if (!modify.empty()) SetModify(modify, nowUtc, record);
  if (!mode.empty()) SetMode(mode, record.isFolder ? 'd' : (record.isLink ? 'l' : '-'), record);
  return MlsdLine::kEntry;
}

ListingParse ParseMlsdListing(std::string_view text, std::int64_t nowUtc, std::size_t maxRecords) {
  ListingParse result;
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  result.records.reserve(std::min(lines, maxRecords));
  RemoteFileRecord record{};
  std::size_t cursor = 0;
  while (cursor < text.size()) {
    const void* found = std::memchr(text.data() + cursor, '\n', text.size() - cursor);
    std::size_t end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                            : text.size();
    const std::size_t start = cursor;
    cursor = found ? end + 1 : text.size();
    if (end > start && text[end - 1] == '\r') --end;
    const std::string_view line = text.substr(start, end - start);
    if (line.empty()) continue;

    switch (ParseMlsdLine(line, nowUtc, record)) {
      case MlsdLine::kEntry:
        if (result.records.size() >= maxRecords) {
          result.truncated = true;
          cursor = text.size();
          break;
        }
        result.records.push_back(std::move(record));
        break;
      case MlsdLine::kSelf:
        break;
      case MlsdLine::kBadFacts:
        ++result.unknownLines;
        break;
      case MlsdLine::kBadName:
        ++result.skippedNames;
        break;
    }
  }
  if (result.records.size() < result.records.capacity() / 2) result.records.shrink_to_fit();
  return result;
}

std::int64_t UtcNowSeconds() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}
