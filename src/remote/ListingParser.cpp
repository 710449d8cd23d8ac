// Token reader and line parser for LIST replies.
//
// A listing is read line by line: LF or CR LF ends a line, and a last line
// without a line end still counts. Each line is recognised by its own shape:
// a permission token starts a UNIX long-listing line, a date and a time start
// an MS-DOS line. Within the fields before the name, runs of blanks and tabs
// separate tokens; the name is the rest of the line as the server sent it.
// Each line yields at most one record, and a line that fits no layout yields
// none, so it can never disturb the lines after it.
#include "remote/ListingParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "remote/ListingShapes.h"

namespace {

using listing_shapes::DateMatch;

constexpr std::int32_t kMsDosServer = 2;

// Tokens kept per line. The fields before a name never take more (type,
// links, owner, group, domain, a device pair, a four-token date and a zone),
// so a line of endless tokens costs nothing.
constexpr std::size_t kMaxTokensPerLine = 24;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Length of the line end at `at` (LF, CR LF, or a CR that ends the text),
// or 0 when no line ends there.
std::size_t LineEndLength(std::string_view text, std::size_t at) {
  if (at >= text.size()) return 0;
  if (text[at] == '\n') return 1;
  if (text[at] == '\r') {
    if (at + 1 == text.size()) return 1;
    if (text[at + 1] == '\n') return 2;
  }
  return 0;
}

// The token reader behind NextToken, without copying: `token` views the text.
// Return values as NextToken's.
int ScanToken(std::size_t& cursor, std::string_view text, std::string_view& token) {
  token = {};
  const std::size_t size = text.size();
  if (cursor >= size) return 2;

  std::size_t at = cursor;
  while (at < size && IsBlank(text[at])) ++at;
  if (at == size) {
    cursor = size;
    return 0;
  }
  if (std::size_t end = LineEndLength(text, at)) {
    cursor = at + end;
    return 0;
  }

  const std::size_t start = at;
  while (at < size && !IsBlank(text[at]) && LineEndLength(text, at) == 0) ++at;
  token = text.substr(start, at - start);

  // Look past trailing blanks so that a line's last token reports the line
  // end even when blanks stand before it.
  while (at < size && IsBlank(text[at])) ++at;
  if (at == size) {
    cursor = size;
    return 2;
  }
  if (std::size_t end = LineEndLength(text, at)) {
    cursor = at + end;
    return 2;
  }
  cursor = at;
  return 1;
}

// The first tokens of one line (its line end already removed), as views
// into the line so that a field's position in it is known.
class LineTokens {
 public:
  void Split(std::string_view line) {
    std::size_t count = 0;
    const char* at = line.data();
    const char* const end = at + line.size();
    while (at != end && count < tokens_.size()) {
      while (at != end && IsBlank(*at)) ++at;
      const char* const start = at;
      while (at != end && !IsBlank(*at)) ++at;
      if (at != start) {
        tokens_[count++] = std::string_view(start, static_cast<std::size_t>(at - start));
      }
    }
    count_ = count;
  }

  std::size_t Count() const { return count_; }
  const std::string_view* Data() const { return tokens_.data(); }
  std::string_view operator[](std::size_t index) const { return tokens_[index]; }

 private:
  std::array<std::string_view, kMaxTokensPerLine> tokens_{};
  std::size_t count_ = 0;
};

// The line that starts at `cursor`, without its line end; `cursor` moves
// past the line end. Line ends as ScanToken sees them.
std::string_view NextLine(std::size_t& cursor, std::string_view text) {
  const std::size_t start = cursor;
  const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
  std::size_t end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                          : text.size();
  cursor = found ? end + 1 : text.size();
  if (end > start && text[end - 1] == '\r') --end;
  return text.substr(start, end - start);
}

// Copies `value` into a display field, cut to the field's width less one.
template <std::size_t N>
void SetField(char (&field)[N], std::string_view value) {
  const std::size_t length = std::min(value.size(), N - 1);
  std::copy_n(value.data(), length, field);
  field[length] = '\0';
}

// Writes the parts joined by single blanks into a display field, cut to its
// width.
template <std::size_t N>
void SetJoinedField(char (&field)[N], const std::string_view* parts, std::size_t count) {
  std::size_t length = 0;
  auto append = [&](std::string_view part) {
    const std::size_t take = std::min(part.size(), N - 1 - length);
    std::copy_n(part.data(), take, field + length);
    length += take;
  };
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) append(" ");
    append(parts[i]);
  }
  field[length] = '\0';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The "total N" line with the block count that a UNIX long listing starts with.
bool IsBlockTotalLine(const LineTokens& tokens) {
  return tokens.Count() == 2 && EqualsIgnoringCase(tokens[0], "total") &&
         listing_shapes::IsDigits(tokens[1]);
}

enum class LineResult { kUnknown, kEntry, kBadName };

// The rest of `line` after the token `last`: past exactly one separator, or
// past the whole run of blanks when the layout pads its columns. Empty when
// no name follows.
std::string_view NameAfter(std::string_view line, std::string_view last, bool singleBlank) {
  std::size_t start = static_cast<std::size_t>(last.data() - line.data()) + last.size();
  if (singleBlank) {
    if (start < line.size()) ++start;
  } else {
    while (start < line.size() && IsBlank(line[start])) ++start;
  }
  const std::string_view name = line.substr(start);
  const bool blankOnly = std::all_of(name.begin(), name.end(), IsBlank);
  return blankOnly ? std::string_view() : name;
}

// Stores the name whole, or reports it too long or holding a NUL byte.
LineResult SetName(RemoteFileRecord& record, std::string_view name) {
  if (name.size() > kMaxRecordNameLength || name.find('\0') != std::string_view::npos)
    return LineResult::kBadName;
  record.name.assign(name);
  return LineResult::kEntry;
}

// The size field of a UNIX line ending at token `last`: plain digits, or a
// device file's "major, minor" pair, apart or glued ("1, 3", "8,0"). Returns
// the token where the size starts, or 0 when there is no size there.
std::size_t UnixSizeStart(const LineTokens& tokens, std::size_t last) {
  using listing_shapes::IsDigits;
  const std::string_view size = tokens[last];
  if (size.size() > 20) return 0;
  const std::size_t comma = static_cast<std::size_t>(std::find(size.begin(), size.end(), ',') -
                                                      size.begin());
  if (comma != size.size()) {
    const bool glued = comma > 0 && IsDigits(size.substr(0, comma)) &&
                       IsDigits(size.substr(comma + 1));
    return glued ? last : 0;
  }
  if (!IsDigits(size)) return 0;
  if (last >= 2) {
    const std::string_view major = tokens[last - 1];
    if (major.size() > 1 && major.back() == ',' && IsDigits(major.substr(0, major.size() - 1)))
      return last - 1;
  }
  return last;
}

// One UNIX long-listing line, e.g.
//   drwxr-xr-x   2 owner group   4096 Mar  5 10:15 name
// The columns between the permission token and the date vary (no group, no
// owner, an extra domain), so the name is found from the first place where a
// size is followed by a date, whichever of the date shapes it has.
LineResult ParseUnixLine(std::string_view line, const LineTokens& tokens,
                         RemoteFileRecord& record) {
  if (tokens.Count() < 4 || !listing_shapes::IsPermissionToken(tokens[0]))
    return LineResult::kUnknown;
  for (std::size_t first = 2; first < tokens.Count(); ++first) {
    const std::size_t sizeStart = UnixSizeStart(tokens, first - 1);
    if (sizeStart == 0) continue;
    const DateMatch date = listing_shapes::MatchDate(tokens.Data(), tokens.Count(), first);
    if (date.tokens == 0) continue;
    std::string_view name =
        NameAfter(line, tokens[first + date.tokens - 1], date.singleBlankBeforeName);
    if (name.empty()) return LineResult::kUnknown;

    const char type = tokens[0][0];
    record.isFolder = type == 'd' ? 1 : 0;
    record.isLink = type == 'l' ? 1 : 0;
    if (record.isLink) {
      // "name -> target": the arrow is not part of the name.
      const std::size_t arrow = name.find(" -> ", 1);
      if (arrow != std::string_view::npos) {
        record.linkTarget.assign(name.substr(arrow + 4));
        name = name.substr(0, arrow);
      }
    }
    SetField(record.attributes, tokens[0]);
    const std::string_view sizeParts[2] = {tokens[sizeStart], tokens[first - 1]};
    SetJoinedField(record.sizeText, sizeParts, first - sizeStart);
    SetJoinedField(record.dateText, date.dateParts, date.dateCount);
    SetField(record.timeText, date.time);
    return SetName(record, name);
  }
  return LineResult::kUnknown;
}

// One MS-DOS style line, e.g.
//   12-31-20  10:15PM       <DIR>          My Folder
//   2002-09-02  18:48             9,730 a  b.txt
// Servers pad the columns, so the blanks after the size or "<DIR>" are
// padding; everything after them is the name.
LineResult ParseMsDosLine(std::string_view line, const LineTokens& tokens,
                          RemoteFileRecord& record, std::string& digits) {
  if (tokens.Count() < 4 || listing_shapes::DateTokenParts(tokens[0], true) != 3 ||
      !listing_shapes::IsTimeOfDay(tokens[1]))
    return LineResult::kUnknown;
  std::size_t sizeAt = 2;
  const bool apartMark =
      EqualsIgnoringCase(tokens[2], "AM") || EqualsIgnoringCase(tokens[2], "PM");
  if (apartMark) ++sizeAt;
  const bool folder = EqualsIgnoringCase(tokens[sizeAt], "<DIR>");
  if (!folder && !listing_shapes::ReadGroupedSize(tokens[sizeAt], digits))
    return LineResult::kUnknown;
  const std::string_view name = NameAfter(line, tokens[sizeAt], false);
  if (name.empty()) return LineResult::kUnknown;

  SetField(record.dateText, tokens[0]);
  SetJoinedField(record.timeText, tokens.Data() + 1, apartMark ? 2 : 1);
  record.isFolder = folder ? 1 : 0;
  if (!folder) SetField(record.sizeText, digits);
  return SetName(record, name);
}

// Lines whose first token may start an entry (a permission token or an
// MS-DOS date): a bound on the records the text yields that takes no
// account of blank lines, totals and messages.
std::size_t CountEntryStarts(std::string_view text) {
  std::size_t count = 0;
  std::size_t cursor = 0;
  while (cursor < text.size()) {
    std::string_view line = NextLine(cursor, text);
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    std::size_t end = start;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    const std::string_view first = line.substr(start, end - start);
    if (listing_shapes::IsPermissionToken(first) ||
        listing_shapes::DateTokenParts(first, true) == 3)
      ++count;
  }
  return count;
}

// One line in the layout tried first or the other.
LineResult ParseLine(std::string_view line, const LineTokens& tokens, RemoteFileRecord& record,
                     std::string& digits, bool msDos) {
  return msDos ? ParseMsDosLine(line, tokens, record, digits) : ParseUnixLine(line, tokens, record);
}

}  // namespace

int NextToken(std::size_t& cursor, char (&buffer)[kTokenBufferSize], std::string_view text) {
  std::string_view token;
  const int result = ScanToken(cursor, text, token);
  SetField(buffer, token);
  return result;
}

ListingParse ParseListingWithCounts(std::int32_t serverType, std::string_view text,
                                    std::size_t maxRecords) {
  ListingParse result;
  // One allocation for the records where the text allows: growing would
  // copy them and touch twice their memory, and records are wide.
  result.records.reserve(std::min(CountEntryStarts(text), maxRecords));

  const bool msDosFirst = serverType == kMsDosServer;
  LineTokens tokens;
  std::string digits;
  RemoteFileRecord spare{};  // parses the first line past the limit
  std::size_t cursor = 0;
  while (cursor < text.size()) {
    const std::string_view line = NextLine(cursor, text);
    tokens.Split(line);
    if (tokens.Count() == 0 || IsBlockTotalLine(tokens)) continue;

    const bool full = result.records.size() >= maxRecords;
    RemoteFileRecord& record = full ? spare : result.records.emplace_back();
    LineResult parsed = ParseLine(line, tokens, record, digits, msDosFirst);
    if (parsed == LineResult::kUnknown)
      parsed = ParseLine(line, tokens, record, digits, !msDosFirst);

    if (parsed != LineResult::kEntry && !full) result.records.pop_back();
    if (parsed == LineResult::kUnknown) {
      ++result.unknownLines;
    } else if (parsed == LineResult::kBadName) {
      ++result.skippedNames;
    } else if (full) {
      result.truncated = true;
      break;
    }
  }
  // Lines that looked like entries but were none leave no unused memory.
  if (result.records.size() < result.records.capacity() / 2) result.records.shrink_to_fit();
  return result;
}

RemoteListing ParseListing(std::int32_t serverType, std::string_view text) {
  return ParseListingWithCounts(serverType, text).records;
}
