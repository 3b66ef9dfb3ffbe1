#include "methods/TicketDlg.h"

#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "methods/MethodLeaf.h"
#include "methods/RecipientCopies.h"
#include "network/NetLeaf.h"
#include "platform/Network.h"
#include "records/ByteField.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/ALTLeaf.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/MessageText.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_PRINTER_NOT_USABLE = 5505;
constexpr int kRegTextBytes = 127;

bool HasCredentials(const CNetLeaf* leaf)
{
    QString user, password;
    leaf->GetCredentials(nullptr, &user, &password);
    return !user.isEmpty() || !password.isEmpty();
}

void CopyCredentials(const CNetLeaf* from, CNetLeaf* to)
{
    QString domain, user, password;
    from->GetCredentials(&domain, &user, &password);
    to->SetCredentials(domain, user, password);
}

// The credentials already entered for a share in the browser: its own, else its server's.
const CNetLeaf* KnownAccount(const CNetLeaf* share)
{
    if (!share)
        return nullptr;
    if (HasCredentials(share))
        return share;
    auto* server = dynamic_cast<const CNetLeaf*>(share->GetParentLeaf());
    return server && HasCredentials(server) ? server : nullptr;
}

// "\\SERVER\QUEUE" -> "\\SERVER" and "QUEUE", split at the last backslash.
void SplitPath(const QString& path, QString* server, QString* queue)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('\\'));
    *server = cut >= 0 ? path.left(cut) : QString();
    *queue = cut >= 0 ? path.mid(cut + 1) : path;
}

CNetLeaf* ChildByRemoteName(CAlertLeaf* parent, const QString& remote)
{
    for (CAlertLeaf* child = parent->GetFirstChild(); child; child = child->GetNextSibling()) {
        auto* net = dynamic_cast<CNetLeaf*>(child);
        if (net && net->GetRemoteName().compare(remote, Qt::CaseInsensitive) == 0)
            return net;
    }
    return nullptr;
}

// Registry texts are read back through a 128-byte buffer: longer texts are cut whole characters.
QString RegText(const QString& text)
{
    return QString::fromUtf8(Records::CutUtf8(text.toUtf8(), kRegTextBytes));
}
} // namespace

CTicketDlg::CTicketDlg(CTicketMethodLeaf* method, QWidget* parent)
    : QDialog(parent), m_method(method)
{
    setWindowTitle(Res::DialogCaption(kDialogId));

    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(Res::ControlText(kDialogId, IDC_COMPANY, Res::CtrlText::Group), this);
    auto* form = new QFormLayout(group);
    m_company = DialogControls::AddLabeledEdit(group, form, kDialogId, IDC_COMPANY);
    m_location = DialogControls::AddLabeledEdit(group, form, kDialogId, IDC_LOCATION);
    m_header = DialogControls::AddLabeledEdit(group, form, kDialogId, IDC_HEADER);
    m_company->setMaxLength(kMaxCompany);
    m_location->setMaxLength(kMaxLocation);
    m_header->setMaxLength(kMaxHeader);
    layout->addWidget(group);

    m_recipient = DialogControls::AddLabeledLineRow(this, layout, kDialogId, IDC_RECIPIENT);

    auto* trees = new QHBoxLayout();
    m_network = new CAlertTreeCtrl(this);
    m_network->setProperty("ctrlId", IDC_NETWORK);
    trees->addWidget(m_network, 1);
    auto* buttons = new QVBoxLayout();
    buttons->addStretch(1);
    m_add = DialogControls::AddButton(this, buttons, kDialogId, IDC_ADD);
    m_remove = DialogControls::AddButton(this, buttons, kDialogId, IDC_REMOVE);
    buttons->addStretch(1);
    trees->addLayout(buttons);
    m_chosen = new CAlertTreeCtrl(this);
    m_chosen->setProperty("ctrlId", IDC_CHOSEN);
    trees->addWidget(m_chosen, 1);
    layout->addLayout(trees, 1);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));
    resize(580, 460);

    connect(m_add, &QPushButton::clicked, this, &CTicketDlg::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &CTicketDlg::OnRemove);
    connect(m_recipient, &QLineEdit::textChanged, this, &CTicketDlg::UpdateButtons);
    connect(m_network, &CAlertTreeCtrl::selectionChangedNotify, this, &CTicketDlg::OnSelectionChanged);

    m_networkRoot = std::make_unique<CAlertLeaf>(m_network);
    m_chosenRoot = std::make_unique<CAlertLeaf>(m_chosen);
    if (CALTLeaf* table = m_method ? m_method->GetALTLeaf() : nullptr) {
        const QByteArray image = table->GetImage();
        m_header->setText(Records::FieldText(image.constData() + CALTLeaf::kTicketHeaderOffset,
                                             CALTLeaf::kTicketHeaderSize));
        m_company->setText(table->GetCompany());
        m_location->setText(table->GetLocation());
    }
    if (m_method)
        CopyRecipients<CTicketRecipientLeaf>(m_method, m_chosenRoot.get(), 0);
    CNetLeaf::InsertPrintNetworks(m_networkRoot.get());
    UpdateButtons();
}

CTicketDlg::~CTicketDlg()
{
    // The leaves (and the passwords they hold) go with their items before the widgets do.
    m_network->DeleteAllItems();
    m_chosen->DeleteAllItems();
}

void CTicketDlg::UpdateButtons()
{
    m_add->setEnabled(!m_recipient->text().isEmpty());
    m_remove->setEnabled(m_chosen->GetChildItem(TVI_ROOT) != nullptr);
}

void CTicketDlg::OnSelectionChanged(CAlertLeaf*, CAlertLeaf* newLeaf)
{
    auto* net = dynamic_cast<CNetLeaf*>(newLeaf);
    if (net && CAlertLeaf::IsLive(net) && net->GetResource().dwType == RESOURCETYPE_PRINT &&
        net->GetDisplayType() == RESOURCEDISPLAYTYPE_SHARE)
        m_recipient->setText(net->GetRemoteName());
    UpdateButtons();
}

bool CTicketDlg::EnsureCredentials(CNetLeaf* leaf)
{
    if (HasCredentials(leaf))
        return true;
    // A connection this console already holds to the machine (a server leaf's) stays as it is.
    leaf->SetSparesConnection(Network::IsConnected(CNetLeaf::MachineOf(leaf->GetRemoteName())));
    return leaf->Connect(1, QString(), 1) && HasCredentials(leaf);
}

CTicketRecipientLeaf* CTicketDlg::AddRecipient(const QString& path, const CNetLeaf& account)
{
    QString server, queue, domain, user, password;
    SplitPath(path, &server, &queue);
    account.GetCredentials(&domain, &user, &password);
    for (CAlertLeaf* child = m_chosenRoot->GetFirstChild(); child; child = child->GetNextSibling()) {
        auto* existing = dynamic_cast<CTicketRecipientLeaf*>(child);
        if (existing && existing->GetName() == server + QLatin1Char('\\') + queue) {
            // Adding a queue again is how its account is changed.
            existing->SetAccount(domain, user, password);
            return existing;
        }
    }
    auto* recipient = new CTicketRecipientLeaf;
    recipient->SetContextMenu(0);
    recipient->SetFields(server, queue, user, password);
    recipient->SetAccount(domain, user, password);
    if (!m_chosenRoot->InsertChild(recipient)) {
        delete recipient;
        return nullptr;
    }
    return recipient;
}

void CTicketDlg::OnAdd()
{
    auto* selected = dynamic_cast<CNetLeaf*>(m_network->GetSelectedLeaf());
    const QString provider = selected ? selected->GetProvider() : QString();
    QString path = m_recipient->text();
    // A typed path is a temporary leaf; otherwise the share chosen in the browser.
    std::unique_ptr<CNetLeaf> typed;
    CNetLeaf* share = selected;
    bool typedIsSelected = false;
    if (!path.isEmpty()) {
        path = CNetLeaf::UncName(path);
        typed = CNetLeaf::ForName(path, RESOURCETYPE_PRINT, RESOURCEDISPLAYTYPE_SHARE, provider);
        typedIsSelected = selected && selected->GetRemoteName().compare(path, Qt::CaseInsensitive) == 0;
        share = typed.get();
    }
    if (!share)
        return;

    const CNetLeaf* account = nullptr;
    std::unique_ptr<CNetLeaf> typedServer;
    if (share->IsMicrosoftProvider()) {
        // Credentials on the share itself; those already given in the browser are not asked again.
        if (const CNetLeaf* known = KnownAccount(typed ? (typedIsSelected ? selected : nullptr) : share))
            CopyCredentials(known, share);
        if (!EnsureCredentials(share))
            return;
        share->Expand();
        account = share;
    } else {
        // Other providers: credentials on the print server.
        CNetLeaf* server = nullptr;
        if (typed) {
            QString serverName, queue;
            SplitPath(path, &serverName, &queue);
            typedServer = CNetLeaf::ForName(serverName, RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_SERVER, provider);
            server = typedServer.get();
            if (typedIsSelected) {
                if (auto* parent = dynamic_cast<CNetLeaf*>(selected->GetParentLeaf()))
                    CopyCredentials(parent, server);
            }
        } else {
            server = dynamic_cast<CNetLeaf*>(share->GetParentLeaf());
            if (!server)
                return;
        }
        const bool asked = !HasCredentials(server);
        const QString shareName = share->GetRemoteName();
        if (!EnsureCredentials(server))
            return;
        if (asked && !typed) {
            // Connecting replaced the server's children: the share is found again by name.
            share = nullptr;
            server->Expand();
            share = ChildByRemoteName(server, shareName);
            if (!share) {
                QString user;
                server->GetCredentials(nullptr, &user, nullptr);
                AfxMessageBox(FormatString(IDS_PRINTER_NOT_USABLE, {user}) + QLatin1Char('\n') +
                                  FormatString(IDS_MACHINE_LINE, {server->GetRemoteName()}),
                              MB_OK | MB_ICONEXCLAMATION);
                return;
            }
        }
        account = server;
    }
    if (CTicketRecipientLeaf* added = AddRecipient(share->GetRemoteName(), *account))
        added->Select();
    UpdateButtons();
}

void CTicketDlg::OnRemove()
{
    if (HTREEITEM item = m_chosen->GetSelectedItem())
        m_chosen->DeleteItem(item);
    m_chosen->viewport()->update();
    UpdateButtons();
}

void CTicketDlg::accept()
{
    if (!m_method || !CAlertLeaf::IsLive(m_method)) {
        reject();
        return;
    }
    ReplaceRecipients<CTicketRecipientLeaf>(m_method, m_chosenRoot.get());
    if (CALTLeaf* table = m_method->GetALTLeaf()) {
        Records::PutField(reinterpret_cast<char*>(table->ImageData()) + CALTLeaf::kTicketHeaderOffset,
                          CALTLeaf::kTicketHeaderSize, m_header->text().left(kMaxHeader).toUtf8());
        table->SetCompany(RegText(m_company->text()));
        table->SetLocation(RegText(m_location->text()));
    }
    QDialog::accept();
}

// ---- the method leaf's side ---------------------------------------------------------------------

bool CTicketMethodLeaf::RunRecipientDialog()
{
    CTicketDlg dialog(this);
    if (UiHost::Current()->RunModal(&dialog) != IDOK)
        return false;
    m_dataSet = 1;
    return true;
}
