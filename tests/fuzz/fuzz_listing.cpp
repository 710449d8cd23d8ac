// Fuzz target for the listing parser: the first byte picks the layout
// (odd: UNIX, even: MS-DOS), the rest is the LIST text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "remote/ListingParser.h"

namespace {

// A text field always holds its terminating zero.
template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
  if (std::memchr(field, '\0', N) == nullptr) std::abort();
}

void CheckRecords(const RemoteListing& listing, std::string_view text) {
  // Every record comes from its own line.
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (listing.size() > lines) std::abort();
  for (const RemoteFileRecord& record : listing) {
    CheckTerminated(record.name);
    CheckTerminated(record.sizeText);
    CheckTerminated(record.dateText);
    CheckTerminated(record.timeText);
    CheckTerminated(record.attributes);
    if (record.isFolder != 0 && record.isFolder != 1) std::abort();
    (void)RecordSize(record);
  }
}

void WalkTokens(std::string_view text) {
  std::size_t cursor = 0;
  char buffer[kTokenBufferSize];
  // Each call moves the cursor on or reports the end, so this ends.
  for (;;) {
    const std::size_t before = cursor;
    const int result = NextToken(cursor, buffer, text);
    if (result < 0 || result > 2 || cursor > text.size()) std::abort();
    if (std::memchr(buffer, '\0', sizeof(buffer)) == nullptr) std::abort();
    if (cursor >= text.size()) break;
    if (cursor <= before) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::int32_t serverType = (data[0] & 1) ? 1 : 2;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  CheckRecords(ParseListing(serverType, text), text);
  WalkTokens(text);
  return 0;
}
