#include "tree/MessageText.h"

#include "res/Resources.h"

QString FormatText(const QString& format, const QStringList& args)
{
    QString out;
    out.reserve(format.size() + 32);
    int next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            out.append(c);
            continue;
        }
        const QChar conversion = format.at(i + 1);
        if (conversion == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            ++i;
        } else if (conversion == QLatin1Char('s') || conversion == QLatin1Char('d')) {
            if (next < args.size())
                out.append(args.at(next));
            ++next;
            ++i;
        } else if (conversion >= QLatin1Char('1') && conversion <= QLatin1Char('9')) {
            const int index = conversion.unicode() - '1';
            if (index < args.size())
                out.append(args.at(index));
            ++i;
        } else {
            out.append(c);
        }
    }
    return out;
}

QString FormatString(UINT id, const QStringList& args)
{
    return FormatText(LoadString(id), args);
}
