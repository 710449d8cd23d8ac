#include "sites/SiteFile.h"

#include <cstring>
#include <vector>

#include "platform/Files.h"

int LoadSiteFile(SiteList& list, const std::string& path) {
  if (platform::IsDirectory(path)) return 0;
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadExisting)) return 0;
  std::vector<SiteRecord> sites;
  unsigned char buffer[sizeof(SiteRecord)];
  while (file.Read(buffer, sizeof buffer) == static_cast<long long>(sizeof buffer)) {
    SiteRecord site;
    std::memcpy(&site, buffer, sizeof site);
    sites.push_back(site);
  }
  list.Assign(std::move(sites));
  return 1;
}

int SaveSiteFile(const SiteList& list, const std::string& path) {
  std::vector<unsigned char> bytes(list.Count() * sizeof(SiteRecord));
  std::size_t at = 0;
  for (const auto& node : list.Nodes()) {
    std::memcpy(bytes.data() + at, &node.record, sizeof(SiteRecord));
    at += sizeof(SiteRecord);
  }
  return platform::ReplaceFileContents(path, bytes.data(), bytes.size(), /*ownerOnly=*/true) ? 1
                                                                                            : 0;
}
