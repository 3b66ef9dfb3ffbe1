#pragma once
// The port dialog: one serial-port configuration's description, port, speed, stop bits, data
// bits and parity, and whether it is the default.
#include "platform/WinTypes.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class CPortLeaf;

class CPortDlg : public QDialog {
public:
    static constexpr UINT kDialogId = 164;
    static constexpr int IDC_DESCRIPTION = 1047;
    static constexpr int IDC_PORT = 1048;
    static constexpr int IDC_STOP_BITS = 1049;
    static constexpr int IDC_BAUD_RATE = 1050;
    static constexpr int IDC_DATA_BITS = 1051;
    static constexpr int IDC_PARITY = 1052;
    static constexpr int IDC_USE_AS_DEFAULT = 1053;
    // Longest description OK accepts, in characters.
    static constexpr int kDescriptionAccepted = 62;

    // Shows the leaf's values; the lists are filled only when the leaf sits under the port
    // configuration leaf.
    explicit CPortDlg(CPortLeaf* leaf, QWidget* parent = nullptr);

    // After OK: stores the values in the leaf (a list without a selection keeps the leaf's
    // value) and makes it the default when the box is checked.
    void Apply(CPortLeaf* leaf) const;

    // Refuses a description longer than kDescriptionAccepted characters (61716).
    void accept() override;

private:
    QComboBox* AddList(class QFormLayout* form, int ctrlId);
    void UpdateOk();

    QLineEdit* m_description = nullptr;
    QComboBox* m_port = nullptr;
    QComboBox* m_baudRate = nullptr;
    QComboBox* m_stopBits = nullptr;
    QComboBox* m_dataBits = nullptr;
    QComboBox* m_parity = nullptr;
    QCheckBox* m_useAsDefault = nullptr;
    QPushButton* m_ok = nullptr;
    QStringList m_portNames;   // "COM1" to "COM4"
};
