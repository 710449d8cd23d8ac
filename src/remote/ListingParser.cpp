// Token reader and line parser for UNIX and MS-DOS style LIST replies.
//
// A listing is read line by line: LF or CR LF ends a line, and a last line
// without a line end still counts. Within a line, runs of blanks and tabs
// separate tokens. Each line yields at most one record, and a line that does
// not fit its layout yields none, so it can never disturb the lines after it.
#include "remote/ListingParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr std::int32_t kUnixServer = 1;
constexpr std::int32_t kMsDosServer = 2;

// Fields before the name: attributes, links, owner, group, size, month, day,
// time or year.
constexpr std::size_t kUnixFieldsBeforeName = 8;
// Fields before the name: date, time, size or "<DIR>".
constexpr std::size_t kMsDosFieldsBeforeName = 3;
// Tokens kept per line. A name of 127 characters never needs more, so a
// hostile line of endless tokens costs no memory.
constexpr std::size_t kMaxTokensPerLine = 256;

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

// The tokens of one line (its line end already removed).
class LineTokens {
 public:
  void Split(std::string_view line) {
    std::size_t count = 0;
    const char* at = line.data();
    const char* const end = at + line.size();
    while (at != end) {
      while (at != end && IsBlank(*at)) ++at;
      const char* const start = at;
      while (at != end && !IsBlank(*at)) ++at;
      if (at != start && count < tokens_.size()) {
        tokens_[count++] = std::string_view(start, static_cast<std::size_t>(at - start));
      }
    }
    count_ = count;
  }

  std::size_t Count() const { return count_; }
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

// Copies `value` into a text field, cut to the field's width less one.
template <std::size_t N>
void SetField(char (&field)[N], std::string_view value) {
  const std::size_t length = std::min(value.size(), N - 1);
  std::copy_n(value.data(), length, field);
  field[length] = '\0';
}

// Writes `first`, one blank and `second` into a text field, cut to its width.
template <std::size_t N>
void SetJoinedField(char (&field)[N], std::string_view first, std::string_view second) {
  std::size_t length = 0;
  auto append = [&](std::string_view part) {
    const std::size_t take = std::min(part.size(), N - 1 - length);
    std::copy_n(part.data(), take, field + length);
    length += take;
  };
  append(first);
  append(" ");
  append(second);
  field[length] = '\0';
}

// Joins the tokens from `first` on with single blanks into the name field.
void SetName(RemoteFileRecord& record, const LineTokens& tokens, std::size_t first) {
  constexpr std::size_t kLimit = sizeof(record.name) - 1;
  std::size_t length = 0;
  for (std::size_t i = first; i < tokens.Count() && length < kLimit; ++i) {
    if (i > first) record.name[length++] = ' ';
    const std::string_view token = tokens[i];
    const std::size_t take = std::min(token.size(), kLimit - length);
    std::copy_n(token.data(), take, record.name + length);
    length += take;
  }
  record.name[length] = '\0';
}

bool IsDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The "total N" line with the block count that a UNIX long listing starts with.
bool IsBlockTotalLine(const LineTokens& tokens) {
  return tokens.Count() == 2 && EqualsIgnoringCase(tokens[0], "total") && IsDigits(tokens[1]);
}

// One UNIX long-listing line, e.g.
//   drwxr-xr-x   2 owner group   4096 Mar  5 10:15 name with blanks
// Device files write "major, minor" where the size stands; that pair is kept
// together as the size text so the date and name stay in place.
bool ParseUnixLine(const LineTokens& tokens, RemoteFileRecord& record) {
  std::size_t fieldsBeforeName = kUnixFieldsBeforeName;
  const bool devicePair = tokens.Count() > kUnixFieldsBeforeName + 1 &&
                          tokens[4].size() > 1 && tokens[4].back() == ',' &&
                          IsDigits(tokens[4].substr(0, tokens[4].size() - 1)) &&
                          IsDigits(tokens[5]);
  if (devicePair) ++fieldsBeforeName;
  if (tokens.Count() <= fieldsBeforeName) return false;

  const std::size_t shift = devicePair ? 1 : 0;
  SetField(record.attributes, tokens[0]);
  record.isFolder = tokens[0].front() == 'd' ? 1 : 0;
  if (devicePair) {
    SetJoinedField(record.sizeText, tokens[4], tokens[5]);
  } else {
    SetField(record.sizeText, tokens[4]);
  }
  SetJoinedField(record.dateText, tokens[5 + shift], tokens[6 + shift]);
  SetField(record.timeText, tokens[7 + shift]);
  SetName(record, tokens, fieldsBeforeName);
  return true;
}

// One MS-DOS style line, e.g.
//   12-31-20  10:15PM       <DIR>          My Folder
//   01-02-21  09:00AM              1234 a b.txt
bool ParseMsDosLine(const LineTokens& tokens, RemoteFileRecord& record) {
  if (tokens.Count() <= kMsDosFieldsBeforeName) return false;
  SetField(record.dateText, tokens[0]);
  SetField(record.timeText, tokens[1]);
  if (tokens[2] == "<DIR>") {
    record.isFolder = 1;
  } else {
    record.isFolder = 0;
    SetField(record.sizeText, tokens[2]);
  }
  SetName(record, tokens, kMsDosFieldsBeforeName);
  return true;
}

// Lines in the text, counting a last line without a line end.
std::size_t CountLines(std::string_view text) {
  if (text.empty()) return 0;
  std::size_t lines = 1;
  const char* at = text.data();
  const char* const end = at + text.size();
  while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
    ++lines;
    at = static_cast<const char*>(found) + 1;
  }
  return lines;
}

}  // namespace

int NextToken(std::size_t& cursor, char (&buffer)[kTokenBufferSize], std::string_view text) {
  std::string_view token;
  const int result = ScanToken(cursor, text, token);
  SetField(buffer, token);
  return result;
}

RemoteListing ParseListing(std::int32_t serverType, std::string_view text) {
  RemoteListing listing;
  if (serverType != kUnixServer && serverType != kMsDosServer) return listing;

  listing.reserve(CountLines(text));
  auto lineParser = serverType == kUnixServer ? ParseUnixLine : ParseMsDosLine;

  LineTokens tokens;
  std::size_t cursor = 0;
  bool firstLine = true;
  while (cursor < text.size()) {
    tokens.Split(NextLine(cursor, text));
    const bool skip = firstLine && serverType == kUnixServer && IsBlockTotalLine(tokens);
    firstLine = false;
    if (skip || tokens.Count() == 0) continue;

    RemoteFileRecord& record = listing.emplace_back();
    if (!lineParser(tokens, record)) listing.pop_back();
  }
  return listing;
}
