// Reading the size text of a remote file record.
#include "remote/RemoteFileRecord.h"

#include <algorithm>
#include <charconv>

std::int64_t RecordSize(const RemoteFileRecord& record) {
  // The field may lack its terminating zero if a caller filled it by hand.
  const char* begin = record.sizeText;
  const char* end = std::find(begin, begin + sizeof(record.sizeText), '\0');
  // A size is plain decimal digits; a sign, blanks or other text mean no size.
  if (begin == end || *begin < '0' || *begin > '9') return 0;
  std::int64_t value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end) return 0;
  return value;
}
