// The drive and folder chain: which root holds a path, the entries under it,
// the selection, and the system's own roots.
#include <gtest/gtest.h>

#include "local/DriveChain.h"
#include "platform/LocalRoots.h"

using drivechain::BuildChain;
using drivechain::Chain;
using drivechain::PathKind;
using drivechain::RootHolding;
using platform::LocalRoot;

namespace {

const std::vector<std::string> kFolder{"folder"};

std::vector<LocalRoot> Roots() {
  return {{"/", "/", {"drive-harddisk"}},
          {"/home/ann/", "/home/ann", {"user-home"}},
          {"/media/ann/USB STICK/", "USB STICK", {"drive-removable-media"}},
          {"/home/ann/net/", "Share", {"folder-remote"}}};
}

// "text|path|depth" per entry, and the selected index last.
std::vector<std::string> Shape(const Chain& chain) {
  std::vector<std::string> out;
  for (const auto& e : chain.entries)
    out.push_back(e.text + "|" + e.path + "|" + std::to_string(e.depth));
  out.push_back("selected " + std::to_string(chain.selected));
  return out;
}

TEST(DriveChainRoots, LongestRootOnWholeComponents) {
  const auto roots = Roots();
  EXPECT_EQ(RootHolding(roots, "/home/ann/x/"), 1);
  EXPECT_EQ(RootHolding(roots, "/home/ann"), 1);
  EXPECT_EQ(RootHolding(roots, "/home/ann/"), 1);
  EXPECT_EQ(RootHolding(roots, "/home/anna/"), 0);
  EXPECT_EQ(RootHolding(roots, "/home/ann/network/"), 1);
  EXPECT_EQ(RootHolding(roots, "/home/ann/net/a/b"), 3);  // mount inside home wins
  EXPECT_EQ(RootHolding(roots, "/usr/share/"), 0);
  EXPECT_EQ(RootHolding(roots, "/home//ann/./x"), 1);
  EXPECT_EQ(RootHolding(roots, "relative/path"), -1);
  EXPECT_EQ(RootHolding(roots, ""), -1);
  EXPECT_EQ(RootHolding({}, "/usr"), -1);
}

TEST(DriveChainRoots, NormalFolder) {
  EXPECT_EQ(drivechain::NormalFolder("/usr//share/./doc"), "/usr/share/doc/");
  EXPECT_EQ(drivechain::NormalFolder("/"), "/");
  EXPECT_EQ(drivechain::NormalFolder("//"), "/");
  EXPECT_EQ(drivechain::NormalFolder(""), "");
}

TEST(DriveChain, ChainGoesDirectlyUnderTheHoldingRoot) {
  EXPECT_EQ(Shape(BuildChain(Roots(), "/home/ann/docs/2024/tax/", PathKind::Folder, kFolder)),
            (std::vector<std::string>{"/|/|0", "/home/ann|/home/ann/|0", "docs|/home/ann/docs/|1",
                                      "2024|/home/ann/docs/2024/|2",
                                      "tax|/home/ann/docs/2024/tax/|3",
                                      "USB STICK|/media/ann/USB STICK/|0",
                                      "Share|/home/ann/net/|0", "selected 4"}));
  EXPECT_EQ(Shape(BuildChain(Roots(), "/usr/share", PathKind::Folder, kFolder)),
            (std::vector<std::string>{"/|/|0", "usr|/usr/|1", "share|/usr/share/|2",
                                      "/home/ann|/home/ann/|0",
                                      "USB STICK|/media/ann/USB STICK/|0",
                                      "Share|/home/ann/net/|0", "selected 2"}));
  const Chain last = BuildChain(Roots(), "/home/ann/net/a", PathKind::Folder, kFolder);
  ASSERT_EQ(last.entries.size(), 5u);
  EXPECT_EQ(last.entries[4].path, "/home/ann/net/a/");
  EXPECT_EQ(last.entries[4].iconNames, kFolder);
  EXPECT_EQ(last.entries[3].iconNames, std::vector<std::string>{"folder-remote"});
  EXPECT_EQ(last.selected, 4);
}

TEST(DriveChain, RootItselfIsSelectedWithoutChain) {
  EXPECT_EQ(BuildChain(Roots(), "/", PathKind::Folder, kFolder).selected, 0);
  const Chain home = BuildChain(Roots(), "/home/ann/", PathKind::Folder, kFolder);
  EXPECT_EQ(home.entries.size(), 4u);
  EXPECT_EQ(home.selected, 1);
  EXPECT_EQ(BuildChain(Roots(), "/media/ann/USB STICK", PathKind::Folder, kFolder).selected, 2);
}

TEST(DriveChain, MissingOrUnplaceablePathGivesRootsOnly) {
  for (const Chain& chain : {BuildChain(Roots(), "/home/ann/gone/", PathKind::Missing, kFolder),
                             BuildChain(Roots(), "", PathKind::Folder, kFolder),
                             BuildChain(Roots(), "rel/dir", PathKind::Folder, kFolder)}) {
    EXPECT_EQ(chain.entries.size(), 4u);
    EXPECT_EQ(chain.selected, -1);
  }
  // No roots at all: nothing to hang a chain on.
  const Chain none = BuildChain({}, "/usr", PathKind::Folder, kFolder);
  EXPECT_TRUE(none.entries.empty());
  EXPECT_EQ(none.selected, -1);
}

TEST(DriveChain, FileIsShownAsItsFolder) {
  const Chain chain = BuildChain(Roots(), "/etc/hosts", PathKind::File, kFolder);
  ASSERT_EQ(chain.selected, 1);
  EXPECT_EQ(chain.entries[1].path, "/etc/");
  EXPECT_EQ(chain.entries.size(), 5u);
}

TEST(DriveChain, NamesKeepTheirBytes) {
  const std::string odd = std::string("bad\xff\xfe") + "name\nline";
  const Chain chain = BuildChain(Roots(), "/tmp/" + odd + "/x", PathKind::Folder, kFolder);
  ASSERT_EQ(chain.selected, 3);
  EXPECT_EQ(chain.entries[2].text, odd);
  EXPECT_EQ(chain.entries[2].path, "/tmp/" + odd + "/");
  EXPECT_EQ(drivechain::OpenPathOf(chain.entries[3]), "/tmp/" + odd + "/x");
  EXPECT_EQ(drivechain::OpenPathOf(chain.entries[0]), "/");
}

TEST(DriveChain, DuplicateAndOddRootsAreListedOnce) {
  std::vector<LocalRoot> roots{{"/", "/", {}}, {"/", "again", {}}, {"/srv", "", {}},
                               {"/srv/", "dup", {}}, {"relative/", "rel", {}}};
  const Chain chain = BuildChain(roots, "/srv/data", PathKind::Folder, kFolder);
  EXPECT_EQ(Shape(chain), (std::vector<std::string>{"/|/|0", "/srv/|/srv/|0",
                                                    "data|/srv/data/|1", "selected 2"}));
}

TEST(DriveChainRoots, SystemRootsStartWithRootThenHome) {
  const std::vector<LocalRoot> roots = platform::ListLocalRoots();
  ASSERT_GE(roots.size(), 2u);
  EXPECT_EQ(roots[0].path, "/");
  EXPECT_EQ(roots[0].label, "/");
  EXPECT_EQ(roots[0].iconNames.front(), "drive-harddisk");
  EXPECT_EQ(roots[1].iconNames.front(), "user-home");
  EXPECT_EQ(roots[1].path, roots[1].label + "/");
  for (std::size_t i = 0; i < roots.size(); ++i) {
    EXPECT_EQ(roots[i].path.back(), '/');
    EXPECT_EQ(roots[i].path.front(), '/');
    EXPECT_FALSE(roots[i].label.empty());
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(roots[i].path, roots[j].path);
  }
}

}  // namespace
