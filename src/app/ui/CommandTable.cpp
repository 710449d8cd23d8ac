#include "app/ui/CommandTable.h"

#include <wx/artprov.h>

#include <array>

#include "res/CommandIds.h"

namespace {

using namespace cmd;

static_assert(kWxAboutId == wxID_ABOUT && ID_FILE_OPEN == wxID_OPEN && ID_FILE_NEW == wxID_NEW &&
              ID_FILE_SAVE == wxID_SAVE && ID_EDIT_UNDO == wxID_UNDO &&
              ID_FILE_PRINT == wxID_PRINT && ID_EDIT_CUT == wxID_CUT &&
              ID_EDIT_COPY == wxID_COPY && ID_EDIT_PASTE == wxID_PASTE);

constexpr std::array<CommandText, 22> kTexts = {{
    {ID_SITE_MANAGER, "Select Server", "Select Server"},
    {ID_QUICK_CONNECT, "QuickConnect", "QuickConnect"},
    {ID_RECONNECT, "Reconnect", "QuickConnect"},
    {ID_DISCONNECT, "Disconnect", "Disconnect"},
    {ID_LOCAL_DELETE, "Delete selected file", "Delete"},
    {ID_LOCAL_REFRESH, "Refresh", "Refresh"},
    {ID_LOCAL_DOWNLOAD, "Download", "Download"},
    {ID_LOCAL_UPLOAD, "Upload", "Upload"},
    {ID_REMOTE_NEW_FOLDER, "", ""},
    {ID_REMOTE_DELETE, "Delete selected file", "Delete"},
    {ID_REMOTE_REFRESH, "Refresh", "Refresh"},
    {ID_REMOTE_DOWNLOAD, "Download", "Download"},
    {ID_REMOTE_UPLOAD, "Upload", "Upload"},
    {ID_CANCEL_OPERATION, "Stop", "Stop"},
    {ID_REMOTE_EDIT, "Remote Edit", "Edit"},
    {ID_BACKGROUND_LIST, "Transfer Queue", "Transfer Queue"},
    {ID_FOREGROUND_START, "Start Foreground download", "Start download"},
    {ID_FOREGROUND_STOP, "Stop Foreground download", "Stop download"},
    // Stored with "/n" instead of a line break: all prompt, no tooltip.
    {ID_BACKGROUND_START, "Start Background transmission/nStart", ""},
    {ID_BACKGROUND_SELECT_ALL, "Select all", "Select all"},
    {ID_APP_ABOUT, "Display program information, version number and copyright", "About"},
    {ID_SELECT_ALL, "", ""},
}};

struct MenuItem {
  int id;
  const char* label;
};

void AddItems(wxMenu& menu, std::initializer_list<MenuItem> items) {
  for (const MenuItem& item : items)
    menu.Append(WxId(item.id), item.label, CommandTextFor(item.id).prompt);
}

wxArtID ArtFor(int id) {
  switch (id) {
    case ID_SITE_MANAGER: return wxART_LIST_VIEW;
    case ID_QUICK_CONNECT: return wxART_GO_FORWARD;
    case ID_RECONNECT: return wxART_REDO;
    case ID_DISCONNECT: return wxART_CLOSE;
    case ID_LOCAL_DOWNLOAD: return wxART_GO_DOWN;
    case ID_LOCAL_UPLOAD: return wxART_GO_UP;
    case ID_LOCAL_DELETE: return wxART_DELETE;
    case ID_CANCEL_OPERATION: return wxART_CROSS_MARK;
    case ID_REMOTE_REFRESH: return wxART_REFRESH;
    case ID_REMOTE_EDIT: return wxART_EDIT;
    case ID_FOREGROUND_START: return wxART_TICK_MARK;
    case ID_FOREGROUND_STOP: return wxART_MINUS;
    case ID_APP_ABOUT: return wxART_HELP;
    default: return wxART_MISSING_IMAGE;
  }
}

}  // namespace

CommandText CommandTextFor(int id) {
  for (const CommandText& t : kTexts)
    if (t.id == id) return t;
  return {id, "", ""};
}

const std::vector<int>& ToolbarLayout() {
  static const std::vector<int> layout = {
      ID_SITE_MANAGER,    ID_QUICK_CONNECT,  ID_RECONNECT,    ID_DISCONNECT,
      0,                  ID_LOCAL_DOWNLOAD, ID_LOCAL_UPLOAD, ID_LOCAL_DELETE,
      0,                  ID_CANCEL_OPERATION, ID_REMOTE_REFRESH, 0,
      ID_REMOTE_EDIT,     ID_FOREGROUND_START, ID_FOREGROUND_STOP, ID_APP_ABOUT};
  return layout;
}

wxMenu* BuildLocalMenu() {
  auto* local = new wxMenu;
  AddItems(*local, {{ID_LOCAL_DELETE, "Delete"}, {ID_LOCAL_REFRESH, "Refresh"}});
  local->AppendSeparator();
  AddItems(*local, {{ID_LOCAL_DOWNLOAD, "Download"}, {ID_LOCAL_UPLOAD, "Upload"}});
  return local;
}

wxMenu* BuildRemoteMenu() {
  auto* remote = new wxMenu;
  AddItems(*remote, {{ID_REMOTE_NEW_FOLDER, "New folder"},
                     {ID_REMOTE_DELETE, "Delete"},
                     {ID_REMOTE_REFRESH, "Refresh"}});
  remote->AppendSeparator();
  AddItems(*remote, {{ID_REMOTE_DOWNLOAD, "Download"},
                     {ID_REMOTE_UPLOAD, "Upload"},
                     {ID_CANCEL_OPERATION, "Cancels the current operation"}});
  remote->AppendSeparator();
  AddItems(*remote, {{ID_REMOTE_EDIT, "Edit"}});
  return remote;
}

wxMenu* BuildBackgroundTransmissionMenu() {
  auto* background = new wxMenu;
  AddItems(*background, {{ID_BACKGROUND_START, "Start"},
                         {ID_BACKGROUND_STOP_SELECTED, "Stop selected"},
                         {ID_BACKGROUND_STOP_ALL, "Stop all"},
                         {ID_BACKGROUND_SELECT_ALL, "Select all"}});
  return background;
}

wxMenuBar* BuildMainMenuBar() {
  // Menus belong to the menu bar, the menu bar to the frame it is set on.
  auto* connect = new wxMenu;
  AddItems(*connect, {{ID_SITE_MANAGER, "Site Manager"},
                      {ID_QUICK_CONNECT, "Quickconnect site"},
                      {ID_RECONNECT, "Reconnect"},
                      {ID_DISCONNECT, "Disconnect"}});
  wxMenu* local = BuildLocalMenu();
  wxMenu* remote = BuildRemoteMenu();
  auto* window = new wxMenu;
  window->AppendCheckItem(WxId(ID_BACKGROUND_LIST), "Background transmission list",
                          CommandTextFor(ID_BACKGROUND_LIST).prompt);
  auto* foreground = new wxMenu;
  AddItems(*foreground, {{ID_FOREGROUND_START, "Start"}, {ID_FOREGROUND_STOP, "Stop"}});
  wxMenu* background = BuildBackgroundTransmissionMenu();
  auto* help = new wxMenu;
  AddItems(*help, {{ID_APP_ABOUT, "About"}});

  auto* bar = new wxMenuBar;
  bar->Append(connect, "Connect");
  bar->Append(local, "Local");
  bar->Append(remote, "Remote");
  bar->Append(window, "Window");
  bar->Append(foreground, "Foreground transmission");
  bar->Append(background, "Background transmission");
  bar->Append(help, "Help");
  return bar;
}

void FillToolBar(wxToolBar& toolBar) {
  const wxSize size(16, 16);
  for (int id : ToolbarLayout()) {
    if (id == 0) {
      toolBar.AddSeparator();
      continue;
    }
    const CommandText text = CommandTextFor(id);
    toolBar.AddTool(WxId(id), "", wxArtProvider::GetBitmap(ArtFor(id), wxART_TOOLBAR, size),
                    text.tooltip, wxITEM_NORMAL);
    toolBar.SetToolLongHelp(WxId(id), text.prompt);
  }
  toolBar.Realize();
}

wxAcceleratorTable BuildAccelerators() {
  const wxAcceleratorEntry entries[] = {
      {wxACCEL_CTRL, 'A', WxId(ID_SELECT_ALL)},
      {wxACCEL_NORMAL, WXK_F6, ID_NEXT_PANE},
      {wxACCEL_SHIFT, WXK_F6, ID_PREV_PANE},
      {wxACCEL_CTRL, 'N', ID_FILE_NEW},
      {wxACCEL_CTRL, 'O', ID_FILE_OPEN},
      {wxACCEL_CTRL, 'S', ID_FILE_SAVE},
      {wxACCEL_CTRL, 'P', ID_FILE_PRINT},
      {wxACCEL_CTRL, 'C', ID_EDIT_COPY},
      {wxACCEL_CTRL, 'X', ID_EDIT_CUT},
      {wxACCEL_CTRL, 'V', ID_EDIT_PASTE},
      {wxACCEL_CTRL, 'Z', ID_EDIT_UNDO},
      {wxACCEL_CTRL, WXK_INSERT, ID_EDIT_COPY},
      {wxACCEL_SHIFT, WXK_INSERT, ID_EDIT_PASTE},
      {wxACCEL_SHIFT, WXK_DELETE, ID_EDIT_CUT},
      {wxACCEL_ALT, WXK_BACK, ID_EDIT_UNDO},
  };
  return wxAcceleratorTable(static_cast<int>(std::size(entries)), entries);
}
