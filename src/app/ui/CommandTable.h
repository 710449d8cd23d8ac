// The main window's menus, toolbar and accelerators: which command sits
// where, with its status bar prompt and tooltip.
#pragma once

#include <wx/accel.h>
#include <wx/menu.h>
#include <wx/toolbar.h>

#include <string>
#include <vector>

struct CommandText {
  int id;
  const char* prompt;   // shown in the status bar while highlighted; "" if none
  const char* tooltip;  // "" if none
};

// Prompt and tooltip of a command (empty texts when it has none).
CommandText CommandTextFor(int id);

// The toolbar's entries from the left; 0 is a separator.
const std::vector<int>& ToolbarLayout();

// The menu bar with every command of the main menu (owned by the caller
// until handed to a frame).
wxMenuBar* BuildMainMenuBar();
// The Local menu ("Delete", "Refresh", a separator, "Download", "Upload"),
// also the local pane's context menu (owned by the caller).
wxMenu* BuildLocalMenu();
// The Remote menu ("New folder", "Delete", "Refresh", a separator,
// "Download", "Upload", "Cancels the current operation", a separator,
// "Edit"), also the remote pane's context menu (owned by the caller).
wxMenu* BuildRemoteMenu();
// The Background transmission menu ("Start", "Stop selected", "Stop all",
// "Select all"), also the drop window's context menu (owned by the caller).
wxMenu* BuildBackgroundTransmissionMenu();
// Adds the toolbar's buttons and separators and realises it.
void FillToolBar(wxToolBar& toolBar);
// Ctrl+A, F6, Shift+F6 and the standard editing and document keys.
wxAcceleratorTable BuildAccelerators();
