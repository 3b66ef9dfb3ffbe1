#pragma once
// CAlertLeaf: the base of every node of the console's tree. A leaf is bound one-to-one to an
// item of the tree control (the item's data is the leaf, the leaf keeps the item handle) and
// lives exactly as long as that item. The leaf is the model: it names itself, builds its
// children, answers commands (unhandled ones climb to the parent leaf) and tells the
// information pane what to show.
#include "framework/CmdTarget.h"
#include "platform/WinTypes.h"

#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class CAlertLeaf;
class CAlertTreeCtrl;
class CServerLeaf;
class CALTLeaf;
class QTreeWidgetItem;

// A tree item. TVI_ROOT marks the control's invisible root, the item of the root leaf.
using HTREEITEM = QTreeWidgetItem*;
inline HTREEITEM const TVI_ROOT = reinterpret_cast<HTREEITEM>(uintptr_t(0xFFFF0000u));

// Expand actions of the item-expanding notification.
constexpr UINT TVE_COLLAPSE = 0x0001;
constexpr UINT TVE_EXPAND = 0x0002;

// The tree's notification record for item-expanding, item-expanded, selection-changed and
// item-deleted: the items concerned and their leaves.
struct NMTREEVIEW {
    UINT action = 0;                // TVE_EXPAND / TVE_COLLAPSE for expansion
    HTREEITEM itemOld = nullptr;
    HTREEITEM itemNew = nullptr;
    CAlertLeaf* leafOld = nullptr;
    CAlertLeaf* leafNew = nullptr;
};

// Mouse-key flags passed to OnDoubleClick.
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;

// Display formats a leaf gives the information pane.
constexpr WORD DISPLAY_NOTHING = 0;
constexpr WORD DISPLAY_COLUMNS = 1;     // rows of tab-separated columns, one object per row
constexpr WORD DISPLAY_LABELS = 2;      // label/value pairs from heading and first row
constexpr WORD DISPLAY_TEXT = 3;        // first row in a read-only text box

// The objects bound to the rows of GetDisplayData.
using CLeafArray = QList<CAlertLeaf*>;

// Default leaf popup menu ("default alert leaf": new, edit, delete, test message).
constexpr UINT IDR_DEFAULT_LEAF_MENU = 134;

class CAlertLeaf : public CCmdTarget {
    DECLARE_MESSAGE_MAP()
public:
    // Optional per-leaf callback that subclasses may install; the base never calls it.
    using Callback = std::function<LRESULT(CAlertLeaf* leaf, UINT code, WPARAM wParam, LPARAM lParam)>;

    CAlertLeaf();
    // The root leaf of a tree: bound to the control's invisible root item.
    explicit CAlertLeaf(CAlertTreeCtrl* tree);
    // Copies image, menu id, flags, name, item handle, parent and tree; renders the bitmaps
    // afresh. The copy is not the item's leaf.
    CAlertLeaf(const CAlertLeaf& other);
    CAlertLeaf& operator=(const CAlertLeaf&) = delete;
    // Releases the bitmaps and the name; does not touch the tree.
    ~CAlertLeaf() override;

    // ---- the leaf's virtual operations --------------------------------------------------
    virtual QString GetTitle();
    // Deletes the children one by one (first child first) through their DeleteLeaf.
    virtual void DeleteChildren();
    // Removes the item (and with it every descendant), tells the parent once (when the
    // notify-parent switch is on) and destroys this leaf.
    virtual void DeleteLeaf();
    virtual void ChildModified(CAlertLeaf* child);
    // Clears the unpopulated flag; subclasses create their children first. Storing 1 in
    // *result cancels the expansion.
    virtual void OnItemExpanding(NMTREEVIEW* notify, LRESULT* result);
    // Destroys the leaf unless it is destroying itself already.
    virtual void OnItemDeleted();
    // Shows the leaf's popup menu at a screen point (nothing when the menu id is 0).
    virtual void ShowContextMenu(int x, int y);
    virtual void OnDoubleClick(UINT flags, int x, int y);
    virtual void NewItem(UINT flags, int x, int y);
    virtual WORD GetDisplayFormat();
    virtual void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading,
                                QStringList* rows, CLeafArray* objects);
    virtual void RefreshFromCfg(const QString& machine, const QString& application);
    virtual void WriteToCfg(const QString& machine, const QString& application);
    // Called right after the leaf received its tree item.
    virtual void OnInserted();
    // Stores the flag and dims the item ("cut") when not enabled; returns the previous flag.
    virtual BOOL SetEnabled(BOOL enabled);

    // Messages the tree control hands to the leaf in their lParam (0x0401 service state,
    // 0x0402 periodic refresh, 0x0403 table write). The server and table leaves override it.
    virtual LRESULT OnTreeMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Machine name of a server leaf; other leaves have none. GetMachineName asks the nearest
    // ancestor (or this leaf) that answers.
    virtual bool QueryServerMachineName(QString* machine) const;

    // ---- tree operations --------------------------------------------------------------------
    // Inserts the child as the last child item of this leaf's item; nothing when this leaf has
    // no item. Returns whether the child got an item.
    BOOL InsertChild(CAlertLeaf* child);
    // Inserts the children as the last child items, in one insertion. Returns how many got an
    // item: all of them, or none (this leaf has no item, or one of them is not a new child).
    size_t InsertChildren(const std::vector<CAlertLeaf*>& children);
    // Like InsertChild, but refuses (0) a child whose name equals an existing child item's text
    // exactly (case-sensitive).
    BOOL InsertChildUnique(CAlertLeaf* child);
    BOOL SetName(const QString& name);
    BOOL SetName(UINT stringId);
    BOOL SetImage(int image);
    BOOL SetImages(int image, int selectedImage);
    void SetContextMenu(UINT menuId) { m_menuId = menuId; }

    CAlertLeaf* GetFirstChild() const;
    CAlertLeaf* GetNextSibling() const;
    CAlertLeaf* GetPrevSibling() const;
    CAlertLeaf* GetParentLeaf() const;     // the leaf of the parent item
    CAlertLeaf* GetSelectedLeaf() const;   // the tree's selected leaf
    BOOL HasChildren() const;
    WORD ChildCount() const;
    BOOL GetItemText(QString* text) const;
    // A sibling with exactly this name: following siblings first, then preceding ones.
    CAlertLeaf* FindSibling(const QString& name) const;
    BOOL SelectChildByName(const QString& name);
    BOOL IsAncestorOrSelf(const CAlertLeaf* leaf) const;

    // Nearest ancestor (or this leaf) of class T, by run-time class test.
    template <class T>
    T* FindAncestorOfClass() const
    {
        for (const CAlertLeaf* p = this; p; p = p->m_parent) {
            if (auto* t = dynamic_cast<const T*>(p))
                return const_cast<T*>(t);
        }
        return nullptr;
    }
    // The server (CServerLeaf) and application-table (CALTLeaf) ancestors. Instantiated where
    // the caller has included the class's header.
    template <class TServer = CServerLeaf>
    TServer* GetServerLeaf() const { return FindAncestorOfClass<TServer>(); }
    template <class TTable = CALTLeaf>
    TTable* GetALTLeaf() const { return FindAncestorOfClass<TTable>(); }
    // The server ancestor's machine name; 0 when there is none.
    BOOL GetMachineName(QString* machine) const;

    BOOL Select();
    BOOL IsSelected() const;
    // Expands with notifications: OnItemExpanding runs first and may veto.
    BOOL Expand();
    BOOL Collapse();
    void SortChildren();
    // Makes the information pane show this leaf again (re-announces the selection), or selects
    // it when it is not selected.
    void Redisplay();
    void ForEachChildGetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading,
                                    QStringList* rows, CLeafArray* objects);

    // ---- state --------------------------------------------------------------------------------
    int GetImage() const { return m_image; }
    UINT GetContextMenu() const { return m_menuId; }
    const QString& GetName() const { return m_name; }
    HTREEITEM GetItem() const { return m_item; }
    CAlertLeaf* GetParent() const { return m_parent; }
    CAlertTreeCtrl* GetTree() const { return m_tree; }
    BOOL IsEnabled() const { return m_enabled; }
    BOOL IsDeleting() const { return m_deleting; }
    BOOL IsUnpopulated() const { return m_unpopulated; }
    BOOL IsModified() const { return m_modified; }
    void SetModified(BOOL modified) { m_modified = modified; }
    // The icon rendered from the tree's first (normal) and second image lists.
    const QPixmap& GetBitmap1() const { return m_bitmap1; }
    const QPixmap& GetBitmap2() const { return m_bitmap2; }
    void SetCallback(Callback callback) { m_callback = std::move(callback); }

    // Leaves route unhandled commands to their parent leaf; the root reports them unhandled.
    bool OnCmdMsg(UINT id, CCmdUI* pUI) override;

    // Whether a pointer is a leaf that still exists (messages carrying a leaf are checked).
    static bool IsLive(const CAlertLeaf* leaf);
    // Clipboard format number registered for "CAlertLeaf Object" at program start.
    static UINT ClipboardFormat();

protected:
    // 3027 (F1): opens <service home>\Help\Index.htm in the desktop's browser.
    void OnHelpF1();

    void RenderBitmaps();
    // Display data of a leaf that lists its children: one row per child (its item text, bound
    // to the child) under the heading, in columns.
    void ListChildren(const QString& listHeading, WORD* producedFormat, QString* heading, QStringList* rows,
                      CLeafArray* objects);
    // The item of this leaf as the control knows it (the invisible root for TVI_ROOT).
    bool InTree() const { return m_tree && m_item; }

    int m_image = 0;
    UINT m_menuId = IDR_DEFAULT_LEAF_MENU;
    BOOL m_deleting = 0;
    BOOL m_unpopulated = 1;
    BOOL m_modified = 0;
    Callback m_callback;
    QPixmap m_bitmap2;
    QPixmap m_bitmap1;
    QString m_name;
    HTREEITEM m_item = nullptr;
    CAlertLeaf* m_parent = nullptr;
    CAlertTreeCtrl* m_tree = nullptr;
    BOOL m_enabled = 1;

    friend class CAlertTreeCtrl;
};
