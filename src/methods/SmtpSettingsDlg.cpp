#include "methods/SmtpSettingsDlg.h"

#include "extern/Tarnix.h"
#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "records/ByteField.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_SMTP_READ_FAILED = 5129;
constexpr UINT IDS_SMTP_WRITE_FAILED = 5130;
constexpr UINT IDS_SENDER_INVALID = 4022;
constexpr UINT IDS_SAMPLE_SENDER = 6106;
constexpr UINT IDS_SAMPLE_SUBJECT = 6107;
const QString kSenderRefused = QStringLiteral("*()<>{}");
constexpr int kMaxPort = 65535;

QString TextOr(UINT id, UINT builtinId)
{
    const QString text = LoadString(id);
    return text.isEmpty() ? LoadString(builtinId) : text;
}
} // namespace

// ---- record -------------------------------------------------------------------------------------

QString CSmtpSettingsRecord::Text(int offset, int size) const
{
    return Records::FieldText(m_bytes.constData() + offset, size);
}

void CSmtpSettingsRecord::SetText(int offset, int size, const QString& text)
{
    Records::PutField(m_bytes.data() + offset, size, text.toUtf8());
}

uint32_t CSmtpSettingsRecord::U32(int offset) const
{
    return Records::U32At(m_bytes.constData() + offset);
}

void CSmtpSettingsRecord::SetU32(int offset, uint32_t value)
{
    Records::PutU32(m_bytes.data() + offset, value);
}

// ---- dialog -------------------------------------------------------------------------------------

CSmtpSettingsDlg::CSmtpSettingsDlg(const QString& machine, const CSmtpSettingsRecord& record, QWidget* parent)
    : QDialog(parent), m_machine(machine), m_record(record)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    m_sender = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_SENDER);
    m_sender->setMaxLength(kSenderLimit);
    m_subject = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_SUBJECT);
    m_server = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_SERVER);
    m_server->setMaxLength(kServerLimit);
    m_port = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_PORT);
    m_port->setValidator(new QIntValidator(0, kMaxPort, m_port));
    m_port->setMaxLength(5);
    m_sender->setMinimumWidth(m_sender->fontMetrics().averageCharWidth() * 40);
    layout->addLayout(form);

    auto* security = new QGroupBox(Res::ControlText(kDialogId, IDC_NONE, Res::CtrlText::Group), this);
    auto* radios = new QHBoxLayout(security);
    m_none = new QRadioButton(Res::ControlText(kDialogId, IDC_NONE), security);
    m_ssl = new QRadioButton(Res::ControlText(kDialogId, IDC_SSL), security);
    m_tls = new QRadioButton(Res::ControlText(kDialogId, IDC_TLS), security);
    for (auto [button, id] : {std::pair{m_none, IDC_NONE}, std::pair{m_ssl, IDC_SSL}, std::pair{m_tls, IDC_TLS}}) {
        button->setProperty("ctrlId", id);
        radios->addWidget(button);
    }
    layout->addWidget(security);

    m_authentication = new QCheckBox(Res::ControlText(kDialogId, IDC_AUTHENTICATION), this);
    m_authentication->setProperty("ctrlId", IDC_AUTHENTICATION);
    layout->addWidget(m_authentication);
    auto* account = new QFormLayout();
    m_user = DialogControls::AddLabeledEdit(this, account, kDialogId, IDC_USER);
    m_user->setMaxLength(kUserLimit);
    m_password = DialogControls::AddLabeledEdit(this, account, kDialogId, IDC_PASSWORD);
    m_password->setMaxLength(kPasswordLimit);
    m_password->setEchoMode(QLineEdit::Password);
    layout->addLayout(account);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Every text stays inside its record field, whatever its characters take in UTF-8.
    using R = CSmtpSettingsRecord;
    DialogControls::LimitBytes(m_sender, R::kTextSize - 1);
    DialogControls::LimitBytes(m_subject, R::kTextSize - 1);
    DialogControls::LimitBytes(m_server, R::kTextSize - 1);
    DialogControls::LimitBytes(m_user, R::kUserSize - 1);
    DialogControls::LimitBytes(m_password, R::kPasswordSize - 1);

    QString sender = m_record.Text(R::kSenderOffset, R::kTextSize);
    if (sender.isEmpty())
        sender = TextOr(IDS_SAMPLE_SENDER, IDS_SMTP_SENDER_BUILTIN);
    QString subject = m_record.Text(R::kSubjectOffset, R::kTextSize);
    if (subject.isEmpty())
        subject = TextOr(IDS_SAMPLE_SUBJECT, IDS_SMTP_SUBJECT_BUILTIN);
    m_sender->setText(sender);
    m_subject->setText(subject);
    m_server->setText(m_record.Text(R::kServerOffset, R::kTextSize));
    const uint32_t port = m_record.U32(R::kPortOffset);
    m_port->setText(QString::number(port >= 1 && port <= uint32_t(kMaxPort) ? port : uint32_t(kDefaultPort)));
    m_user->setText(m_record.Text(R::kUserOffset, R::kUserSize));
    // The stored password is never shown; an untouched field keeps it.
    m_password->clear();
    m_password->setModified(false);
    m_authentication->setChecked(m_record.U32(R::kAuthenticationOffset) != 0);
    const uint32_t securityValue = m_record.U32(R::kSecurityOffset);
    (securityValue == R::kSecurityNone ? m_none : securityValue == R::kSecurityTls ? m_tls : m_ssl)->setChecked(true);
    ApplyAuthentication();
    connect(m_authentication, &QCheckBox::clicked, this, [this] { ApplyAuthentication(); });
}

void CSmtpSettingsDlg::ApplyAuthentication()
{
    const bool on = m_authentication->isChecked();
    m_user->setEnabled(on);
    m_password->setEnabled(on);
}

void CSmtpSettingsDlg::accept()
{
    using R = CSmtpSettingsRecord;
    const QString sender = m_sender->text();
    if (std::any_of(sender.begin(), sender.end(), [](QChar c) { return kSenderRefused.contains(c); })) {
        AfxMessageBox(IDS_SENDER_INVALID, MB_OK | MB_ICONEXCLAMATION);
        m_sender->setFocus();
        return;
    }
    bool portOk = false;
    const int port = m_port->text().toInt(&portOk);
    if (!portOk || port < 1 || port > kMaxPort) {
        AfxMessageBox(FormatString(IDS_FW_PARSE_INT_RANGE, {QStringLiteral("1"), QString::number(kMaxPort)}),
                      MB_OK | MB_ICONEXCLAMATION);
        m_port->setFocus();
        return;
    }
    CSmtpSettingsRecord record = m_record;
    record.SetText(R::kSenderOffset, R::kTextSize, sender);
    record.SetText(R::kSubjectOffset, R::kTextSize, m_subject->text());
    record.SetText(R::kServerOffset, R::kTextSize, m_server->text());
    record.SetText(R::kUserOffset, R::kUserSize, m_user->text());
    if (m_password->isModified())
        record.SetText(R::kPasswordOffset, R::kPasswordSize, m_password->text());
    record.SetU32(R::kPortOffset, uint32_t(port));
    record.SetU32(R::kSecurityOffset, m_none->isChecked() ? R::kSecurityNone
                                      : m_tls->isChecked() ? R::kSecurityTls
                                                           : R::kSecuritySsl);
    record.SetU32(R::kAuthenticationOffset, m_authentication->isChecked() ? 1 : 0);
    const QByteArray machine = m_machine.toUtf8();
    const int32_t rc = AlertSetSMTPConfigInfo(machine.constData(), record.Data());
    if (rc != 0) {
        // What was typed stays in the dialog, to try again or cancel.
        AfxMessageBox(FormatString(IDS_SMTP_WRITE_FAILED, {m_machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_record = record;
    QDialog::accept();
}

bool CSmtpSettingsDlg::Edit(const QString& machine)
{
    CSmtpSettingsRecord record;
    const QByteArray m = machine.toUtf8();
    const int32_t rc = AlertGetSMTPConfigInfo(m.constData(), record.Data());
    // No record yet (2) is a fresh start; any other failure would open on zeros that OK stores.
    if (rc != 0 && rc != 2) {
        AfxMessageBox(FormatString(IDS_SMTP_READ_FAILED, {machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (rc == 2)
        record = CSmtpSettingsRecord();
    CSmtpSettingsDlg dialog(machine, record, QApplication::activeWindow());
    return UiHost::Current()->RunModal(&dialog) == IDOK;
}
