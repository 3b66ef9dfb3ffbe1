#pragma once
// The SMTP recipient dialog: an address and the name the tree shows for it.
#include "framework/Lifetime.h"
#include "platform/WinTypes.h"

#include <QDialog>

class QLineEdit;
class CSMTPRecipientLeaf;

class CSmtpRecipientDlg : public QDialog {
public:
    static constexpr UINT kDialogId = 10001;
    static constexpr int IDC_ADDRESS = 1000;
    static constexpr int IDC_DISPLAY_NAME = 1074;
    static constexpr int kAddressLimit = 130;
    static constexpr int kDisplayNameLimit = 64;

    CSmtpRecipientDlg(CSMTPRecipientLeaf* leaf, QWidget* parent = nullptr);

    // Runs the dialog on the leaf; on OK the leaf holds the typed values, is marked modified
    // and its method is told. Returns whether OK ended it.
    static bool Edit(CSMTPRecipientLeaf* leaf);

    void accept() override;

private:
    CWeakPtr<CSMTPRecipientLeaf> m_leaf;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_displayName = nullptr;
};
