// Any bytes as the statistics record: it reads with no negative count, written and read again
// it is the same, and counting more deliveries and alerts on it never wraps a counter.
#include "FuzzSupport.h"
#include "records/Statistics.h"

using namespace Records;

namespace {

bool Same(const Statistics& a, const Statistics& b)
{
    return a.bySeverity[0] == b.bySeverity[0] && a.bySeverity[1] == b.bySeverity[1] &&
           a.bySeverity[2] == b.bySeverity[2] && a.deliveries == b.deliveries && a.alerts == b.alerts &&
           a.badAlerts == b.badAlerts && a.nextDetail == b.nextDetail && a.undelivered == b.undelivered;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::Bytes(data, size);
    Statistics stats;
    if (!ParseStatistics(bytes, &stats)) {
        FUZZ_CHECK(bytes.size() != kStatisticsSize);
        return 0;
    }
    for (int32_t count : stats.bySeverity)
        FUZZ_CHECK(count >= 0);
    Statistics again;
    FUZZ_CHECK(ParseStatistics(SerializeStatistics(stats), &again) && Same(again, stats));

    Statistics counted = stats;
    for (int severity = 1; severity <= 3; ++severity)
        counted.CountSeverity(severity);
    counted.CountDelivery();
    counted.CountAlert();
    counted.CountBadAlert();
    for (int i = 0; i < 3; ++i)
        FUZZ_CHECK(counted.bySeverity[i] >= stats.bySeverity[i] && counted.bySeverity[i] - stats.bySeverity[i] <= 1);
    FUZZ_CHECK(counted.deliveries >= stats.deliveries && counted.alerts >= stats.alerts &&
               counted.badAlerts >= stats.badAlerts);
    return 0;
}
