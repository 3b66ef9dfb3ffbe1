// The console's entry point: the command line, then the application object's start-up, the
// event loop and its exit entry.
#include "app/AlertApp.h"
#include "app/CommandLine.h"
#include "platform/Timing.h"
#include "ui/ConsoleDump.h"
#include "ui/MainFrame.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    CCommandLine line;
    QString error;
    if (!line.Parse(QApplication::arguments(), &error)) {
        std::fprintf(stderr, "vigimor: %s\n", qPrintable(error));
        return 2;
    }
    if (line.signalTermination)
        return CAlertApp::SignalTermination() ? 0 : 1;

    CAlertApp app;
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 0;
    }
    int result = 0;
    if (!line.screenshotPath.isEmpty() || !line.dumpPath.isEmpty()) {
        // Scripts and tests: look at the console once it has settled, then end.
        auto* frame = qobject_cast<CMainFrame*>(app.MainWindow());
        if (frame && !line.selectPath.isEmpty())
            ConsoleDump::SelectPath(frame, line.selectPath);
        QTimer::singleShot(int(Timing::Scaled(DWORD(line.screenshotAfterMs))), [&] {
            bool ok = true;
            if (auto* f = qobject_cast<CMainFrame*>(app.MainWindow())) {
                if (!line.dumpPath.isEmpty())
                    ok = ConsoleDump::Write(f, line.dumpPath) && ok;
                if (!line.screenshotPath.isEmpty())
                    ok = f->grab().save(line.screenshotPath, "PNG") && ok;
            } else {
                ok = false;
            }
            result = ok ? 0 : 1;
            if (app.MainWindow())
                app.MainWindow()->close();
            QApplication::exit(result);
        });
    }
    const int loop = application.exec();
    app.ExitInstance();
    return result != 0 ? result : loop;
}
