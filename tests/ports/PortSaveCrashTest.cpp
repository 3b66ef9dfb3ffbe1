// A console killed outright while it saves PORT.CFG leaves the file it had or the file it was
// writing, never a mixture: a child process saves two alternating versions of a large file over
// and over and is killed with SIGKILL at varying moments, again and again.
#include "../common/ChildRole.h"
#include "PortsTestSupport.h"

#include "platform/Timing.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <random>
#include <unistd.h>

using namespace PortsTest;

namespace {

const char* const kRoleVariable = "VIGIMOR_PORTS_TEST_SAVER";
constexpr int kRecords = 2000;   // a megabyte, so a save takes a while

QByteArray Description(int i, bool upper)
{
    return (upper ? QByteArray("PORT ") : QByteArray("port ")) + QByteArray::number(i).rightJustified(4, '0');
}

QVector<Records::PortRecord> Version(bool upper)
{
    QVector<Records::PortRecord> records;
    for (int i = 0; i < kRecords; ++i)
        records.append(Port(uint16_t(i + 1), uint16_t(i % 4 + 1), Description(i, upper)));
    return records;
}

Records::PortHeader CrashHeader()
{
    return Header(kRecords + 1);
}

// The child: the console's port leaf under this computer's server leaf, saving the two versions
// in turn for ever. Says "saving" once the first save is done.
int RunSaver()
{
    Timing::SetScale(0.01);
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CAlertTreeCtrl tree;
    CServerLeaf* server = CServerLeaf::CreateTopLevel(&tree, CServerData::Make(kThisComputer, QString()));
    if (!server)
        return 2;
    PortFiles::SetResolver([](const CAlertLeaf*, PortFiles::Kind kind, QString* path) {
        *path = kind == PortFiles::Kind::Ports ? QStringLiteral("C:\\ALERT\\PORT.CFG")
                                               : QStringLiteral("C:\\ALERT\\PORTDEF.CFG");
        return true;
    });
    auto* config = new CPortConfigLeaf;
    if (!server->InsertChild(config))
        return 3;
    config->LoadPorts();
    if (config->ChildCount() != kRecords)
        return 4;
    for (bool upper = true;; upper = !upper) {
        int i = 0;
        for (CAlertLeaf* c = config->GetFirstChild(); c; c = c->GetNextSibling(), ++i) {
            auto* port = static_cast<CPortLeaf*>(c);
            const Records::PortRecord& r = port->Record();
            port->SetFields(QString::fromLatin1(Description(i, upper)), r.portNumber, QString::fromUtf8(r.portName),
                            r.baudIndex, r.dataBitsIndex, r.parityIndex, r.stopBitsIndex);
        }
        if (!config->SavePorts())
            return 5;
        static bool said = false;
        if (!said) {
            said = true;
            std::fputs("saving\n", stdout);
            std::fflush(stdout);
        }
    }
}

const bool g_saverRole = RegisterChildRole(kRoleVariable, RunSaver);

class PortSaveCrashTest : public Fixture {};

TEST_F(PortSaveCrashTest, AKilledSaveLeavesTheOldFileOrTheNewOneNeverAMixture)
{
    const QByteArray lower = Records::SerializePortFile(CrashHeader(), Version(false));
    const QByteArray upper = Records::SerializePortFile(CrashHeader(), Version(true));
    ASSERT_TRUE(m_world.Write(kPortsFile, lower));
    WriteDefault(1);

    std::mt19937 random(11);
    for (int round = 0; round < 12; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kRoleVariable), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        ASSERT_TRUE(child.waitForStarted(10000));
        ASSERT_TRUE(child.waitForReadyRead(30000)) << "the child saves at all";
        ASSERT_EQ(child.readLine().trimmed(), QByteArray("saving"));
        // Somewhere inside one of the next saves.
        QThread::usleep(std::uniform_int_distribution<unsigned>(0, 40000)(random));
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        const QByteArray now = PortsBytes();
        ASSERT_TRUE(now == lower || now == upper) << "round " << round << ": " << now.size() << " bytes, a mixture";
    }
}

} // namespace
