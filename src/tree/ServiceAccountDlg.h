#pragma once
// The service-account dialog (178): the account the alert service of a machine logs on with,
// and the Microsoft Exchange server and mailbox it sends mail through. The account is tested
// on the machine before it is saved; a failed test or save keeps the dialog open.
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

// The 512-byte service account record exchanged with the configuration library: five
// zero-terminated 8-bit text fields of 48 bytes, the invalid-account flag, the rest reserved.
class CServiceAccountRecord {
public:
    static constexpr int kSize = 512;
    static constexpr int kFieldSize = 48;
    static constexpr int kDomainOffset = 0;
    static constexpr int kUserOffset = 48;
    static constexpr int kPasswordOffset = 96;
    static constexpr int kExchangeServerOffset = 144;
    static constexpr int kExchangeMailboxOffset = 192;
    static constexpr int kInvalidFlagOffset = 240;
    // Texts are cut to this many bytes so that every field keeps its terminator.
    static constexpr int kMaxTextBytes = kFieldSize - 1;

    CServiceAccountRecord();
    void Clear();

    QString Domain() const { return Text(kDomainOffset); }
    QString User() const { return Text(kUserOffset); }
    QByteArray Password() const { return Bytes(kPasswordOffset); }
    QString ExchangeServer() const { return Text(kExchangeServerOffset); }
    QString ExchangeMailbox() const { return Text(kExchangeMailboxOffset); }
    int32_t InvalidFlag() const;

    void SetDomain(const QString& text) { Put(kDomainOffset, text.toUtf8()); }
    void SetUser(const QString& text) { Put(kUserOffset, text.toUtf8()); }
    void SetPassword(const QByteArray& bytes) { Put(kPasswordOffset, bytes); }
    void SetExchangeServer(const QString& text) { Put(kExchangeServerOffset, text.toUtf8()); }
    void SetExchangeMailbox(const QString& text) { Put(kExchangeMailboxOffset, text.toUtf8()); }
    void SetInvalidFlag(int32_t flag);

    // The record's bytes, for the library calls.
    void* Data() { return m_bytes.data(); }
    const QByteArray& Bytes() const { return m_bytes; }

private:
    // A field's bytes up to its first NUL, never past the field.
    QByteArray Bytes(int offset) const;
    QString Text(int offset) const { return QString::fromUtf8(Bytes(offset)); }
    // At most kMaxTextBytes, cut on a character boundary, then zeros to the field's end.
    void Put(int offset, const QByteArray& text);

    QByteArray m_bytes;
};

class CServiceAccountDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr UINT kDialogId = 178;
    static constexpr int IDC_DOMAIN = 1048;
    static constexpr int IDC_USER = 1066;
    static constexpr int IDC_PASSWORD = 1067;
    static constexpr int IDC_EXCHANGE_SERVER = 1068;
    static constexpr int IDC_EXCHANGE_MAILBOX = 1069;
    static constexpr int IDC_EXCHANGE_SERVER_LABEL = 1070;
    static constexpr int IDC_EXCHANGE_MAILBOX_LABEL = 1071;
    static constexpr int IDC_EXCHANGE_NOTE = 1072;

    // Reads the machine's account at once; the boxes show it (the password as at signs).
    CServiceAccountDlg(const QString& machine, bool showExchange, bool invalidAccount,
                       QWidget* parent = nullptr);

    // OK: tests (when the service impersonates) and saves the account; stays open on failure.
    void accept() override;

    // The record as last read or built.
    const CServiceAccountRecord& Record() const { return m_record; }
    bool ExchangeShown() const { return m_showExchange; }

private:
    void BuildControls();
    QLineEdit* AddEdit(int ctrlId);

    QString m_machine;
    bool m_showExchange = false;
    bool m_invalidAccount = false;
    bool m_impersonate = true;
    CServiceAccountRecord m_record;
    // The stored password's length in characters, shown as that many at signs.
    int m_storedPasswordLength = 0;
    QByteArray m_storedPassword;

    QLineEdit* m_domain = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_exchangeServer = nullptr;
    QLineEdit* m_exchangeMailbox = nullptr;
    QLabel* m_serverLabel = nullptr;
    QLabel* m_mailboxLabel = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
