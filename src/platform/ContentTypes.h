// What the desktop calls a file: its content type, the type's name for
// people and the icon names of the theme that draw it. Guessed from the
// name alone, so nothing is read from the file.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct ContentType {
  std::string id;                      // "text/plain", "inode/directory"
  std::string description;             // "plain text document", "folder"
  std::vector<std::string> iconNames;  // best first, as the icon theme names them
};

// The type of a file called `name` (a name, not a path; bytes as the file
// system gives them).
ContentType ContentTypeOfName(const std::string& name);
// The type of a folder.
ContentType FolderContentType();

}  // namespace platform
