#include "platform/Dates.h"

#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// Sets the C runtime's locale variables for one test and puts them back.
class ScopedLocaleEnvironment {
public:
    explicit ScopedLocaleEnvironment(const char* value)
        : m_all(qgetenv("LC_ALL")), m_hadAll(qEnvironmentVariableIsSet("LC_ALL"))
    {
        qputenv("LC_ALL", value);
    }
    ~ScopedLocaleEnvironment()
    {
        if (m_hadAll)
            qputenv("LC_ALL", m_all);
        else
            qunsetenv("LC_ALL");
    }

private:
    QByteArray m_all;
    bool m_hadAll;
};

const QDateTime kWhen(QDate(2024, 3, 5), QTime(14, 7, 9));

} // namespace

TEST(Dates, RuntimeFormatsFollowTheUserLocale)
{
    ScopedLocaleEnvironment c("C");
    EXPECT_EQ(Dates::Strftime(QStringLiteral("%x"), kWhen), QStringLiteral("03/05/24"));
    EXPECT_EQ(Dates::Strftime(QStringLiteral("%X"), kWhen), QStringLiteral("14:07:09"));
    EXPECT_EQ(Dates::Strftime(QStringLiteral("%A %j"), kWhen), QStringLiteral("Tuesday 065"));
    // Text around the conversions passes through, whatever its script.
    EXPECT_EQ(Dates::Strftime(QStringLiteral("%Y年%m月"), kWhen), QStringLiteral("2024年03月"));
    {
        ScopedLocaleEnvironment utf8("C.UTF-8");
        EXPECT_EQ(Dates::Strftime(QStringLiteral("%x %X"), kWhen), QStringLiteral("03/05/24 14:07:09"));
    }
    // An unknown locale falls back to the C one instead of failing.
    ScopedLocaleEnvironment bogus("xx_NOWHERE.bogus");
    EXPECT_EQ(Dates::Strftime(QStringLiteral("%X"), kWhen), QStringLiteral("14:07:09"));
}

TEST(Dates, LongResultsAndEdges)
{
    ScopedLocaleEnvironment c("C");
    const QString longFormat = QStringLiteral("%A, %B %d %Y ").repeated(40);
    const QString once = QStringLiteral("Tuesday, March 05 2024 ");
    EXPECT_EQ(Dates::Strftime(longFormat, kWhen), once.repeated(40));
    EXPECT_TRUE(Dates::Strftime(QString(), kWhen).isEmpty());
    EXPECT_TRUE(Dates::Strftime(QStringLiteral("%X"), QDateTime()).isEmpty());
    EXPECT_TRUE(Dates::Strftime(QStringLiteral("%X"), qint64(-1)).isEmpty());
    EXPECT_FALSE(Dates::LocalTime(-1).isValid());
    EXPECT_TRUE(Dates::ShortDate(QDate()).isEmpty());
}

TEST(Dates, TimeValuesAreLocalCalendarTime)
{
    ScopedLocaleEnvironment c("C");
    const qint64 t = 1700000000;
    const QDateTime local = Dates::LocalTime(t);
    ASSERT_TRUE(local.isValid());
    EXPECT_EQ(local.toSecsSinceEpoch(), t);
    EXPECT_EQ(Dates::Strftime(QStringLiteral("%Y-%m-%d %H:%M:%S"), t), local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    EXPECT_NE(Dates::ShortDate(local.date()), Dates::ShortDate(local.date().addDays(1)));
}

TEST(Dates, FormattingFromSeveralThreads)
{
    ScopedLocaleEnvironment c("C");
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&wrong] {
            for (int n = 0; n < 200; ++n) {
                if (Dates::Strftime(QStringLiteral("%x"), kWhen) != QStringLiteral("03/05/24"))
                    ++wrong;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}
