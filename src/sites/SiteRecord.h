// The 948-byte record of one FTP site, as stored in the site file, the
// current-site file and at the start of every transfer entry.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

static_assert(std::endian::native == std::endian::little,
              "records are stored little-endian and copied byte for byte");

inline constexpr std::int32_t LOGIN_ACCOUNT = 0;
inline constexpr std::int32_t LOGIN_ANONYMOUS = 1;

inline constexpr std::int32_t SERVER_TYPE_UNKNOWN = 0;
inline constexpr std::int32_t SERVER_TYPE_UNIX = 1;
inline constexpr std::int32_t SERVER_TYPE_WINDOWS_NT = 2;

struct SiteRecord {
  char siteName[260];
  char address[52];
  std::int32_t serverType;
  char user[50];
  char password[50];
  char remoteInitPath[260];
  char localInitPath[260];
  std::int32_t loginType;
  std::int32_t reserved;
  std::int32_t resumeSupported;
};

static_assert(std::is_standard_layout_v<SiteRecord> && std::is_trivially_copyable_v<SiteRecord>);
static_assert(sizeof(SiteRecord) == 948);
static_assert(offsetof(SiteRecord, siteName) == 0);
static_assert(offsetof(SiteRecord, address) == 260);
static_assert(offsetof(SiteRecord, serverType) == 312);
static_assert(offsetof(SiteRecord, user) == 316);
static_assert(offsetof(SiteRecord, password) == 366);
static_assert(offsetof(SiteRecord, remoteInitPath) == 416);
static_assert(offsetof(SiteRecord, localInitPath) == 676);
static_assert(offsetof(SiteRecord, loginType) == 936);
static_assert(offsetof(SiteRecord, reserved) == 940);
static_assert(offsetof(SiteRecord, resumeSupported) == 944);

// An all-zero record.
inline SiteRecord EmptySiteRecord() { return SiteRecord{}; }

// The `reserved` word holds the site's transfer flags. Records written before
// the flags existed hold 0 there: active mode, as they always had.
inline constexpr std::int32_t SITE_FLAG_PASSIVE = 1;  // bit 0: passive data connections

inline bool IsPassive(const SiteRecord& r) { return (r.reserved & SITE_FLAG_PASSIVE) != 0; }
inline void SetPassive(SiteRecord& r, bool on) {
  r.reserved = on ? (r.reserved | SITE_FLAG_PASSIVE) : (r.reserved & ~SITE_FLAG_PASSIVE);
}
