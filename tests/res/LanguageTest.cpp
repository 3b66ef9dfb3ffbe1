// The English tables: every text of the Chinese tables has its English counterpart with the same
// inserts, columns and menu layout, and the language chosen at start is the one every lookup
// gives.
#include "res/Language.h"
#include "res/ResourceData.h"
#include "res/ResourceIds.h"
#include "res/Resources.h"
#include "res/StringIds.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <functional>
#include <set>

namespace {

using Res::Language;

QByteArray Table(const char* file, Language language)
{
    return Res::Data::ReadFile(Res::Data::LanguageFile(QString::fromLatin1(file), language));
}

// The inserts a text is formatted with ("%s", "%d" in order; "%1" ... in any order, as a
// sentence of another language may need), and its line and column structure: a translation
// must keep all of them.
QStringList Shape(const QString& text)
{
    static const QRegularExpression insert(QStringLiteral("%[sdxX1-9%]"));
    QStringList shape, numbered;
    for (auto it = insert.globalMatch(text); it.hasNext();) {
        const QString found = it.next().captured();
        (found.at(1).isDigit() ? numbered : shape) << found;
    }
    numbered.sort();
    shape << numbered << QStringLiteral("tabs %1").arg(text.count(u'\t'));
    if (text.endsWith(u'\n'))
        shape << QStringLiteral("ends with a line feed");
    return shape;
}

bool HasChinese(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x2E80)
            return true;
    return false;
}

class ScopedLanguage {
public:
    explicit ScopedLanguage(Language language) : m_previous(Res::CurrentLanguage()) { Res::SetLanguage(language); }
    ~ScopedLanguage() { Res::SetLanguage(m_previous); }

private:
    Language m_previous;
};

TEST(EnglishTables, EveryStringIdIsInBothTablesWithTheSameInserts)
{
    QStringList problems;
    const auto chinese = Res::Data::ParseStrings(Table("strings.tsv", Language::TraditionalChinese));
    const auto english = Res::Data::ParseStrings(Table("strings.tsv", Language::English), &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    ASSERT_GT(chinese.strings.size(), 180);
    for (auto it = chinese.strings.cbegin(); it != chinese.strings.cend(); ++it) {
        ASSERT_TRUE(english.strings.contains(it.key()))
            << "id " << it.key() << " has no English text in src/res/en/strings.tsv";
        const QString& text = english.strings[it.key()];
        EXPECT_EQ(Shape(text), Shape(it.value())) << it.key() << ": " << text.toStdString();
        EXPECT_FALSE(HasChinese(text)) << it.key() << ": " << text.toStdString();
        EXPECT_EQ(text.isEmpty(), it.value().isEmpty()) << it.key();
    }
    for (auto it = english.strings.cbegin(); it != english.strings.cend(); ++it)
        EXPECT_TRUE(chinese.strings.contains(it.key())) << "id " << it.key() << " is only in the English table";
}

TEST(EnglishTables, EveryDialogTextAndItemIsInBothTables)
{
    QStringList problems;
    const auto chinese = Res::Data::ParseDialogs(Table("dialogs.tsv", Language::TraditionalChinese));
    const auto english = Res::Data::ParseDialogs(Table("dialogs.tsv", Language::English), &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    auto where = [](quint64 key) {
        return "dialog " + std::to_string(key >> 34) + " control " + std::to_string((key >> 2) & 0xFFFFFFFFu);
    };
    EXPECT_EQ(english.texts.size(), chinese.texts.size());
    for (auto it = chinese.texts.cbegin(); it != chinese.texts.cend(); ++it) {
        ASSERT_TRUE(english.texts.contains(it.key())) << where(it.key()) << " has no English text";
        const QString& text = english.texts[it.key()];
        EXPECT_FALSE(text.isEmpty()) << where(it.key());
        EXPECT_FALSE(HasChinese(text)) << where(it.key()) << ": " << text.toStdString();
        // a mnemonic stays a mnemonic
        EXPECT_EQ(text.count(u'&') > 0, it.value().count(u'&') > 0) << where(it.key()) << ": " << text.toStdString();
    }
    EXPECT_EQ(english.items.size(), chinese.items.size());
    for (auto it = chinese.items.cbegin(); it != chinese.items.cend(); ++it)
        EXPECT_EQ(english.items.value(it.key()).size(), it.value().size()) << where(it.key());
}

// The menus' layout, with the texts left out.
QStringList Layout(const Res::MenuItem& item, int depth = 0)
{
    QStringList out;
    for (const auto& child : item.children) {
        out << QStringLiteral("%1 %2 %3").arg(depth).arg(child.separator ? QStringLiteral("-") : QString::number(child.id))
                   .arg(child.text.contains(u'\t') ? child.text.section(u'\t', 1) : QString());
        out << Layout(child, depth + 1);
    }
    return out;
}

const UINT kAllMenus[] = {IDR_MAINFRAME, IDR_MENU_LEAF, IDR_MENU_SERVER, IDR_MENU_NETLEAF, IDR_MENU_TEXTLOG,
                          IDR_MENU_PORT, IDR_MENU_EMAIL, IDR_MENU_NOTES, IDR_MENU_RINGLOG, IDR_MENU_SMTP};

TEST(EnglishTables, MenusHaveTheSameItemsKeyHintsAndUniqueMnemonics)
{
    QStringList problems;
    const auto chinese = Res::Data::ParseMenus(Table("menus.txt", Language::TraditionalChinese));
    const auto english = Res::Data::ParseMenus(Table("menus.txt", Language::English), &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    ASSERT_EQ(english.size(), chinese.size());
    for (UINT id : kAllMenus) {
        ASSERT_TRUE(english.count(id) && chinese.count(id)) << id;
        EXPECT_EQ(Layout(english.at(id)), Layout(chinese.at(id))) << "menu " << id;
    }
    // Every popup's mnemonics stay unique in English (the context menus' own titles are never shown).
    std::function<void(const Res::MenuItem&)> check = [&](const Res::MenuItem& popup) {
        std::set<QChar> keys;
        for (const auto& item : popup.children) {
            if (item.separator)
                continue;
            const QString label = item.text.section(u'\t', 0, 0);
            const qsizetype amp = label.indexOf(u'&');
            ASSERT_GE(amp, 0) << label.toStdString();
            ASSERT_LT(amp + 1, label.size()) << label.toStdString();
            EXPECT_TRUE(keys.insert(label[amp + 1].toUpper()).second) << label.toStdString();
            EXPECT_FALSE(HasChinese(item.text)) << item.text.toStdString();
        }
        for (const auto& item : popup.children)
            if (!item.separator && item.id == 0)
                check(item);
    };
    check(english.at(IDR_MAINFRAME));
    for (UINT id : kAllMenus)
        if (id != IDR_MAINFRAME)
            check(english.at(id).children.front());
}

TEST(EnglishTables, TheChosenLanguageIsWhatEveryLookupGives)
{
    EXPECT_EQ(Res::CurrentLanguage(), Language::TraditionalChinese);
    EXPECT_EQ(LoadString(2002), QString::fromUtf8("服務:已停止"));
    {
        const ScopedLanguage english(Language::English);
        EXPECT_EQ(LoadString(2002), QStringLiteral("Service: stopped"));
        EXPECT_EQ(Res::CommandTip(3002), QStringLiteral("Start service"));
        EXPECT_EQ(Res::DialogCaption(IDD_SMTP_RECIPIENT), QStringLiteral("SMTP Recipient"));
        EXPECT_EQ(LoadString(IDD_SERVER_LOGON), QStringLiteral("Server Logon"));
        EXPECT_EQ(Res::ControlText(IDD_PAGER, 1), QStringLiteral("&OK"));
        EXPECT_EQ(Res::ControlItems(IDD_PAGER, 1004), QStringList({QStringLiteral("Numeric"), QStringLiteral("Alphanumeric")}));
        ASSERT_NE(Res::Menu(IDR_MAINFRAME), nullptr);
        EXPECT_EQ(Res::Menu(IDR_MAINFRAME)->children.front().text, QStringLiteral("&File"));
        EXPECT_EQ(LoadString(IDS_HELP_MISSING).count(QStringLiteral("%1")), 1);
    }
    EXPECT_EQ(LoadString(2002), QString::fromUtf8("服務:已停止"));
    EXPECT_EQ(Res::Menu(IDR_MAINFRAME)->children.front().text, QString::fromUtf8("檔案(&F)"));
}

} // namespace
