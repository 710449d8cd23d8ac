// Local paths as the local pane uses them: "/"-separated, bytes as the file
// system gives them, a folder path ending with "/".
#pragma once

#include <string>

namespace localpath {

// The last component: one trailing "/" removed, then the text after the last
// "/" (the whole text if there is none). "/home/ann/" and "/home/ann" give
// "ann"; "/" gives "".
std::string NameOf(const std::string& path);

// The folder holding a path: one trailing "/" removed, then the text before
// the last "/". "/home/ann/" gives "/home", "/home" and "/" give "/"; a text
// without "/" stays as it is.
std::string ParentOf(const std::string& path);

// `path` with a "/" appended when it lacks one ("" stays "").
std::string AsFolderPath(const std::string& path);

}  // namespace localpath
