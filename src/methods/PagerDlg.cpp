#include "methods/PagerDlg.h"

#include "framework/Commands.h"
#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "methods/PortLeaf.h"
#include "records/PortConfig.h"
#include "res/Resources.h"
#include "tree/MessageText.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_NO_PORT_DEFINED = 3529;
constexpr UINT IDS_SINGLE_PORT_DESCRIPTION = 4509;
constexpr UINT IDS_DEFAULT_FILE_OPEN_FAILED = 5111;
constexpr UINT IDS_PORT_DELETED = 5118;
constexpr int kSinglePortDescription = 127;

// Bytes each text field holds before its terminator.
constexpr int kOwnerBytes = CPagerRecipientLeaf::kOwnerSize - 1;
constexpr int kNumberBytes = CPagerRecipientLeaf::kNumberSize - 1;
constexpr int kPagerIdBytes = CPagerRecipientLeaf::kPagerIdSize - 1;
constexpr int kSiteIdBytes = CPagerRecipientLeaf::kSiteIdSize - 1;
} // namespace

CPagerDlg::CPagerDlg(const CPagerRecipientLeaf* leaf, QWidget* parent) : QDialog(parent), m_stored(leaf->GetFields())
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    m_owner = AddEdit(form, IDC_OWNER, kOwnerBytes);
    m_type = new QComboBox(this);
    m_type->setProperty("ctrlId", IDC_TYPE);
    m_type->addItems(Res::ControlItems(kDialogId, IDC_TYPE));
    auto* typeLabel = new QLabel(Res::ControlText(kDialogId, IDC_TYPE, Res::CtrlText::Label), this);
    typeLabel->setBuddy(m_type);
    form->addRow(typeLabel, m_type);
    m_number = AddEdit(form, IDC_NUMBER, kNumberBytes);
    m_pagerId = AddEdit(form, IDC_PAGER_ID, kPagerIdBytes);
    m_siteId = AddEdit(form, IDC_SITE_ID, kSiteIdBytes);
    m_connectionDelay = AddDelay(form, IDC_CONNECTION_DELAY);
    m_messageDelay = AddDelay(form, IDC_MESSAGE_DELAY);
    m_port = new QComboBox(this);
    m_port->setProperty("ctrlId", IDC_PORT);
    auto* portLabel = new QLabel(Res::ControlText(kDialogId, IDC_PORT, Res::CtrlText::Label), this);
    portLabel->setBuddy(m_port);
    form->addRow(portLabel, m_port);
    layout->addLayout(form);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId, &m_ok));

    m_owner->setText(DialogControls::CutToBytes(m_stored.owner, kOwnerBytes));
    m_number->setText(DialogControls::CutToBytes(m_stored.number, kNumberBytes));
    m_pagerId->setText(DialogControls::CutToBytes(m_stored.pagerId, kPagerIdBytes));
    m_siteId->setText(DialogControls::CutToBytes(m_stored.siteId, kSiteIdBytes));
    m_type->setCurrentIndex(m_stored.type < m_type->count() ? int(m_stored.type) : -1);
    m_connectionDelay->setValue(int(qMin<qsizetype>(m_stored.connectionDelay.size(), kMaxDelay)));
    m_messageDelay->setValue(int(qMin<qsizetype>(m_stored.messageDelay.size(), kMaxDelay)));
    connect(m_connectionDelay, &QSpinBox::valueChanged, this, [this] { m_connectionMoved = true; });
    connect(m_messageDelay, &QSpinBox::valueChanged, this, [this] { m_messageMoved = true; });
    connect(m_owner, &QLineEdit::textChanged, this, &CPagerDlg::UpdateOk);
    connect(m_number, &QLineEdit::textChanged, this, &CPagerDlg::UpdateOk);
    UpdateOk();

    QString machine;
    leaf->GetMachineName(&machine);
    FillPorts(leaf, machine);
}

QLineEdit* CPagerDlg::AddEdit(QFormLayout* form, int ctrlId, int maxBytes)
{
    QLineEdit* edit = DialogControls::AddLabeledEdit(this, form, kDialogId, ctrlId);
    DialogControls::LimitBytes(edit, maxBytes);
    return edit;
}

QSpinBox* CPagerDlg::AddDelay(QFormLayout* form, int ctrlId)
{
    auto* spin = new QSpinBox(this);
    spin->setProperty("ctrlId", ctrlId);
    spin->setRange(0, kMaxDelay);
    auto* row = new QHBoxLayout();
    row->addWidget(spin);
    row->addWidget(new QLabel(Res::ControlText(kDialogId, UINT(ctrlId), Res::CtrlText::Suffix), this));
    row->addStretch(1);
    auto* label = new QLabel(Res::ControlText(kDialogId, UINT(ctrlId), Res::CtrlText::Label), this);
    label->setBuddy(spin);
    form->addRow(label, row);
    return spin;
}

void CPagerDlg::FillPorts(const CAlertLeaf* leaf, const QString& machine)
{
    QString portsPath;
    QString hostPath;
    if (!PortFiles::Query(leaf, PortFiles::Kind::Ports, &portsPath))
        return;
    QString defaultPath;
    PortFiles::Query(leaf, PortFiles::Kind::Default, &defaultPath);
    Records::PortHeader header;
    QVector<Records::PortRecord> records;
    if (!PortFiles::HostPath(portsPath, &hostPath) || !Records::ReadPortFile(hostPath, &header, &records) ||
        records.isEmpty()) {
        // Nothing to choose from: the one item says so (and choosing it keeps the stored id).
        m_port->addItem(LoadString(IDS_NO_PORT_DEFINED), 0);
        m_port->setCurrentIndex(0);
        return;
    }
    const QString single = LoadString(IDS_SINGLE_PORT_DESCRIPTION).left(kSinglePortDescription);
    for (const Records::PortRecord& record : records) {
        const QString description = header.count == 1 ? single : QString::fromUtf8(record.description);
        m_port->addItem(QString::fromUtf8(record.portName) + QStringLiteral(" - ") + description, int(record.id));
    }
    uint16_t defaultId = 0;
    if (!PortFiles::HostPath(defaultPath, &hostPath) || !Records::ReadDefaultPort(hostPath, &defaultId)) {
        AfxMessageBox(FormatString(IDS_DEFAULT_FILE_OPEN_FAILED, {machine}), MB_OK | MB_ICONEXCLAMATION);
        m_port->setCurrentIndex(-1);
        return;
    }
    const uint16_t wanted = m_stored.portId != 0 ? m_stored.portId : defaultId;
    int index = m_port->findData(int(wanted));
    if (index < 0) {
        AfxMessageBox(LoadString(IDS_PORT_DELETED), MB_OK | MB_ICONEXCLAMATION);
        index = m_port->findData(int(defaultId));
        if (index < 0)
            index = 0;
    }
    m_port->setCurrentIndex(index);
}

void CPagerDlg::UpdateOk()
{
    m_ok->setEnabled(!m_owner->text().isEmpty() && !m_number->text().isEmpty());
}

CPagerRecipientLeaf::Fields CPagerDlg::Result() const
{
    CPagerRecipientLeaf::Fields fields = m_stored;
    fields.owner = m_owner->text();
    fields.number = m_number->text();
    fields.pagerId = m_pagerId->text();
    fields.siteId = m_siteId->text();
    if (m_type->currentIndex() >= 0)
        fields.type = uint8_t(m_type->currentIndex());
    if (m_connectionMoved)
        fields.connectionDelay = QString(m_connectionDelay->value(), QLatin1Char(','));
    if (m_messageMoved)
        fields.messageDelay = QString(m_messageDelay->value(), QLatin1Char(','));
    const int portId = m_port->currentIndex() >= 0 ? m_port->currentData().toInt() : 0;
    if (portId > 0)
        fields.portId = uint16_t(portId);
    return fields;
}

bool CPagerDlg::Edit(CPagerRecipientLeaf* leaf)
{
    if (!leaf)
        return false;
    CPagerDlg dialog(leaf, QApplication::activeWindow());
    // The leaf may have gone with a table reload while the dialog (or a message) was open.
    CWeakPtr<CPagerRecipientLeaf> guard(leaf);
    if (UiHost::Current()->RunModal(&dialog) != IDOK || !guard)
        return false;
    leaf->SetFields(dialog.Result());
    leaf->AfterEdit();
    return true;
}

// ---- the leaves' dialog commands ----------------------------------------------------------------

BEGIN_MESSAGE_MAP(CPagerMethodLeaf, CMethodLeaf)
    ON_COMMAND(ID_EDIT_NEW, OnNewRecipient)
END_MESSAGE_MAP()

void CPagerMethodLeaf::OnNewRecipient()
{
    NewItem(0, 0, 0);
}

void CPagerMethodLeaf::NewItem(UINT, int, int)
{
    InsertAndEdit(new CPagerRecipientLeaf,
                  [](CRecipientLeaf* r) { return CPagerDlg::Edit(static_cast<CPagerRecipientLeaf*>(r)); });
}

BEGIN_MESSAGE_MAP(CPagerRecipientLeaf, CRecipientLeaf)
    ON_COMMAND(ID_EDIT_EDIT, OnEdit)
END_MESSAGE_MAP()

void CPagerRecipientLeaf::OnEdit()
{
    CPagerDlg::Edit(this);
}

void CPagerRecipientLeaf::OnDoubleClick(UINT, int, int)
{
    CPagerDlg::Edit(this);
}
