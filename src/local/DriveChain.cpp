#include "local/DriveChain.h"

#include <algorithm>

namespace drivechain {
namespace {

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(start, slash - start);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    start = slash + 1;
  }
  return parts;
}

}  // namespace

std::string NormalFolder(const std::string& path) {
  if (path.empty()) return path;
  std::string out = path.front() == '/' ? "/" : "";
  for (const std::string& part : Components(path)) out += part + '/';
  return out.empty() ? std::string("./") : out;
}

int RootHolding(const std::vector<platform::LocalRoot>& roots, const std::string& path) {
  const std::string folder = NormalFolder(path);
  int best = -1;
  std::size_t bestLength = 0;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    const std::string root = NormalFolder(roots[i].path);
    if (root.empty() || folder.compare(0, root.size(), root) != 0) continue;
    if (best < 0 || root.size() > bestLength) {
      best = static_cast<int>(i);
      bestLength = root.size();
    }
  }
  return best;
}

Chain BuildChain(const std::vector<platform::LocalRoot>& roots, const std::string& shownPath,
                 PathKind kind, const std::vector<std::string>& folderIcons) {
  Chain chain;
  std::vector<platform::LocalRoot> unique;
  for (const platform::LocalRoot& root : roots) {
    const std::string path = NormalFolder(root.path);
    if (path.empty() || path.front() != '/') continue;
    const bool known = std::any_of(unique.begin(), unique.end(),
                                   [&](const platform::LocalRoot& r) { return r.path == path; });
    if (known) continue;
    unique.push_back({path, root.label.empty() ? path : root.label, root.iconNames});
    chain.entries.push_back({unique.back().label, path, 0, root.iconNames});
  }

  std::string folder = NormalFolder(shownPath);
  if (kind == PathKind::Missing || folder.empty() || folder.front() != '/') return chain;
  if (kind == PathKind::File && folder != "/") {
    folder.pop_back();
    folder.erase(folder.rfind('/') + 1);
  }
  const int rootIndex = RootHolding(unique, folder);
  if (rootIndex < 0) return chain;

  std::string path = unique[rootIndex].path;
  int depth = 0;
  for (std::string& name : Components(folder.substr(path.size()))) {
    path += name + '/';
    ++depth;
    chain.entries.insert(chain.entries.begin() + rootIndex + depth,
                         Entry{std::move(name), path, depth, folderIcons});
  }
  chain.selected = rootIndex + depth;
  return chain;
}

std::string OpenPathOf(const Entry& entry) {
  if (entry.path.size() > 1 && entry.path.back() == '/')
    return entry.path.substr(0, entry.path.size() - 1);
  return entry.path;
}

}  // namespace drivechain
