#pragma once
// The console's tree control: a tree widget whose items carry their leaves. It hands
// expansion, deletion, right-click, double-click and keyboard actions to the leaf of the item,
// routes commands to the selected leaf (which passes them up its parents) and delivers the
// workers' messages to the leaves they name.
//
// Notifications for the window that hosts the tree are Qt signals: selectionChangedNotify
// (also re-announced synthetically by Reannounce), itemDeletedNotify (before the leaf goes)
// and itemExpandedNotify.
//
// Item deletion notifies every item of the deleted subtree exactly once, children before
// their parent: first itemDeletedNotify, then the leaf's OnItemDeleted.
#include "framework/CmdTarget.h"
#include "framework/Messages.h"
#include "tree/AlertLeaf.h"

#include <QPixmap>
#include <QHash>
#include <QIcon>
#include <QTreeWidget>
#include <functional>
#include <map>
#include <vector>

class CAlertTreeCtrl : public QTreeWidget, public CCmdTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    // Control id of the tree in its host window.
    static constexpr int kCtrlId = 100;
    // Bitmaps of the two image lists.
    static constexpr UINT kImageListBitmap = 131;
    static constexpr UINT kSecondImageListBitmap = 148;

    explicit CAlertTreeCtrl(QWidget* parent = nullptr);
    // Deletes all items with notifications before the control goes.
    ~CAlertTreeCtrl() override;

    // ---- items --------------------------------------------------------------------------------
    // Inserts an item as the last child of parent (TVI_ROOT or null: top level) with text,
    // image, selected image and the leaf as its data. Null when parent is not an item.
    HTREEITEM InsertItem(const QString& text, int image, int selectedImage, CAlertLeaf* leaf,
                         HTREEITEM parent);
    struct NewItem {
        QString text;
        int image = 0;
        int selectedImage = 0;
        CAlertLeaf* leaf = nullptr;
    };
    // Inserts one item per entry as the last children of parent in one insertion, which the
    // view hears of once (a log adds thousands at once). Empty when parent is not an item.
    std::vector<HTREEITEM> InsertItems(const std::vector<NewItem>& entries, HTREEITEM parent);
    // Deletes the item and its subtree (TVI_ROOT: all items), notifying each item once.
    bool DeleteItem(HTREEITEM item);
    // Deletes every child item of an item as DeleteItem would, in one pass however many there
    // are (one by one, each removal searches its siblings).
    bool DeleteChildItems(HTREEITEM parent);
    void DeleteAllItems();

    CAlertLeaf* GetItemLeaf(HTREEITEM item) const;
    QString GetItemText(HTREEITEM item) const;
    bool SetItemText(HTREEITEM item, const QString& text);
    bool SetItemImage(HTREEITEM item, int image, int selectedImage);
    // -1 when unknown.
    int GetItemImage(HTREEITEM item) const;
    int GetItemSelectedImage(HTREEITEM item) const;
    // The "cut" state: the item is drawn dimmed.
    void SetItemCut(HTREEITEM item, bool cut);
    bool IsItemCut(HTREEITEM item) const;

    HTREEITEM GetRootItem() const;                   // first top-level item
    HTREEITEM GetChildItem(HTREEITEM item) const;    // first child (TVI_ROOT: first top-level)
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;   // null for top-level items
    HTREEITEM GetSelectedItem() const;
    CAlertLeaf* GetSelectedLeaf() const;
    bool ItemHasChildren(HTREEITEM item) const;
    int GetChildCount(HTREEITEM item) const;
    bool IsValidItem(HTREEITEM item) const;

    bool SelectItem(HTREEITEM item);
    // Item-expanding notification (OnItemExpanding of the leaf) first; unless vetoed, expands
    // the item and sends the item-expanded notification.
    bool ExpandWithNotify(HTREEITEM item);
    // Collapses without asking the leaf.
    bool CollapseItem(HTREEITEM item);
    bool IsItemExpanded(HTREEITEM item) const;
    // Sorts the children of an item by text (case-insensitive).
    void SortChildren(HTREEITEM item);
    // Synthetic selection-changed notification with item as old and new item.
    void Reannounce(HTREEITEM item);
    // The item's text rectangle in viewport coordinates.
    QRect GetItemRect(HTREEITEM item) const;

    // The two image lists (list 0: bitmap 131, the items' images; list 1: bitmap 148).
    QPixmap ImageListImage(int list, int index) const;
    int ImageCount(int list) const;

    // ---- messages -----------------------------------------------------------------------------
    // Thread-safe. 0x0401/0x0402/0x0403 carry a leaf in lParam and are handed to that leaf's
    // OnTreeMessage (dropped when the leaf no longer exists); other messages go to a handler
    // registered with SetMessageHandler.
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Removes the pending messages of a kind that name this leaf; others keep their order.
    int RemovePendingMessages(UINT message, const CAlertLeaf* leaf);
    CMessageQueue& Messages() { return m_messages; }
    using MessageHandler = std::function<LRESULT(WPARAM wParam, LPARAM lParam)>;
    void SetMessageHandler(UINT message, MessageHandler handler);

    // ---- commands -----------------------------------------------------------------------------
    // The selected leaf first (climbing its parents), then the control's own map, then the
    // next target the host set.
    bool OnCmdMsg(UINT id, CCmdUI* pUI) override;
    // Where the popup-menu owner routes after the leaf: the frame's routing when the control
    // lives in a window that routes commands, else this control. Settable by the host.
    CCmdTarget* FrameRoute() const;
    void SetFrameRoute(CCmdTarget* route) { m_frameRoute = route; }

    // The context-menu gesture for the selected item (Enter / menu key): the menu at the item.
    void ShowSelectedItemMenu();

Q_SIGNALS:
    void selectionChangedNotify(CAlertLeaf* oldLeaf, CAlertLeaf* newLeaf);
    void itemDeletedNotify(CAlertLeaf* leaf);
    void itemExpandedNotify(CAlertLeaf* leaf);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    HTREEITEM Resolve(HTREEITEM item) const;
    void NotifySubtreeDeleted(HTREEITEM item);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void OnUserExpanded(QTreeWidgetItem* item);
    void LoadImageLists();

    std::vector<QPixmap> m_images[2];
    QHash<quint64, QIcon> m_icons;   // by image << 32 | selected image
    std::map<UINT, MessageHandler> m_handlers;
    CCmdTarget* m_frameRoute = nullptr;
    int m_programmaticExpand = 0;
    int m_deleting = 0;
    CMessageQueue m_messages;
};
