#pragma once
// The service's statistics record, 256 bytes: offset 0 important, 4 warning, 8 information
// (int32 counts of recorded alerts by severity), 12 deliveries in all, 16 alerts taken from the
// spool, 20 malformed spool files, 24 the number of the next detail file (uint32 each);
// the rest is zero.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace Records {

constexpr int kStatisticsSize = 256;

struct Statistics {
    int32_t bySeverity[3] = {0, 0, 0};   // alerts recorded: important, warning, information
    uint32_t deliveries = 0;
    uint32_t alerts = 0;
    uint32_t badAlerts = 0;
    uint32_t nextDetail = 0;   // 0 before the first detail file
};

bool ParseStatistics(const QByteArray& data, Statistics* out);   // exactly 256 bytes
QByteArray SerializeStatistics(const Statistics& stats);

// The stored file is the 256-byte record itself. A missing file reads as zero counts.
bool ReadStatistics(const QString& hostPath, Statistics* out);
bool WriteStatistics(const QString& hostPath, const Statistics& stats);   // atomic

} // namespace Records
