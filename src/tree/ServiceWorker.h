#pragma once
// The background threads of a server leaf. Each worker is a thread with an unnamed auto-reset
// wake event, an auto-reset exited event and a stop flag: the thread waits on its wake event
// for at most its interval, runs one cycle, and goes round again until the stop flag is set
// (a worker started with runOnStop runs exactly one more cycle after the wait the stop ended);
// then it signals its exited event and ends. Stop sets the flag, wakes the thread and waits
// without time-out for the exited event, so a stop takes effect at the end of the cycle (or
// the pause inside it) that is running.
//
// A worker never touches a widget or a leaf other than through what its cycle function is
// given; results go to the user-interface thread as posted messages.
#include "platform/WinTypes.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// An unnamed auto-reset event: Set releases one wait (or the next one) and resets itself.
class CAutoResetEvent {
public:
    void Set();
    // Waits at most realMs real milliseconds (INFINITE: no limit). True when signalled.
    bool Wait(DWORD realMs);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_signalled = false;
};

class CServiceWorker {
public:
    // One cycle of the worker; runs on the worker's thread.
    using Cycle = std::function<void(CServiceWorker& worker)>;

    CServiceWorker() = default;
    // Stops the thread if it still runs.
    ~CServiceWorker();
    CServiceWorker(const CServiceWorker&) = delete;
    CServiceWorker& operator=(const CServiceWorker&) = delete;

    // Starts the thread: every nominalIntervalMs (scaled by the timing policy), or sooner when
    // woken, it runs cycle. Returns 0, or the system's error code when the thread cannot be
    // created (the worker then simply does not run). runOnStop: whether the cycle still runs
    // once after the wait that a stop request ended.
    DWORD Start(DWORD nominalIntervalMs, Cycle cycle, bool runOnStop = false);
    // Sets the stop flag, signals the wake event and waits for the exited event; then the
    // thread is joined. Nothing happens when the thread is not running.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

    // For the cycle: whether a stop was requested.
    bool StopRequested() const { return m_stop.load(std::memory_order_acquire) != 0; }
    // For the cycle: pauses for a nominal interval unless a stop is requested first. Returns
    // false when the worker is to stop.
    bool Pause(DWORD nominalMs);
    // Ends the current wait at once (the cycle runs early).
    void Wake() { m_wake.Set(); }

    // Cycles run so far (tests and measurements).
    uint64_t Cycles() const { return m_cycles.load(std::memory_order_relaxed); }

private:
    void Run();

    std::thread m_thread;
    CAutoResetEvent m_wake;
    CAutoResetEvent m_exited;
    std::atomic<int32_t> m_stop{0};
    std::atomic<uint64_t> m_cycles{0};
    DWORD m_interval = 0;
    bool m_runOnStop = false;
    Cycle m_cycle;
};

// The wait cursor for work that runs on a worker thread: the request is carried to the
// user-interface thread, which shows (Begin) and removes (End) the cursor in the order the
// requests were made. Safe from any thread; does nothing without a GUI application.
namespace WorkerWaitCursor {
void Begin();
void End();
// RAII form for the worker.
class Scope {
public:
    Scope() { Begin(); }
    ~Scope() { End(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};
} // namespace WorkerWaitCursor
