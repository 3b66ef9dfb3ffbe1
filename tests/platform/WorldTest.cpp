#include "platform/World.h"

#include "../common/TempWorld.h"
#include "RemoteAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <thread>

namespace {

// A remote machine folder with its drive C (and Windows folder in a case of its own).
void AddMachine(const TempWorld& world, const QString& name, const QByteArray& machineJson = QByteArray())
{
    QDir().mkpath(world.Path(QStringLiteral("machines/%1/drives/C/Windows").arg(name)));
    if (!machineJson.isEmpty())
        world.Write(QStringLiteral("machines/%1/machine.json").arg(name), machineJson);
}

} // namespace

TEST(WorldNames, EscapingAndMalformedNamesAreUnknownMachines)
{
    TempWorld world;
    const QString bad[] = {
        QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("..."),
        QStringLiteral("../ETC"), QStringLiteral("..\\X"), QStringLiteral("\\\\SRV1"),
        QStringLiteral("A/B"), QStringLiteral("A\\B"), QStringLiteral("SRV") + QChar(0) + QStringLiteral("X"),
        QStringLiteral("SRV\n"), QStringLiteral("SRV\t1"), QStringLiteral("ABCDEFGHIJKLMNOP"),
        QStringLiteral("SRV 1"), QStringLiteral("SRV$"), QStringLiteral("伺服器"),
    };
    for (const QString& name : bad) {
        EXPECT_FALSE(World::IsValidMachineName(name)) << name.toStdString();
        EXPECT_TRUE(World::CanonicalMachineName(name).isEmpty()) << name.toStdString();
        EXPECT_TRUE(World::MachineDir(name).isEmpty()) << name.toStdString();
        EXPECT_FALSE(World::MachineExists(name)) << name.toStdString();
        EXPECT_EQ(World::CheckAccess(name), RPC_S_SERVER_UNAVAILABLE) << name.toStdString();
    }
    // Nothing was created beside this computer's folder.
    const QStringList machines = QDir(world.Path(QStringLiteral("machines"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_TRUE(machines.isEmpty() || machines == QStringList{QStringLiteral("TESTPC")}) << machines.join(',').toStdString();
    EXPECT_FALSE(QFileInfo::exists(world.Path(QStringLiteral("ETC"))));

    EXPECT_TRUE(World::IsValidMachineName(QStringLiteral("ABCDEFGHIJKLMNO")));
    EXPECT_EQ(World::CanonicalMachineName(QStringLiteral("srv-1_a.b")), QStringLiteral("SRV-1_A.B"));
}

TEST(WorldNames, ComputerNameIsCanonicalAndOverridable)
{
    TempWorld world(QStringLiteral("testpc"));
    EXPECT_EQ(World::ComputerName(), QStringLiteral("TESTPC"));
    EXPECT_TRUE(World::IsThisComputer(QStringLiteral("TestPc")));
    EXPECT_EQ(World::LocalMachine(), QStringLiteral("TESTPC"));

    World::SetComputerName(QStringLiteral("my host!name-that-is-long"));
    EXPECT_EQ(World::ComputerName(), QStringLiteral("MY-HOST-NAME-TH"));
    World::SetComputerName(QString());
    // Back to the environment the world set.
    EXPECT_EQ(World::ComputerName(), QStringLiteral("TESTPC"));
}

TEST(WorldRoot, EnvironmentAndOverride)
{
    TempWorld world;
    EXPECT_EQ(World::Root(), QDir::cleanPath(world.Root()));
    World::SetRoot(QString());
    // The environment still names the temporary world.
    EXPECT_EQ(World::Root(), QDir::cleanPath(world.Root()));
}

TEST(WorldMachines, ThisComputerIsCreatedOnFirstUse)
{
    TempWorld world;
    const QString dir = World::MachineDir(QStringLiteral("testpc"));
    ASSERT_EQ(dir, world.Path(QStringLiteral("machines/TESTPC")));
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/drives/C/WINDOWS")).isDir());
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("/registry.reg")));
    EXPECT_EQ(QFileInfo(dir + QStringLiteral("/registry.reg")).size(), 0);

    const QJsonObject info = QJsonDocument::fromJson(world.Read(QStringLiteral("machines/TESTPC/machine.json"))).object();
    EXPECT_EQ(info.value(QStringLiteral("name")).toString(), QStringLiteral("TESTPC"));
    EXPECT_EQ(info.value(QStringLiteral("platformMajor")).toInt(), 5);
    const QJsonArray accounts = info.value(QStringLiteral("accounts")).toArray();
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_EQ(accounts[0].toObject().value(QStringLiteral("user")).toString(), QStringLiteral("Administrator"));

    QJsonObject read;
    ASSERT_TRUE(World::ReadMachineJson(QStringLiteral("TESTPC"), &read));
    EXPECT_EQ(read, info);
}

TEST(WorldMachines, ExistingFilesOfThisComputerAreKept)
{
    TempWorld world;
    world.Write(QStringLiteral("machines/TESTPC/registry.reg"), "keep me");
    world.Write(QStringLiteral("machines/TESTPC/machine.json"), R"({"name":"TESTPC","platformMajor":6})");
    ASSERT_TRUE(World::EnsureThisComputer());
    EXPECT_EQ(world.Read(QStringLiteral("machines/TESTPC/registry.reg")), QByteArray("keep me"));
    EXPECT_EQ(QJsonDocument::fromJson(world.Read(QStringLiteral("machines/TESTPC/machine.json"))).object().value(QStringLiteral("platformMajor")).toInt(), 6);
}

TEST(WorldMachines, RemoteMachinesExistOnlyWithTheirFolder)
{
    TempWorld world;
    AllRemoteAccess access;
    EXPECT_FALSE(World::MachineExists(QStringLiteral("SRV1")));
    EXPECT_EQ(World::CheckAccess(QStringLiteral("SRV1")), RPC_S_SERVER_UNAVAILABLE);
    AddMachine(world, QStringLiteral("SRV1"));
    EXPECT_EQ(World::MachineDir(QStringLiteral("srv1")), world.Path(QStringLiteral("machines/SRV1")));
    QJsonObject info;
    EXPECT_FALSE(World::ReadMachineJson(QStringLiteral("SRV1"), &info));
}

class WorldPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/Alert/Help")));
        AddMachine(m_world, QStringLiteral("SRV1"), R"({"name":"SRV1","shares":[
            {"name":"Data","type":"disk","path":"D:\\Shared\\Data"},
            {"name":"LASER","type":"print"},
            {"name":"ESCAPE","type":"disk","path":"D:\\..\\..\\.."},
            {"name":"RELATIVE","type":"disk","path":"Data"}]})");
        QDir().mkpath(m_world.Path(QStringLiteral("machines/SRV1/drives/D/shared/DATA/Reports")));
    }

    QString Resolve(const QString& path, DWORD expected = ERROR_SUCCESS)
    {
        QString host = QStringLiteral("unchanged");
        EXPECT_EQ(World::ResolvePath(path, &host), expected) << path.toStdString();
        if (expected != ERROR_SUCCESS) {
            EXPECT_TRUE(host.isEmpty()) << path.toStdString();
            return QString();
        }
        EXPECT_TRUE(host.startsWith(QDir::cleanPath(m_world.Root()) + QLatin1Char('/'))) << host.toStdString();
        return host;
    }

    QString Under(const QString& relative) { return QDir::cleanPath(m_world.Path(relative)); }

    TempWorld m_world;
    AllRemoteAccess m_access;
};

TEST_F(WorldPaths, DrivePathsMatchExistingComponentsIgnoringCase)
{
    EXPECT_EQ(Resolve(QStringLiteral("C:\\ALERT\\HELP\\Index.htm")), Under(QStringLiteral("machines/TESTPC/drives/C/Alert/Help/Index.htm")));
    EXPECT_EQ(Resolve(QStringLiteral("c:\\alert")), Under(QStringLiteral("machines/TESTPC/drives/C/Alert")));
    // New components keep the case they were given; so does everything after them.
    EXPECT_EQ(Resolve(QStringLiteral("C:\\Alert\\NewDir\\help\\X.Log")), Under(QStringLiteral("machines/TESTPC/drives/C/Alert/NewDir/help/X.Log")));
    // Forward slashes, doubled and trailing separators.
    EXPECT_EQ(Resolve(QStringLiteral("C:/alert//help\\")), Under(QStringLiteral("machines/TESTPC/drives/C/Alert/Help")));
    EXPECT_EQ(Resolve(QStringLiteral("C:\\")), Under(QStringLiteral("machines/TESTPC/drives/C")));
}

TEST_F(WorldPaths, ExactCaseWinsOverOtherCaseVariants)
{
    QDir().mkpath(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/alert")));
    EXPECT_EQ(Resolve(QStringLiteral("C:\\alert\\x")), Under(QStringLiteral("machines/TESTPC/drives/C/alert/x")));
    EXPECT_EQ(Resolve(QStringLiteral("C:\\Alert\\x")), Under(QStringLiteral("machines/TESTPC/drives/C/Alert/x")));
    // Neither spelling exact: the first in name order.
    EXPECT_EQ(Resolve(QStringLiteral("C:\\ALERT\\x")), Under(QStringLiteral("machines/TESTPC/drives/C/Alert/x")));
}

TEST_F(WorldPaths, AdministrativeAndDiskShares)
{
    EXPECT_EQ(Resolve(QStringLiteral("\\\\srv1\\ADMIN$\\QUELLIT.ALT")), Under(QStringLiteral("machines/SRV1/drives/C/Windows/QUELLIT.ALT")));
    EXPECT_EQ(Resolve(QStringLiteral("\\\\SRV1\\c$\\windows")), Under(QStringLiteral("machines/SRV1/drives/C/Windows")));
    EXPECT_EQ(Resolve(QStringLiteral("\\\\SRV1\\D$")), Under(QStringLiteral("machines/SRV1/drives/D")));
    EXPECT_EQ(Resolve(QStringLiteral("\\\\SRV1\\DATA\\reports\\a.txt")), Under(QStringLiteral("machines/SRV1/drives/D/shared/DATA/Reports/a.txt")));
    EXPECT_EQ(Resolve(QStringLiteral("\\\\TESTPC\\C$\\Alert")), Under(QStringLiteral("machines/TESTPC/drives/C/Alert")));

    Resolve(QStringLiteral("\\\\SRV1\\LASER\\x"), ERROR_BAD_NET_NAME);     // print share
    Resolve(QStringLiteral("\\\\SRV1\\NOSUCH\\x"), ERROR_BAD_NET_NAME);
    Resolve(QStringLiteral("\\\\SRV1\\E$\\x"), ERROR_BAD_NET_NAME);        // no drive E
    Resolve(QStringLiteral("\\\\SRV1\\ESCAPE\\x"), ERROR_BAD_NET_NAME);    // share path leaving the drive
    Resolve(QStringLiteral("\\\\SRV1\\RELATIVE\\x"), ERROR_BAD_NET_NAME);
    Resolve(QStringLiteral("\\\\SRV1"), ERROR_BAD_NET_NAME);
    Resolve(QStringLiteral("\\\\SRV1\\"), ERROR_BAD_NET_NAME);
    Resolve(QStringLiteral("\\\\SRV2\\C$\\x"), ERROR_BAD_NETPATH);         // unknown machine
    Resolve(QStringLiteral("\\\\..\\C$\\x"), ERROR_BAD_NETPATH);
    Resolve(QStringLiteral("\\\\.\\C$\\x"), ERROR_BAD_NETPATH);
    Resolve(QStringLiteral("\\\\?\\C:\\x"), ERROR_BAD_NETPATH);
    Resolve(QStringLiteral("\\\\ABCDEFGHIJKLMNOP\\C$"), ERROR_BAD_NETPATH);
    Resolve(QStringLiteral("\\\\\\SRV1\\C$"), ERROR_BAD_NETPATH);
}

TEST_F(WorldPaths, MalformedPathsAreRefused)
{
    const QString bad[] = {
        QString(), QStringLiteral("C:"), QStringLiteral("C:ALERT"), QStringLiteral("\\ALERT"),
        QStringLiteral("ALERT\\X"), QStringLiteral("1:\\X"), QStringLiteral("C:\\.."),
        QStringLiteral("C:\\ALERT\\..\\..\\..\\..\\etc"), QStringLiteral("C:\\.\\ALERT"),
        QStringLiteral("C:\\ALERT\\X") + QChar(0) + QStringLiteral("Y"), QStringLiteral("C:\\AL\nERT"),
        QStringLiteral("C:\\ALERT\\*.EXE"), QStringLiteral("C:\\ALERT\\A?B"), QStringLiteral("C:\\A:B"),
        QStringLiteral("C:\\ALERT."), QStringLiteral("C:\\ALERT \\X"), QStringLiteral("C:\\a<b"),
        QStringLiteral("D:\\X"),  // this computer has no drive D
        QStringLiteral("C:\\") + QString(256, QLatin1Char('x')),
    };
    for (const QString& path : bad)
        Resolve(path, ERROR_PATH_NOT_FOUND);
    Resolve(QStringLiteral("\\\\SRV1\\C$\\..\\..\\TESTPC"), ERROR_PATH_NOT_FOUND);
    Resolve(QStringLiteral("\\\\SRV1\\ADMIN$\\..\\x"), ERROR_PATH_NOT_FOUND);
}

TEST_F(WorldPaths, RemoteMachinesNeedTheInstalledCheck)
{
    QStringList asked;
    World::SetRemoteAccessCheck([&asked](const QString& machine) {
        asked << machine;
        return false;
    });
    EXPECT_EQ(World::CheckAccess(QStringLiteral("srv1")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(asked, QStringList{QStringLiteral("SRV1")});
    EXPECT_EQ(World::CheckAccess(QStringLiteral("TESTPC")), ERROR_SUCCESS);
    Resolve(QStringLiteral("\\\\SRV1\\ADMIN$\\X"), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Resolve(QStringLiteral("\\\\TESTPC\\C$\\X")).isEmpty());
    QString host;
    EXPECT_EQ(World::ResolvePathOn(QStringLiteral("SRV1"), QStringLiteral("C:\\WINDOWS"), &host), ERROR_ACCESS_DENIED);
    EXPECT_EQ(World::ResolvePathOn(QStringLiteral("SRV9"), QStringLiteral("C:\\WINDOWS"), &host), ERROR_BAD_NETPATH);
    EXPECT_EQ(World::ResolvePathOn(QStringLiteral("../SRV1"), QStringLiteral("C:\\WINDOWS"), &host), ERROR_BAD_NETPATH);

    World::SetRemoteAccessCheck([](const QString& machine) { return machine == QLatin1String("SRV1"); });
    EXPECT_EQ(World::CheckAccess(QStringLiteral("SRV1")), ERROR_SUCCESS);
    EXPECT_EQ(World::ResolvePathOn(QStringLiteral("SRV1"), QStringLiteral("C:\\WINDOWS\\A.ALT"), &host), ERROR_SUCCESS);
    EXPECT_EQ(host, Under(QStringLiteral("machines/SRV1/drives/C/Windows/A.ALT")));
}

TEST_F(WorldPaths, ScopedLocalMachineIsPerThreadAndPassesTheCheck)
{
    World::SetRemoteAccessCheck([](const QString&) { return false; });
    {
        World::ScopedLocalMachine scope(QStringLiteral("srv1"));
        EXPECT_EQ(World::LocalMachine(), QStringLiteral("SRV1"));
        EXPECT_EQ(World::CheckAccess(QStringLiteral("SRV1")), ERROR_SUCCESS);
        EXPECT_EQ(Resolve(QStringLiteral("C:\\WINDOWS\\x")), Under(QStringLiteral("machines/SRV1/drives/C/Windows/x")));
        QString other;
        std::thread([&other] { other = World::LocalMachine(); }).join();
        EXPECT_EQ(other, QStringLiteral("TESTPC"));
        {
            World::ScopedLocalMachine inner(QStringLiteral("TESTPC"));
            EXPECT_EQ(Resolve(QStringLiteral("C:\\Alert")), Under(QStringLiteral("machines/TESTPC/drives/C/Alert")));
        }
        EXPECT_EQ(World::LocalMachine(), QStringLiteral("SRV1"));
    }
    EXPECT_EQ(World::LocalMachine(), QStringLiteral("TESTPC"));
    {
        // An invalid scope resolves nowhere rather than falling back to this computer.
        World::ScopedLocalMachine scope(QStringLiteral("../SRV1"));
        Resolve(QStringLiteral("C:\\Alert"), ERROR_BAD_NETPATH);
    }
}
