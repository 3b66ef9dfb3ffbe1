#include "methods/SmtpDlg.h"

#include "framework/Commands.h"
#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "methods/MethodLeaf.h"
#include "methods/SmtpSettingsDlg.h"
#include "tree/ALTLeaf.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

#include <QApplication>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_SAMPLE_ADDRESS = 6104;
constexpr UINT IDS_SAMPLE_DISPLAY_NAME = 6105;

QString TextOr(UINT id, const char* fallback)
{
    const QString text = LoadString(id);
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}
} // namespace

CSmtpRecipientDlg::CSmtpRecipientDlg(CSMTPRecipientLeaf* leaf, QWidget* parent) : QDialog(parent), m_leaf(leaf)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    m_address = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_ADDRESS);
    m_address->setMaxLength(kAddressLimit);
    m_displayName = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_DISPLAY_NAME);
    m_displayName->setMaxLength(kDisplayNameLimit);
    m_address->setMinimumWidth(m_address->fontMetrics().averageCharWidth() * 40);
    layout->addLayout(form);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));
    m_address->setText(leaf->GetAddress());
    m_displayName->setText(leaf->GetDisplayName());
    // Typing replaces what is shown (the samples of a new recipient); Tab selects the name.
    m_address->setFocus();
    m_address->selectAll();
}

void CSmtpRecipientDlg::accept()
{
    CSMTPRecipientLeaf* leaf = m_leaf.Get();
    if (!leaf) {
        AfxMessageBox(IDS_EDITED_ITEM_GONE, MB_OK | MB_ICONEXCLAMATION);
        reject();
        return;
    }
    // The limits keep both inside their record fields.
    const QString address = m_address->text().left(kAddressLimit);
    if (address.trimmed().isEmpty() || !address.contains(QLatin1Char('@'))) {
        AfxMessageBox(address.trimmed().isEmpty() ? LoadString(IDS_SMTP_ADDRESS_EMPTY)
                                                  : FormatString(IDS_SMTP_ADDRESS_NO_AT, {address}),
                      MB_OK | MB_ICONEXCLAMATION);
        m_address->setFocus();
        m_address->selectAll();
        return;
    }
    const QString displayName = m_displayName->text().left(kDisplayNameLimit);
    leaf->SetFields(address, displayName);
    leaf->SetName(address);
    leaf->SetName(displayName);
    QDialog::accept();
}

bool CSmtpRecipientDlg::Edit(CSMTPRecipientLeaf* leaf)
{
    if (!leaf)
        return false;
    CWeakPtr<CSMTPRecipientLeaf> guard(leaf);
    CSmtpRecipientDlg dialog(leaf, QApplication::activeWindow());
    if (UiHost::Current()->RunModal(&dialog) != IDOK || !guard)
        return false;
    leaf->AfterEdit();
    return true;
}

// ---- the leaves' dialog commands ----------------------------------------------------------------

BEGIN_MESSAGE_MAP(CSMTPMethodLeaf, CMethodLeaf)
    ON_COMMAND(ID_EDIT_NEW, OnNewRecipient)
    ON_COMMAND(ID_SMTP_SETTINGS, OnSmtpSettings)
    ON_UPDATE_COMMAND_UI(ID_SMTP_SETTINGS, OnUpdateSmtpSettings)
END_MESSAGE_MAP()

void CSMTPMethodLeaf::OnSmtpSettings()
{
    // The settings belong to the machine of the table; nothing of this leaf is used once the
    // dialog has run.
    if (CALTLeaf* table = GetALTLeaf<CALTLeaf>())
        CSmtpSettingsDlg::Edit(table->GetMachine());
}

void CSMTPMethodLeaf::OnUpdateSmtpSettings(CCmdUI* pUI)
{
    pUI->Enable(IsEnabled() && GetALTLeaf<CALTLeaf>() != nullptr);
}

void CSMTPMethodLeaf::OnNewRecipient()
{
    NewItem(0, 0, 0);
}

void CSMTPMethodLeaf::NewItem(UINT, int, int)
{
    auto* leaf = new CSMTPRecipientLeaf;
    leaf->SetFields(TextOr(IDS_SAMPLE_ADDRESS, "someone@example.com"),
                    TextOr(IDS_SAMPLE_DISPLAY_NAME, "Recipient"));
    InsertAndEdit(leaf, [](CRecipientLeaf* r) { return CSmtpRecipientDlg::Edit(static_cast<CSMTPRecipientLeaf*>(r)); });
}

BEGIN_MESSAGE_MAP(CSMTPRecipientLeaf, CRecipientLeaf)
    ON_COMMAND(ID_EDIT_EDIT, OnEdit)
END_MESSAGE_MAP()

void CSMTPRecipientLeaf::OnEdit()
{
    CSmtpRecipientDlg::Edit(this);
}

void CSMTPRecipientLeaf::OnDoubleClick(UINT, int, int)
{
    CSmtpRecipientDlg::Edit(this);
}
