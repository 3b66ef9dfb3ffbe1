#pragma once
// What the log leaves share: the paths of a server's log files (asked of the nearest server
// leaf, with the bounded retry the event log uses), the host file behind a Windows path and the
// date-time texts of the logs' rows.
#include "platform/WinTypes.h"

#include <QDateTime>
#include <QString>
#include <functional>

class CAlertLeaf;

namespace LogPaths {

enum class Kind {
    EventLogDirectory,   // the service's event-log directory
    EventLogFile,        // that directory + "\ALRECORD.TBL"
    ActivityLogFile,     // the log directory + "\" + the activity log's file name
};

// Answers a path for a leaf; false when the path is unknown (or there is no server above).
using Resolver = std::function<bool(const CAlertLeaf* leaf, Kind kind, QString* path)>;
// Replaces the default resolver (the server leaf's paths); an empty one restores it.
void SetResolver(Resolver resolver);

// One try. False (and *path empty) when the leaf has no server ancestor or the path is unknown.
bool Query(const CAlertLeaf* leaf, Kind kind, QString* path);
// Whether the leaf has a server ancestor (without one every log operation does nothing).
bool HasServer(const CAlertLeaf* leaf);
// The server ancestor's machine name, for messages.
QString MachineOf(const CAlertLeaf* leaf);

// The host path of a Windows path in the world; false when it does not resolve.
bool HostPath(const QString& windowsPath, QString* hostPath);

// "<short date> - <%X>" of a local calendar time; empty when the time is not valid.
QString DateTimeText(const QDateTime& localTime);
// The same for a C runtime time value; empty when it is negative.
QString DateTimeText(qint64 secondsSince1970);
// False when the text holds a character no date-time text of this locale holds.
bool CouldBeInDateTimeText(const QString& text);

} // namespace LogPaths
