// Menus (from menus.txt), the accelerator table and the toolbars' button lists.
//
// Command ids the menus use: 3002 start, 3003 stop, 3004 pause/continue, 3005 new item,
// 3006 edit item, 3007 delete item, 3008 connect, 3009 disconnect, 3012 connect as,
// 3013 disconnect a network resource, 3014 clear activity log, 3016 use as default port,
// 3018/3019 large/small toolbar, 3020 mail logon, 3021 mail attributes, 3022 Exchange settings,
// 3026 service account, 3028 print, 3035 send test message, 3036 help contents, 3038 Notes
// settings, 3041 version information, 3045 activity log settings, 3046 SMTP settings; and the
// framework's 57664 about, 57665 exit, 59392 toolbar, 59393 status bar.
#include "res/ResourceData.h"
#include "res/ResourceIds.h"
#include "res/Resources.h"

namespace Res::Data {

std::map<UINT, MenuItem> ParseMenus(const QByteArray& data, QStringList* problems)
{
    std::map<UINT, MenuItem> menus;
    auto report = [problems](int line, const QString& what) {
        if (problems)
            problems->append(QStringLiteral("line %1: %2").arg(line).arg(what));
    };

    const QString text = QString::fromUtf8(data);
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    // The open popups from the menu down to the deepest one; stack[d] receives items of depth d+1.
    std::vector<MenuItem*> stack;
    for (int n = 0; n < lines.size(); ++n) {
        QStringView line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        qsizetype depth = 0;
        while (depth < line.size() && line[depth] == u'\t')
            ++depth;
        const QList<QStringView> fields = line.mid(depth).split(u'\t');
        const QStringView keyword = fields[0];

        if (keyword == u"MENU") {
            bool ok = false;
            const UINT id = fields.size() == 2 ? fields[1].toUInt(&ok) : 0;
            if (depth != 0 || !ok || id == 0) {
                report(n + 1, QStringLiteral("expected MENU <id> at depth 0"));
                stack.clear();
                continue;
            }
            if (menus.count(id)) {
                report(n + 1, QStringLiteral("duplicate menu %1").arg(id));
                stack.clear();
                continue;
            }
            stack.assign(1, &menus[id]);
            continue;
        }
        if (depth == 0 || stack.empty() || size_t(depth) > stack.size()) {
            report(n + 1, QStringLiteral("item outside a menu or too deep"));
            continue;
        }
        stack.resize(depth); // leaving deeper popups
        MenuItem* parent = stack.back();
        if (parent == stack.front() && keyword != u"POPUP") {
            report(n + 1, QStringLiteral("a menu holds popups only"));
            continue;
        }

        MenuItem item;
        QString problem;
        if (keyword == u"POPUP" && fields.size() == 2) {
            item.text = Unescape(fields[1], &problem);
        } else if (keyword == u"ITEM" && fields.size() == 3) {
            bool ok = false;
            item.id = fields[1].toUInt(&ok);
            if (!ok || item.id == 0) {
                report(n + 1, QStringLiteral("bad command id"));
                continue;
            }
            item.text = Unescape(fields[2], &problem);
        } else if (keyword == u"SEPARATOR" && fields.size() == 1) {
            item.separator = true;
        } else {
            report(n + 1, QStringLiteral("unknown line"));
            continue;
        }
        if (!problem.isEmpty())
            report(n + 1, problem);
        parent->children.push_back(std::move(item));
        if (keyword == u"POPUP")
            stack.push_back(&parent->children.back());
    }
    return menus;
}

} // namespace Res::Data

namespace Res {

const MenuItem* Menu(UINT id)
{
    auto load = [](Language language) {
        return Data::ParseMenus(Data::ReadFile(Data::LanguageFile(QStringLiteral("menus.txt"), language)));
    };
    static const std::map<UINT, MenuItem> chinese = load(Language::TraditionalChinese);
    static const std::map<UINT, MenuItem> english = load(Language::English);
    const auto& menus = CurrentLanguage() == Language::English ? english : chinese;
    const auto it = menus.find(id);
    return it == menus.end() ? nullptr : &it->second;
}

std::vector<Accelerator> Accelerators(UINT id)
{
    if (id != IDR_MAINFRAME)
        return {};
    // F1 opens the help of whatever leaf is selected. Insert and Delete are keys of the tree
    // and the column list themselves, not accelerators.
    return {{3027, QKeySequence(Qt::Key_F1)}};
}

std::vector<UINT> ToolbarCommands(UINT id)
{
    if (id != IDR_TOOLBAR_SMALL && id != IDR_TOOLBAR_LARGE)
        return {};
    return {3008, 3009, 0, 3002, 3003, 3004, 0, 3005, 3007, 3006, 0, 3028, 0, 3035};
}

QSize ToolbarButtonSize(UINT id)
{
    if (id == IDR_TOOLBAR_SMALL)
        return {16, 15};
    if (id == IDR_TOOLBAR_LARGE)
        return {24, 24};
    return {};
}

} // namespace Res
