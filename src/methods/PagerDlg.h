#pragma once
// The pager dialog: owner, pager type, telephone number, pager and site ids, the two dial
// delays and the port configuration a pager recipient is dialled through. Used for new and for
// existing recipients.
#include "methods/MethodLeaf.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CPagerDlg : public QDialog {
public:
    static constexpr UINT kDialogId = 141;
    static constexpr int IDC_OWNER = 1002;
    static constexpr int IDC_NUMBER = 1003;
    static constexpr int IDC_TYPE = 1004;
    static constexpr int IDC_PAGER_ID = 1005;
    static constexpr int IDC_SITE_ID = 1006;
    static constexpr int IDC_CONNECTION_DELAY = 1008;
    static constexpr int IDC_MESSAGE_DELAY = 1010;
    static constexpr int IDC_PORT = 1011;
    static constexpr int kMaxDelay = 7;

    // Shows the leaf's values and fills the port list from the machine's port files (which
    // may show 5111 or 5118). The leaf is not touched after construction.
    explicit CPagerDlg(const CPagerRecipientLeaf* leaf, QWidget* parent = nullptr);

    // Runs the dialog on the leaf; on OK (and when the leaf still exists) the leaf takes the
    // values, is marked modified and its method writes. Returns whether that happened.
    static bool Edit(CPagerRecipientLeaf* leaf);

    // The values after OK. A list without a selection keeps the stored type or port id, and a
    // delay whose spin was not moved keeps its stored text (which may be longer than the spin
    // shows).
    CPagerRecipientLeaf::Fields Result() const;

private:
    QLineEdit* AddEdit(class QFormLayout* form, int ctrlId, int maxBytes);
    QSpinBox* AddDelay(class QFormLayout* form, int ctrlId);
    void FillPorts(const CAlertLeaf* leaf, const QString& machine);
    void UpdateOk();

    CPagerRecipientLeaf::Fields m_stored;
    QLineEdit* m_owner = nullptr;
    QComboBox* m_type = nullptr;
    QLineEdit* m_number = nullptr;
    QLineEdit* m_pagerId = nullptr;
    QLineEdit* m_siteId = nullptr;
    QSpinBox* m_connectionDelay = nullptr;
    QSpinBox* m_messageDelay = nullptr;
    QComboBox* m_port = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_connectionMoved = false;
    bool m_messageMoved = false;
};
