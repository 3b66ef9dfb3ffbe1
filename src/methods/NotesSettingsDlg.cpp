#include "methods/NotesSettingsDlg.h"

#include "extern/Tarnix.h"
#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "records/ByteField.h"
#include "res/Resources.h"
#include "tree/MessageText.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_NOTES_READ_FAILED = 5126;
constexpr UINT IDS_NOTES_WRITE_FAILED = 5128;
constexpr int kShortLimit = 47;
constexpr int kLongLimit = 255;
} // namespace

CNotesSettingsDlg::CNotesSettingsDlg(const QString& machine, const QByteArray& record, QWidget* parent)
    : QDialog(parent), m_machine(machine), m_record(record.leftJustified(kSize, '\0', true))
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout();
    m_installPath = DialogControls::AddLabeledEdit(this, top, kDialogId, IDC_INSTALL_PATH);
    m_password = DialogControls::AddLabeledEdit(this, top, kDialogId, IDC_PASSWORD);
    m_password->setEchoMode(QLineEdit::Password);
    m_installPath->setMinimumWidth(m_installPath->fontMetrics().averageCharWidth() * 45);
    layout->addLayout(top);
    m_userAccount = new QCheckBox(Res::ControlText(kDialogId, IDC_USER_ACCOUNT), this);
    m_userAccount->setProperty("ctrlId", IDC_USER_ACCOUNT);
    layout->addWidget(m_userAccount);
    auto* account = new QFormLayout();
    m_idFile = DialogControls::AddLabeledEdit(this, account, kDialogId, IDC_ID_FILE);
    m_mailServer = DialogControls::AddLabeledEdit(this, account, kDialogId, IDC_MAIL_SERVER);
    m_mailFile = DialogControls::AddLabeledEdit(this, account, kDialogId, IDC_MAIL_FILE);
    layout->addLayout(account);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Each text keeps within its record field, whatever its characters take in UTF-8.
    for (auto [edit, limit] : {std::pair{m_installPath, kLongLimit}, std::pair{m_password, kShortLimit},
                               std::pair{m_idFile, kShortLimit}, std::pair{m_mailServer, kLongLimit},
                               std::pair{m_mailFile, kLongLimit}}) {
        edit->setMaxLength(limit);
        DialogControls::LimitBytes(edit, limit);
    }

    const char* r = m_record.constData();
    m_installPath->setText(Records::FieldText(r + kInstallPathOffset, kLongSize));
    m_password->setText(Records::FieldText(r + kPasswordOffset, kShortSize));
    m_idFile->setText(Records::FieldText(r + kIdFileOffset, kShortSize));
    m_mailServer->setText(Records::FieldText(r + kMailServerOffset, kLongSize));
    m_mailFile->setText(Records::FieldText(r + kMailFileOffset, kLongSize));
    m_userAccount->setChecked(Records::U16At(r + kFlagOffset) == 0);
    ApplyUserAccount();
    connect(m_userAccount, &QCheckBox::clicked, this, [this] { ApplyUserAccount(); });
}

void CNotesSettingsDlg::ApplyUserAccount()
{
    const bool on = m_userAccount->isChecked();
    m_idFile->setEnabled(on);
    m_mailServer->setEnabled(on);
    m_mailFile->setEnabled(on);
}

void CNotesSettingsDlg::accept()
{
    QByteArray record = m_record;
    char* r = record.data();
    Records::PutField(r + kIdFileOffset, kShortSize, m_idFile->text().toUtf8());
    Records::PutField(r + kPasswordOffset, kShortSize, m_password->text().toUtf8());
    Records::PutField(r + kInstallPathOffset, kLongSize, m_installPath->text().toUtf8());
    Records::PutField(r + kMailServerOffset, kLongSize, m_mailServer->text().toUtf8());
    Records::PutField(r + kMailFileOffset, kLongSize, m_mailFile->text().toUtf8());
    Records::PutU16(r + kFlagOffset, m_userAccount->isChecked() ? 0 : 1);
    const QByteArray machine = m_machine.toUtf8();
    const int32_t rc = AlertSetNotesAccountInfo(machine.constData(), r);
    if (rc != 0) {
        // What was typed stays in the dialog, to try again or cancel.
        AfxMessageBox(FormatString(IDS_NOTES_WRITE_FAILED, {m_machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_record = record;
    QDialog::accept();
}

CNotesSettingsDlg::Outcome CNotesSettingsDlg::Edit(const QString& machine, bool* pathChanged)
{
    if (pathChanged)
        *pathChanged = false;
    QByteArray record(kSize, '\0');
    int32_t rc = 0;
    {
        CWaitCursor wait;
        rc = AlertGetNotesAccountInfo(machine.toUtf8().constData(), record.data());
    }
    if (rc != 0 && rc != 2) {
        AfxMessageBox(FormatString(IDS_NOTES_READ_FAILED, {machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
        return Outcome::NotRead;
    }
    if (rc == 2)
        record.fill('\0');
    const QString oldPath = Records::FieldText(record.constData() + kInstallPathOffset, kLongSize);
    CNotesSettingsDlg dialog(machine, record, QApplication::activeWindow());
    if (UiHost::Current()->RunModal(&dialog) != IDOK)
        return Outcome::Cancelled;
    if (pathChanged)
        *pathChanged = Records::FieldText(dialog.Record().constData() + kInstallPathOffset, kLongSize) != oldPath;
    return Outcome::Written;
}
