// Local items named by full paths (files dropped from the desktop), each as
// a row of the folder that holds it, so that they make transfer entries the
// way listed rows do.
#pragma once

#include <string>
#include <vector>

#include "local/LocalListing.h"

struct DroppedItem {
  std::string folder;  // the folder holding it, ending with "/"
  LocalRow row;        // its name, kind, size and time
};

// The items in the order given; paths that name nothing (or the root) are
// left out. Each holding folder is read once.
std::vector<DroppedItem> DescribeLocalItems(const std::vector<std::string>& paths);
