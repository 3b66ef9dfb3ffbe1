#include "methods/BroadcastDlg.h"

#include "framework/DialogControls.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "methods/MethodLeaf.h"
#include "network/NetLeaf.h"
#include "platform/Network.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/LeafNotify.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>
#include <vector>

namespace {
// Provider entries carry this in their names; they are never recipients.
const char* const kMicrosoftMark = "icrosoft";

bool IsProviderName(const QString& name)
{
    return name.contains(QLatin1String(kMicrosoftMark));
}

QPushButton* Button(QWidget* parent, int ctrlId)
{
    auto* button = new QPushButton(Res::ControlText(CBroadcastDlg::kDialogId, ctrlId), parent);
    button->setProperty("ctrlId", ctrlId);
    button->setAutoDefault(false);
    return button;
}
} // namespace

CBroadcastDlg::CBroadcastDlg(CBroadcastMethodLeaf* method, QWidget* parent)
    : QDialog(parent), m_method(method)
{
    setWindowTitle(Res::DialogCaption(kDialogId));

    auto* layout = new QVBoxLayout(this);
    m_recipient = DialogControls::AddLabeledLineRow(this, layout, kDialogId, IDC_RECIPIENT);
    m_recipient->setMaxLength(kMaxName);

    auto* trees = new QHBoxLayout();
    m_network = new CAlertTreeCtrl(this);
    m_network->setProperty("ctrlId", IDC_NETWORK);
    trees->addWidget(m_network, 1);
    auto* buttons = new QVBoxLayout();
    buttons->addStretch(1);
    QPushButton* add = Button(this, IDC_ADD);
    QPushButton* addAll = Button(this, IDC_ADD_ALL);
    QPushButton* remove = Button(this, IDC_REMOVE);
    QPushButton* removeAll = Button(this, IDC_REMOVE_ALL);
    for (QPushButton* b : {add, addAll, remove, removeAll})
        buttons->addWidget(b);
    buttons->addStretch(1);
    trees->addLayout(buttons);
    m_chosen = new CAlertTreeCtrl(this);
    m_chosen->setProperty("ctrlId", IDC_CHOSEN);
    trees->addWidget(m_chosen, 1);
    layout->addLayout(trees, 1);

    m_expand = new QCheckBox(Res::ControlText(kDialogId, IDC_EXPAND), this);
    m_expand->setProperty("ctrlId", IDC_EXPAND);
    layout->addWidget(m_expand);
    auto* note = new QLabel(LoadString(IDS_BROADCAST_NOTE), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));
    resize(620, 420);

    connect(add, &QPushButton::clicked, this, &CBroadcastDlg::OnAdd);
    connect(addAll, &QPushButton::clicked, this, &CBroadcastDlg::OnAddAll);
    connect(remove, &QPushButton::clicked, this, &CBroadcastDlg::OnRemove);
    connect(removeAll, &QPushButton::clicked, this, &CBroadcastDlg::OnRemoveAll);
    connect(m_expand, &QCheckBox::toggled, this, [](bool on) {
        ConsoleSettings::Set(ConsoleSettings::ExpandBroadcast, on ? 1 : 0);
    });
    connect(m_network, &CAlertTreeCtrl::selectionChangedNotify, this, &CBroadcastDlg::OnSelectionChanged);
    // Enter in the name field adds the name; it does not close the dialog.
    m_recipient->installEventFilter(this);

    m_networkRoot = std::make_unique<CAlertLeaf>(m_network);
    m_chosenRoot = std::make_unique<CAlertLeaf>(m_chosen);
    m_expand->setChecked(ConsoleSettings::Get(ConsoleSettings::ExpandBroadcast) != 0);
    if (CBroadcastMethodLeaf* method = m_method.Get()) {
        for (CAlertLeaf* child = method->GetFirstChild(); child; child = child->GetNextSibling()) {
            auto* recipient = dynamic_cast<CBroadcastRecipientLeaf*>(child);
            if (!recipient)
                continue;
            auto* copy = new CBroadcastRecipientLeaf(*recipient);
            copy->SetContextMenu(0);
            if (!m_chosenRoot->InsertChild(copy))
                delete copy;
        }
    }
    FillNetworkTree();
}

CBroadcastDlg::~CBroadcastDlg()
{
    // The leaves go with their items before the dialog's widgets do.
    m_network->DeleteAllItems();
    m_chosen->DeleteAllItems();
}

void CBroadcastDlg::FillNetworkTree()
{
    CNetLeaf::InsertMicrosoftNetworks(m_networkRoot.get(), m_expand->isChecked());
}

void CBroadcastDlg::OnSelectionChanged(CAlertLeaf*, CAlertLeaf* newLeaf)
{
    auto* net = dynamic_cast<CNetLeaf*>(newLeaf);
    if (net && CAlertLeaf::IsLive(net) && net->GetDisplayType() != RESOURCEDISPLAYTYPE_NETWORK)
        m_recipient->setText(net->GetRemoteName());
}

CAlertLeaf* CBroadcastDlg::AddRecipient(const QString& name)
{
    auto* recipient = new CBroadcastRecipientLeaf;
    recipient->SetContextMenu(0);
    recipient->SetRecipientName(name.left(kMaxName));
    if (!m_chosenRoot->InsertChildUnique(recipient)) {
        delete recipient;
        return nullptr;
    }
    return recipient;
}

bool CBroadcastDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_recipient && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnAdd();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CBroadcastDlg::OnAdd()
{
    const QString text = m_recipient->text().trimmed();
    if (text.isEmpty())
        return;
    m_recipient->clear();
    QString name = text.toUpper();
    auto* net = dynamic_cast<CNetLeaf*>(m_network->GetSelectedLeaf());
    if (net && net->GetName() == text && !IsProviderName(net->GetName()))
        name = net->GetRemoteName();
    if (CAlertLeaf* added = AddRecipient(name))
        added->Select();
    m_chosen->SortChildren(TVI_ROOT);
}

void CBroadcastDlg::AddBelow(CAlertLeaf* parent)
{
    for (CAlertLeaf* child = parent->GetFirstChild(); child; child = child->GetNextSibling()) {
        AddBelow(child);
        auto* net = dynamic_cast<CNetLeaf*>(child);
        if (net && !IsProviderName(net->GetName()))
            AddRecipient(net->GetRemoteName());
    }
}

void CBroadcastDlg::OnAddAll()
{
    CAlertLeaf* selected = m_network->GetSelectedLeaf();
    if (!selected)
        return;
    m_chosen->setUpdatesEnabled(false);
    AddBelow(selected);
    m_chosen->SortChildren(TVI_ROOT);
    m_chosen->setUpdatesEnabled(true);
}

void CBroadcastDlg::OnRemove()
{
    if (HTREEITEM item = m_chosen->GetSelectedItem())
        m_chosen->DeleteItem(item);
    m_chosen->viewport()->update();
}

void CBroadcastDlg::OnRemoveAll()
{
    m_chosen->DeleteAllItems();
    m_chosen->viewport()->update();
}

void CBroadcastDlg::accept()
{
    CBroadcastMethodLeaf* method = m_method.Get();
    if (!method) {
        AfxMessageBox(IDS_EDITED_ITEM_GONE, MB_OK | MB_ICONEXCLAMATION);
        reject();
        return;
    }
    {
        // Replacing the list is a rebuild; the method reports the user's change once, after
        // the dialog (CMethodLeaf::NewItem).
        const CQuietRebuild quiet(method);
        method->DeleteChildren();
        for (HTREEITEM item = m_chosen->GetChildItem(TVI_ROOT); item; item = m_chosen->GetNextSiblingItem(item)) {
            auto* recipient = dynamic_cast<CBroadcastRecipientLeaf*>(m_chosen->GetItemLeaf(item));
            if (!recipient || recipient->GetRecipientName().isEmpty())
                continue;
            auto* copy = new CBroadcastRecipientLeaf(*recipient);
            copy->SetContextMenu(IDR_DEFAULT_LEAF_MENU);
            if (!method->InsertChild(copy))
                delete copy;
        }
    }
    QDialog::accept();
}

// ---- the method leaf's side ---------------------------------------------------------------------

bool CBroadcastMethodLeaf::RunRecipientDialog()
{
    CWeakPtr<CBroadcastMethodLeaf> self(this);
    CBroadcastDlg dialog(this);
    if (UiHost::Current()->RunModal(&dialog) != IDOK || !self)
        return false;
    m_dataSet = 1;
    return true;
}
