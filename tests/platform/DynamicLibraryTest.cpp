#include "platform/DynamicLibrary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using AddFn = int (*)(int, int);
using IntFn = int (*)();

// Puts VIGIMOR_PLUGIN_PATH back when the test ends.
class ScopedPluginPath {
public:
    explicit ScopedPluginPath(const QString& path) : m_previous(qgetenv("VIGIMOR_PLUGIN_PATH")) { qputenv("VIGIMOR_PLUGIN_PATH", path.toUtf8()); }
    ~ScopedPluginPath() { qputenv("VIGIMOR_PLUGIN_PATH", m_previous); }

private:
    QByteArray m_previous;
};

} // namespace

TEST(DynamicLibrary, LoadsByWindowsNameIgnoringCase)
{
    HMODULE probe = LoadLibrary(QStringLiteral("PROBE32.DLL"));
    ASSERT_NE(probe, nullptr) << LibrarySearchPath().join(QLatin1Char(';')).toStdString();
    EXPECT_TRUE(GetModuleFileName(probe).endsWith(QStringLiteral("/libprobe32.so")));
    // Another spelling, or no extension, is the same library, counted once more.
    HMODULE again = LoadLibrary(QStringLiteral("Probe32"));
    EXPECT_EQ(again, probe);

    auto add = reinterpret_cast<AddFn>(GetProcAddress(probe, "ProbeAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(probe, "ProbeMissing"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    // Exports of the libraries it depends on are not its own.
    EXPECT_EQ(GetProcAddress(probe, "malloc"), nullptr);
    EXPECT_EQ(GetProcAddress(probe, ""), nullptr);
    EXPECT_EQ(GetProcAddress(probe, nullptr), nullptr);

    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(reinterpret_cast<AddFn>(GetProcAddress(probe, "ProbeAdd"))(1, 1), 2);  // still loaded
    EXPECT_TRUE(FreeLibrary(probe));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(probe));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetProcAddress(probe, "ProbeAdd"), nullptr);
    EXPECT_TRUE(GetModuleFileName(probe).isEmpty());
}

TEST(DynamicLibrary, EntryPointsByOrdinal)
{
    HMODULE probe = LoadLibrary(QStringLiteral("probe32.dll"));
    ASSERT_NE(probe, nullptr);
    auto add = reinterpret_cast<AddFn>(GetProcAddressByOrdinal(probe, 1));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add, reinterpret_cast<AddFn>(GetProcAddress(probe, "ProbeAdd")));
    auto unnamed = reinterpret_cast<IntFn>(GetProcAddressByOrdinal(probe, 139));
    ASSERT_NE(unnamed, nullptr);
    EXPECT_EQ(unnamed(), 139);
    SetLastError(0);
    EXPECT_EQ(GetProcAddressByOrdinal(probe, 2), nullptr);   // names a missing export
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddressByOrdinal(probe, 3), nullptr);   // names another library's export
    EXPECT_EQ(GetProcAddressByOrdinal(probe, 140), nullptr);
    EXPECT_EQ(GetProcAddressByOrdinal(probe, 0), nullptr);
    EXPECT_TRUE(FreeLibrary(probe));
    EXPECT_EQ(GetProcAddressByOrdinal(probe, 1), nullptr);
}

TEST(DynamicLibrary, OnlyBareNamesInTheSearchPath)
{
    for (const QString& name : {QStringLiteral("NOSUCH.DLL"), QStringLiteral("../lib/libprobe32.so"), QStringLiteral("lib\\PROBE32.DLL"),
                                QStringLiteral("/usr/lib/x86_64-linux-gnu/libc.so.6"), QStringLiteral("C:PROBE32.DLL"),
                                QStringLiteral(".DLL"), QStringLiteral(".."), QString(), QStringLiteral("libc")}) {
        SetLastError(0);
        EXPECT_EQ(LoadLibrary(name), nullptr) << name.toStdString();
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << name.toStdString();
    }
    HMODULE bogus = reinterpret_cast<HMODULE>(&bogus);
    EXPECT_FALSE(FreeLibrary(bogus));
    EXPECT_EQ(GetProcAddress(bogus, "ProbeAdd"), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "ProbeAdd"), nullptr);
}

TEST(DynamicLibrary, PluginPathIsSearchedAfterTheProgramFolders)
{
    HMODULE probe = LoadLibrary(QStringLiteral("PROBE32.DLL"));
    ASSERT_NE(probe, nullptr);
    const QString source = GetModuleFileName(probe);
    FreeLibrary(probe);

    QTemporaryDir plugins;
    ASSERT_TRUE(QFile::copy(source, plugins.filePath(QStringLiteral("Mapi32.so"))));
    ASSERT_TRUE(QFile::copy(source, plugins.filePath(QStringLiteral("libprobe32.so"))));
    QTemporaryDir empty;
    {
        ScopedPluginPath path(empty.path() + QStringLiteral(":") + plugins.path());
        EXPECT_EQ(LibrarySearchPath().mid(3), (QStringList{empty.path(), plugins.path()}));
        HMODULE mapi = LoadLibrary(QStringLiteral("MAPI32.DLL"));
        ASSERT_NE(mapi, nullptr);
        EXPECT_EQ(GetModuleFileName(mapi), QFileInfo(plugins.filePath(QStringLiteral("Mapi32.so"))).canonicalFilePath());
        // Its exports are found in it, not confused with the other copy.
        EXPECT_NE(GetProcAddress(mapi, "ProbeAdd"), nullptr);
        // The program's own folders come first.
        HMODULE own = LoadLibrary(QStringLiteral("PROBE32.DLL"));
        EXPECT_EQ(GetModuleFileName(own), source);
        FreeLibrary(own);
        FreeLibrary(mapi);
    }
    EXPECT_EQ(LoadLibrary(QStringLiteral("MAPI32.DLL")), nullptr);
}
