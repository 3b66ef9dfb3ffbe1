#pragma once
// The SMTP settings of a machine (command 3046 on the SMTP method leaf, dialog 191): sender,
// subject, server and port, authentication and transport security, read from and written to
// the service's machine-wide settings record.
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QRadioButton;

// The 1228-byte settings record; the bytes the console does not use travel back as read.
class CSmtpSettingsRecord {
public:
    static constexpr int kSize = 1228;
    static constexpr int kSenderOffset = 0;
    static constexpr int kSubjectOffset = 256;
    static constexpr int kServerOffset = 512;
    static constexpr int kTextSize = 256;
    static constexpr int kUserOffset = 768;
    static constexpr int kUserSize = 150;
    static constexpr int kPasswordOffset = 918;
    static constexpr int kPasswordSize = 50;
    static constexpr int kAuthenticationOffset = 968;
    static constexpr int kPortOffset = 972;
    static constexpr int kSecurityOffset = 976;
    static constexpr uint32_t kSecurityNone = 0;
    static constexpr uint32_t kSecurityTls = 1;
    static constexpr uint32_t kSecuritySsl = 2;

    CSmtpSettingsRecord() : m_bytes(kSize, '\0') {}

    QString Text(int offset, int size) const;
    void SetText(int offset, int size, const QString& text);
    uint32_t U32(int offset) const;
    void SetU32(int offset, uint32_t value);
    char* Data() { return m_bytes.data(); }

private:
    QByteArray m_bytes;
};

class CSmtpSettingsDlg : public QDialog {
public:
    static constexpr UINT kDialogId = 191;
    static constexpr int IDC_SENDER = 1116;
    static constexpr int IDC_SERVER = 1117;
    static constexpr int IDC_SUBJECT = 1118;
    static constexpr int IDC_USER = 1119;
    static constexpr int IDC_PASSWORD = 1120;
    static constexpr int IDC_AUTHENTICATION = 1121;
    static constexpr int IDC_PORT = 1122;
    static constexpr int IDC_NONE = 1001;
    static constexpr int IDC_SSL = 1002;
    static constexpr int IDC_TLS = 1003;
    static constexpr int kSenderLimit = 130;
    static constexpr int kServerLimit = 64;
    static constexpr int kUserLimit = 130;
    static constexpr int kPasswordLimit = 48;
    static constexpr int kDefaultPort = 25;

    // Reads the record of machine; a failed read shows 5129 and the dialog does not open.
    // OK writes it (a failed write shows 5130 and keeps the dialog open with what was typed).
    // Returns whether the settings were written.
    static bool Edit(const QString& machine);

    CSmtpSettingsDlg(const QString& machine, const CSmtpSettingsRecord& record, QWidget* parent = nullptr);
    void accept() override;

private:
    void ApplyAuthentication();

    QString m_machine;
    CSmtpSettingsRecord m_record;
    QLineEdit* m_sender = nullptr;
    QLineEdit* m_subject = nullptr;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_authentication = nullptr;
    QRadioButton* m_none = nullptr;
    QRadioButton* m_ssl = nullptr;
    QRadioButton* m_tls = nullptr;
};
