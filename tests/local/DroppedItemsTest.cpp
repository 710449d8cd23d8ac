// Items dropped from the desktop, named by full paths, described as rows of
// the folders holding them: what an upload entry is made from.
#include <gtest/gtest.h>

#include "local/DroppedItems.h"
#include "support/RealServers.h"

TEST(DroppedItems, EachPathBecomesARowOfItsFolderAndWhatIsMissingIsLeftOut) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.WriteFile("a/file.bin", std::string(4097, 'x')));
  ASSERT_TRUE(dir.WriteFile("a/folder/inner.txt", "in"));
  ASSERT_TRUE(dir.WriteFile("b/other.txt", "o"));
  const std::vector<DroppedItem> items = DescribeLocalItems(
      {dir.PathOf("a/file.bin"), dir.PathOf("a/missing"), dir.PathOf("a/folder/"), "/",
       "relative.txt", dir.PathOf("b/other.txt")});
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].folder, dir.PathOf("a") + "/");
  EXPECT_EQ(items[0].row.name, "file.bin");
  EXPECT_FALSE(items[0].row.isFolder);
  EXPECT_EQ(SizeText(items[0].row), "4097");
  EXPECT_FALSE(TimeText(items[0].row).empty());
  EXPECT_EQ(items[1].folder, dir.PathOf("a") + "/");
  EXPECT_EQ(items[1].row.name, "folder");
  EXPECT_TRUE(items[1].row.isFolder);
  EXPECT_EQ(SizeText(items[1].row), "0");
  EXPECT_EQ(items[2].folder, dir.PathOf("b") + "/");
  EXPECT_EQ(items[2].row.name, "other.txt");
}
