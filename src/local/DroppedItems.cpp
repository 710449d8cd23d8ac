#include "local/DroppedItems.h"

#include <map>

#include "local/LocalPath.h"
#include "platform/Files.h"

std::vector<DroppedItem> DescribeLocalItems(const std::vector<std::string>& paths) {
  std::map<std::string, std::vector<platform::DirEntry>> folders;
  std::vector<DroppedItem> items;
  for (const std::string& path : paths) {
    const std::string name = localpath::NameOf(path);
    if (name.empty() || path.find('/') == std::string::npos) continue;
    const std::string folder = localpath::AsFolderPath(localpath::ParentOf(path));
    auto known = folders.find(folder);
    if (known == folders.end()) {
      std::vector<platform::DirEntry> entries;
      platform::ListFolderEntries(folder, entries);  // what could be read
      known = folders.emplace(folder, std::move(entries)).first;
    }
    for (const platform::DirEntry& entry : known->second) {
      if (entry.name != name) continue;
      DroppedItem item;
      item.folder = folder;
      item.row.name = name;
      item.row.isFolder = entry.isFolder;
      item.row.hasAttributes = entry.hasAttributes;
      item.row.size = entry.size < 0 ? 0 : static_cast<std::uint64_t>(entry.size);
      item.row.modified = entry.modified;
      items.push_back(std::move(item));
      break;
    }
  }
  return items;
}
