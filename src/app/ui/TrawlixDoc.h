// The document that links the panes: the local folder the local pane shows
// and the transfer queue the queue view is to show. It has no file format.
// CTrawlixView is the document's nominal view; the main frame shows its own
// panes instead, so it is never created.
#pragma once

#include <string>

class CFileQueue;

class CTrawlixDoc {
 public:
  // Sets localFolder. The path is kept whole, never cut: a cut path would
  // name another folder. Whoever puts it into a queue entry checks that it
  // fits (FitsEntryFields).
  void SetLocalFolder(const std::string& folder);

  std::string localFolder;             // ends with the path separator
  CFileQueue* shownQueue = nullptr;    // not owned; the foreground session's queue
};

class CTrawlixView {};
