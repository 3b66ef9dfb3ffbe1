#include "tree/AlertLeaf.h"

#include "framework/Clipboard.h"
#include "framework/CommandActions.h"
#include "framework/Commands.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "platform/World.h"
#include "res/Resources.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/LeafNotify.h"
#include "tree/HelpIndex.h"
#include "tree/RegUtil.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <mutex>
#include <unordered_set>

namespace {

// Leaves that exist, so that a message naming a leaf that has gone can be dropped.
struct LiveLeaves {
    std::mutex mutex;
    std::unordered_set<const CAlertLeaf*> set;
};
LiveLeaves& Live()
{
    static LiveLeaves live;
    return live;
}
void AddLive(const CAlertLeaf* leaf)
{
    std::lock_guard<std::mutex> lock(Live().mutex);
    Live().set.insert(leaf);
}
void RemoveLive(const CAlertLeaf* leaf)
{
    std::lock_guard<std::mutex> lock(Live().mutex);
    Live().set.erase(leaf);
}

// Registered when the program starts, as the leaf module always has; nothing exchanges data
// in this format.
const UINT g_clipboardFormat = RegisterClipboardFormat(QStringLiteral("CAlertLeaf Object"));

// The hidden owner of a leaf's popup menu. Commands and update queries go to the leaf that
// showed the menu first, then to the normal frame routing. It goes away once the menu has
// closed and the chosen command (if any) has run. A leaf destroyed while its menu was open
// takes the menu's commands with it: routed on, they would reach whatever is selected now.
class CPopMenuWnd : public QWidget, public CCmdTarget {
public:
    CPopMenuWnd(CAlertLeaf* leaf, CCmdTarget* frameRoute)
        : m_leaf(leaf)
        , m_frameRoute(frameRoute)
    {
        setObjectName(QStringLiteral("PopMenuWnd"));
        setWindowTitle(QStringLiteral("PopMenuWnd"));
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::Tool);
        setGeometry(0, 0, 100, 100);
        setAttribute(Qt::WA_DontShowOnScreen);
    }

    bool OnCmdMsg(UINT id, CCmdUI* pUI) override
    {
        CAlertLeaf* leaf = m_leaf.Get();
        if (!leaf)
            return false;
        // One confirmation per delete command.
        if (!pUI && id == ID_EDIT_DELETE)
            Switches::SetAskBeforeDelete(true);
        if (leaf->OnCmdMsg(id, pUI))
            return true;
        CCmdTarget* frame = m_frameRoute.Get();
        return frame && frame->OnCmdMsg(id, pUI);
    }

    void Track(QMenu* menu, const QPoint& screenPoint)
    {
        menu->setParent(this, menu->windowFlags());
        m_menu = menu;
        UpdateMenuActions(menu, this);
        ConnectActions(menu);
        // The menu hides before its chosen action triggers; whether one did is known only
        // once the click has been handled.
        QObject::connect(menu, &QMenu::aboutToHide, this, [this] {
            QMetaObject::invokeMethod(this, [this] {
                if (!m_chosen)
                    deleteLater();
            }, Qt::QueuedConnection);
        });
        menu->popup(screenPoint);
    }

private:
    void ConnectActions(QMenu* menu)
    {
        for (QAction* action : menu->actions()) {
            if (QMenu* sub = action->menu()) {
                QObject::connect(sub, &QMenu::aboutToShow, this, [this, sub] { UpdateMenuActions(sub, this); });
                ConnectActions(sub);
                continue;
            }
            const UINT id = CommandIdOf(action);
            if (id == 0)
                continue;
            QObject::connect(action, &QAction::triggered, this, [this, id] {
                if (m_chosen)
                    return;
                m_chosen = true;
                // The command runs from the event loop, after the menu has finished with the
                // click: a dialog or box it opens turns the loop, and this owner and its menu
                // must not go while the menu's own code is still on the stack. The owner goes
                // after the command.
                QMetaObject::invokeMethod(this, [this, id] {
                    OnCmdMsg(id, nullptr);
                    deleteLater();
                }, Qt::QueuedConnection);
            });
        }
    }

    CWeakPtr<CAlertLeaf> m_leaf;
    CWeakPtr<CCmdTarget> m_frameRoute;
    QPointer<QMenu> m_menu;
    bool m_chosen = false;
};

} // namespace

BEGIN_MESSAGE_MAP(CAlertLeaf, CCmdTarget)
    ON_COMMAND(ID_HELP_F1, OnHelpF1)
END_MESSAGE_MAP()

CAlertLeaf::CAlertLeaf()
{
    AddLive(this);
    SetEnabled(1);
}

CAlertLeaf::CAlertLeaf(CAlertTreeCtrl* tree)
    : m_item(TVI_ROOT)
    , m_tree(tree)
{
    AddLive(this);
    SetEnabled(1);
}

CAlertLeaf::CAlertLeaf(const CAlertLeaf& other)
    : CCmdTarget()
    , m_image(other.m_image)
    , m_menuId(other.m_menuId)
    , m_deleting(other.m_deleting)
    , m_unpopulated(other.m_unpopulated)
    , m_modified(other.m_modified)
    , m_name(other.m_name)
    , m_item(other.m_item)
    , m_parent(other.m_parent)
    , m_tree(other.m_tree)
    , m_enabled(other.m_enabled)
{
    AddLive(this);
    RenderBitmaps();
}

CAlertLeaf::~CAlertLeaf()
{
    RemoveLive(this);
}

bool CAlertLeaf::IsLive(const CAlertLeaf* leaf)
{
    if (!leaf)
        return false;
    std::lock_guard<std::mutex> lock(Live().mutex);
    return Live().set.count(leaf) != 0;
}

UINT CAlertLeaf::ClipboardFormat()
{
    return g_clipboardFormat;
}

// ---- virtual operations -----------------------------------------------------------------------

QString CAlertLeaf::GetTitle()
{
    return QString();
}

void CAlertLeaf::DeleteChildren()
{
    if (!InTree())
        return;
    // Clearing children is a rebuild, never the user's edit: this leaf hears nothing.
    const CQuietRebuild quiet(this);
    for (HTREEITEM child = m_tree->GetChildItem(m_item); child; child = m_tree->GetChildItem(m_item)) {
        CAlertLeaf* leaf = m_tree->GetItemLeaf(child);
        if (leaf)
            leaf->DeleteLeaf();
        // An item without a leaf, or one whose leaf kept it, is removed here so that the loop
        // always ends.
        if (m_tree->GetChildItem(m_item) == child)
            m_tree->DeleteItem(child);
    }
}

void CAlertLeaf::DeleteLeaf()
{
    CAlertLeaf* parent = m_parent;
    m_deleting = 1;
    if (m_tree && m_item && m_item != TVI_ROOT)
        m_tree->DeleteItem(m_item);
    m_item = nullptr;
    if (Switches::NotifyParent())
        NotifyChildModified(parent, nullptr);
    delete this;
}

void CAlertLeaf::ChildModified(CAlertLeaf*)
{
}

void CAlertLeaf::OnItemExpanding(NMTREEVIEW*, LRESULT*)
{
    m_unpopulated = 0;
}

void CAlertLeaf::OnItemDeleted()
{
    m_item = nullptr;
    if (!m_deleting)
        delete this;
}

void CAlertLeaf::ShowContextMenu(int x, int y)
{
    if (m_menuId == 0)
        return;
    QMenu* menu = BuildPopupMenu(m_menuId);
    if (!menu)
        return;
    CCmdTarget* frame = m_tree ? m_tree->FrameRoute() : nullptr;
    auto* owner = new CPopMenuWnd(this, frame);
    owner->Track(menu, QPoint(x, y));
}

void CAlertLeaf::OnDoubleClick(UINT, int, int)
{
}

void CAlertLeaf::NewItem(UINT, int, int)
{
}

WORD CAlertLeaf::GetDisplayFormat()
{
    return DISPLAY_NOTHING;
}

void CAlertLeaf::GetDisplayData(UINT, WORD*, QString*, QStringList*, CLeafArray*)
{
}

void CAlertLeaf::RefreshFromCfg(const QString&, const QString&)
{
}

void CAlertLeaf::WriteToCfg(const QString&, const QString&)
{
}

void CAlertLeaf::OnInserted()
{
}

BOOL CAlertLeaf::SetEnabled(BOOL enabled)
{
    const BOOL previous = m_enabled;
    m_enabled = enabled;
    if (m_tree && m_item && m_item != TVI_ROOT)
        m_tree->SetItemCut(m_item, !enabled);
    return previous;
}

LRESULT CAlertLeaf::OnTreeMessage(UINT, WPARAM, LPARAM)
{
    return 0;
}

bool CAlertLeaf::QueryServerMachineName(QString*) const
{
    return false;
}

// ---- commands ---------------------------------------------------------------------------------

bool CAlertLeaf::OnCmdMsg(UINT id, CCmdUI* pUI)
{
    if (DispatchFromMap(id, pUI))
        return true;
    return m_parent && m_parent != this && m_parent->OnCmdMsg(id, pUI);
}

void CAlertLeaf::OnHelpF1()
{
    OpenHelpIndex();
}

// ---- tree operations --------------------------------------------------------------------------

BOOL CAlertLeaf::InsertChild(CAlertLeaf* child)
{
    return InsertChildren({child}) == 1;
}

size_t CAlertLeaf::InsertChildren(const std::vector<CAlertLeaf*>& children)
{
    if (!InTree())
        return 0;
    std::vector<CAlertTreeCtrl::NewItem> entries;
    entries.reserve(children.size());
    for (CAlertLeaf* child : children) {
        if (!child || child == this)
            return 0;
        entries.push_back({child->m_name, child->m_image, child->m_image, child});
    }
    for (CAlertLeaf* child : children) {
        child->m_parent = m_item == TVI_ROOT ? nullptr : this;
        child->m_tree = m_tree;
    }
    const std::vector<HTREEITEM> items = m_tree->InsertItems(entries, m_item);
    if (items.size() != children.size())
        return 0;
    for (size_t i = 0; i < children.size(); ++i) {
        CAlertLeaf* child = children[i];
        child->m_item = items[i];
        if (!child->m_enabled)
            m_tree->SetItemCut(child->m_item, true);
        child->RenderBitmaps();
        child->OnInserted();
    }
    return children.size();
}

BOOL CAlertLeaf::InsertChildUnique(CAlertLeaf* child)
{
    if (!child || !InTree())
        return 0;
    for (HTREEITEM item = m_tree->GetChildItem(m_item); item; item = m_tree->GetNextSiblingItem(item)) {
        if (m_tree->GetItemText(item) == child->m_name)
            return 0;
    }
    return InsertChild(child);
}

BOOL CAlertLeaf::SetName(const QString& name)
{
    if (m_tree && m_item && m_item != TVI_ROOT && !m_tree->SetItemText(m_item, name))
        return 0;
    m_name = name;
    return 1;
}

BOOL CAlertLeaf::SetName(UINT stringId)
{
    return SetName(LoadString(stringId));
}

BOOL CAlertLeaf::SetImage(int image)
{
    if (m_tree && m_item && m_item != TVI_ROOT)
        m_tree->SetItemImage(m_item, image, m_tree->GetItemSelectedImage(m_item));
    m_image = image;
    RenderBitmaps();
    return m_image == image;
}

BOOL CAlertLeaf::SetImages(int image, int selectedImage)
{
    if (m_tree && m_item && m_item != TVI_ROOT)
        m_tree->SetItemImage(m_item, image, selectedImage);
    m_image = image;
    RenderBitmaps();
    return m_image == image;
}

void CAlertLeaf::RenderBitmaps()
{
    // Both lists hold 16-pixel images; the pane draws a row's icon from these.
    m_bitmap1 = Res::TreeImage(0, m_image);
    m_bitmap2 = Res::TreeImage(1, m_image);
}

CAlertLeaf* CAlertLeaf::GetFirstChild() const
{
    return InTree() ? m_tree->GetItemLeaf(m_tree->GetChildItem(m_item)) : nullptr;
}

CAlertLeaf* CAlertLeaf::GetNextSibling() const
{
    if (!InTree() || m_item == TVI_ROOT)
        return nullptr;
    return m_tree->GetItemLeaf(m_tree->GetNextSiblingItem(m_item));
}

CAlertLeaf* CAlertLeaf::GetPrevSibling() const
{
    if (!InTree() || m_item == TVI_ROOT)
        return nullptr;
    return m_tree->GetItemLeaf(m_tree->GetPrevSiblingItem(m_item));
}

CAlertLeaf* CAlertLeaf::GetParentLeaf() const
{
    if (!InTree() || m_item == TVI_ROOT)
        return nullptr;
    return m_tree->GetItemLeaf(m_tree->GetParentItem(m_item));
}

CAlertLeaf* CAlertLeaf::GetSelectedLeaf() const
{
    return m_tree ? m_tree->GetSelectedLeaf() : nullptr;
}

BOOL CAlertLeaf::HasChildren() const
{
    return InTree() && m_tree->ItemHasChildren(m_item);
}

WORD CAlertLeaf::ChildCount() const
{
    return InTree() ? WORD(m_tree->GetChildCount(m_item)) : 0;
}

BOOL CAlertLeaf::GetItemText(QString* text) const
{
    if (!InTree() || m_item == TVI_ROOT)
        return 0;
    if (text)
        *text = m_tree->GetItemText(m_item);
    return 1;
}

CAlertLeaf* CAlertLeaf::FindSibling(const QString& name) const
{
    if (!InTree() || m_item == TVI_ROOT)
        return nullptr;
    for (HTREEITEM item = m_tree->GetNextSiblingItem(m_item); item; item = m_tree->GetNextSiblingItem(item)) {
        if (m_tree->GetItemText(item) == name)
            return m_tree->GetItemLeaf(item);
    }
    for (HTREEITEM item = m_tree->GetPrevSiblingItem(m_item); item; item = m_tree->GetPrevSiblingItem(item)) {
        if (m_tree->GetItemText(item) == name)
            return m_tree->GetItemLeaf(item);
    }
    return nullptr;
}

BOOL CAlertLeaf::SelectChildByName(const QString& name)
{
    if (!InTree())
        return 0;
    for (HTREEITEM item = m_tree->GetChildItem(m_item); item; item = m_tree->GetNextSiblingItem(item)) {
        if (m_tree->GetItemText(item) == name)
            return m_tree->SelectItem(item) ? 1 : 0;
    }
    return 0;
}

BOOL CAlertLeaf::IsAncestorOrSelf(const CAlertLeaf* leaf) const
{
    for (const CAlertLeaf* p = this; p; p = p->m_parent) {
        if (p == leaf)
            return 1;
    }
    return 0;
}

BOOL CAlertLeaf::GetMachineName(QString* machine) const
{
    for (const CAlertLeaf* p = this; p; p = p->m_parent) {
        if (p->QueryServerMachineName(machine))
            return 1;
    }
    return 0;
}

BOOL CAlertLeaf::Select()
{
    return InTree() && m_item != TVI_ROOT && m_tree->SelectItem(m_item);
}

BOOL CAlertLeaf::IsSelected() const
{
    return InTree() && m_item != TVI_ROOT && m_tree->GetSelectedItem() == m_item;
}

BOOL CAlertLeaf::Expand()
{
    return InTree() && m_item != TVI_ROOT && m_tree->ExpandWithNotify(m_item);
}

BOOL CAlertLeaf::Collapse()
{
    return InTree() && m_item != TVI_ROOT && m_tree->CollapseItem(m_item);
}

void CAlertLeaf::SortChildren()
{
    if (InTree())
        m_tree->SortChildren(m_item);
}

void CAlertLeaf::Redisplay()
{
    if (!InTree() || m_item == TVI_ROOT)
        return;
    if (IsSelected())
        m_tree->Reannounce(m_item);
    else
        Select();
}

void CAlertLeaf::ListChildren(const QString& listHeading, WORD* producedFormat, QString* heading,
                              QStringList* rows, CLeafArray* objects)
{
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        QString text;
        child->GetItemText(&text);
        if (rows)
            rows->append(text);
        if (objects)
            objects->append(child);
    }
    if (heading)
        *heading = listHeading;
    if (producedFormat)
        *producedFormat = DISPLAY_COLUMNS;
}

void CAlertLeaf::ForEachChildGetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading,
                                            QStringList* rows, CLeafArray* objects)
{
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling())
        child->GetDisplayData(requestedFormat, producedFormat, heading, rows, objects);
}
