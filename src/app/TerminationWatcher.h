#pragma once
// The termination watcher: a thread that waits for the named manual-reset event
// "QuellitTerminationEvent" for the life of the process. When the product is being removed
// and the event is signalled, it asks the bound object for a delay - the object asks the main
// window to close and answers 40000 ms, or 0 when there is no window - sleeps for it and then
// ends the process at once with exit code 0, whether or not the console has closed by then.
#include "platform/WinTypes.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class CTerminationWatcher {
public:
    // Called on the watcher thread once the event is signalled; returns the delay in nominal
    // milliseconds before the process ends, or -1 to end the thread only.
    using DelayRequest = std::function<long()>;
    using ProcessExit = std::function<void(int code)>;

    CTerminationWatcher(DelayRequest request, ProcessExit exitProcess);
    // Before the event: stops waiting and joins the thread. After it: leaves the thread to end
    // the process, as it must even if the console is still closing.
    ~CTerminationWatcher();
    CTerminationWatcher(const CTerminationWatcher&) = delete;
    CTerminationWatcher& operator=(const CTerminationWatcher&) = delete;

    bool Start();
    // The event was signalled.
    bool Fired() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};
