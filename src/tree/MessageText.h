#pragma once
// Message texts from the string table with their inserts. The table's texts carry printf-style
// "%s" and "%d" (filled from the arguments in order) or numbered "%1".."%9" inserts; "%%" is a
// percent sign, and anything else stays as written. Missing arguments insert nothing, so a
// text never reads past what it was given.
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

QString FormatText(const QString& format, const QStringList& args);
// The string with the given id, filled in.
QString FormatString(UINT id, const QStringList& args);
// A code as it is inserted for "%d".
inline QString CodeText(long long code) { return QString::number(code); }
