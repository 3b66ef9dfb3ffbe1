#pragma once
// Modal dialogs that run-time loaded libraries show (a mail client's address book) are run by
// the application when it installs a runner, as an application's hooks see the dialogs of a
// foreign library. So the console's UI host, scripted in tests, runs them like its own.
#include <QObject>
#include <functional>

namespace DialogHook {

// Runs a dialog (a QDialog) modally and gives its result.
using Runner = std::function<int(QObject* dialog)>;

// Installs the process-wide runner; an empty one removes it.
void SetRunner(Runner runner);
// The installed runner's result; -1 when none is installed (the library runs the dialog itself).
int Run(QObject* dialog);

} // namespace DialogHook
