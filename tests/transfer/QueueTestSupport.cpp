#include "QueueTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "sites/FixedText.h"
#include "transfer/MakeEntry.h"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::random_device rd;
  fs::path p = fs::temp_directory_path() /
               ("skiff_h2_" + std::to_string(rd()) + "_" + std::to_string(rd()));
  fs::create_directories(p);
  path_ = p.string();
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

TransferEntry Entry(const std::string& name, std::int32_t direction, std::int64_t size,
                    const std::string& address, const std::string& user) {
  SiteRecord site{};
  SetField(site.siteName, "site");
  SetField(site.address, address);
  SetField(site.user, user);
  SetField(site.password, "secret");
  site.resumeSupported = 1;
  TransferEntry e = MakeTransferEntry(site, "/pub", name, "/tmp/in/", direction, false,
                                      std::to_string(size), "2024-01-02 03:04");
  return e;
}

std::vector<unsigned char> Bytes(const TransferEntry& e) {
  std::vector<unsigned char> out(sizeof e);
  std::memcpy(out.data(), &e, sizeof e);
  return out;
}
