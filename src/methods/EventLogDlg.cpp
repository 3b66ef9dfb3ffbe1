#include "methods/EventLogDlg.h"

#include "framework/DialogControls.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "methods/MethodLeaf.h"
#include "methods/RecipientCopies.h"
#include "network/NetLeaf.h"
#include "platform/Network.h"
#include "records/RecipientRecords.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/MessageText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_EVENTLOG_PACK_FAILED = 5124;
// The account of a recipient is tested on the machine's administrative share.
const char* const kAdminShare = "\\ADMIN$";
} // namespace

CEventLogDlg::CEventLogDlg(CEventLogMethodLeaf* method, QWidget* parent)
    : QDialog(parent), m_method(method)
{
    setWindowTitle(Res::DialogCaption(kDialogId));

    auto* layout = new QVBoxLayout(this);
    m_recipient = DialogControls::AddLabeledLineRow(this, layout, kDialogId, IDC_RECIPIENT);

    auto* trees = new QHBoxLayout();
    m_network = new CAlertTreeCtrl(this);
    m_network->setProperty("ctrlId", IDC_NETWORK);
    trees->addWidget(m_network, 1);
    auto* buttons = new QVBoxLayout();
    buttons->addStretch(1);
    m_add = DialogControls::AddButton(this, buttons, kDialogId, IDC_ADD);
    m_remove = DialogControls::AddButton(this, buttons, kDialogId, IDC_REMOVE);
    m_removeAll = DialogControls::AddButton(this, buttons, kDialogId, IDC_REMOVE_ALL);
    buttons->addStretch(1);
    trees->addLayout(buttons);
    m_chosen = new CAlertTreeCtrl(this);
    m_chosen->setProperty("ctrlId", IDC_CHOSEN);
    trees->addWidget(m_chosen, 1);
    layout->addLayout(trees, 1);

    m_expand = new QCheckBox(Res::ControlText(kDialogId, IDC_EXPAND), this);
    m_expand->setProperty("ctrlId", IDC_EXPAND);
    layout->addWidget(m_expand);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));
    resize(560, 380);

    connect(m_add, &QPushButton::clicked, this, &CEventLogDlg::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &CEventLogDlg::OnRemove);
    connect(m_removeAll, &QPushButton::clicked, this, &CEventLogDlg::OnRemoveAll);
    connect(m_recipient, &QLineEdit::textChanged, this, &CEventLogDlg::UpdateButtons);
    connect(m_expand, &QCheckBox::toggled, this, [](bool on) {
        ConsoleSettings::Set(ConsoleSettings::ExpandEventlog, on ? 1 : 0);
    });
    connect(m_network, &CAlertTreeCtrl::selectionChangedNotify, this, &CEventLogDlg::OnSelectionChanged);

    m_networkRoot = std::make_unique<CAlertLeaf>(m_network);
    m_chosenRoot = std::make_unique<CAlertLeaf>(m_chosen);
    m_expand->setChecked(ConsoleSettings::Get(ConsoleSettings::ExpandEventlog) != 0);
    if (m_method)
        CopyRecipients<CEventLogRecipientLeaf>(m_method, m_chosenRoot.get(), 0);
    CNetLeaf::InsertMicrosoftNetworks(m_networkRoot.get(), m_expand->isChecked());
    UpdateButtons();
}

CEventLogDlg::~CEventLogDlg()
{
    // The leaves (and the passwords they hold) go with their items before the widgets do.
    m_network->DeleteAllItems();
    m_chosen->DeleteAllItems();
}

void CEventLogDlg::UpdateButtons()
{
    m_add->setEnabled(!m_recipient->text().isEmpty());
    const bool any = m_chosen->GetChildItem(TVI_ROOT) != nullptr;
    m_remove->setEnabled(any);
    m_removeAll->setEnabled(any);
}

void CEventLogDlg::OnSelectionChanged(CAlertLeaf*, CAlertLeaf* newLeaf)
{
    auto* net = dynamic_cast<CNetLeaf*>(newLeaf);
    if (net && CAlertLeaf::IsLive(net) && net->GetDisplayType() == RESOURCEDISPLAYTYPE_SERVER)
        m_recipient->setText(net->GetRemoteName());
}

QString CEventLogDlg::ServiceMachine() const
{
    QString machine;
    if (m_method && CAlertLeaf::IsLive(m_method))
        m_method->GetMachineName(&machine);
    return QStringLiteral("\\\\") + machine;
}

CEventLogRecipientLeaf* CEventLogDlg::AddRecipient(const QString& machine, const QString& domain,
                                                   const QString& user, const QString& password)
{
    for (CAlertLeaf* child = m_chosenRoot->GetFirstChild(); child; child = child->GetNextSibling()) {
        auto* existing = dynamic_cast<CEventLogRecipientLeaf*>(child);
        if (existing && existing->GetName() == machine) {
            // Adding a machine again is how its account is changed.
            existing->SetFields(machine, domain, user, password);
            return existing;
        }
    }
    auto* recipient = new CEventLogRecipientLeaf;
    recipient->SetContextMenu(0);
    recipient->SetFields(machine, domain, user, password);
    if (!m_chosenRoot->InsertChild(recipient)) {
        delete recipient;
        return nullptr;
    }
    return recipient;
}

void CEventLogDlg::OnAdd()
{
    if (m_recipient->text().isEmpty())
        return;
    const QString text = CNetLeaf::UncName(m_recipient->text());
    // The machine as a network resource; the provider is that of the browser's selection.
    auto* selected = dynamic_cast<CNetLeaf*>(m_network->GetSelectedLeaf());
    const std::unique_ptr<CNetLeaf> leaf = CNetLeaf::ForName(text, RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_SERVER,
                                                             selected ? selected->GetProvider() : QString());
    CNetLeaf& machine = *leaf;
    if (machine.GetRemoteName().contains(QLatin1String("icrosoft")))
        return;
    // The service's own machine is reached as the logged-on user, without asking.
    if (text == ServiceMachine())
        machine.SetUseCurrentUser(1);
    // A connection this console already holds to the machine (a server leaf's) stays as it is.
    machine.SetSparesConnection(Network::IsConnected(CNetLeaf::MachineOf(text)));
    if (!machine.Connect(1, QString::fromLatin1(kAdminShare), 1))
        return;
    QString domain, user, password;
    machine.GetCredentials(&domain, &user, &password);
    machine.Disconnect(1, QString::fromLatin1(kAdminShare));
    if (user.isEmpty() && password.isEmpty())
        return;
    // An account that does not fit the record is refused now, not dropped at the next write.
    if (Records::MakeEventLogRecord(text.toUtf8(), domain.toUtf8(), user.toUtf8(), password.toUtf8()).isEmpty()) {
        AfxMessageBox(LoadString(IDS_EVENTLOG_PACK_FAILED) + QLatin1Char('\n') + FormatString(IDS_MACHINE_LINE, {text}),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (CEventLogRecipientLeaf* added = AddRecipient(text, domain, user, password))
        added->Select();
    m_chosen->SortChildren(TVI_ROOT);
    UpdateButtons();
}

void CEventLogDlg::OnRemove()
{
    if (HTREEITEM item = m_chosen->GetSelectedItem())
        m_chosen->DeleteItem(item);
    m_chosen->viewport()->update();
    UpdateButtons();
}

void CEventLogDlg::OnRemoveAll()
{
    m_chosen->DeleteAllItems();
    m_chosen->viewport()->update();
    UpdateButtons();
}

void CEventLogDlg::accept()
{
    if (!m_method || !CAlertLeaf::IsLive(m_method)) {
        reject();
        return;
    }
    ReplaceRecipients<CEventLogRecipientLeaf>(m_method, m_chosenRoot.get());
    QDialog::accept();
}

// ---- the method leaf's side ---------------------------------------------------------------------

bool CEventLogMethodLeaf::RunRecipientDialog()
{
    CEventLogDlg dialog(this);
    return UiHost::Current()->RunModal(&dialog) == IDOK;
}
