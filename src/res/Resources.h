#pragma once
// The console's resources: the string table, menus, accelerators, toolbars and images.
// Every text the user sees comes from here.
#include "platform/WinTypes.h"
#include <QIcon>
#include <QKeySequence>
#include <QPixmap>
#include <QString>
#include <vector>

// The string with the given id; empty when the table has none.
QString LoadString(UINT id);

namespace Res {

bool HasString(UINT id);

// A menu as data. A popup has children; a separator has id 0 and no text; a command item has
// its command id and its text (with '&' marking the mnemonic).
struct MenuItem {
    UINT id = 0;
    QString text;
    bool separator = false;
    std::vector<MenuItem> children;
};
// Menu 128 is the menu bar (its children are the top-level popups); every other id is a popup
// menu resource whose first child popup is the one shown. Null when unknown.
const MenuItem* Menu(UINT id);

struct Accelerator {
    UINT command = 0;
    QKeySequence keys;
};
std::vector<Accelerator> Accelerators(UINT id);

// Toolbar 139 (16x15 buttons) and 168 (24x24): command ids in order, 0 for a separator.
std::vector<UINT> ToolbarCommands(UINT id);
QSize ToolbarButtonSize(UINT id);
// The button picture of a command in the given toolbar's size.
QPixmap ToolbarImage(UINT toolbarId, UINT command);

// Bitmaps and icons by resource id (splash 153, icon 128 ...). Null pixmap when unknown.
QPixmap Bitmap(UINT id);
QIcon Icon(UINT id);

// The tree's two image lists of 16-pixel images: list 0 built from bitmap 131 (the normal
// list), list 1 from bitmap 148. Index as the leaves use them.
int TreeImageCount();
QPixmap TreeImage(int list, int index);

} // namespace Res
