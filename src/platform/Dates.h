#pragma once
// Date and time texts as the console shows them: the user's short date (GetDateFormat with
// the short-date flag) and the C runtime's strftime ("%x", "%X") in the user's locale.
#include <QDate>
#include <QDateTime>
#include <QString>

namespace Dates {

// The short date of the user's locale.
QString ShortDate(const QDate& date);
// strftime of the given local calendar time under the user's LC_TIME (from the environment
// at the time of the call, without touching the process locale). Empty for an empty format
// or a time that is not valid.
QString Strftime(const QString& format, const QDateTime& localTime);
// The same for a C runtime time value (seconds since 1970), converted to local time; empty
// when the value is negative.
QString Strftime(const QString& format, qint64 secondsSince1970);
// Local calendar time of a C runtime time value; invalid when negative.
QDateTime LocalTime(qint64 secondsSince1970);

} // namespace Dates
