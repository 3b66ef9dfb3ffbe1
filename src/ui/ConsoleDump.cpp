#include "ui/ConsoleDump.h"

#include "tree/AlertTreeCtrl.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"
#include "ui/MainFrame.h"

#include <QSaveFile>

namespace ConsoleDump {

namespace {

const QLatin1String kSeparator("---");

void DumpItems(const CAlertTreeCtrl* tree, HTREEITEM parent, int depth, QStringList* lines)
{
    for (HTREEITEM item = tree->GetChildItem(parent); item; item = tree->GetNextSiblingItem(item)) {
        lines->append(QString(depth * 2, QLatin1Char(' ')) + tree->GetItemText(item));
        DumpItems(tree, item, depth + 1, lines);
    }
}

// The item under parent (TVI_ROOT for the top) whose texts from there, joined by '/', equal
// path. Texts may themselves hold '/', so every child whose text starts the path is tried.
HTREEITEM FindPath(CAlertTreeCtrl* tree, HTREEITEM parent, const QString& path)
{
    if (parent != TVI_ROOT && !tree->IsItemExpanded(parent) && tree->ItemHasChildren(parent))
        tree->ExpandWithNotify(parent);
    for (HTREEITEM item = tree->GetChildItem(parent); item; item = tree->GetNextSiblingItem(item)) {
        // A leaf's expansion may have replaced its children; the item stays valid until then.
        if (!tree->IsValidItem(item))
            break;
        const QString text = tree->GetItemText(item);
        if (path == text)
            return item;
        if (path.size() > text.size() && path.startsWith(text) && path[text.size()] == QLatin1Char('/')) {
            if (HTREEITEM found = FindPath(tree, item, path.mid(text.size() + 1)))
                return found;
        }
    }
    return nullptr;
}

} // namespace

QString Text(const CMainFrame* frame)
{
    QStringList lines;
    if (const CAlertTreeWnd* treeWnd = frame->GetTreeWnd())
        DumpItems(treeWnd->GetTree(), TVI_ROOT, 0, &lines);
    lines.append(kSeparator);
    if (const CAlertListWnd* pane = frame->GetInfoPane())
        lines.append(pane->DisplayedLines());
    lines.append(kSeparator);
    lines.append(frame->MessagePaneText());
    lines.append(frame->ServicePaneText());
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool Write(const CMainFrame* frame, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = Text(frame).toUtf8();
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

bool SelectPath(CMainFrame* frame, const QString& path)
{
    CAlertTreeWnd* treeWnd = frame->GetTreeWnd();
    if (!treeWnd || path.isEmpty())
        return false;
    CAlertTreeCtrl* tree = treeWnd->GetTree();
    HTREEITEM item = FindPath(tree, TVI_ROOT, path);
    if (!item)
        return false;
    tree->SelectItem(item);
    tree->setFocus();
    return true;
}

} // namespace ConsoleDump
