#pragma once
// The resource data files (strings.tsv, dialogs.tsv, menus.txt, compiled in through
// vigimor_res.qrc) and their parsers. The lookups in Resources.h parse each file once, on
// first use; the parsers are exposed so that the files can be checked line by line.
#include "res/Language.h"
#include "res/Resources.h"
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <map>

namespace Res::Data {

// The bytes of a compiled-in data file ("strings.tsv" ...); empty when there is none.
QByteArray ReadFile(const QString& name);
// The name of a data file in the given language ("en/strings.tsv" for English).
QString LanguageFile(const QString& name, Language language);

// "\n", "\t" and "\\" in a data file's text; any other backslash is kept and reported.
QString Unescape(QStringView text, QString* problem = nullptr);

// Each parser skips what it cannot read and adds one line per problem ("line 12: ...").
struct StringTable {
    QHash<UINT, QString> strings;
};
StringTable ParseStrings(const QByteArray& data, QStringList* problems = nullptr);

struct DialogTexts {
    QHash<quint64, QString> texts;          // key: DialogKey(dialog, control, kind)
    QHash<quint64, QStringList> items;      // key: DialogKey(dialog, control, Own)
};
constexpr quint64 DialogKey(UINT dialog, UINT control, CtrlText kind)
{
    return (quint64(dialog) << 34) | (quint64(control) << 2) | quint64(kind);
}
DialogTexts ParseDialogs(const QByteArray& data, QStringList* problems = nullptr);

std::map<UINT, MenuItem> ParseMenus(const QByteArray& data, QStringList* problems = nullptr);

} // namespace Res::Data
