#include "platform/Dates.h"

#include <QByteArray>
#include <QLocale>
#include <QStringDecoder>
#include <clocale>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <vector>

namespace Dates {
namespace {

// The user's time locale, made once per distinct environment; newlocale and uselocale keep
// the process-wide locale (and other threads) untouched.
class UserLocale {
public:
    locale_t Get()
    {
        const QByteArray key = qgetenv("LC_ALL") + '\n' + qgetenv("LC_TIME") + '\n' + qgetenv("LC_CTYPE") + '\n' + qgetenv("LANG");
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_locale != locale_t(0) && key == m_key)
            return m_locale;
        if (m_locale != locale_t(0))
            m_retired.push_back(m_locale);  // another thread may still be formatting with it
        m_locale = ::newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "", locale_t(0));
        if (m_locale == locale_t(0))
            m_locale = ::newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "C", locale_t(0));
        m_key = key;
        return m_locale;
    }

private:
    std::mutex m_lock;
    QByteArray m_key;
    locale_t m_locale = locale_t(0);
    std::vector<locale_t> m_retired;
};

UserLocale& Locale()
{
    static UserLocale* locale = new UserLocale;
    return *locale;
}

QString Format(const QString& format, const std::tm& tm)
{
    if (format.isEmpty())
        return QString();
    const locale_t locale = Locale().Get();
    if (locale == locale_t(0))
        return QString();
    const QByteArray pattern = format.toUtf8();
    const locale_t previous = ::uselocale(locale);
    const bool utf8 = QByteArray(::nl_langinfo_l(CODESET, locale)).compare("UTF-8", Qt::CaseInsensitive) == 0;
    QByteArray out;
    // strftime gives 0 both for "too small" and for an empty result: grow a few times.
    for (size_t size = 128; size <= 16384; size *= 4) {
        out.resize(qsizetype(size));
        const size_t n = std::strftime(out.data(), size, pattern.constData(), &tm);
        if (n > 0 || size >= 16384) {
            out.resize(qsizetype(n));
            break;
        }
    }
    ::uselocale(previous);
    if (utf8)
        return QString::fromUtf8(out);
    return QString::fromLocal8Bit(out);
}

} // namespace

QString ShortDate(const QDate& date)
{
    if (!date.isValid())
        return QString();
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString Strftime(const QString& format, const QDateTime& localTime)
{
    if (!localTime.isValid())
        return QString();
    const QDate d = localTime.date();
    const QTime t = localTime.time();
    std::tm tm {};
    tm.tm_year = d.year() - 1900;
    tm.tm_mon = d.month() - 1;
    tm.tm_mday = d.day();
    tm.tm_hour = t.hour();
    tm.tm_min = t.minute();
    tm.tm_sec = t.second();
    tm.tm_wday = d.dayOfWeek() % 7;
    tm.tm_yday = d.dayOfYear() - 1;
    tm.tm_isdst = -1;
    return Format(format, tm);
}

QString Strftime(const QString& format, qint64 secondsSince1970)
{
    if (secondsSince1970 < 0)
        return QString();
    const std::time_t t = std::time_t(secondsSince1970);
    std::tm tm {};
    if (!::localtime_r(&t, &tm))
        return QString();
    return Format(format, tm);
}

QDateTime LocalTime(qint64 secondsSince1970)
{
    if (secondsSince1970 < 0)
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(secondsSince1970).toLocalTime();
}

} // namespace Dates
