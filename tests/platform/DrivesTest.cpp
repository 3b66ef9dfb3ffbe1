// Drive types of a machine as the world gives them, host paths back to a machine's Windows
// paths, and the runner for dialogs of run-time loaded libraries.
#include "platform/DialogHook.h"
#include "platform/Drives.h"
#include "platform/World.h"

#include "../common/TempWorld.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(Drives, TypesComeFromTheMachineAndItsFolders)
{
    TempWorld world;
    ASSERT_TRUE(World::EnsureThisComputer());
    ASSERT_TRUE(QDir().mkpath(world.Path(QStringLiteral("machines/TESTPC/drives/D"))));
    ASSERT_TRUE(world.Write(QStringLiteral("machines/TESTPC/machine.json"),
                            R"({"name":"TESTPC","driveTypes":{"a":"removable","Z":"remote","E":"cdrom","D":"ramdisk","Q":"tape"}})"));
    using namespace Files;
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("TESTPC"), QStringLiteral("C:\\")), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("testpc"), QStringLiteral("c:/")), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("TESTPC"), QStringLiteral("A:\\")), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("TESTPC"), QStringLiteral("Z:\\")), DRIVE_REMOTE);
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("TESTPC"), QStringLiteral("E:\\")), DRIVE_CDROM);
    // The listed type wins over the folder; an unknown type name is unknown.
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("TESTPC"), QStringLiteral("D:\\")), DRIVE_RAMDISK);
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("TESTPC"), QStringLiteral("Q:\\")), DRIVE_UNKNOWN);
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("TESTPC"), QStringLiteral("G:\\")), DRIVE_NO_ROOT_DIR);
    for (const char* notRoot : {"C:", "C:\\X", "\\:\\", "\\\\SRV1\\DATA", "", "1:\\"})
        EXPECT_EQ(GetDriveTypeOn(QStringLiteral("TESTPC"), QString::fromLatin1(notRoot)), DRIVE_NO_ROOT_DIR) << notRoot;
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("NOSUCH"), QStringLiteral("C:\\")), DRIVE_UNKNOWN);
    EXPECT_EQ(GetDriveTypeOn(QStringLiteral("../X"), QStringLiteral("C:\\")), DRIVE_UNKNOWN);
}

TEST(Drives, HostPathsMapBackToTheMachinesWindowsPaths)
{
    TempWorld world;
    ASSERT_TRUE(World::EnsureThisComputer());
    ASSERT_TRUE(world.Write(QStringLiteral("machines/TESTPC/drives/C/ALERT/Report.txt"), "x"));
    QString windows;
    ASSERT_TRUE(World::WindowsPathOf(QStringLiteral("TESTPC"), world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/Report.txt")),
                                     &windows));
    EXPECT_EQ(windows, QStringLiteral("C:\\ALERT\\Report.txt"));
    // The way back resolves to the same file.
    QString host;
    ASSERT_EQ(World::ResolvePathOn(QStringLiteral("TESTPC"), windows, &host), 0u);
    EXPECT_EQ(QFileInfo(host).canonicalFilePath(),
              QFileInfo(world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/Report.txt"))).canonicalFilePath());
    // Nothing outside the machine's drives has a Windows path there.
    EXPECT_FALSE(World::WindowsPathOf(QStringLiteral("TESTPC"), world.Path(QStringLiteral("machines/TESTPC/machine.json")), &windows));
    EXPECT_FALSE(World::WindowsPathOf(QStringLiteral("TESTPC"), world.Path(QStringLiteral("machines/TESTPC/drives/C/../../registry.reg")),
                                      &windows));
    EXPECT_FALSE(World::WindowsPathOf(QStringLiteral("TESTPC"), QStringLiteral("/etc/passwd"), &windows));
    EXPECT_FALSE(World::WindowsPathOf(QStringLiteral("NOSUCH"), world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/Report.txt")),
                                      &windows));
}

TEST(DialogHook, DialogsGoToTheInstalledRunnerOnly)
{
    QObject dialog;
    DialogHook::SetRunner({});
    EXPECT_EQ(DialogHook::Run(&dialog), -1);
    QObject* seen = nullptr;
    DialogHook::SetRunner([&seen](QObject* d) {
        seen = d;
        return 1;
    });
    EXPECT_EQ(DialogHook::Run(&dialog), 1);
    EXPECT_EQ(seen, &dialog);
    DialogHook::SetRunner({});
    EXPECT_EQ(DialogHook::Run(&dialog), -1);
}
