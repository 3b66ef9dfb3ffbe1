#pragma once
// The console's fixed command and message numbers. Menus, toolbars, accelerators, message maps
// and the messages between workers, tree and panes all use these values.
#include "platform/WinTypes.h"

// ---- commands -----------------------------------------------------------------------------
constexpr UINT ID_INDICATOR_SERVICE = 2000;       // status-bar pane with the service state
constexpr UINT ID_SERVICE_START = 3002;
constexpr UINT ID_SERVICE_STOP = 3003;
constexpr UINT ID_SERVICE_PAUSE = 3004;           // pause, or continue while paused
constexpr UINT ID_EDIT_NEW = 3005;                // new item (Insert key)
constexpr UINT ID_EDIT_EDIT = 3006;               // edit item
constexpr UINT ID_EDIT_DELETE = 3007;             // delete item (Delete key)
constexpr UINT ID_FILE_CONNECT = 3008;            // connect to a remote machine
constexpr UINT ID_FILE_DISCONNECT = 3009;
constexpr UINT ID_EDIT_CLEAR_ACTIVITY_LOG = 3014;
constexpr UINT ID_EDIT_USE_AS_DEFAULT = 3016;     // make the port configuration the default
constexpr UINT ID_VIEW_LARGE_TOOLBAR = 3018;
constexpr UINT ID_VIEW_SMALL_TOOLBAR = 3019;
constexpr UINT ID_FILE_MAIL_LOGON = 3020;
constexpr UINT ID_FILE_EXCHANGE_SETUP = 3022;
constexpr UINT ID_SERVICE_ACCOUNT = 3026;
constexpr UINT ID_HELP_F1 = 3027;                 // F1 accelerator, handled by every leaf
constexpr UINT ID_FILE_PRINT = 3028;
constexpr UINT ID_EDIT_TEST_MESSAGE = 3035;       // send test message
constexpr UINT ID_HELP_CONTENTS = 3036;
constexpr UINT ID_HELP_VERSION_INFO = 3041;
constexpr UINT ID_EDIT_ACTIVITY_LOG_SETTINGS = 3045;
constexpr UINT ID_FILE_EXPORT_LIST = 3100;        // save the information pane's list as CSV
constexpr UINT ID_APP_ABOUT = 57664;              // 0xE140
constexpr UINT ID_APP_EXIT = 57665;               // 0xE141
constexpr UINT ID_VIEW_TOOLBAR = 59392;           // 0xE800, show/hide the toolbar
constexpr UINT ID_VIEW_STATUS_BAR = 59393;        // 0xE801, show/hide the status bar

// ---- string ids the framework itself uses ---------------------------------------------------
constexpr UINT IDS_APP_TITLE = 57344;             // application title, caption of message boxes

// ---- messages -------------------------------------------------------------------------------
// Posted by a server leaf's status worker to the tree control: wParam new service state,
// lParam the server leaf.
constexpr UINT WM_ALERT_SERVICE_STATE = 0x0401;
// Posted by a server leaf's table worker to the tree control every few seconds: lParam the
// server leaf.
constexpr UINT WM_ALERT_TABLE_TICK = 0x0402;
// Sent by an application-table leaf to the tree control to write its changes: lParam the leaf.
constexpr UINT WM_ALERT_TABLE_REFRESH = 0x0403;
// Tree host -> information pane: show the leaf in lParam.
constexpr UINT WM_ALERT_SHOW_LEAF = 0x0464;
// Information pane: answers 1 when lParam is nonzero.
constexpr UINT WM_ALERT_QUERY_VALUE = 0x0465;
// Tree host -> information pane: the leaf in lParam is being deleted.
constexpr UINT WM_ALERT_LEAF_DELETED = 0x0466;
// Column list -> pane: right-click at a screen point (wParam control id, lParam x | y << 16).
constexpr UINT WM_ALERT_LIST_RCLICK = 0x06BF;
// Text box -> pane: right-click at a screen point (wParam control id, lParam x | y << 16).
constexpr UINT WM_ALERT_TEXT_RCLICK = 0x04C8;

// The popup-menu owner's private "close when idle" message.
constexpr UINT WM_POPMENU_DONE = 0x0401;

// Single-instance handshake: the registered message "Bring Up Alert" carries these values,
// and a console's main frame answers with the reply.
constexpr WPARAM BRING_UP_WPARAM = 0x88A8;
constexpr LPARAM BRING_UP_LPARAM = 0x8960;
constexpr LRESULT BRING_UP_REPLY = 0x12272;

