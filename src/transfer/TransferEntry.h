// The 2096-byte record of one queued transfer or deletion. Queue files are
// these records one after another, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "sites/SiteRecord.h"

// Entry states.
inline constexpr std::int32_t ENTRY_PENDING = 0;
inline constexpr std::int32_t ENTRY_FAILED = 1;
inline constexpr std::int32_t ENTRY_STOPPED = 2;
inline constexpr std::int32_t ENTRY_RUNNING = 3;

// Directions.
inline constexpr std::int32_t XFER_DOWNLOAD = 0;
inline constexpr std::int32_t XFER_UPLOAD = 1;

// Target-exists decisions.
inline constexpr std::int32_t ACTION_NONE = 0;
inline constexpr std::int32_t ACTION_OVERWRITE = 1;
inline constexpr std::int32_t ACTION_RESUME = 2;
inline constexpr std::int32_t ACTION_RENAME = 3;
inline constexpr std::int32_t ACTION_SKIP = 4;

struct TransferEntry {
  SiteRecord site;
  char remoteDir[260];
  char remoteName[260];
  char localDir[260];
  char localName[260];
  std::int32_t reserved1;
  std::int64_t resumeOffset;
  std::int64_t reserved2;
  std::int64_t fileSize;
  char fileTime[56];
  std::int32_t controlSocket;
  std::int32_t direction;
  std::int32_t isFolder;
  std::int32_t state;
  std::int32_t existsAction;
  std::uint32_t next;  // a link word in the file format; never read back
};

static_assert(std::is_standard_layout_v<TransferEntry> &&
              std::is_trivially_copyable_v<TransferEntry>);
static_assert(sizeof(TransferEntry) == 2096);
static_assert(offsetof(TransferEntry, site) == 0);
static_assert(offsetof(TransferEntry, remoteDir) == 948);
static_assert(offsetof(TransferEntry, remoteName) == 1208);
static_assert(offsetof(TransferEntry, localDir) == 1468);
static_assert(offsetof(TransferEntry, localName) == 1728);
static_assert(offsetof(TransferEntry, reserved1) == 1988);
static_assert(offsetof(TransferEntry, resumeOffset) == 1992);
static_assert(offsetof(TransferEntry, reserved2) == 2000);
static_assert(offsetof(TransferEntry, fileSize) == 2008);
static_assert(offsetof(TransferEntry, fileTime) == 2016);
static_assert(offsetof(TransferEntry, controlSocket) == 2072);
static_assert(offsetof(TransferEntry, direction) == 2076);
static_assert(offsetof(TransferEntry, isFolder) == 2080);
static_assert(offsetof(TransferEntry, state) == 2084);
static_assert(offsetof(TransferEntry, existsAction) == 2088);
static_assert(offsetof(TransferEntry, next) == 2092);
