// The program's entry point: the wx application object CTrawlixApp.
#include "app/ui/TrawlixApp.h"

wxIMPLEMENT_APP(CTrawlixApp);
