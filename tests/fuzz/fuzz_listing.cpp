// Fuzz target for the listing parser. The first byte picks the server type
// (bit 0: UNIX or MS-DOS first) and a record limit (bits 1-3, 0 for the
// default); the rest is the LIST text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "remote/ListingParser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A text field always holds its terminating zero.
template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
  Check(std::memchr(field, '\0', N) != nullptr);
}

void CheckRecords(const ListingParse& parsed, std::string_view text, std::size_t limit) {
  // Every record, skipped name and unknown line comes from its own line.
  const std::size_t lines =
      static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  Check(parsed.records.size() + parsed.skippedNames + parsed.unknownLines <= lines);
  Check(parsed.records.size() <= limit);
  Check(!parsed.truncated || parsed.records.size() == limit);
  for (const RemoteFileRecord& record : parsed.records) {
    Check(record.name.find('\0') == std::string::npos);
    CheckTerminated(record.sizeText);
    CheckTerminated(record.dateText);
    CheckTerminated(record.timeText);
    CheckTerminated(record.attributes);
    Check(record.isFolder == 0 || record.isFolder == 1);
    Check(record.isLink == 0 || record.isLink == 1);
    Check(!(record.isLink && record.isFolder));
    // A name is never empty, never cut and always stands in the text whole.
    const std::string_view name(record.name);
    Check(!name.empty() && name.size() <= kMaxRecordNameLength);
    Check(text.find(name) != std::string_view::npos);
    Check(text.find(record.linkTarget) != std::string_view::npos);
    (void)RecordSize(record);
  }
}

// A limited parse gives the first records of the full one.
void CheckPrefix(const ListingParse& limited, const ListingParse& full) {
  Check(limited.records.size() <= full.records.size());
  for (std::size_t i = 0; i < limited.records.size(); ++i)
    Check(limited.records[i].name == full.records[i].name);
}

void WalkTokens(std::string_view text) {
  std::size_t cursor = 0;
  char buffer[kTokenBufferSize];
  // Each call moves the cursor on or reports the end, so this ends.
  for (;;) {
    const std::size_t before = cursor;
    const int result = NextToken(cursor, buffer, text);
    Check(result >= 0 && result <= 2 && cursor <= text.size());
    Check(std::memchr(buffer, '\0', sizeof(buffer)) != nullptr);
    if (cursor >= text.size()) break;
    Check(cursor > before);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::int32_t serverType = (data[0] & 1) ? 1 : 2;
  const std::size_t limit = (data[0] >> 1) & 7;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const ListingParse full = ParseListingWithCounts(serverType, text);
  CheckRecords(full, text, kMaxListingRecords);
  Check(!full.truncated);
  if (limit != 0) {
    const ListingParse limited = ParseListingWithCounts(serverType, text, limit);
    CheckRecords(limited, text, limit);
    CheckPrefix(limited, full);
  }
  WalkTokens(text);
  return 0;
}
