// The string table and the dialog texts: exact texts, escapes, unknown ids, and the data
// files themselves.
#include "res/ResourceData.h"
#include "res/ResourceIds.h"
#include "res/Resources.h"
#include "res/StringIds.h"

#include <gtest/gtest.h>

namespace {

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(StringTable, GivesExactTexts)
{
    EXPECT_EQ(LoadString(104), U("Windows Sockets 初始化失敗。"));
    EXPECT_EQ(LoadString(2001), U("服務:已啟動"));
    EXPECT_EQ(LoadString(5001), U("我的電腦"));
    EXPECT_EQ(LoadString(3518), U("沒有可用資訊"));
    EXPECT_EQ(LoadString(5025), U("Microsoft Exchange"));
    EXPECT_EQ(LoadString(5119), U("建立測試事件 [%d] 失敗"));
    EXPECT_EQ(LoadString(5507), U("選定檔案所在的磁碟機類型不支援電子郵件附件。"));
    // spaces around the text are part of it
    EXPECT_EQ(LoadString(3505), U(" - "));
    EXPECT_EQ(LoadString(3509), U("所有檔案 (*.*) | *.* ||"));
    EXPECT_EQ(LoadString(3503), U("%x"));
    EXPECT_EQ(LoadString(3504), U("%X"));
}

TEST(StringTable, LineFeedsTabsAndBackslashes)
{
    EXPECT_EQ(LoadString(5101), U("Vigimor 正在執行，但我找不到啟動視窗。\n請使用 Windows 工作管理員終止工作，然後重新啟動。"));
    // a line feed at the very end survives
    EXPECT_EQ(LoadString(5105), U("嘗試登入失敗 [%d]\n"));
    EXPECT_EQ(LoadString(4000), U("方式\t收件者"));
    EXPECT_EQ(LoadString(4007), U("標籤\t資料"));
    EXPECT_EQ(LoadString(4013), U("嚴重性\t已產生"));
    EXPECT_EQ(LoadString(4001).split(u'\t').size(), 8);
    EXPECT_EQ(LoadString(4015).split(u'\t').size(), 8);
    // a backslash inside a heading is one literal character, not an escape
    EXPECT_EQ(LoadString(4014), U("日期\\時間\t應用程式\t說明"));
    EXPECT_EQ(LoadString(4019), U("日期\\時間\t說明"));
    EXPECT_EQ(LoadString(4014).count(u'\\'), 1);
    EXPECT_EQ(LoadString(3512), U("HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Sentrel"));
}

TEST(StringTable, FormatsTakeTheirArguments)
{
    EXPECT_EQ(LoadString(5109).arg(U("SRV1")), U("在 SRV1 機器上開啟連接埠配置檔 PORT.CFG 失敗"));
    EXPECT_EQ(QString::asprintf(LoadString(5121).toUtf8().constData(), "SRV1", 5),
              U("儲存機器 SRV1 [5] 的「警示帳戶」資訊失敗。"));
}

TEST(StringTable, TextsWithoutNumbersAndFrameworkStrings)
{
    EXPECT_EQ(LoadString(IDS_OOPS), U("Oops..."));
    EXPECT_EQ(LoadString(IDS_WNETENUMRESOURCE), U("WNetEnumResource"));
    EXPECT_EQ(LoadString(IDS_VERSION_UNKNOWN), U("?.?"));
    EXPECT_EQ(LoadString(IDS_TEXT_LOG_HEADING), U("Data"));
    EXPECT_EQ(LoadString(IDS_SMTP_SUBJECT_BUILTIN), U("Alert Notification"));
    EXPECT_EQ(LoadString(IDS_FW_APP_TITLE), U("Vigimor"));
    EXPECT_EQ(LoadString(IDS_FW_IDLE_MESSAGE), U("就緒"));
    const UINT named[] = {IDS_ADDRESS_BOOK, IDS_ADDRESS_TO, IDS_ADDRESS_CC, IDS_SNMP_IP, IDS_SNMP_IPX,
                          IDS_BROADCAST_NOTE, IDS_SMTP_ADDRESS_BUILTIN, IDS_SMTP_NAME_BUILTIN,
                          IDS_SMTP_SENDER_BUILTIN, IDS_SPLASH_SUBTITLE,
                          IDS_TOOLBAR_TITLE, IDS_PRINTING, IDS_BUTTON_OK, IDS_BUTTON_CANCEL,
                          IDS_BUTTON_YES, IDS_BUTTON_NO, IDS_FW_PARSE_INT, IDS_FW_PARSE_INT_RANGE,
                          IDS_FW_PARSE_STRING_SIZE};
    for (UINT id : named)
        EXPECT_FALSE(LoadString(id).isEmpty()) << id;
    // texts the console fills in must be there: the SMTP samples and the legal notices
    for (UINT id : {6104u, 6105u, 6106u, 3519u, 3520u, 5014u})
        EXPECT_FALSE(LoadString(id).isEmpty()) << id;
}

TEST(StringTable, UnknownIdsGiveNothing)
{
    for (UINT id : {0u, 1u, 4004u, 4021u, 8999u, 65535u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(LoadString(id).isEmpty()) << id;
        EXPECT_FALSE(Res::HasString(id)) << id;
    }
    EXPECT_TRUE(Res::HasString(2000));
    EXPECT_TRUE(Res::CommandPrompt(4004).isEmpty());
    EXPECT_TRUE(Res::CommandTip(4004).isEmpty());
}

TEST(StringTable, CommandPromptsSplitAtTheLineFeed)
{
    EXPECT_EQ(Res::CommandTip(3002), U("啟動服務"));
    EXPECT_FALSE(Res::CommandPrompt(3002).contains(u'\n'));
    EXPECT_EQ(LoadString(3002), Res::CommandPrompt(3002) + u'\n' + Res::CommandTip(3002));
    // a prompt without a tool tip
    EXPECT_EQ(Res::CommandPrompt(3041), U("顯示個別警示模組的版本資訊"));
    EXPECT_TRUE(Res::CommandTip(3041).isEmpty());
}

TEST(StringTable, DataFileIsCleanAndHasNoDuplicates)
{
    const QByteArray data = Res::Data::ReadFile(QStringLiteral("strings.tsv"));
    ASSERT_FALSE(data.isEmpty());
    QStringList problems;
    const auto table = Res::Data::ParseStrings(data, &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    // every text line became one string: no id was given twice
    int lines = 0;
    for (const QByteArray& line : data.split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            ++lines;
    EXPECT_EQ(table.strings.size(), lines);
    EXPECT_GT(lines, 180);
    // no id is both a string and a dialog caption
    for (UINT id : table.strings.keys())
        EXPECT_TRUE(Res::DialogCaption(id).isEmpty()) << id;
}

TEST(StringTableParser, ReadsEscapesOnce)
{
    QStringList problems;
    const auto table = Res::Data::ParseStrings(
        "# comment\n"
        "1\tplain\n"
        "2\tline\\nfeed\\ttab\n"
        "3\tback\\\\nslash\n" // an escaped backslash followed by an n is not a line feed
        "4\tends with backslash \\\\\n"
        "5\tcrlf\r\n"
        "6\t\n",
        &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    EXPECT_EQ(table.strings.value(1), U("plain"));
    EXPECT_EQ(table.strings.value(2), U("line\nfeed\ttab"));
    EXPECT_EQ(table.strings.value(3), U("back\\nslash"));
    EXPECT_EQ(table.strings.value(4), U("ends with backslash \\"));
    EXPECT_EQ(table.strings.value(5), U("crlf"));
    EXPECT_TRUE(table.strings.contains(6));
    EXPECT_TRUE(table.strings.value(6).isEmpty());
}

TEST(StringTableParser, ReportsAndSkipsBadLines)
{
    QStringList problems;
    const auto table = Res::Data::ParseStrings(
        "7\tfirst\n"
        "7\tsecond\n"        // duplicate: the first stands
        "x8\tnot a number\n"
        "99999999999\ttoo big\n"
        "no tab here\n"
        "9\tunknown \\q escape\n"
        "10\traw\ttab\n",
        &problems);
    EXPECT_EQ(table.strings.value(7), U("first"));
    EXPECT_EQ(table.strings.value(9), U("unknown \\q escape"));
    EXPECT_EQ(table.strings.size(), 3);
    ASSERT_EQ(problems.size(), 6) << problems.join(u'\n').toStdString();
    EXPECT_TRUE(problems[0].startsWith(QStringLiteral("line 2:")));
    EXPECT_TRUE(problems[0].contains(QStringLiteral("duplicate")));
}

TEST(DialogTexts, CaptionsAreStringsOfTheDialogId)
{
    EXPECT_EQ(LoadString(IDD_SERVER_LOGON), U("伺服器登入"));
    EXPECT_EQ(Res::DialogCaption(IDD_BROADCAST_RECIPIENTS), U("廣播接收者"));
    EXPECT_EQ(Res::DialogCaption(IDD_SMTP_RECIPIENT), U("SMTP 收件者"));
    EXPECT_EQ(Res::DialogCaption(IDD_VERSION_INFO), U("版本資訊"));
    EXPECT_TRUE(Res::HasString(IDD_NET_LOGON));
    EXPECT_TRUE(Res::DialogCaption(0).isEmpty());
    EXPECT_TRUE(Res::DialogCaption(IDD_SPLASH).isEmpty());
    // every dialog the console builds has its caption
    for (UINT id : {IDD_ABOUT, IDD_PAGER, IDD_BROADCAST_RECIPIENTS, IDD_SERVER_LOGON, IDD_EVENTLOG_RECIPIENTS,
                    IDD_SNMP_RECIPIENT, IDD_TICKET_RECIPIENTS, IDD_NET_LOGON, IDD_PORT, IDD_MAIL_ATTRIBUTES,
                    IDD_SERVICE_ACCOUNT, IDD_NOTES_SETTINGS, IDD_VERSION_INFO, IDD_LOG_CONFIG,
                    IDD_SMTP_SETTINGS, IDD_SMTP_RECIPIENT})
        EXPECT_FALSE(Res::DialogCaption(id).isEmpty()) << id;
}

TEST(DialogTexts, ControlsByDialogAndKind)
{
    using Res::CtrlText;
    EXPECT_EQ(Res::ControlText(IDD_BROADCAST_RECIPIENTS, 1015), U("全部新增(&D) >>"));
    EXPECT_EQ(Res::ControlText(IDD_BROADCAST_RECIPIENTS, 1073, CtrlText::Label), U("收件者:"));
    EXPECT_TRUE(Res::ControlText(IDD_BROADCAST_RECIPIENTS, 1073).isEmpty());
    EXPECT_EQ(Res::ControlText(IDD_PAGER, 1008, CtrlText::Label), U("連線延遲:"));
    EXPECT_EQ(Res::ControlText(IDD_PAGER, 1008, CtrlText::Suffix), U("秒"));
    EXPECT_EQ(Res::ControlText(IDD_LOG_CONFIG, 1113, CtrlText::Group), U("活動日誌"));
    // the same control id means different things in different dialogs
    EXPECT_EQ(Res::ControlText(IDD_NET_LOGON, 1047, CtrlText::Label), U("密碼:"));
    EXPECT_EQ(Res::ControlText(IDD_PORT, 1047, CtrlText::Label), U("說明:"));
    EXPECT_EQ(Res::ControlText(IDD_PORT, 1053), U("作為預設值(&U)"));
    EXPECT_EQ(Res::ControlText(IDD_SMTP_SETTINGS, 1001), U("沒有"));
    EXPECT_EQ(Res::ControlText(IDD_NOTES_SETTINGS, 1110), U("使用者指定帳戶"));
    // OK and Cancel of every dialog, but not of a dialog that does not exist
    EXPECT_EQ(Res::ControlText(IDD_PAGER, 1), U("確定(&O)"));
    EXPECT_EQ(Res::ControlText(IDD_SMTP_RECIPIENT, 2), U("取消(&C)"));
    EXPECT_TRUE(Res::ControlText(999, 1).isEmpty());
    EXPECT_TRUE(Res::ControlText(IDD_PAGER, 1, CtrlText::Label).isEmpty());
    EXPECT_TRUE(Res::ControlText(IDD_PAGER, 0).isEmpty());
}

TEST(DialogTexts, ComboItemsKeepTheirOrder)
{
    EXPECT_EQ(Res::ControlItems(IDD_PAGER, 1004), QStringList({U("數字"), U("字母數字")}));
    EXPECT_EQ(Res::ControlItems(IDD_SNMP_RECIPIENT, 1031), QStringList({U("IP"), U("IPX")}));
    EXPECT_TRUE(Res::ControlItems(IDD_PAGER, 1011).isEmpty());
}

TEST(DialogTexts, DataFileIsClean)
{
    QStringList problems;
    const auto dialogs = Res::Data::ParseDialogs(Res::Data::ReadFile(QStringLiteral("dialogs.tsv")), &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    EXPECT_GT(dialogs.texts.size(), 80);
}

TEST(DialogTextsParser, ReportsBadLines)
{
    QStringList problems;
    const auto dialogs = Res::Data::ParseDialogs(
        "5\t0\tcaption\tA\n"
        "5\t0\tcaption\tB\n"   // duplicate
        "5\t7\tcaption\tC\n"   // a caption on a control
        "5\t7\tcolour\tD\n"    // unknown kind
        "5\t7\ttext\n"         // field missing
        "5\t7\titem\tx\n"
        "5\t7\titem\ty\n",
        &problems);
    EXPECT_EQ(problems.size(), 4) << problems.join(u'\n').toStdString();
    EXPECT_EQ(dialogs.texts.value(Res::Data::DialogKey(5, 0, Res::CtrlText::Own)), U("A"));
    EXPECT_EQ(dialogs.items.value(Res::Data::DialogKey(5, 7, Res::CtrlText::Own)), QStringList({U("x"), U("y")}));
}

} // namespace
