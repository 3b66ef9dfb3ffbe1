#include "platform/Dates.h"

#include <QByteArray>
#include <QLocale>
#include <QStringDecoder>
#include <clocale>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Dates {
namespace {

// The user's time locale, made once per distinct environment; newlocale and uselocale keep
// the process-wide locale (and other threads) untouched.
class UserLocale {
public:
    locale_t Get()
    {
        // Read without copying: this runs for every date text a long log shows or searches.
        const char* values[kVariables];
        for (int i = 0; i < kVariables; ++i)
            values[i] = ::getenv(kNames[i]);
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_locale != locale_t(0) && SameEnvironment(values))
            return m_locale;
        if (m_locale != locale_t(0))
            m_retired.push_back(m_locale);  // another thread may still be formatting with it
        m_locale = ::newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "", locale_t(0));
        if (m_locale == locale_t(0))
            m_locale = ::newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "C", locale_t(0));
        for (int i = 0; i < kVariables; ++i) {
            m_set[i] = values[i] != nullptr;
            m_values[i] = values[i] ? values[i] : "";
        }
        return m_locale;
    }

private:
    static constexpr int kVariables = 4;
    static constexpr const char* kNames[kVariables] = {"LC_ALL", "LC_TIME", "LC_CTYPE", "LANG"};

    bool SameEnvironment(const char* const* values) const
    {
        for (int i = 0; i < kVariables; ++i) {
            if (m_set[i] != (values[i] != nullptr) || (values[i] && m_values[i] != values[i]))
                return false;
        }
        return true;
    }

    std::mutex m_lock;
    bool m_set[kVariables] = {};
    std::string m_values[kVariables];
    locale_t m_locale = locale_t(0);
    std::vector<locale_t> m_retired;
};

UserLocale& Locale()
{
    static UserLocale* locale = new UserLocale;
    return *locale;
}

QString Decode(const QByteArray& bytes, bool utf8)
{
    return utf8 ? QString::fromUtf8(bytes) : QString::fromLocal8Bit(bytes);
}

bool IsUtf8(locale_t locale)
{
    return QByteArray(::nl_langinfo_l(CODESET, locale)).compare("UTF-8", Qt::CaseInsensitive) == 0;
}

// A format made of plain text and time-of-day conversions only (after the locale's own time
// formats are put in for %X, %T, %r and %R) is rendered here, field by field: a log shows or
// searches a time text for each of thousands of records, and strftime with its locale switch
// is the dear part of that. Any other conversion, flag or modifier leaves it to strftime.
class TimePlan {
public:
    TimePlan(const QString& format, locale_t locale)
        : m_format(format)
        , m_locale(locale)
    {
        const bool utf8 = IsUtf8(locale);
        m_am = Decode(::nl_langinfo_l(AM_STR, locale), utf8);
        m_pm = Decode(::nl_langinfo_l(PM_STR, locale), utf8);
        m_simple = Add(format, utf8, 0);
    }
    bool Fits(const QString& format, locale_t locale) const { return locale == m_locale && format == m_format; }
    bool IsSimple() const { return m_simple; }

    QString Render(const std::tm& tm) const
    {
        QString out;
        out.reserve(32);
        for (const Piece& piece : m_pieces) {
            switch (piece.kind) {
            case 'H': TwoDigits(&out, tm.tm_hour, u'0'); break;
            case 'k': TwoDigits(&out, tm.tm_hour, u' '); break;
            case 'I': TwoDigits(&out, Hour12(tm), u'0'); break;
            case 'l': TwoDigits(&out, Hour12(tm), u' '); break;
            case 'M': TwoDigits(&out, tm.tm_min, u'0'); break;
            case 'S': TwoDigits(&out, tm.tm_sec, u'0'); break;
            case 'p': out += tm.tm_hour < 12 ? m_am : m_pm; break;
            case 'P': out += (tm.tm_hour < 12 ? m_am : m_pm).toLower(); break;
            default: out += piece.text; break;
            }
        }
        return out;
    }

private:
    struct Piece {
        char kind = 0;   // a conversion letter, or 0 for plain text
        QString text;
    };

    static int Hour12(const std::tm& tm)
    {
        const int hour = tm.tm_hour % 12;
        return hour == 0 ? 12 : hour;
    }
    static void TwoDigits(QString* out, int value, char16_t pad)
    {
        if (value < 0 || value > 99) {
            *out += QString::number(value);
            return;
        }
        *out += value < 10 ? QChar(pad) : QChar(u'0' + value / 10);
        *out += QChar(u'0' + value % 10);
    }
    void AddText(const QString& text)
    {
        if (text.isEmpty())
            return;
        if (m_pieces.empty() || m_pieces.back().kind != 0)
            m_pieces.push_back(Piece());
        m_pieces.back().text += text;
    }
    bool AddLocaleFormat(nl_item item, bool utf8, int depth)
    {
        const QString format = Decode(::nl_langinfo_l(item, m_locale), utf8);
        return !format.isEmpty() && Add(format, utf8, depth + 1);
    }
    bool Add(const QString& format, bool utf8, int depth)
    {
        if (depth > 3)
            return false;
        QString text;
        for (qsizetype i = 0; i < format.size(); ++i) {
            if (format[i] != u'%') {
                text += format[i];
                continue;
            }
            if (++i >= format.size())
                return false;
            const char16_t c = format[i].unicode();
            if (c == u'%' || c == u'n' || c == u't') {
                text += c == u'%' ? QChar(u'%') : QChar(c == u'n' ? u'\n' : u'\t');
                continue;
            }
            AddText(text);
            text.clear();
            switch (c) {
            case u'H': case u'k': case u'I': case u'l': case u'M': case u'S': case u'p': case u'P':
                m_pieces.push_back(Piece{char(c), QString()});
                break;
            case u'X':
                if (!AddLocaleFormat(T_FMT, utf8, depth))
                    return false;
                break;
            case u'r':
                if (!AddLocaleFormat(T_FMT_AMPM, utf8, depth))
                    return false;
                break;
            case u'T':
                if (!Add(QStringLiteral("%H:%M:%S"), utf8, depth + 1))
                    return false;
                break;
            case u'R':
                if (!Add(QStringLiteral("%H:%M"), utf8, depth + 1))
                    return false;
                break;
            default:
                return false;
            }
        }
        AddText(text);
        return true;
    }

    QString m_format;
    locale_t m_locale;
    QString m_am;
    QString m_pm;
    std::vector<Piece> m_pieces;
    bool m_simple = false;
};

QString Format(const QString& format, const std::tm& tm)
{
    if (format.isEmpty())
        return QString();
    const locale_t locale = Locale().Get();
    if (locale == locale_t(0))
        return QString();
    thread_local std::unique_ptr<TimePlan> plan;
    if (!plan || !plan->Fits(format, locale))
        plan = std::make_unique<TimePlan>(format, locale);
    if (plan->IsSimple())
        return plan->Render(tm);

    const QByteArray pattern = format.toUtf8();
    const locale_t previous = ::uselocale(locale);
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
    return Decode(out, IsUtf8(locale));
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
