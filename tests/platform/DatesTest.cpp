#include "platform/Dates.h"

#include <gtest/gtest.h>
#include <atomic>
#include <clocale>
#include <ctime>
#include <locale.h>
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

// Time texts are made field by field for the usual time formats; each must be what strftime
// gives in the same locale, at every hour, minute and second value of a day (a step of 13
// seconds meets them all), and formats with anything else must still reach strftime.
TEST(Dates, TimeOfDayTextsEqualStrftime)
{
    const QStringList formats = {
        QStringLiteral("%X"), QStringLiteral("%r"), QStringLiteral("%T"), QStringLiteral("%R"),
        QStringLiteral("%p %I時%M分%S秒"), QStringLiteral("%l:%M %P"), QStringLiteral("%k.%M%%%n%t"),
        QStringLiteral("%a %X"), QStringLiteral("%-H:%M"), QStringLiteral("%EX"), QStringLiteral("%OS"),
        QStringLiteral("at %H"), QStringLiteral("%")};
    for (const char* name : {"C", "C.UTF-8"}) {
        ScopedLocaleEnvironment scope(name);
        const locale_t reference = ::newlocale(LC_ALL_MASK, name, locale_t(0));
        ASSERT_NE(reference, locale_t(0)) << name;
        for (const QString& format : formats) {
            const QByteArray pattern = format.toUtf8();
            int wrong = 0;
            QString firstWrong;
            for (int second = 0; second < 24 * 3600; second += 13) {
                const QDateTime when(QDate(2024, 3, 5), QTime(second / 3600, second / 60 % 60, second % 60));
                std::tm tm {};
                tm.tm_year = 124;
                tm.tm_mon = 2;
                tm.tm_mday = 5;
                tm.tm_wday = 2;
                tm.tm_yday = 64;
                tm.tm_hour = second / 3600;
                tm.tm_min = second / 60 % 60;
                tm.tm_sec = second % 60;
                tm.tm_isdst = -1;
                char buffer[256];
                const size_t n = ::strftime_l(buffer, sizeof buffer, pattern.constData(), &tm, reference);
                const QString expected = QString::fromUtf8(buffer, qsizetype(n));
                const QString made = Dates::Strftime(format, when);
                if (made != expected && wrong++ == 0)
                    firstWrong = made + QStringLiteral(" | ") + expected;
            }
            EXPECT_EQ(wrong, 0) << name << ' ' << format.toStdString() << ": " << firstWrong.toStdString();
        }
        ::freelocale(reference);
    }
}
