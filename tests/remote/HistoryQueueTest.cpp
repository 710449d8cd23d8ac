// The remote path history: one node per directory, in visiting order, the
// listing replaced on a revisit, one trailing "/" never making a second node.
#include <gtest/gtest.h>

#include <cstring>

#include "remote/HistoryQueue.h"

namespace {

RemoteListing Listing(std::initializer_list<const char*> names) {
  RemoteListing listing;
  for (const char* name : names) {
    RemoteFileRecord record{};
    record.name = name;
    std::strcpy(record.sizeText, "1");
    listing.push_back(record);
  }
  return listing;
}

std::vector<std::string> Names(const CHistoryQueue::HistoryNode* node) {
  std::vector<std::string> names;
  if (node && node->cachedListing)
    for (const RemoteFileRecord& r : *node->cachedListing) names.push_back(r.name);
  return names;
}

TEST(HistoryQueue, RevisitReplacesTheListingAndKeepsTheOrderOfFirstVisits) {
  CHistoryQueue history;
  EXPECT_EQ(history.FindPath("/pub"), nullptr);
  EXPECT_EQ(history.StoreListing("/pub", Listing({"linux"})), 1);
  EXPECT_EQ(history.StoreListing("/pub/linux", Listing({"kernel"})), 1);
  // The node found before the revisit still shares the old listing safely.
  std::shared_ptr<const RemoteListing> old = history.FindPath("/pub")->cachedListing;
  EXPECT_EQ(history.StoreListing("/pub", Listing({"linux", "gnu"})), 0);
  ASSERT_EQ(history.Count(), 2u);
  EXPECT_EQ(history.Nodes()[0].path, "/pub");
  EXPECT_EQ(history.Nodes()[1].path, "/pub/linux");
  EXPECT_EQ(Names(history.FindPath("/pub")), (std::vector<std::string>{"linux", "gnu"}));
  EXPECT_EQ(old->size(), 1u);
}

TEST(HistoryQueue, OneTrailingSlashIsTrimmedWhereverAPathIsStoredOrLookedUp) {
  CHistoryQueue history;
  EXPECT_EQ(history.StoreListing("/home/", Listing({"user"})), 1);
  EXPECT_EQ(history.Nodes()[0].path, "/home");
  EXPECT_EQ(Names(history.FindPath("/home")), (std::vector<std::string>{"user"}));
  EXPECT_EQ(Names(history.FindPath("/home/")), (std::vector<std::string>{"user"}));
  EXPECT_EQ(history.StoreListing("/home", Listing({"other"})), 0);
  EXPECT_EQ(history.Count(), 1u);
  // The root stays "/", and only one slash goes.
  EXPECT_EQ(history.StoreListing("/", Listing({"home"})), 1);
  EXPECT_NE(history.FindPath("/"), nullptr);
  EXPECT_EQ(history.FindPath(""), nullptr);
  EXPECT_EQ(TrimRemotePath("/a//"), "/a/");
  EXPECT_EQ(TrimRemotePath("/"), "/");
  EXPECT_EQ(TrimRemotePath(""), "");
  // Case and bytes matter otherwise.
  EXPECT_EQ(history.FindPath("/HOME"), nullptr);
}

TEST(HistoryQueue, ClearForgetsEverythingAndEmptyListingsAreKept) {
  CHistoryQueue history;
  history.StoreListing("/a", Listing({}));
  ASSERT_NE(history.FindPath("/a"), nullptr);
  EXPECT_TRUE(history.FindPath("/a")->cachedListing->empty());
  history.StoreListing("/b", Listing({"x"}));
  history.ClearHistory();
  EXPECT_EQ(history.Count(), 0u);
  EXPECT_EQ(history.FindPath("/a"), nullptr);
  EXPECT_EQ(history.StoreListing("/a", Listing({"y"})), 1);
}

}  // namespace
