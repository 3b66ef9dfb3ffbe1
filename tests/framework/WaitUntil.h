#pragma once
// Turns the event loop until a condition holds. QTRY_* report through Qt Test, which a gtest
// program does not see, so these tests wait with this and assert on its result.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

template <class Condition>
bool WaitUntil(Condition condition, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}
