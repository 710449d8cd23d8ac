#include "local/LocalFolderReader.h"

#include <thread>

#include "local/LocalListing.h"
#include "platform/MessageIds.h"

std::uint64_t LocalFolderReader::Read(const std::string& folder) {
  const std::uint64_t number = ++current_;
  std::thread([target = target_, folder, number] {
    LocalListing listing = ReadLocalFolder(folder);
    target->Post(platform::MakeMessage(msg::WM_LOCAL_FOLDER_READ,
                                       static_cast<std::intptr_t>(number), 0,
                                       platform::Payload::Of(std::move(listing))));
  }).detach();
  return number;
}
