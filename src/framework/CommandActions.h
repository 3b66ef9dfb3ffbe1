#pragma once
// Menus and actions that carry command ids. Every action made here holds its command id in the
// property "cmdId"; its state comes from the update query of a command route
// (UpdateMenuActions in framework/CmdTarget.h) and choosing it executes the command there.
#include "platform/WinTypes.h"

#include <QString>

class QAction;
class QMenu;
class QObject;
class QWidget;
class CCmdTarget;
namespace Res { struct MenuItem; }

QAction* NewCommandAction(UINT id, const QString& text, QObject* parent);
// The command id of an action, 0 when it carries none.
UINT CommandIdOf(const QAction* action);

// Appends the children of a menu-data item to a menu: popups become submenus, separators
// separators, commands actions with their ids.
void AppendMenuItems(QMenu* menu, const Res::MenuItem& item);
// The shown popup of a popup-menu resource (its first child popup), built as a QMenu; null
// when the resource is unknown or has no popup.
QMenu* BuildPopupMenu(UINT menuId, QWidget* parent = nullptr);
// Finds the action with the given command id in a menu and its submenus.
QAction* FindCommandAction(QMenu* menu, UINT id);
