#include "alertsvc/ServiceMain.h"

#include "alertsvc/Delivery.h"
#include "platform/ServiceControl.h"
#include "platform/Timing.h"
#include "platform/World.h"

#include <QFileInfo>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace AlertService {
namespace {

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Whether the machine's folder is still in the world; asked without creating anything, as
// this computer's folder would otherwise be made again.
bool MachinePresent(const QString& machine)
{
    return QFileInfo(World::Root() + QLatin1String("/machines/") + machine).isDir();
}

DWORD PendingHoldMs()
{
    bool ok = false;
    const uint v = qEnvironmentVariable("VIGIMOR_PENDING_HOLD_MS").toUInt(&ok);
    return ok && v <= 60000 ? v : kPendingHoldMs;
}

// The delivery thread: runs the work step on its cadence while delivery is enabled.
class DeliveryThread {
public:
    DeliveryThread(QString machine, WorkStep work)
        : m_machine(std::move(machine)), m_work(std::move(work))
    {
        m_thread = std::thread([this] { Loop(); });
    }
    ~DeliveryThread() { Quit(); }

    void Enable(bool on)
    {
        std::lock_guard lock(m_mutex);
        m_enabled = on;
        // A cycle sending for real may take long; pausing or stopping need not wait for it all.
        Delivery::SetInterrupted(!on);
        m_wake.notify_all();
    }
    // True once no cycle is running (waits at most one poll interval).
    bool WaitIdle(DWORD realMs)
    {
        std::unique_lock lock(m_mutex);
        return m_idle.wait_for(lock, std::chrono::milliseconds(realMs), [this] { return !m_busy; });
    }
    void Quit()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
            m_wake.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void Loop()
    {
        World::ScopedLocalMachine scope(m_machine);
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (m_enabled && MachinePresent(m_machine)) {
                m_busy = true;
                lock.unlock();
                try {
                    m_work(m_machine);
                } catch (...) {
                    // A failing cycle must not end the service; the next cycle tries again.
                }
                lock.lock();
                m_busy = false;
                m_idle.notify_all();
            }
            m_wake.wait_for(lock, Timing::ScaledDuration(kDeliveryPollMs), [this] { return m_quit; });
        }
    }

    QString m_machine;
    WorkStep m_work;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    bool m_enabled = false;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;
};

class Service {
public:
    Service(QString machine, Scm::SERVICE_STATUS_HANDLE instance)
        : m_machine(std::move(machine)), m_instance(instance)
    {
        m_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        m_lastBeat = Timing::TickCount();
    }

    DWORD State() const { return m_status.dwCurrentState; }

    void Report(DWORD state)
    {
        m_status.dwCurrentState = state;
        const bool steady = state == SERVICE_RUNNING || state == SERVICE_PAUSED;
        m_status.dwControlsAccepted = steady ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE : 0;
        m_status.dwCheckPoint = steady || state == SERVICE_STOPPED ? 0 : m_status.dwCheckPoint + 1;
        m_status.dwWaitHint = steady || state == SERVICE_STOPPED ? 0 : Timing::Scaled(PendingHoldMs()) * 4 + 1000;
        Scm::SetServiceStatus(m_instance, &m_status, Timing::Scaled(kHeartbeatMs));
        m_lastBeat = Timing::TickCount();
    }

    // Beats when due. False once the machine has left the world: nobody can see or stop
    // this service any more, so it ends.
    bool Beat()
    {
        const uint64_t now = Timing::TickCount();
        if (now - m_lastBeat < Timing::Scaled(kHeartbeatMs))
            return true;
        m_lastBeat = now;
        Scm::ServiceHeartbeat(m_instance);
        return MachinePresent(m_machine);
    }

    // Keeps a pending state visible for the nominal hold, beating meanwhile.
    bool Hold(DWORD nominalMs)
    {
        const uint64_t end = Timing::TickCount() + Timing::Scaled(nominalMs);
        while (Timing::TickCount() < end) {
            if (!Beat())
                return false;
            const uint64_t left = end - Timing::TickCount();
            std::this_thread::sleep_for(std::chrono::milliseconds(
                std::min<uint64_t>(left, Timing::Scaled(kControlPollMs))));
        }
        return true;
    }

private:
    QString m_machine;
    Scm::SERVICE_STATUS_HANDLE m_instance;
    SERVICE_STATUS m_status{};
    uint64_t m_lastBeat = 0;
};

int ExitFor(DWORD code)
{
    switch (code) {
    case RPC_S_SERVER_UNAVAILABLE: return ExitUnknownMachine;
    case ERROR_SERVICE_DOES_NOT_EXIST: return ExitNotInstalled;
    case ERROR_SERVICE_ALREADY_RUNNING: return ExitAlreadyRunning;
    default: return ExitFailed;
    }
}

} // namespace

bool ParseArguments(const QStringList& arguments, Options* options, QString* error)
{
    Options o;
    bool haveMachine = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if ((a == QLatin1String("--world") || a == QLatin1String("--machine") || a == QLatin1String("--service"))
            && i + 1 < arguments.size()) {
            const QString value = arguments.at(++i);
            if (a == QLatin1String("--world"))
                o.world = value;
            else if (a == QLatin1String("--machine")) {
                o.machine = value;
                haveMachine = true;
            } else
                o.service = value;
        } else {
            *error = QStringLiteral("unexpected argument: %1").arg(a);
            return false;
        }
    }
    if (!haveMachine || o.machine.isEmpty()) {
        *error = QStringLiteral("usage: alertsvc --world W --machine M [--service NAME]");
        return false;
    }
    if (o.service.isEmpty()) {
        *error = QStringLiteral("empty service name");
        return false;
    }
    *options = o;
    return true;
}

int Run(const Options& options, const WorkStep& work)
{
    const QString machine = World::CanonicalMachineName(options.machine);
    if (machine.isEmpty() || !MachinePresent(machine))
        return ExitUnknownMachine;
    World::ScopedLocalMachine scope(machine);

    Scm::SERVICE_STATUS_HANDLE instance = Scm::RegisterServiceInstance(machine, options.service);
    if (!instance)
        return ExitFor(GetLastError());

    const DWORD hold = PendingHoldMs();
    Service service(machine, instance);
    service.Report(SERVICE_START_PENDING);
    bool alive = service.Hold(hold);

    WorkStep step = work ? work : WorkStep([](const QString& m) { return Delivery::ProcessSpool(m); });
    DeliveryThread delivery(machine, step);
    if (alive) {
        delivery.Enable(true);
        service.Report(SERVICE_RUNNING);
    }

    while (alive) {
        std::this_thread::sleep_for(Timing::ScaledDuration(kControlPollMs));
        alive = service.Beat();
        DWORD control = g_stopRequested.load() ? SERVICE_CONTROL_STOP : Scm::TakeServiceControl(instance);
        if (!alive)
            control = SERVICE_CONTROL_STOP;
        switch (control) {
        case SERVICE_CONTROL_STOP:
            service.Report(SERVICE_STOP_PENDING);
            service.Hold(hold);
            alive = false;
            break;
        case SERVICE_CONTROL_PAUSE:
            if (service.State() != SERVICE_RUNNING) {
                service.Report(service.State());
                break;
            }
            service.Report(SERVICE_PAUSE_PENDING);
            alive = service.Hold(hold);
            delivery.Enable(false);
            // Paused means no delivery is in progress.
            while (alive && !delivery.WaitIdle(Timing::Scaled(kControlPollMs)))
                alive = service.Beat();
            service.Report(SERVICE_PAUSED);
            break;
        case SERVICE_CONTROL_CONTINUE:
            if (service.State() != SERVICE_PAUSED) {
                service.Report(service.State());
                break;
            }
            service.Report(SERVICE_CONTINUE_PENDING);
            alive = service.Hold(hold);
            delivery.Enable(true);
            service.Report(SERVICE_RUNNING);
            break;
        case SERVICE_CONTROL_INTERROGATE:
            service.Report(service.State());
            break;
        default:
            break;
        }
    }

    // Let a running cycle finish; the stop-pending state stays visible meanwhile.
    delivery.Enable(false);
    while (!delivery.WaitIdle(Timing::Scaled(kControlPollMs)))
        Scm::ServiceHeartbeat(instance);
    delivery.Quit();
    Delivery::SetInterrupted(false);
    if (MachinePresent(machine))
        service.Report(SERVICE_STOPPED);
    Scm::CloseServiceInstance(instance);
    return ExitOk;
}

void RequestStop() { g_stopRequested.store(true); }
void ResetStopRequest() { g_stopRequested.store(false); }

} // namespace AlertService
