#pragma once
// The server logon dialog (152): picks a machine from the network (or by name), logs on to its
// administrative share \\NAME\ADMIN$ with a user name and password, and keeps the connection
// for the server leaf that the caller creates.
#include "platform/WinTypes.h"

#include <QDialog>
#include <QString>

class CAlertTreeCtrl;
class CAlertLeaf;
class CServerLeaf;
class QCheckBox;
class QLineEdit;

class CServerLogonDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr UINT kDialogId = 152;
    static constexpr int IDC_NETWORK = 1019;
    static constexpr int IDC_SERVER = 1020;
    static constexpr int IDC_USER = 1021;
    static constexpr int IDC_PASSWORD = 1022;
    static constexpr int IDC_EXPAND = 1029;

    // Fills the network tree at once (with the wait cursor).
    explicit CServerLogonDlg(QWidget* parent = nullptr);
    ~CServerLogonDlg() override;

    // OK: connects to the server's administrative share; stays open with the reason when that
    // fails.
    void accept() override;
    // Both ways of closing write the expand-by-default box back to its setting.
    void done(int result) override;

    // The server name as entered ("NAME" or "\\NAME").
    QString GetServerName() const { return m_serverName; }
    // The resource connected on OK ("\\NAME\ADMIN$").
    QString GetConnectionName() const { return m_connectionName; }
    CAlertTreeCtrl* NetworkTree() const { return m_tree; }

    // "\\NAME\ADMIN$" for "NAME" or "\\NAME".
    static QString AdminShareOf(const QString& serverName);
    // Command 3008 of the tree window: this dialog, then (on OK, under the wait cursor) a
    // top-level server leaf for the chosen machine, selected, with the focus in the tree.
    // Null when the dialog was cancelled or the machine is shown already.
    static CServerLeaf* ConnectRemote(CAlertTreeCtrl* tree, QWidget* dialogParent);

private:
    void FillNetworkTree();
    void OnSelectionChanged(CAlertLeaf* oldLeaf, CAlertLeaf* newLeaf);

    CAlertTreeCtrl* m_tree = nullptr;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_expand = nullptr;
    QString m_serverName;
    QString m_connectionName;
};
