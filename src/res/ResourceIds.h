#pragma once
// Ids of the console's resources other than strings: menus, toolbars, accelerators, bitmaps,
// icons, cursors, dialog templates, and the indices of the tree's image lists.
#include "platform/WinTypes.h"

// ---- menus, accelerators, toolbars, icons --------------------------------------------------
constexpr UINT IDR_MAINFRAME = 128;          // menu bar, accelerator table, application icon
constexpr UINT IDR_MENU_LEAF = 134;          // default leaf popup
constexpr UINT IDR_MENU_SERVER = 151;        // server leaf
constexpr UINT IDR_MENU_NETLEAF = 161;       // network-browser leaf (connect as, disconnect)
constexpr UINT IDR_MENU_TEXTLOG = 163;       // plain-text activity log
constexpr UINT IDR_MENU_PORT = 167;          // port leaf
constexpr UINT IDR_MENU_EMAIL = 170;         // e-mail method and recipients
constexpr UINT IDR_MENU_NOTES = 171;         // Lotus Notes method
constexpr UINT IDR_MENU_RINGLOG = 187;       // ring activity log
constexpr UINT IDR_MENU_SMTP = 190;          // SMTP method and recipients
constexpr UINT IDR_TOOLBAR_SMALL = 139;      // 16x15 buttons
constexpr UINT IDR_TOOLBAR_LARGE = 168;      // 24x24 buttons

// ---- bitmaps and cursors ---------------------------------------------------------------------
constexpr UINT IDB_TREE_IMAGES = 131;        // the tree's item images, one 16x16 cell per index
constexpr UINT IDB_TREE_IMAGES_SELECTED = 148; // the same images for selected rows
constexpr UINT IDB_SPLASH = 153;             // splash picture
constexpr UINT IDC_COLUMN_RESIZE = 101;      // cursor over a column border of the column list

// ---- dialog templates -------------------------------------------------------------------------
constexpr UINT IDD_ABOUT = 100;
constexpr UINT IDD_SPLASH = 134;
constexpr UINT IDD_PAGER = 141;
constexpr UINT IDD_BROADCAST_RECIPIENTS = 143;
constexpr UINT IDD_SERVER_LOGON = 152;
constexpr UINT IDD_EVENTLOG_RECIPIENTS = 153;
constexpr UINT IDD_SNMP_RECIPIENT = 155;
constexpr UINT IDD_TICKET_RECIPIENTS = 158;
constexpr UINT IDD_NET_LOGON = 160;
constexpr UINT IDD_PORT = 164;
constexpr UINT IDD_MAIL_ATTRIBUTES = 173;
constexpr UINT IDD_SERVICE_ACCOUNT = 178;
constexpr UINT IDD_NOTES_SETTINGS = 183;
constexpr UINT IDD_VERSION_INFO = 185;
constexpr UINT IDD_LOG_CONFIG = 186;
constexpr UINT IDD_SMTP_SETTINGS = 191;
constexpr UINT IDD_SMTP_RECIPIENT = 10001;

// ---- tree image indices (list 0 from bitmap 131, list 1 from bitmap 148) -------------------
enum TreeImageIndex : int {
    IMG_APP_TABLE = 0,        // application alert table
    IMG_PAGER = 1,            // pager method
    IMG_BROADCAST = 2,        // broadcast method and recipients
    IMG_SNMP = 3,             // SNMP method; SNMP recipient without a send method
    IMG_MAIL = 4,             // Microsoft Mail and SMTP methods
    IMG_LOG = 5,              // event log and activity logs
    IMG_RECIPIENT = 6,        // pager, e-mail, SMTP and Notes recipients
    IMG_UNUSED_7 = 7,
    IMG_COMPUTER = 8,         // server leaf; network resources of other kinds
    IMG_NET_SERVER = 9,       // server found in the network
    IMG_NETWORK = 10,         // network provider
    IMG_UNUSED_11 = 11,
    IMG_ACTIVITY = 12,        // activity group of a server
    IMG_CONFIG = 13,          // configuration of a server
    IMG_EVENTLOG_METHOD = 14, // Windows event-log method and recipients
    IMG_DOMAIN = 15,          // domain or workgroup
    IMG_SNMP_IP = 16,         // SNMP recipient reached over IP
    IMG_SNMP_IPX = 17,        // SNMP recipient reached over IPX
    IMG_TICKET = 18,          // trouble-ticket method and recipients
    IMG_DIRECTORY = 19,       // directory tree or container
    IMG_DISK_SHARE = 20,      // shared folder
    IMG_PRINT_SHARE = 21,     // shared printer
    IMG_IMPORTANT = 22,       // severity 1, important
    IMG_WARNING = 23,         // severity 2, warning; the alert summary
    IMG_INFORMATION = 24,     // severity 3, information
    IMG_PORT_CONFIG = 25,     // port configuration
    IMG_PORT = 26,            // one port configuration
    IMG_NOTES = 27,           // Lotus Notes method
    IMG_UNUSED_28 = 28,
    IMG_EXCHANGE = 29,        // Microsoft Exchange method
    IMG_COUNT = 30
};
