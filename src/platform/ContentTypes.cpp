#include "platform/ContentTypes.h"

#include <gio/gio.h>

namespace platform {
namespace {

std::string TakeText(gchar* text) {
  std::string result = text ? text : "";
  g_free(text);
  return result;
}

ContentType Describe(const std::string& id) {
  ContentType type;
  type.id = id;
  type.description = TakeText(g_content_type_get_description(id.c_str()));
  GIcon* icon = g_content_type_get_icon(id.c_str());
  if (icon && G_IS_THEMED_ICON(icon)) {
    const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
    for (; names && *names; ++names) type.iconNames.emplace_back(*names);
  }
  if (icon) g_object_unref(icon);
  std::string generic = TakeText(g_content_type_get_generic_icon_name(id.c_str()));
  if (!generic.empty()) type.iconNames.push_back(generic);
  return type;
}

}  // namespace

ContentType ContentTypeOfName(const std::string& name) {
  gboolean uncertain = FALSE;
  return Describe(TakeText(g_content_type_guess(name.c_str(), nullptr, 0, &uncertain)));
}

ContentType FolderContentType() {
  ContentType type = Describe("inode/directory");
  type.iconNames.insert(type.iconNames.begin(), "folder");
  return type;
}

}  // namespace platform
