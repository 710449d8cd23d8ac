// Helpers shared by the queue tests: temporary folders and entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "support/FileBytes.h"
#include "transfer/TransferEntry.h"

// A fresh folder under the system's temporary folder, removed with its files.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// An entry of address/user with the given remote name; the rest as a pane
// would make it.
TransferEntry Entry(const std::string& name, std::int32_t direction = XFER_DOWNLOAD,
                    std::int64_t size = 100, const std::string& address = "10.0.0.1",
                    const std::string& user = "alice");

using skifftest::ReadBytes;
using skifftest::WriteBytes;
std::vector<unsigned char> Bytes(const TransferEntry& e);
