#include "transfer/MakeEntry.h"

#include <limits>
#include <string>

#include "platform/Files.h"
#include "sites/FixedText.h"

std::int64_t ParseSizeText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr std::uint64_t kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > kLimit) {
      value = kLimit;
      break;
    }
  }
  auto v = static_cast<std::int64_t>(value);
  return negative ? -v : v;
}

namespace {

TransferEntry BaseEntry(const SiteRecord& site, std::string_view remoteDir, std::string_view name,
                        std::string_view localDir) {
  TransferEntry entry{};
  entry.site = site;
  SetField(entry.remoteDir, remoteDir);
  SetField(entry.remoteName, name);
  SetField(entry.localDir, localDir);
  SetField(entry.localName, name);
  entry.state = ENTRY_PENDING;
  entry.existsAction = ACTION_NONE;
  return entry;
}

}  // namespace

TransferEntry MakeTransferEntry(const SiteRecord& site, std::string_view remoteDir,
                                std::string_view name, std::string_view localDir,
                                std::int32_t direction, bool isFolder, std::string_view sizeText,
                                std::string_view timeText) {
  TransferEntry entry = BaseEntry(site, remoteDir, name, localDir);
  entry.direction = direction;
  entry.isFolder = isFolder ? 1 : 0;
  entry.fileSize = ParseSizeText(sizeText);
  SetField(entry.fileTime, timeText);
  return entry;
}

bool FitsEntryFields(std::string_view remoteDir, std::string_view name, std::string_view localDir) {
  for (std::string_view text : {remoteDir, name, localDir}) {
    if (text.size() >= sizeof(TransferEntry{}.localDir) || text.find('\0') != std::string_view::npos)
      return false;
  }
  return true;
}

TransferEntry MakeUploadEntry(const SiteRecord& site, std::string_view remoteDir,
                              std::string_view name, std::string_view localDir,
                              std::string_view sizeText, std::string_view timeText) {
  TransferEntry entry =
      MakeTransferEntry(site, remoteDir, name, localDir, XFER_UPLOAD, false, sizeText, timeText);
  entry.isFolder =
      platform::IsDirectory(FieldText(entry.localDir) + FieldText(entry.localName)) ? 1 : 0;
  return entry;
}

TransferEntry MakeDeleteEntry(const SiteRecord& site, std::string_view remoteDir,
                              std::string_view name, std::string_view localDir, bool isFolder) {
  TransferEntry entry = BaseEntry(site, remoteDir, name, localDir);
  entry.isFolder = isFolder ? 1 : 0;
  return entry;
}
