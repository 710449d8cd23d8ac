// Shared by the listing parser tests: expected records and their check.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "remote/ListingParser.h"

namespace listing_test {

struct Expected {
  std::string name;
  std::string sizeText;
  std::string dateText;
  std::string timeText;
  std::string attributes;
  int isFolder;
  int isLink = 0;
  std::string linkTarget = {};
};

inline void ExpectRecords(const RemoteListing& listing, const std::vector<Expected>& expected) {
  ASSERT_EQ(listing.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(listing[i].name, expected[i].name);
    EXPECT_EQ(listing[i].sizeText, expected[i].sizeText);
    EXPECT_EQ(listing[i].dateText, expected[i].dateText);
    EXPECT_EQ(listing[i].timeText, expected[i].timeText);
    EXPECT_EQ(listing[i].attributes, expected[i].attributes);
    EXPECT_EQ(listing[i].isFolder, expected[i].isFolder);
    EXPECT_EQ(listing[i].isLink, expected[i].isLink);
    EXPECT_EQ(listing[i].linkTarget, expected[i].linkTarget);
  }
}

// Test names from case titles: letters and digits kept, the rest "_".
inline std::string TitleToName(std::string title) {
  for (char& c : title) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return title;
}

}  // namespace listing_test
