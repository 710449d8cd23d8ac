// The document that links the panes: the local folder the local pane shows
// and the transfer queue the queue view is to show. It has no file format.
// CTrawlixView is the document's nominal view; the main frame shows its own
// panes instead, so it is never created.
#pragma once

#include <string>

class CFileQueue;

class CTrawlixDoc {
 public:
  // Longest local folder path kept (a 260-byte field with its terminator).
  static constexpr std::size_t kMaxFolderLength = 259;

  // Sets localFolder, cut to kMaxFolderLength characters.
  void SetLocalFolder(const std::string& folder);

  std::string localFolder;             // ends with the path separator
  CFileQueue* shownQueue = nullptr;    // not owned; the foreground session's queue
};

class CTrawlixView {};
