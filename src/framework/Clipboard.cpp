#include "framework/Clipboard.h"

#include <QHash>
#include <mutex>
#include <vector>

namespace {
struct FormatTable {
    std::mutex mutex;
    std::vector<QString> names;         // index + 0xC000 is the number
    QHash<QString, UINT> byFoldedName;
};
FormatTable& Table()
{
    static FormatTable table;
    return table;
}
constexpr UINT kFirstFormat = 0xC000;
} // namespace

UINT RegisterClipboardFormat(const QString& name)
{
    if (name.isEmpty())
        return 0;
    FormatTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    const QString folded = name.toCaseFolded();
    auto it = t.byFoldedName.constFind(folded);
    if (it != t.byFoldedName.constEnd())
        return it.value();
    const UINT number = kFirstFormat + UINT(t.names.size());
    t.names.push_back(name);
    t.byFoldedName.insert(folded, number);
    return number;
}

QString ClipboardFormatName(UINT format)
{
    FormatTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (format < kFirstFormat || format - kFirstFormat >= t.names.size())
        return QString();
    return t.names[format - kFirstFormat];
}

QString ClipboardFormatMimeType(UINT format)
{
    const QString name = ClipboardFormatName(format);
    if (name.isEmpty())
        return QString();
    return QStringLiteral("application/x-vigimor-format;name=\"%1\"").arg(name);
}
