// The command identifiers of the main menu, toolbar and accelerators, and the
// shared resource identifier. The numbers are fixed.
#pragma once

namespace cmd {

inline constexpr int IDR_MAINFRAME = 128;  // menu, toolbar, accelerators, icon

inline constexpr int ID_SITE_MANAGER = 32774;
inline constexpr int ID_QUICK_CONNECT = 32771;
inline constexpr int ID_RECONNECT = 32775;
inline constexpr int ID_DISCONNECT = 32776;
inline constexpr int ID_LOCAL_DELETE = 32795;
inline constexpr int ID_LOCAL_REFRESH = 32794;
inline constexpr int ID_LOCAL_DOWNLOAD = 32796;
inline constexpr int ID_LOCAL_UPLOAD = 32797;
inline constexpr int ID_REMOTE_NEW_FOLDER = 32803;
inline constexpr int ID_REMOTE_DELETE = 32789;
inline constexpr int ID_REMOTE_REFRESH = 32790;
inline constexpr int ID_REMOTE_DOWNLOAD = 32791;
inline constexpr int ID_REMOTE_UPLOAD = 32792;
inline constexpr int ID_CANCEL_OPERATION = 32793;
inline constexpr int ID_REMOTE_EDIT = 32802;
inline constexpr int ID_BACKGROUND_LIST = 32787;
inline constexpr int ID_FOREGROUND_START = 32798;
inline constexpr int ID_FOREGROUND_STOP = 32799;
inline constexpr int ID_BACKGROUND_START = 32804;
inline constexpr int ID_BACKGROUND_STOP_SELECTED = 32805;
inline constexpr int ID_BACKGROUND_STOP_ALL = 32809;
inline constexpr int ID_BACKGROUND_SELECT_ALL = 32808;
inline constexpr int ID_SELECT_ALL = 32806;  // Ctrl+A, taken by the active pane
inline constexpr int ID_APP_ABOUT = 57664;

// wx takes menu and toolbar ids below 32767 only, so the window events carry
// WxId(number): the number less 10000, and wx's own about id for "About".
// Panes bind their handlers with WxId(cmd::ID_...).
inline constexpr int kWxAboutId = 5014;  // wxID_ABOUT
constexpr int WxId(int command) { return command == ID_APP_ABOUT ? kWxAboutId : command - 10000; }
constexpr int CommandOfWxId(int wxId) { return wxId == kWxAboutId ? ID_APP_ABOUT : wxId + 10000; }

// The framework's own commands behind the standard accelerators, and pane
// moves: already wx ids.
inline constexpr int ID_FILE_OPEN = 5000;   // wxID_OPEN
inline constexpr int ID_FILE_NEW = 5002;    // wxID_NEW
inline constexpr int ID_FILE_SAVE = 5003;   // wxID_SAVE
inline constexpr int ID_EDIT_UNDO = 5007;   // wxID_UNDO
inline constexpr int ID_FILE_PRINT = 5010;  // wxID_PRINT
inline constexpr int ID_EDIT_CUT = 5031;    // wxID_CUT
inline constexpr int ID_EDIT_COPY = 5032;   // wxID_COPY
inline constexpr int ID_EDIT_PASTE = 5033;  // wxID_PASTE
inline constexpr int ID_NEXT_PANE = 32700;  // F6
inline constexpr int ID_PREV_PANE = 32701;  // Shift+F6

}  // namespace cmd
