#pragma once
// Shared pieces of the server-leaf tests: a world of its own with this computer (TESTPC) and
// remote machines whose alert services run as real alertsvc processes, a tree control to hold
// the leaves, and a scripted UI host that records every message.
#include "../common/LocalServers.h"
#include "../common/TempWorld.h"

#include "alertworld/WorldTool.h"
#include "extern/Tarnix.h"
#include "framework/ScriptedUiHost.h"
#include "framework/Switches.h"
#include "platform/Network.h"
#include "platform/Registry.h"
#include "platform/ServiceControl.h"
#include "platform/Timing.h"
#include "platform/World.h"
#include "res/Resources.h"
#include "tree/ActivityLeaf.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/RegUtil.h"
#include "tree/ServerLeaf.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <vector>

#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace ServerTest {

inline const QString kThisComputer = QStringLiteral("TESTPC");
inline const QString kAccountDomain = QStringLiteral("KORVANE");
inline const QString kAccountUser = QStringLiteral("Administrator");
inline const QString kAccountPassword = QStringLiteral("secret");
inline const QString kAlertKey = QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion");

// Runs the event loop (posted worker messages among it) until pred holds; false after realMs.
// Process start-up is not scaled, so the bound is real time; each pause comes from Timing.
inline bool WaitUntil(const std::function<bool()>& pred, uint64_t realMs = 8000)
{
    return LocalServers::PollUntil(pred, int(realMs));
}

// Runs the event loop for a nominal interval (scaled by the timing policy).
inline void Pump(DWORD nominalMs)
{
    const uint64_t end = Timing::TickCount() + Timing::Scaled(nominalMs);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        Timing::Sleep(100);
    } while (Timing::TickCount() < end);
}

inline QString StatusText(CCmdTarget* route)
{
    CCmdUI ui(2000);
    route->OnCmdMsg(2000, &ui);
    return ui.GetText();
}

// Ends every alertsvc process a test started, whatever the test's outcome.
class Reaper {
public:
    explicit Reaper(const TempWorld& world) : m_world(world) {}
    void Add(const QString& machine, const QString& key = QStringLiteral("Alert%20Notification%20Server"))
    {
        m_machines.push_back(QStringLiteral("machines/%1/scm/%2.state").arg(machine, key));
    }
    ~Reaper()
    {
        for (const QString& stateFile : m_machines) {
            const QJsonDocument doc = QJsonDocument::fromJson(m_world.Read(stateFile));
            const qint64 pid = qint64(doc.object().value(QLatin1String("pid")).toDouble(0));
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (pid > 0 && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("alertsvc"))
                ::kill(pid_t(pid), SIGKILL);
        }
    }

private:
    const TempWorld& m_world;
    std::vector<QString> m_machines;
};

class Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Network::CancelAllConnections();
        Switches::Reset();
        ASSERT_TRUE(World::EnsureThisComputer());
        ASSERT_FALSE(Scm::ServiceProgram().isEmpty()) << "alertsvc must be built beside the tests";
        // The account check after start-up has tests of its own.
        SetImpersonate(0);
        m_tree = std::make_unique<CAlertTreeCtrl>();
        m_tree->resize(300, 400);
    }
    void TearDown() override
    {
        // The leaves (and their workers) go with the tree, before the world does.
        m_tree.reset();
        CActivityLeaf::SetHooks({});
        Network::CancelAllConnections();
    }

    static void SetImpersonate(DWORD value)
    {
        ASSERT_EQ(WriteRegDword(QStringLiteral("Service"), QString(), QStringLiteral("Impersonate"), value), 0u);
    }

    // Installs the alert service on this computer (registry paths included).
    void InstallLocalService()
    {
        QString error;
        ASSERT_EQ(WorldTool::InstallAlertService(kThisComputer, &error), 0u) << error.toStdString();
        m_reaper.Add(kThisComputer);
    }

    // A remote machine with the account KORVANE\Administrator / secret, optionally with the
    // alert service installed.
    void AddRemote(const QString& name, bool withService = true, bool olderService = false)
    {
        WorldTool::MachineOptions options;
        options.name = name;
        options.domain = kAccountDomain;
        options.accounts = {kAccountDomain + QLatin1Char('\\') + kAccountUser + QLatin1Char(':') + kAccountPassword};
        options.shares = {QStringLiteral("DATA:disk:D:\\DATA")};
        options.olderService = olderService;
        QString error;
        ASSERT_EQ(WorldTool::AddMachine(options, &error), 0u) << error.toStdString();
        if (withService) {
            ASSERT_EQ(WorldTool::InstallAlertService(name, &error), 0u) << error.toStdString();
            m_reaper.Add(name);
        }
    }

    // Connects this process to the machine's administrative share as the console would.
    static DWORD ConnectAdmin(const QString& machine)
    {
        const QByteArray remote = (QStringLiteral("\\\\") + machine + QStringLiteral("\\ADMIN$")).toUtf8();
        const QByteArray user = (kAccountDomain + QLatin1Char('\\') + kAccountUser).toUtf8();
        const QByteArray password = kAccountPassword.toUtf8();
        NETRESOURCE nr{};
        nr.dwType = RESOURCETYPE_DISK;
        nr.lpRemoteName = const_cast<char*>(remote.constData());
        return WNetAddConnection2(&nr, password.constData(), user.constData(), 0);
    }

    static void StartService(const QString& machine)
    {
        QString error;
        ASSERT_EQ(WorldTool::StartAlertService(machine, &error), 0u) << error.toStdString();
    }

    CServerLeaf* AddServer(const QString& machine, const QString& connection = QString())
    {
        return CServerLeaf::CreateTopLevel(m_tree.get(), CServerData::Make(machine, connection));
    }

    int TopLevelCount() const { return m_tree->GetChildCount(TVI_ROOT); }

    TempWorld m_world{kThisComputer};
    Reaper m_reaper{m_world};
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    std::unique_ptr<CAlertTreeCtrl> m_tree;
};

} // namespace ServerTest
