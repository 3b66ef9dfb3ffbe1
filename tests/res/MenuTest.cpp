// Menus, accelerators and toolbar command lists.
#include "res/ResourceData.h"
#include "res/ResourceIds.h"
#include "res/Resources.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Every command the console answers.
const std::set<UINT> kCommands = {3002, 3003, 3004, 3005, 3006, 3007, 3008, 3009, 3012, 3013, 3014,
                                  3016, 3018, 3019, 3020, 3021, 3022, 3026, 3027, 3028, 3035, 3036,
                                  3038, 3041, 3045, 3046, 3100, 57664, 57665, 59392, 59393};

// The command ids of a popup in order, 0 for a separator.
std::vector<UINT> Commands(const Res::MenuItem& popup)
{
    std::vector<UINT> ids;
    for (const auto& item : popup.children)
        ids.push_back(item.separator ? 0 : item.id);
    return ids;
}

const Res::MenuItem& PopupOf(UINT menuId)
{
    const Res::MenuItem* menu = Res::Menu(menuId);
    static const Res::MenuItem empty;
    if (!menu || menu->children.empty())
        return empty;
    return menu->children.front();
}

template <typename Visit>
void ForEachPopup(const Res::MenuItem& item, Visit visit)
{
    for (const auto& child : item.children)
        if (!child.separator && child.id == 0) {
            visit(child);
            ForEachPopup(child, visit);
        }
}

const UINT kAllMenus[] = {IDR_MAINFRAME, IDR_MENU_LEAF, IDR_MENU_SERVER, IDR_MENU_NETLEAF, IDR_MENU_TEXTLOG,
                          IDR_MENU_PORT, IDR_MENU_EMAIL, IDR_MENU_NOTES, IDR_MENU_RINGLOG, IDR_MENU_SMTP};

TEST(Menus, MenuBarHasItsFivePopups)
{
    const Res::MenuItem* bar = Res::Menu(IDR_MAINFRAME);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->children.size(), 5u);
    const QStringList titles = {U("檔案(&F)"), U("服務(&S)"), U("編輯(&E)"), U("檢視(&V)"), U("說明(&H)")};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(bar->children[i].text, titles[i]);
    EXPECT_EQ(Commands(bar->children[0]), (std::vector<UINT>{3008, 3009, 0, 3028, 3100, 0, 3022, 3020, 0, 57665}));
    EXPECT_EQ(Commands(bar->children[1]), (std::vector<UINT>{3026, 0, 3002, 3003, 3004}));
    EXPECT_EQ(Commands(bar->children[2]), (std::vector<UINT>{3005, 3006, 3007, 0, 3035, 0, 3014, 3045}));
    EXPECT_EQ(Commands(bar->children[3]), (std::vector<UINT>{59392, 59393, 0, 3018, 3019}));
    EXPECT_EQ(Commands(bar->children[4]), (std::vector<UINT>{3036, 0, 57664, 3041}));
}

TEST(Menus, PopupsOfTheLeaves)
{
    const std::map<UINT, std::vector<UINT>> expected = {
        {134, {3005, 3006, 3007, 0, 3035}},
        {151, {3026, 0, 3002, 3003, 3004, 0, 3009}},
        {161, {3012, 3013}},
        {163, {3014}},
        {167, {3005, 3006, 3007, 0, 3016}},
        {170, {3005, 3006, 3007, 0, 3035, 0, 3021, 3022, 3020}},
        {171, {3005, 3006, 3007, 0, 3035, 0, 3021, 3038}},
        {187, {3014, 3045}},
        {190, {3005, 3006, 3007, 0, 3035, 0, 3046}},
    };
    for (const auto& [id, commands] : expected) {
        const Res::MenuItem* menu = Res::Menu(id);
        ASSERT_NE(menu, nullptr) << id;
        ASSERT_EQ(menu->children.size(), 1u) << id;
        EXPECT_EQ(Commands(menu->children.front()), commands) << id;
    }
    EXPECT_EQ(PopupOf(134).text, U("預設警示分葉"));
    EXPECT_EQ(PopupOf(151).text, U("伺服器分葉功能表"));
    EXPECT_EQ(PopupOf(161).text, U("CNetLeaf 按右鍵"));
    EXPECT_EQ(PopupOf(167).text, U("連接埠分葉功能表"));
    EXPECT_EQ(PopupOf(170).text, U("電子郵件分葉功能表"));
    EXPECT_EQ(PopupOf(171).text, U("Notes 分葉功能表"));
    EXPECT_EQ(PopupOf(190).text, U("SMTP 分葉"));
    EXPECT_EQ(PopupOf(161).children[0].text, U("連線身份(&C)..."));
    EXPECT_EQ(PopupOf(161).children[1].text, U("中斷連線(&D)"));
    EXPECT_EQ(PopupOf(167).children[4].text, U("作為預設值(&U)"));
}

TEST(Menus, UnknownMenusAreNull)
{
    EXPECT_EQ(Res::Menu(0), nullptr);
    EXPECT_EQ(Res::Menu(135), nullptr);
    EXPECT_EQ(Res::Menu(IDR_TOOLBAR_SMALL), nullptr);
}

TEST(Menus, EveryItemIsAKnownCommandWithTextAndPrompt)
{
    for (UINT menuId : kAllMenus) {
        ForEachPopup(*Res::Menu(menuId), [&](const Res::MenuItem& popup) {
            EXPECT_FALSE(popup.text.isEmpty()) << menuId;
            for (const auto& item : popup.children) {
                if (item.separator) {
                    EXPECT_EQ(item.id, 0u);
                    EXPECT_TRUE(item.text.isEmpty());
                    continue;
                }
                if (item.id == 0)
                    continue; // a submenu
                EXPECT_TRUE(kCommands.count(item.id)) << menuId << " " << item.id;
                EXPECT_FALSE(item.text.isEmpty()) << item.id;
                // the status bar explains every command
                EXPECT_FALSE(Res::CommandPrompt(item.id).isEmpty()) << item.id;
            }
        });
    }
}

TEST(Menus, MnemonicsAreUniqueWithinEachPopup)
{
    for (UINT menuId : kAllMenus) {
        const Res::MenuItem* menu = Res::Menu(menuId);
        auto check = [menuId](const Res::MenuItem& popup) {
            std::set<QChar> keys;
            for (const auto& item : popup.children) {
                if (item.separator)
                    continue;
                const QString label = item.text.section(u'\t', 0, 0);
                const qsizetype amp = label.indexOf(u'&');
                ASSERT_GE(amp, 0) << menuId << " " << label.toStdString();
                ASSERT_LT(amp + 1, label.size());
                EXPECT_EQ(label.count(u'&'), 1) << label.toStdString();
                EXPECT_TRUE(keys.insert(label[amp + 1].toUpper()).second)
                    << menuId << ": " << label.toStdString();
            }
        };
        if (menuId == IDR_MAINFRAME)
            check(*menu); // the bar's own titles
        ForEachPopup(*menu, check);
    }
}

TEST(Menus, SeparatorsOnlyBetweenItemsAndTextsAgree)
{
    std::map<UINT, QString> textOf;
    for (UINT menuId : kAllMenus) {
        ForEachPopup(*Res::Menu(menuId), [&](const Res::MenuItem& popup) {
            const auto& items = popup.children;
            ASSERT_FALSE(items.empty());
            EXPECT_FALSE(items.front().separator) << menuId;
            EXPECT_FALSE(items.back().separator) << menuId;
            for (size_t i = 1; i < items.size(); ++i)
                EXPECT_FALSE(items[i].separator && items[i - 1].separator) << menuId;
            for (const auto& item : items) {
                if (item.separator || item.id == 0)
                    continue;
                // one command reads the same in every menu
                const auto [it, fresh] = textOf.emplace(item.id, item.text);
                if (!fresh) {
                    EXPECT_EQ(it->second, item.text) << item.id;
                }
            }
        });
    }
}

TEST(Menus, DataFileIsClean)
{
    QStringList problems;
    const auto menus = Res::Data::ParseMenus(Res::Data::ReadFile(QStringLiteral("menus.txt")), &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    EXPECT_EQ(menus.size(), std::size(kAllMenus));
}

TEST(MenuParser, NestsAndReports)
{
    QStringList problems;
    const auto menus = Res::Data::ParseMenus(
        "ITEM\t1\toutside\n"             // no menu yet
        "MENU\t5\n"
        "\tPOPUP\tA\n"
        "\t\tITEM\t11\tone\\tF2\n"
        "\t\tPOPUP\tInner\n"
        "\t\t\tITEM\t12\ttwo\n"
        "\t\tSEPARATOR\n"
        "\t\tITEM\t13\tthree\n"
        "\tITEM\t14\tnot in a popup\n"   // a menu holds popups only
        "\t\t\t\tITEM\t15\ttoo deep\n"
        "\t\tITEM\tx\tbad id\n"
        "MENU\t5\n"                      // duplicate
        "\tPOPUP\tlost\n",               // belongs to no menu
        &problems);
    EXPECT_EQ(problems.size(), 6) << problems.join(u'\n').toStdString();
    ASSERT_EQ(menus.size(), 1u);
    const Res::MenuItem& menu = menus.at(5);
    ASSERT_EQ(menu.children.size(), 1u);
    const Res::MenuItem& popup = menu.children[0];
    ASSERT_EQ(popup.children.size(), 4u);
    EXPECT_EQ(popup.children[0].text, U("one\tF2"));
    EXPECT_EQ(popup.children[1].text, U("Inner"));
    ASSERT_EQ(popup.children[1].children.size(), 1u);
    EXPECT_EQ(popup.children[1].children[0].id, 12u);
    EXPECT_TRUE(popup.children[2].separator);
    EXPECT_EQ(popup.children[3].id, 13u);
}

TEST(Accelerators, F1AsksForHelp)
{
    const auto table = Res::Accelerators(IDR_MAINFRAME);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].command, 3027u);
    EXPECT_EQ(table[0].keys, QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(Res::Accelerators(IDR_MENU_LEAF).empty());
}

TEST(Toolbars, BothSizesHoldTheSameButtons)
{
    const std::vector<UINT> expected = {3008, 3009, 0, 3002, 3003, 3004, 0, 3005, 3007, 3006, 0, 3028, 0, 3035};
    EXPECT_EQ(Res::ToolbarCommands(IDR_TOOLBAR_SMALL), expected);
    EXPECT_EQ(Res::ToolbarCommands(IDR_TOOLBAR_LARGE), expected);
    EXPECT_EQ(Res::ToolbarButtonSize(IDR_TOOLBAR_SMALL), QSize(16, 15));
    EXPECT_EQ(Res::ToolbarButtonSize(IDR_TOOLBAR_LARGE), QSize(24, 24));
    EXPECT_TRUE(Res::ToolbarCommands(IDR_MAINFRAME).empty());
    EXPECT_FALSE(Res::ToolbarButtonSize(IDR_MAINFRAME).isValid());
    for (UINT command : expected)
        if (command != 0) {
            EXPECT_TRUE(kCommands.count(command)) << command;
            EXPECT_FALSE(Res::CommandTip(command).isEmpty()) << command; // the button's tool tip
        }
}

} // namespace
