#include "transfer/QueueFile.h"

#include <cstring>

#include "platform/Files.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"

bool UsableQueuePath(const std::string& path) {
  return !path.empty() && path.back() != platform::kPathSeparator && path.back() != '/';
}

bool ReadQueueFile(const std::string& path,
                   const std::function<void(const TransferEntry&)>& take) {
  if (!UsableQueuePath(path) || platform::IsDirectory(path)) return false;
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadExisting)) return false;
  unsigned char buffer[sizeof(TransferEntry)];
  for (;;) {
    long long n = file.Read(buffer, sizeof buffer);
    if (n != static_cast<long long>(sizeof buffer)) break;  // end, short record or error
    TransferEntry entry;
    std::memcpy(&entry, buffer, sizeof entry);
    take(entry);
  }
  return true;
}

bool WriteQueueFile(const std::string& path, const std::vector<TransferEntry>& entries) {
  if (!UsableQueuePath(path)) return false;
  return platform::ReplaceFileContents(path, entries.data(), entries.size() * sizeof(TransferEntry),
                                       /*ownerOnly=*/true);
}

namespace {

// A name that would lead out of the working folder or can't be a file name.
bool UnsafeFileName(const std::string& name) {
  if (name == "." || name == "..") return true;
  for (unsigned char c : name)
    if (c < 0x20 || c == '/' || c == '\\' || c == ':') return true;
  return false;
}

}  // namespace

std::string LoginQueueFileName(const SiteRecord& site) {
  std::string name = FieldText(site.address) + FieldText(site.user) + ".TWQ";
  // Such a login keeps its queue in memory only: every open of "" fails.
  if (UnsafeFileName(name)) return {};
  return name;
}
