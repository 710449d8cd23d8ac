#include "platform/OpenFile.h"

#include <gio/gio.h>

namespace platform {

std::string OpenWithDefaultApplication(const std::string& path) {
  GFile* file = g_file_new_for_path(path.c_str());
  gchar* uri = g_file_get_uri(file);
  g_object_unref(file);
  GError* error = nullptr;
  const gboolean launched = g_app_info_launch_default_for_uri(uri, nullptr, &error);
  g_free(uri);
  if (launched) return "";
  std::string reason = error ? error->message : "The desktop could not open the file.";
  if (error) g_error_free(error);
  return reason;
}

}  // namespace platform
