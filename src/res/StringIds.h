#pragma once
// Named ids of the string table (res/strings.tsv). The numbered system strings are loaded by
// their numbers; the ids here are texts the console shows that carry no number of their own
// (9000-9999), and the framework's standard strings.
#include "platform/WinTypes.h"

// ---- texts without a number of their own -------------------------------------------------
constexpr UINT IDS_OOPS = 9000;                    // "Oops..." status pane, unexpected service state
constexpr UINT IDS_WNETENUMRESOURCE = 9001;        // "WNetEnumResource" network enumeration failed
constexpr UINT IDS_VERSION_UNKNOWN = 9002;         // "?.?" file without a readable version
constexpr UINT IDS_TEXT_LOG_HEADING = 9003;        // "Data" heading of the plain-text activity log
constexpr UINT IDS_ADDRESS_BOOK = 9004;            // "Address Book" caption of the address book
constexpr UINT IDS_ADDRESS_TO = 9005;              // "To" address book field
constexpr UINT IDS_ADDRESS_CC = 9006;              // "CC" address book field
constexpr UINT IDS_SNMP_IP = 9007;                 // "IP" SNMP send method
constexpr UINT IDS_SNMP_IPX = 9008;                // "IPX" SNMP send method
constexpr UINT IDS_BROADCAST_NOTE = 9009;          // note under the broadcast recipients (dialog 143)
constexpr UINT IDS_SMTP_SUBJECT_BUILTIN = 9010;    // "Alert Notification" when 6107 is empty
constexpr UINT IDS_SMTP_ADDRESS_BUILTIN = 9011;    // sample recipient address when 6104 is empty
constexpr UINT IDS_SMTP_NAME_BUILTIN = 9012;       // sample display name when 6105 is empty
constexpr UINT IDS_SMTP_SENDER_BUILTIN = 9013;     // sample sender address when 6106 is empty
constexpr UINT IDS_SPLASH_SUBTITLE = 9030;         // subtitle of the splash picture
constexpr UINT IDS_TOOLBAR_TITLE = 9031;           // title of the (floating) toolbar
constexpr UINT IDS_PRINTING = 9032;                // progress text while a print job runs
constexpr UINT IDS_BUTTON_OK = 9040;               // message box buttons
constexpr UINT IDS_BUTTON_CANCEL = 9041;
constexpr UINT IDS_BUTTON_YES = 9042;
constexpr UINT IDS_BUTTON_NO = 9043;
constexpr UINT IDS_EDITED_ITEM_GONE = 9060;        // OK in a dialog whose item was removed meanwhile
constexpr UINT IDS_TEST_NO_RECORD = 9061;          // test message for a recipient without a record
constexpr UINT IDS_CHANGED_ELSEWHERE = 9080;       // a write not made: %1 (table or file) on %2 changed elsewhere
constexpr UINT IDS_WRITE_REFUSED = 9081;           // the store refused the write of %1 on machine %2
constexpr UINT IDS_EXPORT_CAPTION = 9100;          // caption of the export file dialog
constexpr UINT IDS_EXPORT_FILTER = 9101;           // its file-type filter
constexpr UINT IDS_EXPORT_FAILED = 9102;           // the file %1 could not be written
constexpr UINT IDS_ROWS_OF = 9103;                 // "%1 of %2" rows shown, in the status bar
constexpr UINT IDS_LOADING = 9104;                 // status text while a long load runs (%1 percent done)
constexpr UINT IDS_FILTER_TEXT = 9105;             // filter bar labels
constexpr UINT IDS_FILTER_APPLICATION = 9106;
constexpr UINT IDS_FILTER_SEVERITY = 9107;
constexpr UINT IDS_FILTER_FROM = 9108;
constexpr UINT IDS_FILTER_TO = 9109;
constexpr UINT IDS_FILTER_ANY = 9110;
constexpr UINT IDS_FILTER_CLEAR = 9111;
constexpr UINT IDS_MACHINE_LINE = 9160;           // "電腦：%1", the machine a failure concerns
constexpr UINT IDS_PORT_FILE_NOT_WRITTEN = 9130;   // PORT.CFG exists but could not be written
constexpr UINT IDS_PORT_IDS_EXHAUSTED = 9131;      // no port configuration id left
constexpr UINT IDS_HELP_MISSING = 9600;           // the help page does not exist (%1 its path)
constexpr UINT IDS_HELP_NOT_OPENED = 9601;         // no browser opened the help page (%1 its path)
constexpr UINT IDS_SNMP_ADDRESS_REFUSED = 9602;    // an SNMP address part above 255 (%1 the address)
constexpr UINT IDS_SMTP_ADDRESS_EMPTY = 9603;      // the SMTP recipient dialog's address is empty
constexpr UINT IDS_SMTP_ADDRESS_NO_AT = 9604;      // the SMTP recipient address has no "@" (%1 it)

// ---- framework strings --------------------------------------------------------------------
constexpr UINT IDS_FW_APP_TITLE = 57344;           // application title
constexpr UINT IDS_FW_IDLE_MESSAGE = 57345;        // "就緒" in the status bar's message pane
constexpr UINT IDS_FW_PARSE_INT = 61712;           // dialog validation: not an integer
constexpr UINT IDS_FW_PARSE_INT_RANGE = 61714;     // dialog validation: integer outside %1..%2
constexpr UINT IDS_FW_PARSE_STRING_SIZE = 61716;   // dialog validation: more than %1 characters
