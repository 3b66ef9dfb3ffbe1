#include "app/TerminationWatcher.h"

#include "app/AlertApp.h"
#include "platform/KernelObjects.h"
#include "platform/Timing.h"

namespace {
// The wait is cut into slices only so that the thread can end with its owner; the event is
// seen within one slice of being set.
constexpr DWORD kWaitSliceMs = 250;
enum Phase { kWaiting, kFired, kStopped };
} // namespace

struct CTerminationWatcher::State {
    CNamedEvent event;
    CTerminationWatcher::DelayRequest request;
    CTerminationWatcher::ProcessExit exitProcess;
    std::atomic<int> phase{kWaiting};
};

namespace {
void Run(std::shared_ptr<CTerminationWatcher::State> state)
{
    CNamedEvent& event = state->event;
    for (;;) {
        if (state->phase.load() == kStopped)
            return;
        const DWORD wait = event.Wait(kWaitSliceMs);
        if (wait == WAIT_OBJECT_0)
            break;
        if (wait != WAIT_TIMEOUT)
            return;
    }
    int expected = kWaiting;
    if (!state->phase.compare_exchange_strong(expected, kFired))
        return;
    // There are no critical-error boxes to silence here; the event handle goes first.
    event.Close();
    const long delay = state->request ? state->request() : 0;
    if (delay < 0)
        return;
    Timing::Sleep(DWORD(delay));
    if (state->exitProcess)
        state->exitProcess(0);
}
} // namespace

CTerminationWatcher::CTerminationWatcher(DelayRequest request, ProcessExit exitProcess)
    : m_state(std::make_shared<State>())
{
    m_state->request = std::move(request);
    m_state->exitProcess = std::move(exitProcess);
}

CTerminationWatcher::~CTerminationWatcher()
{
    if (!m_thread.joinable())
        return;
    int expected = kWaiting;
    if (m_state->phase.compare_exchange_strong(expected, kStopped))
        m_thread.join();
    else
        m_thread.detach();
}

bool CTerminationWatcher::Start()
{
    if (m_thread.joinable())
        return false;
    // The handle is open before Start returns, so a signal given right after start-up counts.
    if (!m_state->event.Create(QString::fromLatin1(CAlertApp::kTerminationEventName), false))
        return false;
    m_thread = std::thread(Run, m_state);
    return true;
}

bool CTerminationWatcher::Fired() const
{
    return m_state->phase.load() == kFired;
}
