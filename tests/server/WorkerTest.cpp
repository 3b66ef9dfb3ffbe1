// The workers' thread machinery: a stop ends the wait and the pauses of a cycle at once, the
// table worker's cycle still runs once when it is stopped, and wait-cursor requests from a
// worker reach the user-interface thread in order.
#include "ServerTestSupport.h"

#include <QCursor>
#include <QGuiApplication>

#include <atomic>

using namespace ServerTest;

namespace {

TEST(ServiceWorker, StopEndsAPauseInsideACycle)
{
    CServiceWorker worker;
    std::atomic<int> pauses{0};
    std::atomic<bool> pauseRefused{false};
    std::atomic<bool> inCycle{false};
    // A cycle that would pause for a nominal hour between its attempts.
    ASSERT_EQ(worker.Start(1, [&](CServiceWorker& w) {
        inCycle = true;
        while (w.Pause(3600 * 1000))
            ++pauses;
        pauseRefused = true;
    }), 0u);
    EXPECT_TRUE(worker.IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return inCycle.load(); }));
    worker.Stop();
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_TRUE(pauseRefused);
    EXPECT_EQ(pauses, 0);
    EXPECT_FALSE(worker.Pause(1));   // after a stop no pause is taken
}

TEST(ServiceWorker, CycleRunsOnStopOnlyWhenAsked)
{
    for (bool runOnStop : {false, true}) {
        CServiceWorker worker;
        std::atomic<int> cycles{0};
        // The interval never ends by itself; only the stop wakes the worker.
        ASSERT_EQ(worker.Start(INFINITE, [&](CServiceWorker&) { ++cycles; }, runOnStop), 0u);
        worker.Stop();
        EXPECT_EQ(cycles, runOnStop ? 1 : 0) << runOnStop;
        EXPECT_EQ(worker.Cycles(), uint64_t(cycles.load()));
    }
}

TEST(ServiceWorker, WakeRunsACycleEarlyAndStartIsRefusedTwice)
{
    CServiceWorker worker;
    std::atomic<int> cycles{0};
    ASSERT_EQ(worker.Start(INFINITE, [&](CServiceWorker&) { ++cycles; }), 0u);
    EXPECT_EQ(worker.Start(INFINITE, [](CServiceWorker&) {}), DWORD(ERROR_ALREADY_EXISTS));
    worker.Wake();
    ASSERT_TRUE(WaitUntil([&] { return cycles.load() == 1; }));
    worker.Wake();
    ASSERT_TRUE(WaitUntil([&] { return cycles.load() == 2; }));
    worker.Stop();
    worker.Stop();   // a second stop is harmless
    EXPECT_EQ(cycles, 2);
}

TEST(ServiceWorker, WaitCursorRequestsFromAWorkerAreBalanced)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    CServiceWorker worker;
    std::atomic<bool> done{false};
    ASSERT_EQ(worker.Start(1, [&](CServiceWorker&) {
        if (done)
            return;
        WorkerWaitCursor::Begin();
        WorkerWaitCursor::Begin();
        WorkerWaitCursor::End();
        done = true;
    }), 0u);
    // Waits without running the event loop.
    while (!done)
        Timing::Sleep(100);
    worker.Stop();
    // Nothing was set from the worker's thread: the requests wait for the event loop.
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QCoreApplication::processEvents();
    const QCursor* c = QGuiApplication::overrideCursor();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->shape(), Qt::WaitCursor);
    WorkerWaitCursor::End();
    QCoreApplication::processEvents();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
