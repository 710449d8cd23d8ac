// Names and parents of "/"-separated local paths.
#include <gtest/gtest.h>

#include "local/LocalPath.h"

using localpath::AsFolderPath;
using localpath::NameOf;
using localpath::ParentOf;

TEST(LocalPath, NameOfTakesTheLastComponent) {
  EXPECT_EQ(NameOf("/home/ann/notes.txt"), "notes.txt");
  EXPECT_EQ(NameOf("/home/ann/"), "ann");
  EXPECT_EQ(NameOf("/home/ann"), "ann");
  EXPECT_EQ(NameOf("plain"), "plain");
  EXPECT_EQ(NameOf("/"), "");
  EXPECT_EQ(NameOf("/odd\nname\xff/"), "odd\nname\xff");
}

TEST(LocalPath, ParentOfStopsAtTheRoot) {
  EXPECT_EQ(ParentOf("/home/ann/old/"), "/home/ann");
  EXPECT_EQ(ParentOf("/home/ann/old"), "/home/ann");
  EXPECT_EQ(ParentOf("/home/"), "/");
  EXPECT_EQ(ParentOf("/home"), "/");
  EXPECT_EQ(ParentOf("/"), "/");
  EXPECT_EQ(ParentOf("relative"), "relative");
  EXPECT_EQ(ParentOf("a/b"), "a");
}

TEST(LocalPath, AsFolderPathEndsInOneSlash) {
  EXPECT_EQ(AsFolderPath("/home/ann"), "/home/ann/");
  EXPECT_EQ(AsFolderPath("/home/ann/"), "/home/ann/");
  EXPECT_EQ(AsFolderPath("/"), "/");
  EXPECT_EQ(AsFolderPath(""), "");
}
