// The version information dialog over a temporary world's service home.
#include "../common/TempWorld.h"

#include "platform/Registry.h"
#include "platform/VersionInfo.h"
#include "res/Resources.h"
#include "ui/VersionDlg.h"

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const char* const kHomeKey = "SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path";

Version::VersionResource Resource(DWORD ms, DWORD ls, std::vector<Version::StringTable> tables)
{
    Version::VersionResource r;
    r.fileVersionMS = ms;
    r.fileVersionLS = ls;
    r.tables = std::move(tables);
    return r;
}

Version::StringTable Table(WORD language, const QString& description)
{
    Version::StringTable t;
    t.language = language;
    t.codePage = 0x04B0;
    t.strings.push_back({QStringLiteral("FileDescription"), description});
    return t;
}

class VersionFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Registry::CreateKey(QString(), QLatin1String(kHomeKey), QString()), 0u);
        ASSERT_EQ(Registry::PutString(QString(), QLatin1String(kHomeKey), QStringLiteral("Home"),
                                      QStringLiteral("C:\\Alert")), 0u);
        QDir().mkpath(m_world.Path("machines/TESTPC/drives/C/ALERT"));
    }

    void Put(const QString& name, const Version::VersionResource* version)
    {
        ASSERT_TRUE(Version::WritePeFile(m_world.Path("machines/TESTPC/drives/C/ALERT/" + name), version));
    }

    static QStringList Names(const std::vector<CVersionDlg::Module>& modules)
    {
        QStringList out;
        for (const auto& m : modules)
            out << m.name;
        return out;
    }

    TempWorld m_world;
};

} // namespace

TEST_F(VersionFixture, FilesWithoutAVersionResourceAreLeftOut)
{
    const auto res = Resource(0x00030019, 0x04D20007, {Table(0x0409, QStringLiteral("Alert server"))});
    Put("ALERT.EXE", &res);
    Put("PLAIN.EXE", nullptr);
    ASSERT_TRUE(m_world.Write("machines/TESTPC/drives/C/ALERT/JUNK.DLL", QByteArray("MZ not really")));
    ASSERT_TRUE(m_world.Write("machines/TESTPC/drives/C/ALERT/README.TXT", QByteArray("text")));
    const auto modules = CVersionDlg::CollectModules(CVersionDlg::ReadHomeDirectory());
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].name, "ALERT.EXE");
    EXPECT_EQ(modules[0].description, "Alert server");
    EXPECT_EQ(modules[0].version, "3.25");
    EXPECT_EQ(modules[0].build, "1234");
}

TEST_F(VersionFixture, DescriptionFallsBackThroughTheLanguagesAndToTheFileName)
{
    const auto german = Resource(0x00010000, 0, {Table(0x0407, QStringLiteral("Alarmdienst"))});
    Put("de.dll", &german);
    const auto emptyEnglish = Resource(0x00010000, 0, {Table(0x0409, QString()), Table(0x0407, QStringLiteral("x"))});
    Put("Notify.Core.dll", &emptyEnglish);
    const auto korean = Resource(0x00010000, 0, {Table(0x0412, QStringLiteral("ko")), Table(0x0404, QStringLiteral("zh"))});
    Put("ko.dll", &korean);
    const auto none = Resource(0x00010000, 0, {Table(0x0419, QStringLiteral("ru"))});
    Put("ru.dll", &none);
    const auto longText = Resource(0x00010000, 0, {Table(0x0409, QString(300, QLatin1Char('d')))});
    Put("long.dll", &longText);

    std::map<QString, QString> byName;
    for (const auto& m : CVersionDlg::CollectModules(QStringLiteral("C:\\ALERT")))
        byName[m.name] = m.description;
    EXPECT_EQ(byName["DE.DLL"], "Alarmdienst");
    EXPECT_EQ(byName["NOTIFY.CORE.DLL"], "Notify.Core"); // as found, without the extension
    EXPECT_EQ(byName["KO.DLL"], "zh");                   // traditional Chinese comes before Korean
    EXPECT_EQ(byName["RU.DLL"], QString());
    EXPECT_EQ(byName["LONG.DLL"].size(), 254);
}

TEST_F(VersionFixture, NamesAreUpperCaseAndTheListIsSortedByThem)
{
    const auto res = Resource(0x00010002, 0x00030000, {Table(0x0409, QStringLiteral("d"))});
    Put("zeta.exe", &res);
    Put("Beta.dll", &res);
    Put("alpha.DLL", &res);
    Put("Gamma.exe", &res);
    // Programs are listed first, then libraries ...
    EXPECT_EQ(Names(CVersionDlg::CollectModules(QStringLiteral("C:\\ALERT"))),
              (QStringList{"GAMMA.EXE", "ZETA.EXE", "ALPHA.DLL", "BETA.DLL"}));
    // ... and the dialog's list sorts them.
    CVersionDlg dlg;
    QTreeWidget* list = dlg.GetList();
    ASSERT_EQ(list->topLevelItemCount(), 4);
    QStringList shown;
    for (int i = 0; i < 4; ++i)
        shown << list->topLevelItem(i)->text(0);
    EXPECT_EQ(shown, (QStringList{"ALPHA.DLL", "BETA.DLL", "GAMMA.EXE", "ZETA.EXE"}));
    EXPECT_EQ(list->topLevelItem(0)->text(2), "1.2");
    EXPECT_EQ(list->topLevelItem(0)->text(3), "3");
}

TEST_F(VersionFixture, EachFileIsReadByItsFullPath)
{
    const auto home = Resource(0x00020000, 0x00050000, {Table(0x0409, QStringLiteral("from home"))});
    Put("ALERT.EXE", &home);
    // A same-named file in the directory the process runs in must not be taken instead.
    QTemporaryDir elsewhere;
    const auto stranger = Resource(0x00090009, 0x00090000, {Table(0x0409, QStringLiteral("stranger"))});
    ASSERT_TRUE(Version::WritePeFile(elsewhere.filePath("ALERT.EXE"), &stranger));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const auto modules = CVersionDlg::CollectModules(CVersionDlg::ReadHomeDirectory());
    QDir::setCurrent(previous);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].description, "from home");
    EXPECT_EQ(modules[0].version, "2.0");
}

TEST_F(VersionFixture, MissingHomeListsNothing)
{
    const auto res = Resource(0x00010000, 0, {Table(0x0409, QStringLiteral("d"))});
    Put("ALERT.EXE", &res);
    ASSERT_EQ(Registry::DeleteValue(QString(), QLatin1String(kHomeKey), QStringLiteral("Home")), 0u);
    EXPECT_EQ(CVersionDlg::ReadHomeDirectory(), QString());
    CVersionDlg dlg;
    EXPECT_EQ(dlg.GetList()->topLevelItemCount(), 0);
}

TEST_F(VersionFixture, DialogColumnsAndResizeLayout)
{
    CVersionDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), Res::DialogCaption(185));
    QTreeWidget* list = dlg.GetList();
    EXPECT_EQ(list->property("ctrlId").toInt(), 1111);
    EXPECT_FALSE(list->header()->sectionsClickable());
    const int w = list->width();
    const QStringList headings{LoadString(6100), LoadString(6101), LoadString(6102), LoadString(6103)};
    const int percents[] = {23, 41, 13, 20};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list->headerItem()->text(i), headings[i]);
        EXPECT_EQ(list->columnWidth(i), w * percents[i] / 100);
    }
    EXPECT_TRUE(list->headerItem()->textAlignment(2) & Qt::AlignRight);
    EXPECT_TRUE(list->headerItem()->textAlignment(1) & Qt::AlignLeft);

    auto* ok = dlg.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    const int mx = list->x(), my = list->y();
    const QSize button = ok->size();
    dlg.show();
    dlg.resize(700, 450);
    EXPECT_EQ(ok->size(), button);
    EXPECT_EQ(ok->geometry().right() + 1, 700 - mx);
    EXPECT_EQ(ok->geometry().bottom() + 1, 450 - my);
    EXPECT_EQ(list->pos(), QPoint(mx, my));
    EXPECT_EQ(list->width(), 700 - 2 * mx);
    EXPECT_EQ(list->height(), 450 - button.height() - 3 * my);
}
