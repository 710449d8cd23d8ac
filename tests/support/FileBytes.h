// Whole-file reads and writes of raw bytes, for tests that check stored records.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Files.h"

namespace skifftest {

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::vector<unsigned char> out;
  platform::File f;
  if (!f.Open(path, platform::OpenMode::ReadExisting)) return out;
  out.resize(static_cast<std::size_t>(f.Size()));
  if (!out.empty()) f.Read(out.data(), out.size());
  return out;
}

inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  platform::File f;
  ASSERT_TRUE(f.Open(path, platform::OpenMode::WriteTruncate));
  ASSERT_TRUE(f.Write(bytes.data(), bytes.size()));
}

}  // namespace skifftest
