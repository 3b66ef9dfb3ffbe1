#include "network/ServerLogonDlg.h"

#include "framework/DialogControls.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "network/NetLeaf.h"
#include "network/NetLogonDlg.h"
#include "platform/Network.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/ServerLeaf.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstring>
#include <vector>

namespace {
// Only the Windows network's providers are offered.
} // namespace

CServerLogonDlg::CServerLogonDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(Res::DialogCaption(kDialogId));

    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout();
    m_tree = new CAlertTreeCtrl(this);
    m_tree->setProperty("ctrlId", IDC_NETWORK);
    auto* networkLabel = new QLabel(Res::ControlText(kDialogId, IDC_NETWORK, Res::CtrlText::Label), this);
    networkLabel->setBuddy(m_tree);
    left->addWidget(networkLabel);
    left->addWidget(m_tree, 1);
    m_expand = new QCheckBox(Res::ControlText(kDialogId, IDC_EXPAND), this);
    m_expand->setProperty("ctrlId", IDC_EXPAND);
    left->addWidget(m_expand);
    layout->addLayout(left, 1);

    auto* right = new QVBoxLayout();
    auto* form = new QFormLayout();
    m_server = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_SERVER);
    m_user = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_USER);
    m_password = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_PASSWORD);
    m_password->setEchoMode(QLineEdit::Password);
    right->addLayout(form);
    right->addStretch(1);
    right->addLayout(DialogControls::OkCancelRow(this, kDialogId));
    layout->addLayout(right, 1);
    connect(m_tree, &CAlertTreeCtrl::selectionChangedNotify, this, &CServerLogonDlg::OnSelectionChanged);

    m_expand->setChecked(ConsoleSettings::Get(ConsoleSettings::ExpandServer) != 0);
    m_user->setText(Network::LoggedOnUser());
    FillNetworkTree();
    m_server->setFocus();
}

CServerLogonDlg::~CServerLogonDlg()
{
    // The network leaves go with their items before the dialog's widgets do.
    if (m_tree)
        m_tree->DeleteAllItems();
}

void CServerLogonDlg::FillNetworkTree()
{
    CAlertLeaf root(m_tree);
    CNetLeaf::InsertMicrosoftNetworks(&root, m_expand->isChecked());
}

void CServerLogonDlg::OnSelectionChanged(CAlertLeaf*, CAlertLeaf* newLeaf)
{
    auto* net = dynamic_cast<CNetLeaf*>(newLeaf);
    if (net && CAlertLeaf::IsLive(net) && net->GetDisplayType() == RESOURCEDISPLAYTYPE_SERVER)
        m_server->setText(net->GetName());
}

QString CServerLogonDlg::AdminShareOf(const QString& serverName)
{
    if (serverName.startsWith(QStringLiteral("\\\\")))
        return serverName + QStringLiteral("\\ADMIN$");
    return QStringLiteral("\\\\") + serverName + QStringLiteral("\\ADMIN$");
}

void CServerLogonDlg::accept()
{
    m_serverName = m_server->text();
    const QString remote = AdminShareOf(m_serverName);
    DWORD rc;
    {
        CWaitCursor wait;
        const QByteArray remoteBytes = remote.toUtf8();
        const QByteArray user = m_user->text().toUtf8();
        const QByteArray password = m_password->text().toUtf8();
        NETRESOURCE nr{};
        nr.dwType = RESOURCETYPE_DISK;
        nr.lpLocalName = nullptr;
        nr.lpRemoteName = const_cast<char*>(remoteBytes.constData());
        nr.lpProvider = nullptr;
        // No user name means the logged-on user.
        rc = WNetAddConnection2(&nr, password.constData(), user.isEmpty() ? nullptr : user.constData(), 0);
    }
    if (rc != 0) {
        AfxMessageBox(LogonFailureText(rc), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_connectionName = remote;
    QDialog::accept();
}

void CServerLogonDlg::done(int result)
{
    ConsoleSettings::Set(ConsoleSettings::ExpandServer, m_expand->isChecked() ? 1 : 0);
    QDialog::done(result);
}

CServerLeaf* CServerLogonDlg::ConnectRemote(CAlertTreeCtrl* tree, QWidget* dialogParent)
{
    if (!tree)
        return nullptr;
    CServerLogonDlg dialog(dialogParent);
    if (UiHost::Current()->RunModal(&dialog) != IDOK)
        return nullptr;
    CWaitCursor wait;
    const CServerData data = CServerData::Make(CServerLeaf::MachineFromServerName(dialog.GetServerName()),
                                               dialog.GetConnectionName());
    CServerLeaf* leaf = CServerLeaf::CreateTopLevel(tree, data);
    if (leaf) {
        leaf->Select();
        tree->setFocus();
    }
    return leaf;
}
