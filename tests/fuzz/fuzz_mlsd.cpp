// Fuzz target for what a server says about itself and its folders in the
// newer shapes: MLSD listings and FEAT replies. The first byte picks the
// parser (bit 0: MLSD or FEAT) and, for MLSD, a record limit (bits 1-3, 0
// for the default); the rest is the reply text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "engine/ServerFeatures.h"
#include "remote/MlsdParser.h"

namespace {

// 2024-06-15 12:00:00 UTC: dates are judged against a fixed now.
constexpr std::int64_t kNow = 1718452800;

void Check(bool condition) {
  if (!condition) std::abort();
}

template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
  Check(std::memchr(field, '\0', N) != nullptr);
}

void CheckMlsd(const ListingParse& parsed, std::string_view text, std::size_t limit) {
  const std::size_t lines =
      static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  Check(parsed.records.size() + parsed.skippedNames + parsed.unknownLines <= lines);
  Check(parsed.records.size() <= limit);
  Check(!parsed.truncated || parsed.records.size() == limit);
  for (const RemoteFileRecord& record : parsed.records) {
    // A name is whole, never empty, never a path, and stands in the text.
    const std::string_view name(record.name);
    Check(!name.empty() && name.size() <= kMaxRecordNameLength);
    Check(name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos);
    Check(text.find(name) != std::string_view::npos);
    Check(text.find(record.linkTarget) != std::string_view::npos);
    CheckTerminated(record.sizeText);
    CheckTerminated(record.dateText);
    CheckTerminated(record.timeText);
    CheckTerminated(record.attributes);
    Check(record.isFolder == 0 || record.isFolder == 1);
    Check(record.isLink == 0 || record.isLink == 1);
    Check(!(record.isLink && record.isFolder));
    // A size is plain digits or nothing; a mode is ten characters or nothing.
    const std::size_t sizeLength = std::strlen(record.sizeText);
    Check(sizeLength == 0 || RecordSize(record) >= 0);
    const std::size_t modeLength = std::strlen(record.attributes);
    Check(modeLength == 0 || modeLength == 10);
  }
}

void CheckFeatures(const ServerFeatures& features) {
  Check(features.listed);
  Check(features.mlstFacts.size() <= kMaxMlstFacts);
  for (const ServerFeatures::Fact& fact : features.mlstFacts)
    Check(!fact.name.empty() && fact.name.size() <= kMaxFeatureLineBytes);
  const std::string ask = MlstFactsToAsk(features);
  Check(ask.empty() || features.mlsd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1) {
    CheckFeatures(ParseFeatures(text));
    return 0;
  }
  const std::size_t limit = (data[0] >> 1) & 7;
  const ListingParse full = ParseMlsdListing(text, kNow);
  CheckMlsd(full, text, kMaxListingRecords);
  Check(!full.truncated);
  if (limit != 0) {
    const ListingParse limited = ParseMlsdListing(text, kNow, limit);
    CheckMlsd(limited, text, limit);
    Check(limited.records.size() <= full.records.size());
    for (std::size_t i = 0; i < limited.records.size(); ++i)
      Check(limited.records[i].name == full.records[i].name);
  }
  return 0;
}
