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
    QString date = Dates::ShortDate(localTime.date());
    if (date.isEmpty())
        date = Dates::Strftime(LoadString(IDS_DATE_FORMAT), localTime);
    return date + LoadString(IDS_DATE_TIME_SEPARATOR) + Dates::Strftime(LoadString(IDS_TIME_FORMAT), localTime);
}

QString DateTimeText(qint64 secondsSince1970)
{
    if (secondsSince1970 < 0)
        return QString();
    return DateTimeText(Dates::LocalTime(secondsSince1970));
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
