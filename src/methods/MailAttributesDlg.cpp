#include "methods/MailAttributesDlg.h"

#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "platform/Drives.h"
#include "platform/World.h"
#include "records/ByteField.h"
#include "res/Resources.h"
#include "tree/ALTLeaf.h"

#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr UINT IDS_FILE_FILTER = 3509;
constexpr UINT IDS_DRIVE_NOT_SUPPORTED = 5507;
constexpr UINT IDS_OPEN_FILE_CAPTION = 9120;
constexpr int kMaxSubjectChars = 256;
constexpr int kMaxPathChars = 255;

// "Text (*.*) | *.* ||": description and pattern pairs with their spaces trimmed, in the form
// the file dialog takes.
QString FileDialogFilter()
{
    const QStringList parts = LoadString(IDS_FILE_FILTER).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (description.isEmpty() || pattern.isEmpty())
            continue;
        filters << (description.contains(QLatin1Char('(')) ? description
                                                            : description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}
} // namespace

// ---- image fields -----------------------------------------------------------------------------

MailAttributes MailAttributes::FromImage(const QByteArray& image)
{
    MailAttributes attributes;
    if (image.size() < CALTLeaf::kImageSize)
        return attributes;
    const char* p = image.constData();
    attributes.subject = Records::FieldText(p + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize);
    const int count = std::min<int>(Records::U16At(p + CALTLeaf::kAttachmentCountOffset), CALTLeaf::kMaxAttachments);
    for (int i = 0; i < count; ++i)
        attributes.attachments << Records::FieldText(p + CALTLeaf::kAttachmentsOffset + i * CALTLeaf::kAttachmentSize,
                                                     CALTLeaf::kAttachmentSize);
    return attributes;
}

void MailAttributes::ToImage(BYTE* image) const
{
    char* p = reinterpret_cast<char*>(image);
    Records::PutField(p + CALTLeaf::kSubjectOffset, CALTLeaf::kSubjectSize, subject.left(kMaxSubjectChars).toUtf8());
    const int count = std::min<int>(int(attachments.size()), CALTLeaf::kMaxAttachments);
    Records::PutU16(p + CALTLeaf::kAttachmentCountOffset, uint16_t(count));
    for (int i = 0; i < CALTLeaf::kMaxAttachments; ++i) {
        const QByteArray path = i < count ? attachments[i].left(kMaxPathChars).toUtf8() : QByteArray();
        Records::PutField(p + CALTLeaf::kAttachmentsOffset + i * CALTLeaf::kAttachmentSize, CALTLeaf::kAttachmentSize,
                          path);
    }
}

// ---- dialog -------------------------------------------------------------------------------------

CMailAttributesDlg::CMailAttributesDlg(const QString& machine, const MailAttributes& attributes, QWidget* parent)
    : QDialog(parent), m_machine(machine), m_result(attributes)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    m_subject = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_SUBJECT);
    m_subject->setMaxLength(kMaxSubjectChars);
    DialogControls::LimitBytes(m_subject, CALTLeaf::kSubjectSize - 1);
    m_subject->setMinimumWidth(m_subject->fontMetrics().averageCharWidth() * 50);
    layout->addLayout(form);

    auto* listLabel = new QLabel(Res::ControlText(kDialogId, IDC_ATTACHMENTS, Res::CtrlText::Label), this);
    m_list = new QListWidget(this);
    m_list->setProperty("ctrlId", IDC_ATTACHMENTS);
    m_list->setSortingEnabled(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listLabel->setBuddy(m_list);
    m_add = new QPushButton(Res::ControlText(kDialogId, IDC_ADD), this);
    m_add->setProperty("ctrlId", IDC_ADD);
    m_remove = new QPushButton(Res::ControlText(kDialogId, IDC_REMOVE), this);
    m_remove->setProperty("ctrlId", IDC_REMOVE);
    auto* grid = new QGridLayout();
    grid->addWidget(listLabel, 0, 0);
    grid->addWidget(m_list, 1, 0, 3, 1);
    grid->addWidget(m_add, 1, 1);
    grid->addWidget(m_remove, 2, 1);
    grid->setRowStretch(3, 1);
    layout->addLayout(grid);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));

    m_subject->setText(attributes.subject);
    for (const QString& path : attributes.attachments)
        m_list->addItem(path);
    connect(m_add, &QPushButton::clicked, this, [this] { AddFile(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { RemoveFiles(); });
    UpdateButtons();
}

void CMailAttributesDlg::UpdateButtons()
{
    m_add->setEnabled(m_list->count() < kMaxAttachments);
    m_remove->setEnabled(m_list->count() > 0);
}

void CMailAttributesDlg::AddFile()
{
    // The attachments are files of the service's machine: the dialog starts on its drive C.
    QString start;
    World::ResolvePathOn(m_machine, QStringLiteral("C:\\"), &start);
    QString path;
    if (!UiHost::Current()->GetOpenFileName(this, LoadString(IDS_OPEN_FILE_CAPTION), start, FileDialogFilter(), &path) ||
        path.isEmpty())
        return;
    // A host's dialog answers a path of the world; the service knows it by its Windows name.
    QString windowsPath;
    if (path.startsWith(QLatin1Char('/')) && World::WindowsPathOf(m_machine, path, &windowsPath))
        path = windowsPath;
    const QString root = path.left(1) + QStringLiteral(":\\");
    if (Files::GetDriveTypeOn(m_machine, root) != Files::DRIVE_FIXED) {
        AfxMessageBox(IDS_DRIVE_NOT_SUPPORTED, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (m_list->count() < kMaxAttachments)
        m_list->addItem(path);
    UpdateButtons();
}

void CMailAttributesDlg::RemoveFiles()
{
    QList<int> rows;
    for (QListWidgetItem* item : m_list->selectedItems())
        rows << m_list->row(item);
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    m_list->setUpdatesEnabled(false);
    for (int row : rows)
        delete m_list->takeItem(row);
    m_list->setUpdatesEnabled(true);
    UpdateButtons();
}

void CMailAttributesDlg::accept()
{
    m_result.subject = m_subject->text();
    m_result.attachments.clear();
    for (int row = 0; row < m_list->count(); ++row) {
        const QString text = m_list->item(row)->text();
        if (!text.isEmpty())
            m_result.attachments << text;
    }
    QDialog::accept();
}

bool CMailAttributesDlg::Edit(const QString& machine, MailAttributes* attributes)
{
    CMailAttributesDlg dialog(machine, *attributes, QApplication::activeWindow());
    if (UiHost::Current()->RunModal(&dialog) != IDOK)
        return false;
    *attributes = dialog.Result();
    return true;
}
