#include "ChildProcess.h"

#include "platform/KernelObjects.h"
#include "platform/Registry.h"
#include "platform/Timing.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

const char* const kRoleVariable = "VIGIMOR_PLATFORM_TEST_CHILD";

void Say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Blocks until the parent closes our stdin (or kills us).
void WaitForParent()
{
    std::string line;
    while (std::getline(std::cin, line)) {
    }
}

int RunRole(const QString& role, const QStringList& args)
{
    if (role == QLatin1String("registry-writer") && args.size() == 3) {
        const int count = args[2].toInt();
        for (int i = 0; i < count; ++i) {
            if (Registry::PutDword(args[0], QStringLiteral("SOFTWARE\\Race"), args[1] + QString::number(i), DWORD(i)) != 0)
                return 2;
        }
        return 0;
    }
    if (role == QLatin1String("mutex-hold") && args.size() == 1) {
        CNamedMutex mutex;
        if (!mutex.Create(args[0], true))
            return 2;
        Say(mutex.Wait(0) == WAIT_OBJECT_0 ? "owned" : "busy");
        WaitForParent();
        return 0;
    }
    if (role == QLatin1String("event-set") && args.size() == 1) {
        CNamedEvent event;
        if (!event.Open(args[0]))
            return 3;
        return event.Set() ? 0 : 2;
    }
    if (role == QLatin1String("event-hold") && args.size() == 1) {
        CNamedEvent event;
        if (!event.Create(args[0]))
            return 2;
        Say("ready");
        const DWORD rc = event.Wait(INFINITE);
        Say(rc == WAIT_OBJECT_0 ? "signalled" : "failed");
        WaitForParent();
        return 0;
    }
    if ((role == QLatin1String("window") || role == QLatin1String("hung-window")) && args.size() == 1) {
        int argc = 1;
        char name[] = "child";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        const UINT message = Kernel::RegisterWindowMessage(args[0]);
        CTopLevelWindow window;
        const bool listening = window.Listen([message](UINT msg, WPARAM w, LPARAM l) -> LRESULT {
            if (msg != message || w != 0x88A8 || l != 0x8960)
                return 0;
            Say("asked");
            return 0x12272;
        });
        if (!listening)
            return 2;
        Say("ready");
        if (role == QLatin1String("hung-window")) {
            WaitForParent();
            return 0;
        }
        return app.exec();
    }
    return 100;
}

// Runs before the test program's main when this process is a child, and never returns then.
const bool g_childRun = [] {
    const QByteArray role = qgetenv(kRoleVariable);
    if (role.isEmpty())
        return false;
    QStringList args;
    const QByteArray packed = qgetenv("VIGIMOR_PLATFORM_TEST_ARGS");
    if (!packed.isEmpty())
        args = QString::fromUtf8(packed).split(QLatin1Char('\x1f'));
    Timing::SetScale(0.01);
    std::fflush(stdout);
    ::_exit(RunRole(QString::fromUtf8(role), args));
}();

} // namespace

std::unique_ptr<QProcess> StartChild(const QString& role, const QStringList& args)
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kRoleVariable), role);
    env.insert(QStringLiteral("VIGIMOR_PLATFORM_TEST_ARGS"), args.join(QLatin1Char('\x1f')));
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), QStringList());
    if (!child->waitForStarted(10000))
        return nullptr;
    return child;
}

QString ReadChildLine(QProcess& child)
{
    const uint64_t deadline = Timing::TickCount() + 10000;
    while (!child.canReadLine()) {
        const uint64_t now = Timing::TickCount();
        if (now >= deadline || child.state() == QProcess::NotRunning)
            break;
        child.waitForReadyRead(int(deadline - now));
    }
    return child.canReadLine() ? QString::fromUtf8(child.readLine()).trimmed() : QString();
}

int WaitChild(QProcess& child)
{
    if (!child.waitForFinished(10000))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}
