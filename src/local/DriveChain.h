// What the drive and folder box above the local list holds: every root
// (file system root, home, mounts) and, directly under the root that holds
// the shown folder, one entry per folder on the way to it, like a collapsed
// tree. Pure logic: the caller says whether the shown path exists.
#pragma once

#include <string>
#include <vector>

#include "platform/LocalRoots.h"

namespace drivechain {

struct Entry {
  std::string text;                    // bytes: a root's label or a folder's own name
  std::string path;                    // bytes, ends with "/"
  int depth = 0;                       // 0 for roots, 1, 2, 3... along the chain
  std::vector<std::string> iconNames;  // theme icon names, best first
};

struct Chain {
  std::vector<Entry> entries;
  int selected = -1;  // the shown folder's entry; -1 when it has none
};

// What the shown path names on disk.
enum class PathKind { Missing, Folder, File };

// `path` as a folder path: repeated "/" and "." components dropped, one "/"
// at the end. "" stays "".
std::string NormalFolder(const std::string& path);

// Index of the root holding `path`: the one with the longest path that is a
// prefix of `path` on whole components ("/home/ann/" holds "/home/ann/x/"
// and "/home/ann" but not "/home/anna/"). -1 when none does.
int RootHolding(const std::vector<platform::LocalRoot>& roots, const std::string& path);

// The entries for `shownPath`. A file is shown as the folder holding it. A
// missing path, or one that no root holds, gives the roots alone and no
// selection. Roots with the same path after normalising are listed once.
Chain BuildChain(const std::vector<platform::LocalRoot>& roots, const std::string& shownPath,
                 PathKind kind, const std::vector<std::string>& folderIcons);

// The path the local pane opens for an entry: without its trailing "/",
// except that "/" stays "/".
std::string OpenPathOf(const Entry& entry);

}  // namespace drivechain
