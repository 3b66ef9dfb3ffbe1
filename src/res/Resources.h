#pragma once
// The console's resources: the string table, menus, accelerators, toolbars and images.
// Every text the user sees comes from here.
#include "platform/WinTypes.h"
#include <QCursor>
#include <QIcon>
#include <QKeySequence>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <vector>

// The string with the given id; empty when the table has none.
QString LoadString(UINT id);

namespace Res {

bool HasString(UINT id);

// A command's prompt string is "status-bar text\ntool tip"; these give either part (empty when
// the command has none).
QString CommandPrompt(UINT command);
QString CommandTip(UINT command);

// Texts of the dialog templates. A dialog's caption is also what LoadString gives for the
// dialog's id when no string has that id. Controls: the control's own text (buttons, check
// boxes, labels with an id), the static label in front of it, the unit after it, the group
// box around it. OK (1) and Cancel (2) fall back to the texts all dialogs share.
enum class CtrlText { Own, Label, Suffix, Group };
QString DialogCaption(UINT dialogId);
QString ControlText(UINT dialogId, UINT controlId, CtrlText kind = CtrlText::Own);
// The initial items of a combo box, in order.
QStringList ControlItems(UINT dialogId, UINT controlId);

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
// Bitmaps 131 and 148 are the image lists as strips of 16x16 cells; 139 and 168 the toolbar
// buttons as strips, separators left out. Images are made on first use and kept; use them on
// the user-interface thread only.
QPixmap Bitmap(UINT id);
QIcon Icon(UINT id);
// Cursor 101, the column list's resize cursor; Qt's split cursor for any other id.
QCursor Cursor(UINT id);

// The tree's two image lists of 16-pixel images: list 0 built from bitmap 131 (the normal
// list), list 1 from bitmap 148. Index as the leaves use them.
int TreeImageCount();
QPixmap TreeImage(int list, int index);

} // namespace Res
