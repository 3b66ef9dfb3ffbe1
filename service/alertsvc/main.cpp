// alertsvc --world W --machine M [--service NAME]: the alert service of machine M.
#include "alertsvc/ServiceMain.h"
#include "platform/World.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <dirent.h>
#include <unistd.h>

namespace {

void OnTerminate(int) { AlertService::RequestStop(); }

// Descriptors inherited from the starter (its lock files among them) would otherwise stay
// held for as long as the service lives.
void CloseInheritedDescriptors()
{
    if (::close_range(3, ~0U, 0) == 0)
        return;
    for (int fd = 3; fd < 1024; ++fd)
        ::close(fd);
}

} // namespace

int main(int argc, char** argv)
{
    CloseInheritedDescriptors();
    QCoreApplication app(argc, argv);

    AlertService::Options options;
    QString error;
    if (!AlertService::ParseArguments(app.arguments().mid(1), &options, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return AlertService::ExitUsage;
    }
    if (!options.world.isEmpty())
        World::SetRoot(options.world);
    // The service runs on its machine: that is this computer for everything it does. Looked
    // for directly, as this computer's folder would be made on first use.
    const QString machine = World::CanonicalMachineName(options.machine);
    if (machine.isEmpty() || !QFileInfo(World::Root() + QLatin1String("/machines/") + machine).isDir())
        return AlertService::ExitUnknownMachine;
    World::SetComputerName(machine);

    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGHUP, SIG_IGN);

    return AlertService::Run(options);
}
