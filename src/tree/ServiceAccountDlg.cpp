#include "tree/ServiceAccountDlg.h"

#include "extern/Tarnix.h"
#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "res/Resources.h"
#include "tree/MessageText.h"
#include "tree/RegUtil.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

namespace {
constexpr UINT IDS_ACCOUNT_TEST_FAILED = 5122;
constexpr UINT IDS_ACCOUNT_SAVE_FAILED = 5121;
constexpr char kPasswordMaskChar = '@';

void SetCtrlId(QWidget* w, int id)
{
    w->setProperty("ctrlId", id);
}
} // namespace

// ---- record -------------------------------------------------------------------------------------

CServiceAccountRecord::CServiceAccountRecord()
    : m_bytes(kSize, '\0')
{
}

void CServiceAccountRecord::Clear()
{
    m_bytes.fill('\0', kSize);
}

QByteArray CServiceAccountRecord::Bytes(int offset) const
{
    const char* field = m_bytes.constData() + offset;
    const void* nul = std::memchr(field, 0, kFieldSize);
    const qsizetype n = nul ? static_cast<const char*>(nul) - field : kFieldSize;
    return QByteArray(field, n);
}

void CServiceAccountRecord::Put(int offset, const QByteArray& text)
{
    qsizetype n = qMin<qsizetype>(text.size(), kMaxTextBytes);
    // Never end inside a multi-byte character.
    if (n < text.size()) {
        while (n > 0 && (uchar(text.at(n)) & 0xC0) == 0x80)
            --n;
    }
    char* field = m_bytes.data() + offset;
    std::memset(field, 0, kFieldSize);
    std::memcpy(field, text.constData(), size_t(n));
}

int32_t CServiceAccountRecord::InvalidFlag() const
{
    const auto* p = reinterpret_cast<const uchar*>(m_bytes.constData() + kInvalidFlagOffset);
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void CServiceAccountRecord::SetInvalidFlag(int32_t flag)
{
    const auto v = uint32_t(flag);
    char* p = m_bytes.data() + kInvalidFlagOffset;
    p[0] = char(v & 0xFF);
    p[1] = char((v >> 8) & 0xFF);
    p[2] = char((v >> 16) & 0xFF);
    p[3] = char((v >> 24) & 0xFF);
}

// ---- dialog -------------------------------------------------------------------------------------

CServiceAccountDlg::CServiceAccountDlg(const QString& machine, bool showExchange, bool invalidAccount,
                                       QWidget* parent)
    : QDialog(parent)
    , m_machine(machine)
    , m_showExchange(showExchange)
    , m_invalidAccount(invalidAccount)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    m_impersonate = ReadRegDword(QStringLiteral("Service"), QString(), QStringLiteral("Impersonate"), 1) != 0;
    BuildControls();

    m_record.Clear();
    const QByteArray machineBytes = m_machine.toUtf8();
    if (AlertGetAccountInfo(machineBytes.constData(), m_record.Data()) == 0) {
        m_domain->setText(m_record.Domain());
        m_user->setText(m_record.User());
        m_exchangeServer->setText(m_record.ExchangeServer());
        m_exchangeMailbox->setText(m_record.ExchangeMailbox());
        // The password itself is never shown; one at sign stands for each of its characters.
        m_storedPassword = m_record.Password();
        m_storedPasswordLength = int(QString::fromUtf8(m_storedPassword).size());
        m_password->setText(QString(m_storedPasswordLength, QLatin1Char(kPasswordMaskChar)));
    } else {
        m_record.Clear();
    }

    if (!m_impersonate) {
        m_domain->setEnabled(false);
        m_user->setEnabled(false);
        m_password->setEnabled(false);
    }
    if (!m_showExchange) {
        m_serverLabel->setEnabled(false);
        m_mailboxLabel->setEnabled(false);
        m_exchangeServer->setEnabled(false);
        m_exchangeMailbox->setEnabled(false);
        // The buttons and the bottom edge move up by the height of the hidden text.
        m_note->setVisible(false);
    }
    adjustSize();
}

QLineEdit* CServiceAccountDlg::AddEdit(int ctrlId)
{
    auto* edit = new QLineEdit(this);
    SetCtrlId(edit, ctrlId);
    // The record's 48-byte fields keep room for their terminator.
    edit->setMaxLength(CServiceAccountRecord::kMaxTextBytes);
    return edit;
}

void CServiceAccountDlg::BuildControls()
{
    auto* layout = new QVBoxLayout(this);

    auto* accountGroup = new QGroupBox(Res::ControlText(kDialogId, IDC_DOMAIN, Res::CtrlText::Group), this);
    auto* accountForm = new QFormLayout(accountGroup);
    m_domain = AddEdit(IDC_DOMAIN);
    m_user = AddEdit(IDC_USER);
    m_password = AddEdit(IDC_PASSWORD);
    m_password->setEchoMode(QLineEdit::Password);
    for (auto [edit, id] : {std::pair{m_domain, IDC_DOMAIN}, std::pair{m_user, IDC_USER},
                            std::pair{m_password, IDC_PASSWORD}}) {
        auto* label = new QLabel(Res::ControlText(kDialogId, UINT(id), Res::CtrlText::Label), accountGroup);
        label->setBuddy(edit);
        accountForm->addRow(label, edit);
    }
    layout->addWidget(accountGroup);

    auto* exchangeGroup =
        new QGroupBox(Res::ControlText(kDialogId, IDC_EXCHANGE_SERVER, Res::CtrlText::Group), this);
    auto* exchangeLayout = new QVBoxLayout(exchangeGroup);
    auto* exchangeForm = new QFormLayout();
    m_exchangeServer = AddEdit(IDC_EXCHANGE_SERVER);
    m_exchangeMailbox = AddEdit(IDC_EXCHANGE_MAILBOX);
    m_serverLabel = new QLabel(Res::ControlText(kDialogId, IDC_EXCHANGE_SERVER_LABEL), exchangeGroup);
    SetCtrlId(m_serverLabel, IDC_EXCHANGE_SERVER_LABEL);
    m_serverLabel->setBuddy(m_exchangeServer);
    m_mailboxLabel = new QLabel(Res::ControlText(kDialogId, IDC_EXCHANGE_MAILBOX_LABEL), exchangeGroup);
    SetCtrlId(m_mailboxLabel, IDC_EXCHANGE_MAILBOX_LABEL);
    m_mailboxLabel->setBuddy(m_exchangeMailbox);
    exchangeForm->addRow(m_serverLabel, m_exchangeServer);
    exchangeForm->addRow(m_mailboxLabel, m_exchangeMailbox);
    exchangeLayout->addLayout(exchangeForm);
    m_note = new QLabel(Res::ControlText(kDialogId, IDC_EXCHANGE_NOTE), this);
    SetCtrlId(m_note, IDC_EXCHANGE_NOTE);
    m_note->setWordWrap(true);
    layout->addWidget(exchangeGroup);
    layout->addWidget(m_note);

    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId, &m_ok, &m_cancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CServiceAccountDlg::accept()
{
    const QByteArray machineBytes = m_machine.toUtf8();
    int32_t rc = 0;
    {
        CWaitCursor wait;
        m_record.SetDomain(m_domain->text());
        m_record.SetUser(m_user->text());
        // Untouched at signs keep the stored password.
        const QString mask(m_storedPasswordLength, QLatin1Char(kPasswordMaskChar));
        if (m_password->text() != mask)
            m_record.SetPassword(m_password->text().toUtf8());
        else
            m_record.SetPassword(m_storedPassword);
        m_record.SetExchangeServer(m_exchangeServer->text());
        m_record.SetExchangeMailbox(m_exchangeMailbox->text());
        m_record.SetInvalidFlag(m_invalidAccount ? 1 : 0);
        if (m_impersonate)
            rc = AlertTestAccountInfo(machineBytes.constData(), m_record.Data());
    }
    if (rc != 0) {
        AfxMessageBox(FormatString(IDS_ACCOUNT_TEST_FAILED, {m_machine, m_record.User(), CodeText(rc)}),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    rc = AlertSetAccountInfo(machineBytes.constData(), m_record.Data());
    if (rc != 0) {
        AfxMessageBox(FormatString(IDS_ACCOUNT_SAVE_FAILED, {m_machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    QDialog::accept();
}
