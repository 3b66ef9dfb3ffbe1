// The help page the world tool installs names the menus and toolbar buttons as the console
// shows them.
#include "res/ResourceIds.h"
#include "res/Resources.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// A menu text as the user reads it: no mnemonic, no "...", no key hint.
QString Shown(const QString& text)
{
    QString label = text.section(u'\t', 0, 0);
    label.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    label.remove(u'&');
    if (label.endsWith(QLatin1String("...")))
        label.chop(3);
    return label.trimmed();
}

QStringList Marked(const QString& page, const char* cls)
{
    const QRegularExpression span(QStringLiteral("<span class=\"%1\">([^<]*)</span>").arg(QLatin1String(cls)));
    QStringList out;
    for (auto it = span.globalMatch(page); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

TEST(HelpPage, NamesMenusAndToolbarButtonsAsTheConsoleShowsThem)
{
    QFile file(QStringLiteral(VIGIMOR_SOURCE_DIR "/service/alertworld/help/Index.htm"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());

    const Res::MenuItem* bar = Res::Menu(IDR_MAINFRAME);
    ASSERT_NE(bar, nullptr);
    const QStringList menus = Marked(page, "menu");
    EXPECT_GE(menus.size(), 15);
    for (const QString& path : menus) {
        const QStringList parts = path.split(QStringLiteral(" → "));
        ASSERT_EQ(parts.size(), 2) << path.toStdString();
        const Res::MenuItem* popup = nullptr;
        for (const auto& p : bar->children)
            if (Shown(p.text) == parts[0])
                popup = &p;
        ASSERT_NE(popup, nullptr) << "no menu " << parts[0].toStdString();
        bool found = false;
        for (const auto& item : popup->children)
            found = found || (!item.separator && Shown(item.text) == parts[1]);
        EXPECT_TRUE(found) << "no item " << path.toStdString();
    }

    QStringList tips;
    for (UINT command : Res::ToolbarCommands(IDR_TOOLBAR_SMALL))
        if (command)
            tips << Res::CommandTip(command);
    const QStringList tools = Marked(page, "tool");
    EXPECT_GE(tools.size(), 5);
    for (const QString& tool : tools)
        EXPECT_TRUE(tips.contains(tool)) << "no toolbar button " << tool.toStdString();
}

} // namespace
