#pragma once
// The alert service's life: registration with the machine's service control manager, the
// state transitions it reports, the heartbeat, the controls it obeys and the delivery cycle
// that runs while it is running (not paused).
#include <QString>
#include <QStringList>
#include <functional>

namespace AlertService {

struct Options {
    QString world;      // empty: the environment's world
    QString machine;
    QString service = QStringLiteral("Alert Notification Server");
};

// Exit codes of the process.
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 1,
    ExitUnknownMachine = 2,
    ExitNotInstalled = 3,
    ExitAlreadyRunning = 4,
    ExitFailed = 5,
};

// `--world W --machine M [--service NAME]`; false with a reason for anything else.
bool ParseArguments(const QStringList& arguments, Options* options, QString* error);

// One delivery cycle on the machine (by default Delivery::ProcessSpool). Runs on the
// service's delivery thread.
using WorkStep = std::function<int(const QString& machine)>;

// Nominal times (Timing scales them). The pending hold keeps each pending state visible to
// pollers; VIGIMOR_PENDING_HOLD_MS overrides it.
constexpr unsigned kControlPollMs = 50;
constexpr unsigned kHeartbeatMs = 1000;
constexpr unsigned kDeliveryPollMs = 1000;
constexpr unsigned kPendingHoldMs = 800;

// Runs the service until it is stopped (a stop control, RequestStop, or its machine vanishing
// from the world). Returns an ExitCode. Safe to run in a thread of a test process.
int Run(const Options& options, const WorkStep& work = WorkStep());

// Asks every running Run to stop as if it received a stop control. Async-signal-safe.
void RequestStop();
// Clears a previous RequestStop (tests that run the service more than once in a process).
void ResetStopRequest();

} // namespace AlertService
