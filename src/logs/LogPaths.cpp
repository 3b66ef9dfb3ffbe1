#include "logs/LogPaths.h"

#include "platform/Dates.h"
#include "platform/World.h"
#include "res/Resources.h"
#include "tree/ServerLeaf.h"

namespace {

constexpr UINT IDS_DATE_FORMAT = 3503;
constexpr UINT IDS_TIME_FORMAT = 3504;
constexpr UINT IDS_DATE_TIME_SEPARATOR = 3505;

LogPaths::Resolver& ResolverSlot()
{
    static LogPaths::Resolver resolver;
    return resolver;
}

bool FromServer(const CAlertLeaf* leaf, LogPaths::Kind kind, QString* path)
{
    const CServerLeaf* server = leaf ? leaf->GetServerLeaf<CServerLeaf>() : nullptr;
    if (!server)
        return false;
    switch (kind) {
    case LogPaths::Kind::EventLogDirectory:
        return server->GetEventLogDirectory(path);
    case LogPaths::Kind::EventLogFile:
        return server->GetEventLogFile(path);
    case LogPaths::Kind::ActivityLogFile:
        return server->GetActivityLogFile(path);
    }
    return false;
}

} // namespace

namespace LogPaths {

void SetResolver(Resolver resolver)
{
    ResolverSlot() = std::move(resolver);
}

bool Query(const CAlertLeaf* leaf, Kind kind, QString* path)
{
    path->clear();
    if (!HasServer(leaf))
        return false;
    const bool found = ResolverSlot() ? ResolverSlot()(leaf, kind, path) : FromServer(leaf, kind, path);
    if (!found || path->isEmpty()) {
        path->clear();
        return false;
    }
    return true;
}

bool HasServer(const CAlertLeaf* leaf)
{
    return leaf && leaf->GetServerLeaf<CServerLeaf>() != nullptr;
}

QString MachineOf(const CAlertLeaf* leaf)
{
    QString machine;
    if (leaf)
        leaf->GetMachineName(&machine);
    return machine;
}

bool HostPath(const QString& windowsPath, QString* hostPath)
{
    return !windowsPath.isEmpty() && World::ResolvePath(windowsPath, hostPath) == 0 && !hostPath->isEmpty();
}

QString DateTimeText(const QDateTime& localTime)
{
    if (!localTime.isValid())
        return QString();
    // The date part is the same for every moment of a day: made once per day (and format).
    thread_local qint64 cachedDay = -1;
    thread_local QString cachedFormat;
    thread_local QString cachedDate;
    const QString dateFormat = LoadString(IDS_DATE_FORMAT);
    const qint64 day = localTime.date().toJulianDay();
    if (day != cachedDay || dateFormat != cachedFormat) {
        cachedDate = Dates::ShortDate(localTime.date());
        if (cachedDate.isEmpty())
            cachedDate = Dates::Strftime(dateFormat, localTime);
        cachedDay = day;
        cachedFormat = dateFormat;
    }
    return cachedDate + LoadString(IDS_DATE_TIME_SEPARATOR) + Dates::Strftime(LoadString(IDS_TIME_FORMAT), localTime);
}

QString DateTimeText(qint64 secondsSince1970)
{
    if (secondsSince1970 < 0)
        return QString();
    // Converting each moment to local time is the dear part of a date text (a log shows or
    // searches thousands). The zone's offset is taken once per hour of moments and holds for
    // the whole hour when its first and last second agree; an hour with a change is converted
    // moment by moment.
    constexpr qint64 kHour = 3600;
    thread_local qint64 cachedHour = -1;
    thread_local int hourOffset = 0;
    thread_local bool offsetHolds = false;
    const qint64 hour = secondsSince1970 / kHour;
    if (hour != cachedHour) {
        const QDateTime first = Dates::LocalTime(hour * kHour);
        const QDateTime last = Dates::LocalTime(hour * kHour + kHour - 1);
        cachedHour = hour;
        hourOffset = first.offsetFromUtc();
        offsetHolds = first.isValid() && last.isValid() && last.offsetFromUtc() == hourOffset;
    }
    if (!offsetHolds)
        return DateTimeText(Dates::LocalTime(secondsSince1970));
    // Only the fields are formatted: the local fields, carried in a time without a zone.
    return DateTimeText(QDateTime::fromSecsSinceEpoch(secondsSince1970 + hourOffset, Qt::UTC));
}

bool CouldBeInDateTimeText(const QString& text)
{
    // The characters of this locale's date-time texts, gathered from a sample of them: every
    // month, days with one and two digits, every hour.
    static const QString alphabet = [] {
        QString seen = QStringLiteral("0123456789");
        for (int month = 1; month <= 12; ++month)
            for (int day : {1, 28})
                for (int hour = 0; hour < 24; ++hour) {
                    const QString sample = DateTimeText(QDateTime(QDate(2026, month, day), QTime(hour, 59, 59)));
                    for (QChar c : sample)
                        if (!seen.contains(c.toLower()))
                            seen += c.toLower();
                }
        return seen;
    }();
    for (QChar c : text)
        if (!alphabet.contains(c.toLower()))
            return false;
    return true;
}

} // namespace LogPaths
