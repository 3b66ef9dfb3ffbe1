#pragma once
// The service's statistics record, 256 bytes: offset 0 important, 4 warning, 8 information
// (int32 counts of recorded alerts by severity), 12 deliveries in all, 16 alerts taken from the
// spool, 20 malformed spool files, 24 the number of the next detail file, 28 deliveries given
// up (uint32 each); the rest is zero.
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
    uint32_t undelivered = 0;  // recipients given up

    // Counting: every counter stops at its largest value instead of wrapping, whatever the file
    // held before. severity is 1-3.
    void CountSeverity(int severity);
    void CountDelivery();
    void CountAlert();
    void CountBadAlert();
    void CountUndelivered();
};

// Exactly 256 bytes. A negative severity count (no delivery makes one) reads as 0.
bool ParseStatistics(const QByteArray& data, Statistics* out);
QByteArray SerializeStatistics(const Statistics& stats);

// The stored file is the 256-byte record itself. A missing file reads as zero counts.
bool ReadStatistics(const QString& hostPath, Statistics* out);
bool WriteStatistics(const QString& hostPath, const Statistics& stats);   // atomic

} // namespace Records
