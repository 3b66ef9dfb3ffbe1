// Date texts of log rows: made from each hour's zone offset, they must equal texts made moment
// by moment, also in the hours where the zone's offset changes.
#include "logs/LogPaths.h"
#include "platform/Dates.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

class ScopedZone {
public:
    explicit ScopedZone(const char* zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_saved(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~ScopedZone()
    {
        if (m_had)
            qputenv("TZ", m_saved);
        else
            qunsetenv("TZ");
        ::tzset();
    }

private:
    bool m_had;
    QByteArray m_saved;
};

TEST(LogDates, TextsMatchTheMomentByMomentConversionAcrossOffsetChanges)
{
    struct Change {
        const char* zone;
        qint64 at;   // the first second of the new offset
    };
    // Summer time begins in Berlin (an hour forward); it ends on Lord Howe Island (half an hour
    // back, in the middle of a UTC hour).
    for (const Change& change : {Change{"Europe/Berlin", 1679792400}, Change{"Australia/Lord_Howe", 1680361200}}) {
        const ScopedZone zone(change.zone);
        ASSERT_NE(Dates::LocalTime(change.at - 1).offsetFromUtc(), Dates::LocalTime(change.at).offsetFromUtc())
            << change.zone << ": the zone is not known here";
        int compared = 0;
        for (qint64 s = change.at - 3 * 3600; s < change.at + 3 * 3600; s += 61) {
            for (qint64 moment : {s, change.at - 1, change.at, change.at + 1}) {
                EXPECT_EQ(LogPaths::DateTimeText(moment), LogPaths::DateTimeText(Dates::LocalTime(moment)))
                    << change.zone << " at " << moment;
                ++compared;
            }
        }
        EXPECT_GT(compared, 1000);
    }
}

} // namespace
