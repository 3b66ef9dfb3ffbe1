#pragma once
// The Notes settings of a machine (command 3038 on the Notes method leaf, dialog 183): the
// client's installation path and the account the service mails with, read from and written to
// the service's machine-wide settings record.
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;

class CNotesSettingsDlg : public QDialog {
public:
    static constexpr UINT kDialogId = 183;
    static constexpr int IDC_ID_FILE = 1105;
    static constexpr int IDC_PASSWORD = 1106;
    static constexpr int IDC_MAIL_SERVER = 1107;
    static constexpr int IDC_INSTALL_PATH = 1108;
    static constexpr int IDC_MAIL_FILE = 1109;
    static constexpr int IDC_USER_ACCOUNT = 1110;
    // The 912-byte record.
    static constexpr int kSize = 912;
    static constexpr int kIdFileOffset = 0;
    static constexpr int kPasswordOffset = 48;
    static constexpr int kShortSize = 48;
    static constexpr int kInstallPathOffset = 96;
    static constexpr int kMailServerOffset = 352;
    static constexpr int kMailFileOffset = 608;
    static constexpr int kLongSize = 256;
    static constexpr int kFlagOffset = 864;

    enum class Outcome { NotRead, Cancelled, Written };

    // Reads the record of machine (a failed read shows 5126 and nothing opens); OK writes it (a
    // failed write shows 5128 and keeps the dialog open). *pathChanged tells whether a written
    // record names another installation path than before.
    static Outcome Edit(const QString& machine, bool* pathChanged);

    CNotesSettingsDlg(const QString& machine, const QByteArray& record, QWidget* parent = nullptr);
    void accept() override;
    QByteArray Record() const { return m_record; }

private:
    void ApplyUserAccount();

    QString m_machine;
    QByteArray m_record;
    QLineEdit* m_installPath = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_userAccount = nullptr;
    QLineEdit* m_idFile = nullptr;
    QLineEdit* m_mailServer = nullptr;
    QLineEdit* m_mailFile = nullptr;
};
