#include "network/NetLogonDlg.h"

#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_LOGON_FAILED = 5105;
constexpr UINT IDS_BAD_REMOTE_NAME = 5500;
constexpr UINT IDS_PROVIDER_BUSY = 5501;
constexpr UINT IDS_NETWORK_NOT_STARTED = 5502;
constexpr UINT IDS_NETWORK_NOT_CONNECTED = 5503;
constexpr UINT IDS_ACCEPT_CREDENTIALS = 5506;
// The comment the console gives the connections it makes for a login.
const char* const kLoginComment = "Tessaly Login";

bool Contains(const char* text, const char* part)
{
    return text && QByteArray(text).contains(part);
}

// "\\MACHINE\SHARE" -> machine and share (share empty when there is none); at most two leading
// backslashes are dropped.
void SplitRemote(const char* remote, QString* machine, QString* share)
{
    QString name = remote ? QString::fromUtf8(remote) : QString();
    for (int i = 0; i < 2 && name.startsWith(QLatin1Char('\\')); ++i)
        name.remove(0, 1);
    const qsizetype last = name.lastIndexOf(QLatin1Char('\\'));
    if (last >= 0) {
        *machine = name.left(last);
        *share = name.mid(last + 1);
    } else {
        *machine = name;
        share->clear();
    }
}

DWORD AddConnection(const QString& remote, const QString& user, const QString& password, bool keep)
{
    const QByteArray remoteBytes = remote.toUtf8();
    const QByteArray userBytes = user.toUtf8();
    const QByteArray passwordBytes = password.toUtf8();
    QByteArray local;
    QByteArray comment(kLoginComment);
    NETRESOURCE nr{};
    nr.dwScope = RESOURCE_GLOBALNET;
    nr.dwType = RESOURCETYPE_DISK;
    nr.dwDisplayType = RESOURCEDISPLAYTYPE_GENERIC;
    nr.dwUsage = RESOURCEUSAGE_CONNECTABLE;
    nr.lpLocalName = local.data();
    nr.lpRemoteName = const_cast<char*>(remoteBytes.constData());
    nr.lpComment = comment.data();
    nr.lpProvider = nullptr;
    const DWORD rc = WNetAddConnection2(&nr, passwordBytes.constData(), userBytes.constData(), 0);
    if (rc == 0 && !keep)
        WNetCancelConnection2(remoteBytes.constData(), 0, 1);
    return rc;
}

QString QualifiedUser(const QString& domainOrMachine, const QString& user)
{
    return domainOrMachine + QLatin1Char('\\') + user;
}
} // namespace

QString LogonFailureText(DWORD code)
{
    QString text = FormatString(IDS_LOGON_FAILED, {CodeText(code)});
    switch (code) {
    case ERROR_BAD_NET_NAME: text += LoadString(IDS_BAD_REMOTE_NAME); break;
    case ERROR_BUSY: text += LoadString(IDS_PROVIDER_BUSY); break;
    case ERROR_NO_NET_OR_BAD_PATH: text += LoadString(IDS_NETWORK_NOT_STARTED); break;
    case ERROR_NO_NETWORK: text += LoadString(IDS_NETWORK_NOT_CONNECTED); break;
    default: break;
    }
    return text;
}

CNetLogonDlg::CNetLogonDlg(const NETRESOURCE* resource, bool keep, bool connectNow, QWidget* parent)
    : QDialog(parent)
    , m_resource(resource)
    , m_keep(keep)
    , m_connectNow(connectNow)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    m_microsoft = resource && Contains(resource->lpProvider, "icrosoft");
    m_netWare = resource && Contains(resource->lpProvider, "NetWare");

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    m_domain = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_DOMAIN);
    m_user = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_USER);
    m_password = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_PASSWORD);
    m_password->setEchoMode(QLineEdit::Password);
    layout->addLayout(form);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));

    // Only Microsoft networks know domains.
    if (!m_microsoft) {
        m_domain->setEnabled(false);
        m_user->setFocus();
    }
}

DWORD CNetLogonDlg::ConnectResource(const NETRESOURCE& resource, const QString& domain, const QString& user,
                                    const QString& password, bool keep)
{
    const bool microsoft = Contains(resource.lpProvider, "icrosoft");
    const bool netWare = Contains(resource.lpProvider, "NetWare");
    QString machine;
    QString share;
    if (microsoft && resource.dwDisplayType == RESOURCEDISPLAYTYPE_SERVER) {
        SplitRemote(resource.lpRemoteName, &machine, &share);
        const QString remote = share.isEmpty() ? QStringLiteral("\\\\") + machine
                                               : QStringLiteral("\\\\") + machine + QLatin1Char('\\') + share;
        return AddConnection(remote, QualifiedUser(domain.isEmpty() ? machine : domain, user), password, keep);
    }
    if (netWare) {
        SplitRemote(resource.lpRemoteName, &machine, &share);
        return AddConnection(machine, user, password, keep);
    }
    const QByteArray userBytes = user.toUtf8();
    const QByteArray passwordBytes = password.toUtf8();
    // No user name means the logged-on user.
    DWORD rc = WNetAddConnection2(&resource, passwordBytes.constData(),
                                  userBytes.isEmpty() ? nullptr : userBytes.constData(), 0);
    if (rc != 0) {
        SplitRemote(resource.lpRemoteName, &machine, &share);
        const QByteArray qualified = QualifiedUser(domain.isEmpty() ? machine : domain, user).toUtf8();
        rc = WNetAddConnection2(&resource, passwordBytes.constData(), qualified.constData(), 0);
    }
    return rc;
}

void CNetLogonDlg::accept()
{
    m_domainText = m_domain->text();
    m_userText = m_user->text();
    m_passwordText = m_password->text();
    if (!m_connectNow || !m_resource) {
        QDialog::accept();
        return;
    }
    {
        CWaitCursor wait;
        m_lastResult = ConnectResource(*m_resource, m_domainText, m_userText, m_passwordText, m_keep);
    }
    if (m_lastResult == 0) {
        QDialog::accept();
        return;
    }
    if (m_lastResult == ERROR_SESSION_CREDENTIAL_CONFLICT) {
        if (AfxMessageBox(IDS_ACCEPT_CREDENTIALS, MB_YESNO | MB_ICONQUESTION) == IDYES)
            QDialog::accept();
        return;
    }
    // The failure names the machine: the dialog itself does not say which one it logs on to.
    QString text = LogonFailureText(m_lastResult);
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    QString machine, share;
    SplitRemote(m_resource->lpRemoteName, &machine, &share);
    AfxMessageBox(text + FormatString(IDS_MACHINE_LINE, {QStringLiteral("\\\\") + machine}),
                  MB_OK | MB_ICONEXCLAMATION);
}
