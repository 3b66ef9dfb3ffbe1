#pragma once
// The event-log recipients dialog (153): the Windows network on the left, the machines whose
// event logs receive alerts on the right. Adding a machine asks for the account that reaches its
// administrative share and tests it; OK replaces the method leaf's recipients by the chosen ones.
#include "platform/WinTypes.h"

#include <QDialog>
#include <memory>

class CAlertLeaf;
class CAlertTreeCtrl;
class CEventLogMethodLeaf;
class CEventLogRecipientLeaf;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CEventLogDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr UINT kDialogId = 153;
    static constexpr int IDC_RECIPIENT = 1073;
    static constexpr int IDC_NETWORK = 1023;
    static constexpr int IDC_CHOSEN = 1024;
    static constexpr int IDC_ADD = 1025;
    static constexpr int IDC_REMOVE = 1027;
    static constexpr int IDC_REMOVE_ALL = 1028;
    static constexpr int IDC_EXPAND = 1035;

    // Copies the method's recipients into the right tree and fills the network tree (with the
    // wait cursor).
    explicit CEventLogDlg(CEventLogMethodLeaf* method, QWidget* parent = nullptr);
    ~CEventLogDlg() override;

    // Replaces the method leaf's recipients by the chosen ones, without a write per removed
    // recipient; closes as cancelled when the method leaf went away meanwhile.
    void accept() override;

    CAlertTreeCtrl* NetworkTree() const { return m_network; }
    CAlertTreeCtrl* ChosenTree() const { return m_chosen; }

    void OnAdd();
    void OnRemove();
    void OnRemoveAll();

private:
    void OnSelectionChanged(CAlertLeaf* oldLeaf, CAlertLeaf* newLeaf);
    void UpdateButtons();
    // "\\NAME" of the machine whose service holds this table.
    QString ServiceMachine() const;
    // A recipient for the machine with the tested account; an existing one of that machine
    // takes the account instead. The recipient in the right tree, or null.
    CEventLogRecipientLeaf* AddRecipient(const QString& machine, const QString& domain, const QString& user,
                                         const QString& password);

    CEventLogMethodLeaf* m_method;
    CAlertTreeCtrl* m_network = nullptr;
    CAlertTreeCtrl* m_chosen = nullptr;
    QLineEdit* m_recipient = nullptr;
    QCheckBox* m_expand = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_removeAll = nullptr;
    std::unique_ptr<CAlertLeaf> m_networkRoot;
    std::unique_ptr<CAlertLeaf> m_chosenRoot;
};
