#include <cstring>

#include "platform/Files.h"
#include "transfer/FileQueue.h"

SiteRecord LoadCurrentSiteFile(const std::string& path) {
  SiteRecord site = EmptySiteRecord();
  if (platform::IsDirectory(path)) return site;
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadExisting)) return site;
  unsigned char buffer[sizeof(SiteRecord)];
  // Only a whole record counts; anything behind it is ignored.
  if (file.Read(buffer, sizeof buffer) == static_cast<long long>(sizeof buffer))
    std::memcpy(&site, buffer, sizeof site);
  return site;
}

bool SaveCurrentSiteFile(const std::string& path, const SiteRecord& site) {
  return platform::ReplaceFileContents(path, &site, sizeof site, /*ownerOnly=*/true);
}
