// Making the entries the panes put into the transfer and deletion queues.
#pragma once

#include <cstdint>
#include <string_view>

#include "transfer/TransferEntry.h"

// The 64-bit value of a "Size" column text: leading blanks, an optional sign
// and decimal digits up to the first other character; 0 when there is no
// number. Values beyond the 64-bit range are clamped.
std::int64_t ParseSizeText(std::string_view text);

// A transfer entry: `site` is the session's own copy of its site (with the
// words it learnt at login), `name` the item's name on both sides, `localDir`
// the local folder ending with the path separator. Everything not given
// starts at zero, the state pending.
TransferEntry MakeTransferEntry(const SiteRecord& site, std::string_view remoteDir,
                                std::string_view name, std::string_view localDir,
                                std::int32_t direction, bool isFolder, std::string_view sizeText,
                                std::string_view timeText);

// Whether the folders and the name fit an entry's fields whole (259 bytes
// each, no zero byte); an entry must never carry a cut path.
bool FitsEntryFields(std::string_view remoteDir, std::string_view name, std::string_view localDir);

// An upload entry of a local item: the folder flag comes from the disk.
TransferEntry MakeUploadEntry(const SiteRecord& site, std::string_view remoteDir,
                              std::string_view name, std::string_view localDir,
                              std::string_view sizeText, std::string_view timeText);

// A deletion entry: no size, time or direction.
TransferEntry MakeDeleteEntry(const SiteRecord& site, std::string_view remoteDir,
                              std::string_view name, std::string_view localDir, bool isFolder);
