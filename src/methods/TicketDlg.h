#pragma once
// The trouble-ticket recipients dialog (158): the ticket header (company, location, header line)
// above, the network's print resources on the left and the chosen print queues on the right.
// Adding a queue asks for the account that connects to it; OK replaces the method leaf's queues,
// keeps the header line in the table's image and writes company and location at once.
#include "platform/WinTypes.h"

#include <QDialog>
#include <memory>

class CAlertLeaf;
class CAlertTreeCtrl;
class CNetLeaf;
class CTicketMethodLeaf;
class CTicketRecipientLeaf;
class QLineEdit;
class QPushButton;

class CTicketDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr UINT kDialogId = 158;
    static constexpr int IDC_COMPANY = 1037;
    static constexpr int IDC_LOCATION = 1038;
    static constexpr int IDC_HEADER = 1039;
    static constexpr int IDC_RECIPIENT = 1073;
    static constexpr int IDC_NETWORK = 1040;
    static constexpr int IDC_CHOSEN = 1041;
    static constexpr int IDC_ADD = 1042;
    static constexpr int IDC_REMOVE = 1043;
    static constexpr int kMaxCompany = 127;
    static constexpr int kMaxLocation = 127;
    static constexpr int kMaxHeader = 72;

    // Reads the header texts, copies the method's queues into the right tree and fills the
    // network tree with the print resources (with the wait cursor).
    explicit CTicketDlg(CTicketMethodLeaf* method, QWidget* parent = nullptr);
    ~CTicketDlg() override;

    // Replaces the method leaf's queues, stores the header line into the table's image and
    // writes company and location; closes as cancelled when the method leaf went away meanwhile.
    void accept() override;

    CAlertTreeCtrl* NetworkTree() const { return m_network; }
    CAlertTreeCtrl* ChosenTree() const { return m_chosen; }

    void OnAdd();
    void OnRemove();

private:
    void OnSelectionChanged(CAlertLeaf* oldLeaf, CAlertLeaf* newLeaf);
    void UpdateButtons();
    // Asks for the credentials `leaf` lacks (login dialog); false when cancelled or still none.
    static bool EnsureCredentials(CNetLeaf* leaf);
    // The queue with its account in the right tree; an existing one of that path takes the
    // account instead. The recipient, or null.
    CTicketRecipientLeaf* AddRecipient(const QString& path, const CNetLeaf& account);

    CTicketMethodLeaf* m_method;
    QLineEdit* m_company = nullptr;
    QLineEdit* m_location = nullptr;
    QLineEdit* m_header = nullptr;
    QLineEdit* m_recipient = nullptr;
    CAlertTreeCtrl* m_network = nullptr;
    CAlertTreeCtrl* m_chosen = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    std::unique_ptr<CAlertLeaf> m_networkRoot;
    std::unique_ptr<CAlertLeaf> m_chosenRoot;
};
