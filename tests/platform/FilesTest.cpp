#include "platform/Files.h"

#include "../common/TempWorld.h"
#include "RemoteAccess.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/Alert"))); }

    void Put(const QString& name, const QByteArray& bytes = QByteArray("x"))
    {
        ASSERT_TRUE(m_world.Write(QStringLiteral("machines/TESTPC/drives/C/Alert/") + name, bytes));
    }

    QStringList FindAll(const QString& pattern, DWORD* first = nullptr)
    {
        Files::CFindFile find;
        Files::FindData data;
        QStringList names;
        const DWORD rc = find.FindFirst(pattern, &data);
        if (first)
            *first = rc;
        if (rc != ERROR_SUCCESS)
            return names;
        do {
            names << (data.directory ? data.name + QLatin1Char('/') : data.name);
        } while (find.FindNext(&data) == ERROR_SUCCESS);
        EXPECT_EQ(find.FindNext(&data), ERROR_NO_MORE_FILES);
        return names;
    }

    TempWorld m_world;
};

} // namespace

TEST(FilesPattern, WindowsWildcards)
{
    EXPECT_TRUE(Files::MatchesPattern(QStringLiteral("*.EXE"), QStringLiteral("alert.exe")));
    EXPECT_TRUE(Files::MatchesPattern(QStringLiteral("*.EXE"), QStringLiteral(".EXE")));
    EXPECT_FALSE(Files::MatchesPattern(QStringLiteral("*.EXE"), QStringLiteral("alert.exe.bak")));
    EXPECT_FALSE(Files::MatchesPattern(QStringLiteral("*.EXE"), QStringLiteral("alertexe")));
    EXPECT_TRUE(Files::MatchesPattern(QStringLiteral("*.*"), QStringLiteral("README")));
    EXPECT_TRUE(Files::MatchesPattern(QStringLiteral("*"), QStringLiteral("a.b.c")));
    EXPECT_TRUE(Files::MatchesPattern(QStringLiteral("A*B*C"), QStringLiteral("axxbxxbxc")));
    EXPECT_FALSE(Files::MatchesPattern(QStringLiteral("A*B*C"), QStringLiteral("AxxBxx")));
    EXPECT_TRUE(Files::MatchesPattern(QStringLiteral("AL?RT.LOG"), QStringLiteral("ALERT.LOG")));
    EXPECT_FALSE(Files::MatchesPattern(QStringLiteral("AL?RT.LOG"), QStringLiteral("ALRT.LOG")));
    EXPECT_TRUE(Files::MatchesPattern(QStringLiteral("服務*.dll"), QStringLiteral("服務模組.DLL")));
    EXPECT_FALSE(Files::MatchesPattern(QStringLiteral("ALERT.LOG"), QStringLiteral("ACTIVITY.LOG")));
}

TEST_F(FilesTest, StatusOfFilesAndFolders)
{
    Put(QStringLiteral("ALRECORD.TBL"), QByteArray(1234, 'r'));
    Files::FileStatus status;
    ASSERT_EQ(Files::Stat(QStringLiteral("c:\\alert\\alrecord.tbl"), &status), ERROR_SUCCESS);
    EXPECT_EQ(status.size, 1234);
    EXPECT_FALSE(status.directory);
    qint64 size = 0, time = 0;
    EXPECT_EQ(Files::GetFileSize(QStringLiteral("C:\\ALERT\\ALRECORD.TBL"), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1234);

    // Two writes in one second differ in the fine time, not in the seconds.
    QFile file(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/Alert/ALRECORD.TBL")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    ASSERT_TRUE(file.setFileTime(when.addMSecs(100), QFileDevice::FileModificationTime));
    file.close();
    Files::FileStatus first;
    ASSERT_EQ(Files::Stat(QStringLiteral("C:\\ALERT\\ALRECORD.TBL"), &first), ERROR_SUCCESS);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when.addMSecs(700), QFileDevice::FileModificationTime));
    file.close();
    Files::FileStatus second;
    ASSERT_EQ(Files::Stat(QStringLiteral("C:\\ALERT\\ALRECORD.TBL"), &second), ERROR_SUCCESS);
    EXPECT_EQ(first.lastWriteTime, 1700000000);
    EXPECT_EQ(second.lastWriteTime, 1700000000);
    EXPECT_EQ(second.lastWriteNs - first.lastWriteNs, 600000000);
    EXPECT_EQ(Files::GetLastWriteTime(QStringLiteral("C:\\ALERT\\ALRECORD.TBL"), &time), ERROR_SUCCESS);
    EXPECT_EQ(time, 1700000000);

    ASSERT_EQ(Files::Stat(QStringLiteral("C:\\ALERT"), &status), ERROR_SUCCESS);
    EXPECT_TRUE(status.directory);
    EXPECT_EQ(Files::Stat(QStringLiteral("C:\\ALERT\\NOPE.TBL"), &status), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Files::Stat(QStringLiteral("C:\\NOPE\\ALRECORD.TBL"), &status), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Files::Stat(QStringLiteral("C:\\ALERT\\..\\x"), &status), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Files::Stat(QStringLiteral("\\\\NOSUCH\\C$\\x"), &status), ERROR_BAD_NETPATH);

    QDir().mkpath(m_world.Path(QStringLiteral("machines/SRV1/drives/C/ALERT")));
    {
        AllRemoteAccess access;
        World::SetRemoteAccessCheck([](const QString&) { return false; });
        EXPECT_EQ(Files::Stat(QStringLiteral("\\\\SRV1\\C$\\ALERT"), &status), ERROR_ACCESS_DENIED);
    }
}

TEST_F(FilesTest, FindMatchesTheLastComponentInNameOrder)
{
    for (const char* name : {"alert2.exe", "ALERT.EXE", "NOTES.DLL", "readme.txt", "README", "x.exe.bak", "MAPI.dll"})
        Put(QString::fromLatin1(name));
    QDir().mkpath(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/Alert/SUB.EXE")));
    // Host names no Windows folder could hold are never listed.
    Put(QStringLiteral("bad\\name.exe"));
    Put(QStringLiteral("drive:name.exe"));

    EXPECT_EQ(FindAll(QStringLiteral("C:\\ALERT\\*.EXE")),
              (QStringList{QStringLiteral("ALERT.EXE"), QStringLiteral("alert2.exe"), QStringLiteral("SUB.EXE/")}));
    EXPECT_EQ(FindAll(QStringLiteral("c:/alert/*.dll")), (QStringList{QStringLiteral("MAPI.dll"), QStringLiteral("NOTES.DLL")}));
    EXPECT_EQ(FindAll(QStringLiteral("C:\\ALERT\\A?ERT.*")), QStringList{QStringLiteral("ALERT.EXE")});
    EXPECT_EQ(FindAll(QStringLiteral("C:\\ALERT\\readme.*")), (QStringList{QStringLiteral("README"), QStringLiteral("readme.txt")}));
    EXPECT_EQ(FindAll(QStringLiteral("C:\\ALERT\\*")).size(), 8);
    EXPECT_EQ(FindAll(QStringLiteral("C:\\ALERT\\alert.exe")), QStringList{QStringLiteral("ALERT.EXE")});

    DWORD rc = 0;
    FindAll(QStringLiteral("C:\\ALERT\\*.ZIP"), &rc);
    EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
    FindAll(QStringLiteral("C:\\NOPE\\*.EXE"), &rc);
    EXPECT_EQ(rc, ERROR_PATH_NOT_FOUND);
    FindAll(QStringLiteral("C:\\AL*\\*.EXE"), &rc);
    EXPECT_EQ(rc, ERROR_PATH_NOT_FOUND);
    FindAll(QStringLiteral("C:\\ALERT\\*.EXE\n"), &rc);
    EXPECT_EQ(rc, ERROR_INVALID_NAME);
    FindAll(QStringLiteral("C:\\ALERT\\"), &rc);
    EXPECT_EQ(rc, ERROR_INVALID_NAME);
    FindAll(QStringLiteral("*.EXE"), &rc);
    EXPECT_EQ(rc, ERROR_PATH_NOT_FOUND);

    // Sizes and times come with each entry.
    Files::CFindFile find;
    Files::FindData data;
    Put(QStringLiteral("NOTES.DLL"), QByteArray(77, 'n'));
    ASSERT_EQ(find.FindFirst(QStringLiteral("C:\\ALERT\\NOTES.DLL"), &data), ERROR_SUCCESS);
    EXPECT_EQ(data.size, 77);
    EXPECT_GT(data.lastWriteTime, 0);
}

TEST_F(FilesTest, TemporaryFileNames)
{
    const QRegularExpression shape(QStringLiteral("^C:\\\\ALERT\\\\AL_[0-9A-F]{4}\\.TMP$"));
    QString first, second, host;
    ASSERT_EQ(Files::GetTempFileName(QStringLiteral("C:\\ALERT\\"), QStringLiteral("AL_LOG"), 0, &first, &host), ERROR_SUCCESS);
    EXPECT_TRUE(shape.match(first).hasMatch()) << first.toStdString();
    EXPECT_TRUE(QFileInfo::exists(host));
    EXPECT_EQ(QFileInfo(host).size(), 0);
    EXPECT_TRUE(host.startsWith(m_world.Root()));
    ASSERT_EQ(Files::GetTempFileName(QStringLiteral("C:\\ALERT"), QStringLiteral("AL_"), 0, &second), ERROR_SUCCESS);
    EXPECT_TRUE(shape.match(second).hasMatch()) << second.toStdString();
    EXPECT_NE(first, second);

    QString named;
    ASSERT_EQ(Files::GetTempFileName(QStringLiteral("C:\\ALERT"), QStringLiteral("AL_"), 0x1abc, &named, &host), ERROR_SUCCESS);
    EXPECT_EQ(named, QStringLiteral("C:\\ALERT\\AL_1ABC.TMP"));
    EXPECT_FALSE(QFileInfo::exists(host));

    EXPECT_EQ(Files::GetTempFileName(QStringLiteral("C:\\NOPE"), QStringLiteral("AL_"), 0, &named), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Files::GetTempFileName(QStringLiteral("C:\\ALERT"), QStringLiteral("A/B"), 0, &named), ERROR_INVALID_NAME);
    EXPECT_EQ(Files::GetTempFileName(QStringLiteral("C:\\..\\x"), QStringLiteral("AL_"), 0, &named), ERROR_PATH_NOT_FOUND);
}
