#include "platform/Registry.h"
#include "platform/World.h"

#include "../common/TempWorld.h"
#include "ChildProcess.h"
#include "RemoteAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <cstring>
#include <thread>
#include <vector>

namespace {

const QString kProduct = QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion");
const QString kSentrel = kProduct + QStringLiteral("\\Sentrel");
const QString kRegFile = QStringLiteral("machines/TESTPC/registry.reg");

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(World::EnsureThisComputer()); }
    TempWorld m_world;
};

} // namespace

TEST_F(RegistryTest, EmptyOrMissingFileHasNoKeysOrValues)
{
    for (bool removeFile : {false, true}) {
        if (removeFile) {
            ASSERT_TRUE(QFile::remove(m_world.Path(kRegFile)));
        }
        EXPECT_EQ(Registry::OpenKey(QString(), kSentrel), ERROR_FILE_NOT_FOUND);
        DWORD type = 0, size = 4;
        char buffer[4];
        EXPECT_EQ(Registry::QueryValue(QString(), kSentrel, QStringLiteral("LargeToolbar"), &type, buffer, &size), ERROR_FILE_NOT_FOUND);
        DWORD value = 77;
        EXPECT_FALSE(Registry::GetDword(QString(), kSentrel, QStringLiteral("LargeToolbar"), &value));
        EXPECT_EQ(value, 77u);
        QString text = QStringLiteral("kept");
        EXPECT_FALSE(Registry::GetString(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Home"), &text));
        EXPECT_EQ(text, QStringLiteral("kept"));
        // The hive itself always exists.
        EXPECT_EQ(Registry::OpenKey(QString(), QString()), ERROR_SUCCESS);
    }
    // Reading writes nothing.
    EXPECT_TRUE(m_world.Read(kRegFile).isEmpty());
}

TEST_F(RegistryTest, CreatingAKeyCreatesTheWholePathWithItsClass)
{
    EXPECT_EQ(Registry::SetValue(QString(), kSentrel, QStringLiteral("LargeToolbar"), REG_DWORD, "\1\0\0\0", 4), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Registry::CreateKey(QString(), kSentrel, QStringLiteral("ZORData")), ERROR_SUCCESS);
    for (const QString& key : {QStringLiteral("SOFTWARE"), QStringLiteral("software\\korvane"), kProduct, kSentrel.toLower()})
        EXPECT_EQ(Registry::OpenKey(QStringLiteral("testpc"), key), ERROR_SUCCESS) << key.toStdString();
    QString keyClass;
    ASSERT_EQ(Registry::QueryKeyClass(QString(), kSentrel, &keyClass), ERROR_SUCCESS);
    EXPECT_EQ(keyClass, QStringLiteral("ZORData"));

    // An existing key keeps the class it was created with.
    ASSERT_EQ(Registry::CreateKey(QString(), kSentrel, QStringLiteral("Other")), ERROR_SUCCESS);
    Registry::QueryKeyClass(QString(), kSentrel, &keyClass);
    EXPECT_EQ(keyClass, QStringLiteral("ZORData"));

    EXPECT_EQ(Registry::SetValue(QString(), kSentrel, QStringLiteral("LargeToolbar"), REG_DWORD, "\1\0\0\0", 4), ERROR_SUCCESS);
    DWORD value = 0;
    EXPECT_TRUE(Registry::GetDword(QString(), kSentrel, QStringLiteral("largetoolbar"), &value));
    EXPECT_EQ(value, 1u);
}

TEST_F(RegistryTest, FileTextIsTheRegFormat)
{
    ASSERT_EQ(Registry::CreateKey(QString(), kSentrel, QStringLiteral("ZORData")), ERROR_SUCCESS);
    ASSERT_EQ(Registry::PutDword(QString(), kSentrel, QStringLiteral("SetMaxTry"), 20), ERROR_SUCCESS);
    ASSERT_EQ(Registry::PutString(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Home"), QStringLiteral("C:\\ALERT \"main\"")), ERROR_SUCCESS);
    ASSERT_EQ(Registry::PutString(QString(), kProduct + QStringLiteral("\\Path"), QString(), QStringLiteral("預設")), ERROR_SUCCESS);
    const QByteArray expected =
        "Windows Registry Editor Version 5.00\n"
        "\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n;class=\"ZORData\"\n"
        "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane]\n;class=\"ZORData\"\n"
        "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane\\ALERT]\n;class=\"ZORData\"\n"
        "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane\\ALERT\\CurrentVersion]\n;class=\"ZORData\"\n"
        "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path]\n"
        "\"Home\"=\"C:\\\\ALERT \\\"main\\\"\"\n"
        "@=\"\xE9\xA0\x90\xE8\xA8\xAD\"\n"
        "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Sentrel]\n;class=\"ZORData\"\n"
        "\"SetMaxTry\"=dword:00000014\n";
    EXPECT_EQ(m_world.Read(kRegFile), expected);
}

TEST_F(RegistryTest, QueryValueFollowsTheBufferSizeRule)
{
    const QString home = QStringLiteral("C:\\Program Files\\Alert 服務");
    ASSERT_EQ(Registry::PutString(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Home"), home), ERROR_SUCCESS);
    const QByteArray utf8 = home.toUtf8();
    const DWORD needed = DWORD(utf8.size() + 1);

    DWORD type = 0, size = 0;
    EXPECT_EQ(Registry::QueryValue(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("HOME"), &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, needed);

    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    size = needed - 1;
    EXPECT_EQ(Registry::QueryValue(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Home"), &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(buffer[0], 'x');  // nothing written on failure

    size = needed;
    EXPECT_EQ(Registry::QueryValue(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Home"), &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(QByteArray(buffer), utf8);

    ASSERT_EQ(Registry::PutDword(QString(), kSentrel, QStringLiteral("Impersonate"), 0x01020304), ERROR_SUCCESS);
    size = 3;
    EXPECT_EQ(Registry::QueryValue(QString(), kSentrel, QStringLiteral("Impersonate"), &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, REG_DWORD);
    size = 4;
    EXPECT_EQ(Registry::QueryValue(QString(), kSentrel, QStringLiteral("Impersonate"), &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(QByteArray(buffer, 4), QByteArray("\x04\x03\x02\x01", 4));

    EXPECT_EQ(Registry::QueryValue(QString(), kSentrel, QStringLiteral("Impersonate"), &type, buffer, nullptr), ERROR_INVALID_PARAMETER);
    // A string asked for as a number is not one.
    DWORD number = 0;
    EXPECT_FALSE(Registry::GetDword(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Home"), &number));
}

TEST_F(RegistryTest, NamesAreCaseInsensitiveAndKeepTheirFirstCase)
{
    ASSERT_EQ(Registry::PutDword(QString(), QStringLiteral("Software\\Test"), QStringLiteral("MixedCase"), 1), ERROR_SUCCESS);
    ASSERT_EQ(Registry::PutDword(QString(), QStringLiteral("SOFTWARE\\TEST"), QStringLiteral("MIXEDCASE"), 2), ERROR_SUCCESS);
    QStringList names;
    ASSERT_EQ(Registry::EnumValueNames(QString(), QStringLiteral("software\\test"), &names), ERROR_SUCCESS);
    EXPECT_EQ(names, QStringList{QStringLiteral("MixedCase")});
    ASSERT_EQ(Registry::EnumSubKeys(QString(), QStringLiteral("SOFTWARE"), &names), ERROR_SUCCESS);
    EXPECT_EQ(names, QStringList{QStringLiteral("Test")});
    DWORD value = 0;
    EXPECT_TRUE(Registry::GetDword(QString(), QStringLiteral("software\\test"), QStringLiteral("mixedcase"), &value));
    EXPECT_EQ(value, 2u);
}

TEST_F(RegistryTest, TextsRoundTripWhateverTheyHold)
{
    const QString texts[] = {
        QStringLiteral("\\\\SRV1\\ADMIN$"), QStringLiteral("say \"hi\" \\\""), QStringLiteral("line one\nline two\ttab"),
        QStringLiteral("[HKEY_LOCAL_MACHINE\\FAKE]"), QStringLiteral("\"Name\"=dword:00000001"), QStringLiteral("中文 說明"),
        QString(), QStringLiteral(";class=\"X\""),
    };
    int i = 0;
    for (const QString& text : texts)
        ASSERT_EQ(Registry::PutString(QString(), QStringLiteral("SOFTWARE\\T"), QStringLiteral("v%1").arg(i++), text), ERROR_SUCCESS);
    ASSERT_EQ(Registry::PutString(QString(), QStringLiteral("SOFTWARE\\T"), QStringLiteral("odd \"name\" \\"), QStringLiteral("x")), ERROR_SUCCESS);
    i = 0;
    for (const QString& text : texts) {
        QString read;
        ASSERT_TRUE(Registry::GetString(QString(), QStringLiteral("SOFTWARE\\T"), QStringLiteral("v%1").arg(i++), &read));
        EXPECT_EQ(read, text);
    }
    QString read;
    EXPECT_TRUE(Registry::GetString(QString(), QStringLiteral("SOFTWARE\\T"), QStringLiteral("ODD \"NAME\" \\"), &read));
    QStringList keys;
    Registry::EnumSubKeys(QString(), QString(), &keys);
    EXPECT_EQ(keys, QStringList{QStringLiteral("SOFTWARE")});  // no key smuggled in by a value
}

TEST_F(RegistryTest, MalformedArgumentsAreRefused)
{
    EXPECT_EQ(Registry::CreateKey(QString(), QStringLiteral("SOFTWARE\\Bad\nKey"), QString()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Registry::CreateKey(QString(), QStringLiteral("SOFTWARE\\") + QString(256, QLatin1Char('k')), QString()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Registry::CreateKey(QString(), QStringLiteral("SOFTWARE"), QStringLiteral("class\n")), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(Registry::CreateKey(QString(), QStringLiteral("SOFTWARE"), QString()), ERROR_SUCCESS);
    EXPECT_EQ(Registry::SetValue(QString(), QStringLiteral("SOFTWARE"), QStringLiteral("bad\nname"), REG_SZ, "x", 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Registry::SetValue(QString(), QStringLiteral("SOFTWARE"), QStringLiteral("d"), REG_DWORD, "\1\0", 2), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Registry::SetValue(QString(), QStringLiteral("SOFTWARE"), QStringLiteral("s"), REG_SZ, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Registry::SetValue(QString(), QStringLiteral("SOFTWARE"), QStringLiteral("s"), REG_SZ, "\xff\xfe", 2), ERROR_INVALID_PARAMETER);
    // A terminator ends the text.
    ASSERT_EQ(Registry::SetValue(QString(), QStringLiteral("SOFTWARE"), QStringLiteral("s"), REG_SZ, "abc\0def", 7), ERROR_SUCCESS);
    QString text;
    ASSERT_TRUE(Registry::GetString(QString(), QStringLiteral("SOFTWARE"), QStringLiteral("s"), &text));
    EXPECT_EQ(text, QStringLiteral("abc"));
}

TEST_F(RegistryTest, DeletingValuesAndKeys)
{
    ASSERT_EQ(Registry::PutDword(QString(), QStringLiteral("SOFTWARE\\A\\B"), QStringLiteral("x"), 1), ERROR_SUCCESS);
    ASSERT_EQ(Registry::PutDword(QString(), QStringLiteral("SOFTWARE\\AB"), QStringLiteral("y"), 2), ERROR_SUCCESS);
    EXPECT_EQ(Registry::DeleteValue(QString(), QStringLiteral("SOFTWARE\\A\\B"), QStringLiteral("X")), ERROR_SUCCESS);
    EXPECT_EQ(Registry::DeleteValue(QString(), QStringLiteral("SOFTWARE\\A\\B"), QStringLiteral("X")), ERROR_SUCCESS);
    EXPECT_EQ(Registry::DeleteValue(QString(), QStringLiteral("SOFTWARE\\Nope"), QStringLiteral("X")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Registry::DeleteKey(QString(), QStringLiteral("software\\a")), ERROR_SUCCESS);
    EXPECT_EQ(Registry::OpenKey(QString(), QStringLiteral("SOFTWARE\\A\\B")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Registry::OpenKey(QString(), QStringLiteral("SOFTWARE\\A")), ERROR_FILE_NOT_FOUND);
    // A sibling whose name merely starts the same survives.
    DWORD y = 0;
    EXPECT_TRUE(Registry::GetDword(QString(), QStringLiteral("SOFTWARE\\AB"), QStringLiteral("y"), &y));
    EXPECT_EQ(y, 2u);
    EXPECT_EQ(Registry::DeleteKey(QString(), QStringLiteral("SOFTWARE\\A")), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ForeignWrittenFilesAreRead)
{
    // As the registry editor exports: UTF-16 with a byte-order mark, CRLF, continuation lines,
    // comments, implied parent keys, a section given twice.
    const QString text = QStringLiteral(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; exported\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path]\r\n"
        "\"Home\"=\"D:\\\\ALERT\"\r\n"
        "\"Multi\"=hex(7):41,00,00,00,\\\r\n  42,00,00,00,00,00\r\n"
        "\"Bin\"=hex:de,ad,BE,ef\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Sentrel]\r\n"
        "\"LargeToolbar\"=dword:0\r\n"
        "[hkey_local_machine\\software\\korvane\\alert\\currentversion\\path]\r\n"
        "\"EventLog\"=hex(1):43,00,3a,00,5c,00,00,00\r\n");
    QByteArray bytes("\xFF\xFE");
    for (QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    ASSERT_TRUE(m_world.Write(kRegFile, bytes));
    QString home, eventLog;
    EXPECT_TRUE(Registry::GetString(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Home"), &home));
    EXPECT_EQ(home, QStringLiteral("D:\\ALERT"));
    EXPECT_TRUE(Registry::GetString(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("EventLog"), &eventLog));
    EXPECT_EQ(eventLog, QStringLiteral("C:\\"));
    DWORD large = 9;
    EXPECT_TRUE(Registry::GetDword(QString(), kSentrel, QStringLiteral("LargeToolbar"), &large));
    EXPECT_EQ(large, 0u);
    EXPECT_EQ(Registry::OpenKey(QString(), QStringLiteral("SOFTWARE\\Korvane")), ERROR_SUCCESS);
    DWORD type = 0, size = 16;
    char buffer[16];
    ASSERT_EQ(Registry::QueryValue(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Multi"), &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, 7u);
    EXPECT_EQ(size, 10u);
    ASSERT_EQ(Registry::QueryValue(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Bin"), &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(QByteArray(buffer, int(size)), QByteArray("\xde\xad\xbe\xef"));

    // A write keeps every value of every type.
    ASSERT_EQ(Registry::PutDword(QString(), kSentrel, QStringLiteral("SetMaxTry"), 3), ERROR_SUCCESS);
    size = 16;
    ASSERT_EQ(Registry::QueryValue(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Multi"), &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(QByteArray(buffer, int(size)), QByteArray("A\0\0\0B\0\0\0\0\0", 10));
    EXPECT_TRUE(Registry::GetString(QString(), kProduct + QStringLiteral("\\Path"), QStringLiteral("Home"), &home));
    EXPECT_EQ(home, QStringLiteral("D:\\ALERT"));
}

TEST_F(RegistryTest, UnreadableFilesReadAsEmptyAndAreKeptOnTheFirstWrite)
{
    const QStringList fixtures = QDir(FixturePath(QStringLiteral("bad"))).entryList({QStringLiteral("registry-*.reg")}, QDir::Files);
    ASSERT_GE(fixtures.size(), 8);
    for (const QString& name : fixtures) {
        SCOPED_TRACE(name.toStdString());
        QFile fixture(FixturePath(QStringLiteral("bad/") + name));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        const QByteArray original = fixture.readAll();
        ASSERT_TRUE(m_world.Write(kRegFile, original));
        QFile::remove(m_world.Path(kRegFile + QStringLiteral(".unreadable-1")));
        QFile::remove(m_world.Path(kRegFile + QStringLiteral(".unreadable-2")));

        EXPECT_EQ(Registry::OpenKey(QString(), QStringLiteral("SOFTWARE")), ERROR_FILE_NOT_FOUND);
        QStringList keys{QStringLiteral("x")};
        EXPECT_EQ(Registry::EnumSubKeys(QString(), QString(), &keys), ERROR_SUCCESS);
        EXPECT_TRUE(keys.isEmpty());
        // Reading leaves the file alone.
        EXPECT_EQ(m_world.Read(kRegFile), original);

        ASSERT_EQ(Registry::PutDword(QString(), kSentrel, QStringLiteral("LargeToolbar"), 0), ERROR_SUCCESS);
        EXPECT_EQ(m_world.Read(kRegFile + QStringLiteral(".unreadable-1")), original);
        DWORD value = 9;
        EXPECT_TRUE(Registry::GetDword(QString(), kSentrel, QStringLiteral("LargeToolbar"), &value));
        EXPECT_EQ(value, 0u);
        // The file is readable again, so later writes make no further copies.
        ASSERT_EQ(Registry::PutDword(QString(), kSentrel, QStringLiteral("SetMaxTry"), 1), ERROR_SUCCESS);
        EXPECT_FALSE(QFileInfo::exists(m_world.Path(kRegFile + QStringLiteral(".unreadable-2"))));
    }
    // An earlier copy is never overwritten.
    ASSERT_TRUE(m_world.Write(kRegFile, "garbage"));
    ASSERT_EQ(Registry::PutDword(QString(), kSentrel, QStringLiteral("LargeToolbar"), 1), ERROR_SUCCESS);
    EXPECT_EQ(m_world.Read(kRegFile + QStringLiteral(".unreadable-2")), QByteArray("garbage"));
}

TEST_F(RegistryTest, RemoteAndUnknownMachines)
{
    AllRemoteAccess access;
    QDir().mkpath(m_world.Path(QStringLiteral("machines/SRV1/drives/C")));
    EXPECT_EQ(Registry::OpenKey(QStringLiteral("SRV1"), QStringLiteral("SOFTWARE")), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Registry::PutString(QStringLiteral("srv1"), QStringLiteral("SOFTWARE\\X"), QStringLiteral("v"), QStringLiteral("remote")), ERROR_SUCCESS);
    EXPECT_TRUE(QFileInfo::exists(m_world.Path(QStringLiteral("machines/SRV1/registry.reg"))));
    EXPECT_EQ(Registry::OpenKey(QString(), QStringLiteral("SOFTWARE\\X")), ERROR_FILE_NOT_FOUND);

    for (const QString& bad : {QStringLiteral("SRV2"), QStringLiteral("../TESTPC"), QStringLiteral("..")}) {
        EXPECT_EQ(Registry::OpenKey(bad, QStringLiteral("SOFTWARE")), ERROR_BAD_NETPATH);
        EXPECT_EQ(Registry::PutDword(bad, QStringLiteral("SOFTWARE"), QStringLiteral("v"), 1), ERROR_BAD_NETPATH);
    }
    World::SetRemoteAccessCheck([](const QString&) { return false; });
    EXPECT_EQ(Registry::OpenKey(QStringLiteral("SRV1"), QStringLiteral("SOFTWARE\\X")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Registry::PutDword(QStringLiteral("SRV1"), QStringLiteral("SOFTWARE"), QStringLiteral("v"), 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Registry::PutDword(QString(), QStringLiteral("SOFTWARE"), QStringLiteral("v"), 1), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing)
{
    constexpr int kPerWriter = 20;
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& prefix : {QStringLiteral("p"), QStringLiteral("q")}) {
        auto child = StartChild(QStringLiteral("registry-writer"), {QStringLiteral("TESTPC"), prefix, QString::number(kPerWriter)});
        ASSERT_TRUE(child);
        children.push_back(std::move(child));
    }
    std::vector<std::thread> threads;
    for (const char* prefix : {"t", "u"}) {
        threads.emplace_back([prefix] {
            for (int i = 0; i < kPerWriter; ++i)
                Registry::PutDword(QString(), QStringLiteral("SOFTWARE\\Race"), QString::fromLatin1(prefix) + QString::number(i), DWORD(i));
        });
    }
    for (auto& t : threads)
        t.join();
    for (auto& child : children)
        EXPECT_EQ(WaitChild(*child), 0);

    QStringList names;
    ASSERT_EQ(Registry::EnumValueNames(QString(), QStringLiteral("SOFTWARE\\Race"), &names), ERROR_SUCCESS);
    EXPECT_EQ(names.size(), 4 * kPerWriter);
    for (const char* prefix : {"p", "q", "t", "u"}) {
        for (int i = 0; i < kPerWriter; ++i) {
            DWORD value = 999;
            EXPECT_TRUE(Registry::GetDword(QString(), QStringLiteral("SOFTWARE\\Race"), QString::fromLatin1(prefix) + QString::number(i), &value)) << prefix << i;
            EXPECT_EQ(value, DWORD(i));
        }
    }
    // No temporary file is left behind.
    const QStringList leftovers = QDir(m_world.Path(QStringLiteral("machines/TESTPC"))).entryList({QStringLiteral("registry.reg.tmp*")}, QDir::Files);
    EXPECT_TRUE(leftovers.isEmpty());
}
