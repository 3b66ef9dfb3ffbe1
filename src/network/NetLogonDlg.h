#pragma once
// The network login dialog (160): domain, user name and password for a network resource that
// cannot be opened with the current credentials, and the connection made with them.
#include "platform/Network.h"

#include <QDialog>
#include <QString>

class QLineEdit;

// The text shown when a logon fails: string 5105 with the code, then the reason for the codes
// that have one (67, 170, 1203, 1222).
QString LogonFailureText(DWORD code);

class CNetLogonDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr UINT kDialogId = 160;
    static constexpr int IDC_DOMAIN = 1048;
    static constexpr int IDC_USER = 1046;
    static constexpr int IDC_PASSWORD = 1047;

    // resource: the resource to connect (not owned; must outlive the dialog). keep: whether
    // the connection stays after the check. connectNow: whether OK connects at all.
    CNetLogonDlg(const NETRESOURCE* resource, bool keep, bool connectNow, QWidget* parent = nullptr);

    // Connects with the entered credentials; stays open when that fails (unless the user
    // accepts credentials that could not be verified).
    void accept() override;

    QString Domain() const { return m_domainText; }
    QString User() const { return m_userText; }
    QString Password() const { return m_passwordText; }
    // The code of the last connection attempt (0 before any).
    DWORD LastResult() const { return m_lastResult; }

    // The connection the dialog makes for a resource with the given credentials; 0 or the
    // network's code. Exposed for the callers that connect without showing the dialog.
    static DWORD ConnectResource(const NETRESOURCE& resource, const QString& domain, const QString& user,
                                 const QString& password, bool keep);

private:
    const NETRESOURCE* m_resource;
    bool m_keep;
    bool m_connectNow;
    bool m_microsoft = false;
    bool m_netWare = false;
    QLineEdit* m_domain = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QString m_domainText;
    QString m_userText;
    QString m_passwordText;
    DWORD m_lastResult = 0;
};
