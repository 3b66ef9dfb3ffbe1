#pragma once
// Helpers for the service-control, network and alert-service tests: machines in a temporary
// world, service handles that close themselves, waiting for a service state.
#include "../common/TempWorld.h"
#include "platform/ServiceControl.h"
#include "platform/Timing.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <csignal>
#include <sys/types.h>

namespace ScmTest {

// A machine folder with machine.json (accounts KORVANE\Administrator / secret) and drive C.
inline void AddMachine(const TempWorld& world, const QString& name, const QByteArray& extraJson = QByteArray(),
                       int platformMajor = 5)
{
    const QByteArray json = "{\"name\":\"" + name.toUtf8() + "\",\"domain\":\"KORVANE\",\"comment\":\"Server " + name.toUtf8()
                            + "\",\"platformMajor\":" + QByteArray::number(platformMajor)
                            + ",\"platformMinor\":2,"
                              "\"accounts\":[{\"domain\":\"KORVANE\",\"user\":\"Administrator\",\"password\":\"secret\"}]"
                            + extraJson + "}";
    world.Write(QStringLiteral("machines/%1/machine.json").arg(name), json);
    QDir().mkpath(world.Path(QStringLiteral("machines/%1/drives/C/WINDOWS").arg(name)));
}

inline Scm::ServiceDefinition AlertDefinition(const QString& name = QString::fromLatin1(Scm::kAlertServiceName))
{
    Scm::ServiceDefinition d;
    d.name = name;
    d.displayName = QStringLiteral("Alert Notification Server");
    d.binaryPath = QStringLiteral("C:\\ALERT\\ALERT.EXE");
    d.startType = SERVICE_AUTO_START;
    d.account = QStringLiteral("LocalSystem");
    return d;
}

class Handle {
public:
    explicit Handle(SC_HANDLE h = nullptr) : m_h(h) {}
    ~Handle() { if (m_h) CloseServiceHandle(m_h); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    SC_HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
private:
    SC_HANDLE m_h;
};

inline DWORD StateOf(SC_HANDLE service)
{
    SERVICE_STATUS s;
    return QueryServiceStatus(service, &s) ? s.dwCurrentState : 0;
}

// Polls until the service reports the state; false after realMs. Process start-up is not
// scaled, so the bound is real time; the poll interval comes from Timing.
inline bool WaitForState(SC_HANDLE service, DWORD state, uint64_t realMs = 5000)
{
    const uint64_t end = Timing::TickCount() + realMs;
    for (;;) {
        if (StateOf(service) == state)
            return true;
        if (Timing::TickCount() > end)
            return false;
        Timing::Sleep(10);
    }
}

// The pid the state file names (0 when none).
inline qint64 StatePid(const TempWorld& world, const QString& machine, const QString& fileKey)
{
    const QJsonDocument doc = QJsonDocument::fromJson(
        world.Read(QStringLiteral("machines/%1/scm/%2.state").arg(machine, fileKey)));
    return qint64(doc.object().value(QLatin1String("pid")).toDouble(0));
}

inline bool PidAlive(qint64 pid) { return pid > 0 && ::kill(pid_t(pid), 0) == 0; }

inline const QString kAlertKey = QStringLiteral("Alert%20Notification%20Server");

// Ends a service process a test started, whatever the test's outcome.
class ServiceReaper {
public:
    ServiceReaper(const TempWorld& world, QString machine, QString key = kAlertKey)
        : m_world(world), m_machine(std::move(machine)), m_key(std::move(key)) {}
    ~ServiceReaper()
    {
        const qint64 pid = StatePid(m_world, m_machine, m_key);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid > 0 && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("alertsvc"))
            ::kill(pid_t(pid), SIGKILL);
    }
private:
    const TempWorld& m_world;
    QString m_machine;
    QString m_key;
};

} // namespace ScmTest
