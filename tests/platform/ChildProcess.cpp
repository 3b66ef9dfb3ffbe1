#include "ChildProcess.h"

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

[[maybe_unused]] void Say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Blocks until the parent closes our stdin (or kills us).
[[maybe_unused]] void WaitForParent()
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
