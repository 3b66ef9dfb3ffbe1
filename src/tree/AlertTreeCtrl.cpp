#include "tree/AlertTreeCtrl.h"

#include "framework/Commands.h"
#include "framework/Switches.h"
#include "res/Resources.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QVariant>

namespace {

// Items sort by text without regard to case, as the control always has. The leaf, the image
// indexes and the cut state are held beside the item's data: forgetting the leaf is then no
// change the view must hear of, and an item of a long log carries only what it shows.
class CLeafItem : public QTreeWidgetItem {
public:
    explicit CLeafItem(CAlertLeaf* leaf) : QTreeWidgetItem(QTreeWidgetItem::UserType), leaf(leaf) {}
    bool operator<(const QTreeWidgetItem& other) const override
    {
        return QString::compare(text(0), other.text(0), Qt::CaseInsensitive) < 0;
    }
    CAlertLeaf* leaf;
    int image = -1;
    int selectedImage = -1;
    bool cut = false;
};

// Null for an item being destroyed: the view still hears of it from the base destructor.
CLeafItem* LeafItem(HTREEITEM item)
{
    return item && item != TVI_ROOT ? dynamic_cast<CLeafItem*>(item) : nullptr;
}

UINT KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    UINT flags = 0;
    if (buttons & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (modifiers & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

} // namespace

BEGIN_MESSAGE_MAP(CAlertTreeCtrl, CCmdTarget)
END_MESSAGE_MAP()

CAlertTreeCtrl::CAlertTreeCtrl(QWidget* parent)
    : QTreeWidget(parent)
    , m_messages(this, [this](UINT m, WPARAM w, LPARAM l) { return HandleMessage(m, w, l); })
{
    setProperty("ctrlId", kCtrlId);
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    // Right clicks and the menu key are the leaves' business, not a widget context menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    LoadImageLists();
    connect(this, &QTreeWidget::currentItemChanged, this, &CAlertTreeCtrl::OnCurrentItemChanged);
    connect(this, &QTreeWidget::itemExpanded, this, &CAlertTreeCtrl::OnUserExpanded);
}

CAlertTreeCtrl::~CAlertTreeCtrl()
{
    // Every leaf goes through its delete notification while the control still exists.
    DeleteAllItems();
    m_messages.Close();
}

void CAlertTreeCtrl::LoadImageLists()
{
    const int count = Res::TreeImageCount();
    for (int list = 0; list < 2; ++list) {
        m_images[list].clear();
        m_icons.clear();
        for (int i = 0; i < count; ++i)
            m_images[list].push_back(Res::TreeImage(list, i));
    }
}

QPixmap CAlertTreeCtrl::ImageListImage(int list, int index) const
{
    if (list < 0 || list > 1 || index < 0 || size_t(index) >= m_images[list].size())
        return QPixmap();
    return m_images[list][size_t(index)];
}

int CAlertTreeCtrl::ImageCount(int list) const
{
    return list >= 0 && list <= 1 ? int(m_images[list].size()) : 0;
}

// ---- items ------------------------------------------------------------------------------------

HTREEITEM CAlertTreeCtrl::Resolve(HTREEITEM item) const
{
    if (item == TVI_ROOT || item == nullptr)
        return invisibleRootItem();
    return item;
}

bool CAlertTreeCtrl::IsValidItem(HTREEITEM item) const
{
    if (!item || item == TVI_ROOT)
        return false;
    // An item handle is valid while the item is part of this tree.
    for (QTreeWidgetItem* p = item; p; p = p->parent()) {
        if (!p->parent())
            return indexOfTopLevelItem(p) >= 0;
    }
    return false;
}

HTREEITEM CAlertTreeCtrl::InsertItem(const QString& text, int image, int selectedImage, CAlertLeaf* leaf,
                                     HTREEITEM parent)
{
    const std::vector<HTREEITEM> items = InsertItems({NewItem{text, image, selectedImage, leaf}}, parent);
    return items.empty() ? nullptr : items.front();
}

std::vector<HTREEITEM> CAlertTreeCtrl::InsertItems(const std::vector<NewItem>& entries, HTREEITEM parent)
{
    if (parent && parent != TVI_ROOT && !IsValidItem(parent))
        return {};
    std::vector<HTREEITEM> made;
    made.reserve(entries.size());
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(entries.size()));
    for (const NewItem& entry : entries) {
        auto* item = new CLeafItem(entry.leaf);
        item->setText(0, entry.text);
        // Complete before it joins the tree: changes to an item in the tree are announced to the view.
        SetItemImage(item, entry.image, entry.selectedImage);
        made.push_back(item);
        items.append(item);
    }
    Resolve(parent)->addChildren(items);
    return made;
}

CAlertLeaf* CAlertTreeCtrl::GetItemLeaf(HTREEITEM item) const
{
    const CLeafItem* leafItem = LeafItem(item);
    return leafItem ? leafItem->leaf : nullptr;
}

void CAlertTreeCtrl::NotifySubtreeDeleted(HTREEITEM item)
{
    // Children first, so that a parent's OnItemDeleted never sees children already freed
    // through it; each item is notified once and forgets its leaf before the leaf may go.
    for (int i = 0; i < item->childCount(); ++i)
        NotifySubtreeDeleted(item->child(i));
    CAlertLeaf* leaf = GetItemLeaf(item);
    if (CLeafItem* leafItem = LeafItem(item))
        leafItem->leaf = nullptr;
    if (leaf && CAlertLeaf::IsLive(leaf)) {
        Q_EMIT itemDeletedNotify(leaf);
        leaf->OnItemDeleted();
    }
}

bool CAlertTreeCtrl::DeleteItem(HTREEITEM item)
{
    if (item == TVI_ROOT) {
        DeleteAllItems();
        return true;
    }
    if (!IsValidItem(item))
        return false;
    ++m_deleting;
    NotifySubtreeDeleted(item);
    delete item;
    --m_deleting;
    return true;
}

bool CAlertTreeCtrl::DeleteChildItems(HTREEITEM parent)
{
    if (parent != TVI_ROOT && !IsValidItem(parent))
        return false;
    QTreeWidgetItem* item = Resolve(parent);
    ++m_deleting;
    for (int i = 0; i < item->childCount(); ++i)
        NotifySubtreeDeleted(item->child(i));
    qDeleteAll(item->takeChildren());
    --m_deleting;
    return true;
}

void CAlertTreeCtrl::DeleteAllItems()
{
    while (topLevelItemCount() > 0)
        DeleteItem(topLevelItem(0));
}

QString CAlertTreeCtrl::GetItemText(HTREEITEM item) const
{
    return item && item != TVI_ROOT ? item->text(0) : QString();
}

bool CAlertTreeCtrl::SetItemText(HTREEITEM item, const QString& text)
{
    if (!IsValidItem(item))
        return false;
    item->setText(0, text);
    return true;
}

bool CAlertTreeCtrl::SetItemImage(HTREEITEM item, int image, int selectedImage)
{
    CLeafItem* leafItem = LeafItem(item);
    if (!leafItem)
        return false;
    if (leafItem->image == image && leafItem->selectedImage == selectedImage && image >= 0)
        return true;
    leafItem->image = image;
    leafItem->selectedImage = selectedImage;
    // One icon per pair of images, shared by every item that shows it: a log of many records
    // would otherwise hold an icon engine per item.
    const quint64 key = (quint64(quint32(image)) << 32) | quint32(selectedImage);
    auto it = m_icons.constFind(key);
    if (it == m_icons.cend()) {
        QIcon icon;
        const QPixmap normal = ImageListImage(0, image);
        const QPixmap selected = ImageListImage(0, selectedImage);
        if (!normal.isNull())
            icon.addPixmap(normal, QIcon::Normal);
        if (!selected.isNull())
            icon.addPixmap(selected, QIcon::Selected);
        it = m_icons.insert(key, icon);
    }
    item->setIcon(0, it.value());
    return true;
}

int CAlertTreeCtrl::GetItemImage(HTREEITEM item) const
{
    const CLeafItem* leafItem = LeafItem(item);
    return leafItem ? leafItem->image : -1;
}

int CAlertTreeCtrl::GetItemSelectedImage(HTREEITEM item) const
{
    const CLeafItem* leafItem = LeafItem(item);
    return leafItem ? leafItem->selectedImage : -1;
}

void CAlertTreeCtrl::SetItemCut(HTREEITEM item, bool cut)
{
    CLeafItem* leafItem = LeafItem(item);
    if (!leafItem)
        return;
    leafItem->cut = cut;
    if (cut)
        item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    else
        item->setData(0, Qt::ForegroundRole, QVariant());
}

bool CAlertTreeCtrl::IsItemCut(HTREEITEM item) const
{
    const CLeafItem* leafItem = LeafItem(item);
    return leafItem && leafItem->cut;
}

HTREEITEM CAlertTreeCtrl::GetRootItem() const
{
    return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
}

HTREEITEM CAlertTreeCtrl::GetChildItem(HTREEITEM item) const
{
    QTreeWidgetItem* parent = Resolve(item);
    return parent->childCount() > 0 ? parent->child(0) : nullptr;
}

HTREEITEM CAlertTreeCtrl::GetNextSiblingItem(HTREEITEM item) const
{
    if (!item || item == TVI_ROOT)
        return nullptr;
    QTreeWidgetItem* parent = item->parent() ? item->parent() : invisibleRootItem();
    const int index = parent->indexOfChild(item);
    return index >= 0 && index + 1 < parent->childCount() ? parent->child(index + 1) : nullptr;
}

HTREEITEM CAlertTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const
{
    if (!item || item == TVI_ROOT)
        return nullptr;
    QTreeWidgetItem* parent = item->parent() ? item->parent() : invisibleRootItem();
    const int index = parent->indexOfChild(item);
    return index > 0 ? parent->child(index - 1) : nullptr;
}

HTREEITEM CAlertTreeCtrl::GetParentItem(HTREEITEM item) const
{
    if (!item || item == TVI_ROOT)
        return nullptr;
    return item->parent();
}

HTREEITEM CAlertTreeCtrl::GetSelectedItem() const
{
    return currentItem();
}

CAlertLeaf* CAlertTreeCtrl::GetSelectedLeaf() const
{
    return GetItemLeaf(currentItem());
}

bool CAlertTreeCtrl::ItemHasChildren(HTREEITEM item) const
{
    return Resolve(item)->childCount() > 0;
}

int CAlertTreeCtrl::GetChildCount(HTREEITEM item) const
{
    return Resolve(item)->childCount();
}

bool CAlertTreeCtrl::SelectItem(HTREEITEM item)
{
    if (!item) {
        setCurrentItem(nullptr);
        return true;
    }
    if (!IsValidItem(item))
        return false;
    setCurrentItem(item);
    return currentItem() == item;
}

bool CAlertTreeCtrl::ExpandWithNotify(HTREEITEM item)
{
    if (!IsValidItem(item))
        return false;
    CAlertLeaf* leaf = GetItemLeaf(item);
    NMTREEVIEW notify;
    notify.action = TVE_EXPAND;
    notify.itemNew = item;
    notify.leafNew = leaf;
    LRESULT result = 0;
    if (leaf)
        leaf->OnItemExpanding(&notify, &result);
    if (result != 0 || !IsValidItem(item))
        return false;
    ++m_programmaticExpand;
    item->setExpanded(true);
    --m_programmaticExpand;
    if (CAlertLeaf* now = GetItemLeaf(item))
        Q_EMIT itemExpandedNotify(now);
    return true;
}

void CAlertTreeCtrl::OnUserExpanded(QTreeWidgetItem* item)
{
    if (m_programmaticExpand > 0)
        return;
    // Expanded by the user: the leaf is asked afterwards, and a veto folds the item again.
    CAlertLeaf* leaf = GetItemLeaf(item);
    if (!leaf)
        return;
    NMTREEVIEW notify;
    notify.action = TVE_EXPAND;
    notify.itemNew = item;
    notify.leafNew = leaf;
    LRESULT result = 0;
    leaf->OnItemExpanding(&notify, &result);
    if (!IsValidItem(item))
        return;
    if (result != 0) {
        ++m_programmaticExpand;
        item->setExpanded(false);
        --m_programmaticExpand;
        return;
    }
    if (CAlertLeaf* now = GetItemLeaf(item))
        Q_EMIT itemExpandedNotify(now);
}

bool CAlertTreeCtrl::CollapseItem(HTREEITEM item)
{
    if (!IsValidItem(item))
        return false;
    item->setExpanded(false);
    return true;
}

bool CAlertTreeCtrl::IsItemExpanded(HTREEITEM item) const
{
    return item && item != TVI_ROOT && item->isExpanded();
}

void CAlertTreeCtrl::SortChildren(HTREEITEM item)
{
    if (item != TVI_ROOT && item != nullptr && !IsValidItem(item))
        return;
    Resolve(item)->sortChildren(0, Qt::AscendingOrder);
}

void CAlertTreeCtrl::Reannounce(HTREEITEM item)
{
    if (!IsValidItem(item))
        return;
    CAlertLeaf* leaf = GetItemLeaf(item);
    Q_EMIT selectionChangedNotify(leaf, leaf);
}

QRect CAlertTreeCtrl::GetItemRect(HTREEITEM item) const
{
    if (!IsValidItem(item))
        return QRect();
    return visualItemRect(item);
}

void CAlertTreeCtrl::OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    Q_EMIT selectionChangedNotify(GetItemLeaf(previous), GetItemLeaf(current));
}

// ---- gestures ---------------------------------------------------------------------------------

void CAlertTreeCtrl::mousePressEvent(QMouseEvent* event)
{
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::RightButton)
        return;
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (!item)
        return;
    SelectItem(item);
    if (CAlertLeaf* leaf = GetItemLeaf(item)) {
        const QPoint screen = viewport()->mapToGlobal(event->position().toPoint());
        leaf->ShowContextMenu(screen.x(), screen.y());
    }
}

void CAlertTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (!item)
        return;
    SelectItem(item);
    if (CAlertLeaf* leaf = GetItemLeaf(item)) {
        const QPoint screen = viewport()->mapToGlobal(event->position().toPoint());
        leaf->OnDoubleClick(KeyFlags(event->buttons() | event->button(), event->modifiers()), screen.x(),
                            screen.y());
    }
}

void CAlertTreeCtrl::ShowSelectedItemMenu()
{
    QTreeWidgetItem* item = currentItem();
    CAlertLeaf* leaf = GetItemLeaf(item);
    if (!leaf)
        return;
    const QRect rect = visualItemRect(item);
    const QPoint screen = viewport()->mapToGlobal(rect.bottomLeft());
    leaf->ShowContextMenu(screen.x(), screen.y());
}

void CAlertTreeCtrl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Menu:
        ShowSelectedItemMenu();
        return;
    case Qt::Key_Insert:
        OnCmdMsg(ID_EDIT_NEW, nullptr);
        return;
    case Qt::Key_Delete:
        // The key is a delete command like the menu's: one confirmation for it.
        Switches::SetAskBeforeDelete(true);
        OnCmdMsg(ID_EDIT_DELETE, nullptr);
        return;
    default:
        QTreeWidget::keyPressEvent(event);
    }
}

// ---- commands ---------------------------------------------------------------------------------

bool CAlertTreeCtrl::OnCmdMsg(UINT id, CCmdUI* pUI)
{
    if (CAlertLeaf* leaf = GetSelectedLeaf()) {
        if (leaf->OnCmdMsg(id, pUI))
            return true;
    }
    return CCmdTarget::OnCmdMsg(id, pUI);
}

CCmdTarget* CAlertTreeCtrl::FrameRoute() const
{
    if (m_frameRoute)
        return m_frameRoute;
    if (auto* frame = dynamic_cast<CCmdTarget*>(window()); frame && window() != this)
        return frame;
    return const_cast<CAlertTreeCtrl*>(this);
}

// ---- messages ---------------------------------------------------------------------------------

bool CAlertTreeCtrl::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_messages.Post(message, wParam, lParam);
}

LRESULT CAlertTreeCtrl::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_messages.Send(message, wParam, lParam);
}

int CAlertTreeCtrl::RemovePendingMessages(UINT message, const CAlertLeaf* leaf)
{
    return m_messages.Remove(message, PtrToLParam(leaf));
}

void CAlertTreeCtrl::SetMessageHandler(UINT message, MessageHandler handler)
{
    m_handlers[message] = std::move(handler);
}

LRESULT CAlertTreeCtrl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    auto it = m_handlers.find(message);
    if (it != m_handlers.end() && it->second)
        return it->second(wParam, lParam);
    switch (message) {
    case WM_ALERT_SERVICE_STATE:
    case WM_ALERT_TABLE_TICK:
    case WM_ALERT_TABLE_REFRESH: {
        // A leaf that has gone since the post is not called. A sent message answers what the
        // leaf answered.
        auto* leaf = LParamToPtr<CAlertLeaf>(lParam);
        return CAlertLeaf::IsLive(leaf) ? leaf->OnTreeMessage(message, wParam, lParam) : 0;
    }
    default:
        return 0;
    }
}
