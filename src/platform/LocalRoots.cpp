#include "platform/LocalRoots.h"

#include <gio/gio.h>

#include <algorithm>

namespace platform {
namespace {

std::string AsFolder(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::vector<std::string> IconNamesOf(GIcon* icon) {
  std::vector<std::string> names;
  if (icon && G_IS_THEMED_ICON(icon)) {
    const gchar* const* list = g_themed_icon_get_names(G_THEMED_ICON(icon));
    for (; list && *list; ++list) names.emplace_back(*list);
  }
  return names;
}

// The mount's root as a local path, or "" when it has none.
std::string LocalPathOf(GMount* mount) {
  GFile* root = g_mount_get_root(mount);
  if (!root) return "";
  gchar* path = g_file_get_path(root);
  g_object_unref(root);
  std::string result = path ? path : "";
  g_free(path);
  return result;
}

LocalRoot DescribeMount(GMount* mount, const std::string& path) {
  LocalRoot root;
  root.path = AsFolder(path);
  gchar* name = g_mount_get_name(mount);
  root.label = name ? name : "";
  g_free(name);
  if (root.label.empty()) root.label = path;
  GIcon* icon = g_mount_get_icon(mount);
  root.iconNames = IconNamesOf(icon);
  if (icon) g_object_unref(icon);
  root.iconNames.push_back("drive-harddisk");
  return root;
}

}  // namespace

std::vector<LocalRoot> ListLocalRoots() {
  std::vector<LocalRoot> roots;
  auto add = [&roots](LocalRoot root) {
    const bool known = std::any_of(roots.begin(), roots.end(),
                                   [&](const LocalRoot& r) { return r.path == root.path; });
    if (!known) roots.push_back(std::move(root));
  };
  add({"/", "/", {"drive-harddisk"}});

  std::string home = g_get_home_dir() ? g_get_home_dir() : "";
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  if (!home.empty() && home.front() == '/') add({AsFolder(home), home, {"user-home", "folder"}});

  GVolumeMonitor* monitor = g_volume_monitor_get();
  if (!monitor) return roots;
  GList* mounts = g_volume_monitor_get_mounts(monitor);
  for (GList* item = mounts; item; item = item->next) {
    GMount* mount = G_MOUNT(item->data);
    if (g_mount_is_shadowed(mount)) continue;
    const std::string path = LocalPathOf(mount);
    if (path.empty() || path.front() != '/') continue;
    add(DescribeMount(mount, path));
  }
  g_list_free_full(mounts, g_object_unref);
  g_object_unref(monitor);
  return roots;
}

}  // namespace platform
