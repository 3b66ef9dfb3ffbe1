// The console's entry point: the command line, then the application object's start-up, the
// event loop and its exit entry.
#include "app/AlertApp.h"
#include "app/CommandLine.h"
#include "app/Language.h"
#include "framework/ScriptedUiHost.h"
#include "platform/Timing.h"
#include "ui/ConsoleDump.h"
#include "ui/MainFrame.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>
#include <cstdio>
#include <optional>

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
    Res::Language language = Res::Language::TraditionalChinese;
    if (!UiLanguage::Choose(line.language, QLocale::system().uiLanguages(), &language)) {
        std::fprintf(stderr, "vigimor: --lang takes en or zh\n");
        return 2;
    }
    Res::SetLanguage(language);
    // Without Qt's own translations its buttons and dialogs simply stay in English.
    UiLanguage::InstallQtTranslations(language);

    // Scripts and tests cannot answer questions: in the unattended modes a message box takes
    // its default answer (its text goes to stderr) and a dialog is cancelled.
    ScriptedUiHost unattended;
    unattended.SetBoxScript([](const QString& text, const QString&, UINT type) {
        std::fprintf(stderr, "vigimor: %s\n", qPrintable(text));
        return DefaultMessageBoxAnswer(type);
    });
    std::optional<ScopedUiHost> unattendedScope;
    if (!line.screenshotPath.isEmpty() || !line.dumpPath.isEmpty())
        unattendedScope.emplace(&unattended);

    CAlertApp app;
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 0;
    }
    int result = 0;
    if (line.screenshotPath.isEmpty() && line.dumpPath.isEmpty() && !line.selectPath.isEmpty()) {
        // An interactive session selects once the console has settled, as the scripted runs do.
        QTimer::singleShot(int(Timing::Scaled(DWORD(line.screenshotAfterMs))), [&] {
            if (auto* f = qobject_cast<CMainFrame*>(app.MainWindow()))
                ConsoleDump::SelectPath(f, line.selectPath);
        });
    }
    if (!line.screenshotPath.isEmpty() || !line.dumpPath.isEmpty()) {
        // Scripts and tests: look at the console once it has settled, then end.
        QTimer::singleShot(int(Timing::Scaled(DWORD(line.screenshotAfterMs))), [&] {
            bool ok = true;
            if (auto* f = qobject_cast<CMainFrame*>(app.MainWindow())) {
                // Selected once the console has settled: items that come with the service
                // state exist only now, and nothing selects something else afterwards.
                if (!line.selectPath.isEmpty())
                    ConsoleDump::SelectPath(f, line.selectPath);
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
