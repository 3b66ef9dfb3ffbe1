#include "methods/PortDlg.h"

#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "methods/PortLeaf.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPortDlg::CPortDlg(CPortLeaf* leaf, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    m_description = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_DESCRIPTION);
    DialogControls::LimitBytes(m_description, CPortLeaf::kDescriptionStored);
    m_port = AddList(form, IDC_PORT);
    m_baudRate = AddList(form, IDC_BAUD_RATE);
    m_stopBits = AddList(form, IDC_STOP_BITS);
    m_dataBits = AddList(form, IDC_DATA_BITS);
    m_parity = AddList(form, IDC_PARITY);
    layout->addLayout(form);
    m_useAsDefault = new QCheckBox(Res::ControlText(kDialogId, IDC_USE_AS_DEFAULT), this);
    m_useAsDefault->setProperty("ctrlId", IDC_USE_AS_DEFAULT);
    layout->addWidget(m_useAsDefault);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId, &m_ok));

    const Records::PortRecord& record = leaf->Record();
    m_description->setText(DialogControls::CutToBytes(leaf->GetDescription(), CPortLeaf::kDescriptionStored));
    const bool isDefault = leaf->IsDefault();
    m_useAsDefault->setChecked(isDefault);
    connect(m_description, &QLineEdit::textChanged, this, &CPortDlg::UpdateOk);
    UpdateOk();
    const auto* config = dynamic_cast<const CPortConfigLeaf*>(leaf->GetParentLeaf());
    if (!config)
        return;
    // The port list leaves out the empty name of port number 0, which shows as COM1.
    m_portNames = config->Texts(CPortConfigLeaf::List::PortName).mid(1);
    m_port->addItems(m_portNames);
    m_baudRate->addItems(config->Texts(CPortConfigLeaf::List::BaudRate));
    m_stopBits->addItems(config->Texts(CPortConfigLeaf::List::StopBits));
    m_dataBits->addItems(config->Texts(CPortConfigLeaf::List::DataBits));
    m_parity->addItems(config->Texts(CPortConfigLeaf::List::Parity));
    m_useAsDefault->setEnabled(!isDefault);
    // An index outside its list (a crafted record) shows no selection and is kept on OK.
    const auto show = [](QComboBox* list, int index) {
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    };
    show(m_port, record.portNumber == 0 ? 0 : record.portNumber - 1);
    show(m_baudRate, record.baudIndex);
    show(m_stopBits, record.stopBitsIndex);
    show(m_dataBits, record.dataBitsIndex);
    show(m_parity, record.parityIndex);
}

QComboBox* CPortDlg::AddList(QFormLayout* form, int ctrlId)
{
    auto* list = new QComboBox(this);
    list->setProperty("ctrlId", ctrlId);
    auto* label = new QLabel(Res::ControlText(kDialogId, UINT(ctrlId), Res::CtrlText::Label), this);
    label->setBuddy(list);
    form->addRow(label, list);
    return list;
}

void CPortDlg::UpdateOk()
{
    m_ok->setEnabled(!m_description->text().isEmpty());
}

void CPortDlg::accept()
{
    if (m_description->text().isEmpty())
        return;
    if (m_description->text().size() > kDescriptionAccepted) {
        AfxMessageBox(FormatString(IDS_FW_PARSE_STRING_SIZE, {QString::number(kDescriptionAccepted)}),
                      MB_OK | MB_ICONEXCLAMATION);
        m_description->setFocus();
        m_description->selectAll();
        return;
    }
    QDialog::accept();
}

void CPortDlg::Apply(CPortLeaf* leaf) const
{
    const Records::PortRecord& record = leaf->Record();
    const auto chosen = [](const QComboBox* list, int32_t stored) {
        return list->currentIndex() >= 0 ? int32_t(list->currentIndex()) : stored;
    };
    uint16_t portNumber = record.portNumber;
    QString portName = QString::fromUtf8(record.portName);
    if (m_port->currentIndex() >= 0) {
        portNumber = uint16_t(m_port->currentIndex() + 1);
        portName = m_portNames.value(m_port->currentIndex());
    }
    leaf->SetFields(m_description->text(), portNumber, portName, chosen(m_baudRate, record.baudIndex),
                    chosen(m_dataBits, record.dataBitsIndex), chosen(m_parity, record.parityIndex),
                    chosen(m_stopBits, record.stopBitsIndex));
    if (m_useAsDefault->isChecked() && !leaf->IsDefault())
        leaf->SetAsDefault();
}
