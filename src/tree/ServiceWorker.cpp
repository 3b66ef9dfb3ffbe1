#include "tree/ServiceWorker.h"

#include "platform/Timing.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMetaObject>
#include <chrono>
#include <system_error>

void CAutoResetEvent::Set()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
    }
    m_cv.notify_one();
}

bool CAutoResetEvent::Wait(DWORD realMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (realMs == INFINITE)
        m_cv.wait(lock, [this] { return m_signalled; });
    else if (!m_cv.wait_for(lock, std::chrono::milliseconds(realMs), [this] { return m_signalled; }))
        return false;
    m_signalled = false;
    return true;
}

CServiceWorker::~CServiceWorker()
{
    Stop();
}

DWORD CServiceWorker::Start(DWORD nominalIntervalMs, Cycle cycle, bool runOnStop)
{
    if (m_thread.joinable())
        return ERROR_ALREADY_EXISTS;
    m_interval = nominalIntervalMs;
    m_cycle = std::move(cycle);
    m_runOnStop = runOnStop;
    m_stop.store(0, std::memory_order_release);
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
        const int code = e.code().value();
        return code ? DWORD(code) : ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return 0;
}

void CServiceWorker::Run()
{
    for (;;) {
        m_wake.Wait(Timing::Scaled(m_interval));
        const bool stopping = StopRequested();
        if (stopping && !m_runOnStop)
            break;
        if (m_cycle)
            m_cycle(*this);
        m_cycles.fetch_add(1, std::memory_order_relaxed);
        if (stopping)
            break;
    }
    m_exited.Set();
}

void CServiceWorker::Stop()
{
    if (!m_thread.joinable())
        return;
    m_stop.store(1, std::memory_order_release);
    m_wake.Set();
    m_exited.Wait(INFINITE);
    m_thread.join();
}

bool CServiceWorker::Pause(DWORD nominalMs)
{
    if (StopRequested())
        return false;
    m_wake.Wait(Timing::Scaled(nominalMs));
    return !StopRequested();
}

namespace WorkerWaitCursor {

namespace {
void PostToGuiThread(bool show)
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    // Queued to the application object: requests from one thread keep their order, so every
    // End removes the cursor its Begin pushed.
    QMetaObject::invokeMethod(
        app, [show] {
            if (show)
                QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            else if (QGuiApplication::overrideCursor())
                QGuiApplication::restoreOverrideCursor();
        },
        Qt::QueuedConnection);
}
} // namespace

void Begin() { PostToGuiThread(true); }
void End() { PostToGuiThread(false); }

} // namespace WorkerWaitCursor
