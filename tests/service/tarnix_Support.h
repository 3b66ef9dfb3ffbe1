#pragma once
// Helpers for the store tests (library, packets, delivery, world tool): a world with this
// computer (TESTPC, alert service installed) and a remote SRV1, a stand-in for a running alert
// service, file snapshots and global blocks.
#include "../common/TempWorld.h"

#include "alertworld/WorldTool.h"
#include "platform/GlobalMemory.h"
#include "platform/Network.h"
#include "platform/ServiceControl.h"
#include "platform/World.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <cstring>
#include <gtest/gtest.h>

namespace StoreTest {

// TESTPC with the alert service installed (not running) and SRV1, a remote machine with the
// service and the account KORVANE\Administrator / secret.
inline void MakeWorld(bool olderRemote = false)
{
    QString error;
    WorldTool::MachineOptions local;
    local.name = QStringLiteral("TESTPC");
    local.accounts = {QStringLiteral("KORVANE\\Administrator:secret")};
    local.installService = true;
    ASSERT_EQ(WorldTool::AddMachine(local, &error), 0u) << error.toStdString();
    WorldTool::MachineOptions remote;
    remote.name = QStringLiteral("SRV1");
    remote.domain = QStringLiteral("KORVANE");
    remote.accounts = {QStringLiteral("KORVANE\\Administrator:secret")};
    remote.olderService = olderRemote;
    remote.installService = true;
    ASSERT_EQ(WorldTool::AddMachine(remote, &error), 0u) << error.toStdString();
}

// Holds a connection to \\NAME\ADMIN$ while it lives.
class Connection {
public:
    explicit Connection(const char* machine, const char* user = "KORVANE\\Administrator",
                        const char* password = "secret")
        : m_name(QByteArray("\\\\") + machine + "\\ADMIN$")
    {
        NETRESOURCE r {};
        r.dwType = RESOURCETYPE_DISK;
        r.lpRemoteName = m_name.data();
        m_rc = WNetAddConnection2(&r, password, user, 0);
    }
    ~Connection()
    {
        if (m_rc == 0)
            WNetCancelConnection2(m_name.constData(), 0, 1);
    }
    DWORD Result() const { return m_rc; }

private:
    QByteArray m_name;
    DWORD m_rc = 0;
};

// This process reports itself as the machine's running alert service while the object lives.
class RunningService {
public:
    explicit RunningService(const QString& machine)
    {
        m_instance = Scm::RegisterServiceInstance(machine, QString::fromLatin1(Scm::kAlertServiceName));
        if (!m_instance)
            return;
        SERVICE_STATUS status;
        status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        status.dwCurrentState = SERVICE_RUNNING;
        status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
        Scm::SetServiceStatus(m_instance, &status, 600000);
    }
    ~RunningService()
    {
        if (m_instance)
            Scm::CloseServiceInstance(m_instance);
    }
    bool Ok() const { return m_instance != nullptr; }

private:
    Scm::SERVICE_STATUS_HANDLE m_instance = nullptr;
};

// Every file under a folder with its bytes (lock files left out): proves that a refused call
// wrote nothing.
inline QMap<QString, QByteArray> Snapshot(const QString& dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(QLatin1String(".lock")))
            continue;
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            files.insert(path, f.readAll());
    }
    return files;
}

inline QByteArray RandomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, '\0');
    for (qsizetype i = 0; i < n; ++i)
        b[i] = static_cast<char>(rng.bounded(256));
    return b;
}

// A global block holding bytes.
inline void* Block(const QByteArray& bytes)
{
    void* block = GlobalAlloc(GHND, static_cast<size_t>(bytes.size()));
    if (block)
        std::memcpy(block, bytes.constData(), static_cast<size_t>(bytes.size()));
    return block;
}

inline QByteArray Bytes(const void* block, qsizetype n)
{
    return QByteArray(static_cast<const char*>(block), n);
}

} // namespace StoreTest
