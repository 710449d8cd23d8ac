#include "app/ui/TrawlixDoc.h"

void CTrawlixDoc::SetLocalFolder(const std::string& folder) {
  localFolder = folder;
}
