#include "framework/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

namespace {
bool OnGuiThread()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}
} // namespace

CWaitCursor::CWaitCursor()
{
    if (OnGuiThread()) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_active = true;
    }
}

CWaitCursor::~CWaitCursor()
{
    if (m_active && OnGuiThread())
        QGuiApplication::restoreOverrideCursor();
}

void CWaitCursor::Restore()
{
    // Our own entry is still on the stack; only its shape may have been changed.
    if (m_active && OnGuiThread())
        QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
}

bool CWaitCursor::IsShowing()
{
    if (!OnGuiThread())
        return false;
    const QCursor* c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}
