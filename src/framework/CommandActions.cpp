#include "framework/CommandActions.h"

#include "res/Resources.h"

#include <QAction>
#include <QMenu>
#include <QVariant>

namespace {
const char* const kCmdIdProperty = "cmdId";
}

QAction* NewCommandAction(UINT id, const QString& text, QObject* parent)
{
    auto* action = new QAction(text, parent);
    action->setProperty(kCmdIdProperty, QVariant::fromValue<uint>(id));
    return action;
}

UINT CommandIdOf(const QAction* action)
{
    if (!action)
        return 0;
    const QVariant v = action->property(kCmdIdProperty);
    return v.isValid() ? v.toUInt() : 0;
}

void AppendMenuItems(QMenu* menu, const Res::MenuItem& item)
{
    if (!menu)
        return;
    for (const Res::MenuItem& child : item.children) {
        if (child.separator) {
            menu->addSeparator();
        } else if (!child.children.empty()) {
            QMenu* sub = menu->addMenu(child.text);
            AppendMenuItems(sub, child);
        } else {
            menu->addAction(NewCommandAction(child.id, child.text, menu));
        }
    }
}

QMenu* BuildPopupMenu(UINT menuId, QWidget* parent)
{
    const Res::MenuItem* resource = Res::Menu(menuId);
    if (!resource || resource->children.empty())
        return nullptr;
    const Res::MenuItem& popup = resource->children.front();
    if (popup.children.empty())
        return nullptr;
    auto* menu = new QMenu(parent);
    menu->setTitle(popup.text);
    AppendMenuItems(menu, popup);
    return menu;
}

QAction* FindCommandAction(QMenu* menu, UINT id)
{
    if (!menu)
        return nullptr;
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = FindCommandAction(sub, id))
                return found;
        } else if (CommandIdOf(action) == id) {
            return action;
        }
    }
    return nullptr;
}
