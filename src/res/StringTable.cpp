// The string table and the dialog texts: parsed once from the compiled-in data files.
#include "res/ResourceData.h"
#include "res/Resources.h"

#include <QFile>
#include <atomic>
#include <mutex>

// The resource data lives in a static library; registering it by name keeps the linker from
// dropping it.
static void RegisterResourceData()
{
    Q_INIT_RESOURCE(vigimor_res);
}

namespace Res::Data {

namespace {

// Calls parse(line, report) for each line of a table file that is neither empty nor a comment,
// without its line end; report(what) notes a problem under the line's number when the caller
// wants problems.
template <typename Parse>
void ForEachLine(const QByteArray& data, QStringList* problems, Parse&& parse)
{
    const QString text = QString::fromUtf8(data);
    int number = 0;
    for (QStringView line : QStringView(text).split(u'\n')) {
        ++number;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        auto report = [problems, number](const QString& what) {
            if (problems)
                problems->append(QStringLiteral("line %1: %2").arg(number).arg(what));
        };
        parse(line, report);
    }
}

bool ParseId(QStringView field, UINT* id)
{
    if (field.isEmpty() || field.size() > 10)
        return false;
    for (QChar c : field)
        if (c < u'0' || c > u'9')
            return false;
    bool ok = false;
    const qulonglong value = field.toULongLong(&ok);
    if (!ok || value > 0xFFFFFFFFull)
        return false;
    *id = UINT(value);
    return true;
}

} // namespace

QByteArray ReadFile(const QString& name)
{
    static std::once_flag once;
    std::call_once(once, RegisterResourceData);
    QFile file(QStringLiteral(":/vigimor/res/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString Unescape(QStringView text, QString* problem)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\') {
            out += c;
            continue;
        }
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (next == u'n') {
            out += u'\n';
        } else if (next == u't') {
            out += u'\t';
        } else if (next == u'\\') {
            out += u'\\';
        } else {
            // Not one of ours: keep the backslash as it is.
            if (problem && problem->isEmpty())
                *problem = QStringLiteral("unknown escape at column %1").arg(i + 1);
            out += c;
            continue;
        }
        ++i;
    }
    return out;
}

StringTable ParseStrings(const QByteArray& data, QStringList* problems)
{
    StringTable table;
    ForEachLine(data, problems, [&](QStringView line, const auto& report) {
        const qsizetype tab = line.indexOf(u'\t');
        UINT id = 0;
        if (tab < 0 || !ParseId(line.left(tab), &id)) {
            report(QStringLiteral("expected id<TAB>text"));
            return;
        }
        const QStringView raw = line.mid(tab + 1);
        if (raw.contains(u'\t'))
            report(QStringLiteral("raw tab in text"));
        QString problem;
        QString value = Unescape(raw, &problem);
        if (!problem.isEmpty())
            report(problem);
        if (table.strings.contains(id)) {
            report(QStringLiteral("duplicate id %1").arg(id));
            return; // the first definition stands
        }
        table.strings.insert(id, value);
    });
    return table;
}

DialogTexts ParseDialogs(const QByteArray& data, QStringList* problems)
{
    DialogTexts dialogs;
    ForEachLine(data, problems, [&](QStringView line, const auto& report) {
        const QList<QStringView> fields = line.split(u'\t');
        UINT dialog = 0;
        UINT control = 0;
        if (fields.size() != 4 || !ParseId(fields[0], &dialog) || !ParseId(fields[1], &control)) {
            report(QStringLiteral("expected dialog<TAB>control<TAB>kind<TAB>text"));
            return;
        }
        QString problem;
        const QString value = Unescape(fields[3], &problem);
        if (!problem.isEmpty())
            report(problem);

        const QStringView kindName = fields[2];
        if (kindName == u"item") {
            dialogs.items[DialogKey(dialog, control, CtrlText::Own)].append(value);
            return;
        }
        CtrlText kind;
        if (kindName == u"caption") {
            if (control != 0) {
                report(QStringLiteral("a caption belongs to control 0"));
                return;
            }
            kind = CtrlText::Own;
        } else if (kindName == u"text") {
            kind = CtrlText::Own;
        } else if (kindName == u"label") {
            kind = CtrlText::Label;
        } else if (kindName == u"suffix") {
            kind = CtrlText::Suffix;
        } else if (kindName == u"group") {
            kind = CtrlText::Group;
        } else {
            report(QStringLiteral("unknown kind"));
            return;
        }
        const quint64 key = DialogKey(dialog, control, kind);
        if (dialogs.texts.contains(key)) {
            report(QStringLiteral("duplicate text"));
            return;
        }
        dialogs.texts.insert(key, value);
    });
    return dialogs;
}

} // namespace Res::Data

namespace Res {

namespace {
std::atomic<Language> g_language {Language::TraditionalChinese};
} // namespace

void SetLanguage(Language language)
{
    g_language = language;
}

Language CurrentLanguage()
{
    return g_language;
}

QString Data::LanguageFile(const QString& name, Language language)
{
    return language == Language::English ? QStringLiteral("en/") + name : name;
}

} // namespace Res

namespace {

// Parsed on first use, one table per language; C++ makes the initialisation thread-safe, and
// the tables never change afterwards, so any thread may read them.
template <typename Table, typename Parse>
const Table& ForLanguage(const char* file, Parse&& parse)
{
    auto load = [&](Res::Language language) {
        return parse(Res::Data::ReadFile(Res::Data::LanguageFile(QString::fromLatin1(file), language)), nullptr);
    };
    if (Res::CurrentLanguage() == Res::Language::English) {
        static const Table english = load(Res::Language::English);
        return english;
    }
    static const Table chinese = load(Res::Language::TraditionalChinese);
    return chinese;
}

const Res::Data::StringTable& Strings()
{
    return ForLanguage<Res::Data::StringTable>("strings.tsv", Res::Data::ParseStrings);
}

const Res::Data::DialogTexts& Dialogs()
{
    return ForLanguage<Res::Data::DialogTexts>("dialogs.tsv", Res::Data::ParseDialogs);
}

} // namespace

QString LoadString(UINT id)
{
    const auto& strings = Strings().strings;
    const auto it = strings.constFind(id);
    if (it != strings.constEnd())
        return *it;
    return Res::DialogCaption(id);
}

namespace Res {

bool HasString(UINT id)
{
    return Strings().strings.contains(id) || Dialogs().texts.contains(Data::DialogKey(id, 0, CtrlText::Own));
}

QString CommandPrompt(UINT command)
{
    const QString prompt = Strings().strings.value(command);
    const qsizetype lf = prompt.indexOf(u'\n');
    return lf < 0 ? prompt : prompt.left(lf);
}

QString CommandTip(UINT command)
{
    const QString prompt = Strings().strings.value(command);
    const qsizetype lf = prompt.indexOf(u'\n');
    return lf < 0 ? QString() : prompt.mid(lf + 1);
}

QString DialogCaption(UINT dialogId)
{
    // Dialog 0 holds the shared texts; it is not a dialog of its own.
    if (dialogId == 0)
        return {};
    return Dialogs().texts.value(Data::DialogKey(dialogId, 0, CtrlText::Own));
}

QString ControlText(UINT dialogId, UINT controlId, CtrlText kind)
{
    if (dialogId == 0 || controlId == 0)
        return {};
    const auto& texts = Dialogs().texts;
    const auto it = texts.constFind(Data::DialogKey(dialogId, controlId, kind));
    if (it != texts.constEnd())
        return *it;
    // OK and Cancel of any known dialog
    if (kind == CtrlText::Own && (controlId == 1 || controlId == 2) && texts.contains(Data::DialogKey(dialogId, 0, CtrlText::Own)))
        return texts.value(Data::DialogKey(0, controlId, kind));
    return {};
}

QStringList ControlItems(UINT dialogId, UINT controlId)
{
    return Dialogs().items.value(Data::DialogKey(dialogId, controlId, CtrlText::Own));
}

} // namespace Res
