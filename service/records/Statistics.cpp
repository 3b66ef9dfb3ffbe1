#include "records/Statistics.h"

#include "records/ByteField.h"
#include "records/StoreFile.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace Records {

namespace {

template <typename T>
void Saturating(T* counter)
{
    if (*counter < std::numeric_limits<T>::max())
        ++*counter;
}

} // namespace

void Statistics::CountSeverity(int severity)
{
    if (severity >= 1 && severity <= 3)
        Saturating(&bySeverity[severity - 1]);
}

void Statistics::CountDelivery()
{
    Saturating(&deliveries);
}

void Statistics::CountAlert()
{
    Saturating(&alerts);
}

void Statistics::CountBadAlert()
{
    Saturating(&badAlerts);
}

void Statistics::CountUndelivered()
{
    Saturating(&undelivered);
}

bool ParseStatistics(const QByteArray& data, Statistics* out)
{
    if (data.size() != kStatisticsSize)
        return false;
    const char* p = data.constData();
    Statistics s;
    for (int i = 0; i < 3; ++i)
        s.bySeverity[i] = std::max(I32At(p + 4 * i), 0);
    s.deliveries = U32At(p + 12);
    s.alerts = U32At(p + 16);
    s.badAlerts = U32At(p + 20);
    s.nextDetail = U32At(p + 24);
    s.undelivered = U32At(p + 28);
    *out = s;
    return true;
}

QByteArray SerializeStatistics(const Statistics& stats)
{
    QByteArray data(kStatisticsSize, '\0');
    char* p = data.data();
    for (int i = 0; i < 3; ++i)
        PutI32(p + 4 * i, stats.bySeverity[i]);
    PutU32(p + 12, stats.deliveries);
    PutU32(p + 16, stats.alerts);
    PutU32(p + 20, stats.badAlerts);
    PutU32(p + 24, stats.nextDetail);
    PutU32(p + 28, stats.undelivered);
    return data;
}

bool ReadStatistics(const QString& hostPath, Statistics* out)
{
    if (!QFile::exists(hostPath)) {
        *out = Statistics();
        return true;
    }
    QByteArray data;
    return ReadWholeFile(hostPath, kStatisticsSize, &data) && ParseStatistics(data, out);
}

bool WriteStatistics(const QString& hostPath, const Statistics& stats)
{
    return ReplaceFile(hostPath, SerializeStatistics(stats));
}

} // namespace Records
