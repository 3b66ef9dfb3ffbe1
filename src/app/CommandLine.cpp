#include "app/CommandLine.h"

#include <functional>
#include <vector>

namespace {

struct Option {
    const char* name;
    bool takesValue;
    std::function<bool(CCommandLine* line, const QString& value)> apply;
};

const std::vector<Option>& Options()
{
    static const std::vector<Option> options = {
        {"--screenshot", true, [](CCommandLine* l, const QString& v) { l->screenshotPath = v; return !v.isEmpty(); }},
        {"--after", true,
         [](CCommandLine* l, const QString& v) {
             bool ok = false;
             const int ms = v.toInt(&ok);
             if (!ok || ms < 0)
                 return false;
             l->screenshotAfterMs = ms;
             return true;
         }},
        {"--signal-termination", false, [](CCommandLine* l, const QString&) { l->signalTermination = true; return true; }},
        {"--dump", true, [](CCommandLine* l, const QString& v) { l->dumpPath = v; return !v.isEmpty(); }},
        {"--select", true, [](CCommandLine* l, const QString& v) { l->selectPath = v; return true; }},
        {"--lang", true, [](CCommandLine* l, const QString& v) { l->language = v; return !v.isEmpty(); }},
    };
    return options;
}

} // namespace

bool CCommandLine::Parse(const QStringList& arguments, QString* error)
{
    // arguments[0] is the program.
    for (int i = 1; i < arguments.size(); ++i) {
        QString name = arguments[i];
        QString value;
        bool inlineValue = false;
        const int eq = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && eq > 2) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            inlineValue = true;
        }
        const Option* option = nullptr;
        for (const Option& o : Options()) {
            if (name == QLatin1String(o.name))
                option = &o;
        }
        if (!option) {
            if (error)
                *error = QStringLiteral("unknown option: %1").arg(arguments[i]);
            return false;
        }
        if (option->takesValue && !inlineValue) {
            if (i + 1 >= arguments.size()) {
                if (error)
                    *error = QStringLiteral("%1 needs a value").arg(name);
                return false;
            }
            value = arguments[++i];
        } else if (!option->takesValue && inlineValue) {
            if (error)
                *error = QStringLiteral("%1 takes no value").arg(name);
            return false;
        }
        if (!option->apply(this, value)) {
            if (error)
                *error = QStringLiteral("invalid value for %1: %2").arg(name, value);
            return false;
        }
    }
    return true;
}
