#pragma once
// Writing back stored data that others change too. The console writes some data whole (an
// alert table's lists, the port configuration file), so a write made on an old copy would
// wipe a newer change made elsewhere. Such data carries a stamp that moves on every write (a
// table's change date, a file's size and write time). The rule:
//   1. remember the stamp of what was loaded, and after an own write the stamp it left;
//   2. before writing, read the stored stamp; when it differs from the remembered one, write
//      nothing, reload, remember the new stamp and report Refused;
//   3. a write the store refuses keeps the change pending (the next change tries again) and
//      reports Failed.
// Report shows the one message of the outcome after all that is done.
#include "platform/WinTypes.h"

#include <QString>

namespace StaleWrite {

enum Outcome : LRESULT {
    Written = 0,    // written, or nothing to write
    Refused = 1,    // changed elsewhere since it was loaded: reloaded instead
    Failed = 2,     // the store refused the write; the change is still pending
};

// The stamp of a file by Windows path: its size and write time to the nanosecond; empty when
// the file cannot be examined.
QString FileStamp(const QString& windowsPath);

// One message box for Refused or Failed, naming what (a table's name, a file) on machine;
// nothing for Written. The box runs an event loop: callers use nothing they held before it
// without checking that it still exists.
void Report(Outcome outcome, const QString& machine, const QString& what);

} // namespace StaleWrite
