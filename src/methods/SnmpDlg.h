#pragma once
// The SNMP recipient dialog and the masked edit it types addresses into.
#include "framework/Lifetime.h"
#include "platform/WinTypes.h"

#include <QDialog>
#include <QLineEdit>
#include <QString>

#include <cstdint>

class QComboBox;
class QPushButton;
class CSnmpRecipientLeaf;

// An edit whose text follows a mask: "#" a decimal digit, "@" a hexadecimal digit, every other
// character shown as it is and not editable. Only the keyboard edits it, one position at a time.
class CMaskedEdit : public QLineEdit {
public:
    explicit CMaskedEdit(QWidget* parent = nullptr);

    void SetFillChar(QChar fill) { m_fill = fill; }
    // Stores the mask, fills every position with the fill character, cursor at 0. Typing "."
    // ends the cursor's group and moves to the start of the next one.
    void SetMask(const QString& mask);
    // Accepted only with one character of "0123456789ABCDEF" per position; a refused text
    // leaves the control as it was.
    bool SetValue(const QString& raw);
    // The mask with each position replaced by its value character.
    QString GetText() const;
    // The value characters alone.
    const QString& Value() const { return m_value; }
    int Cursor() const { return m_cursor; }
    bool InsertMode() const { return m_insert; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void Redisplay();
    // Index in the mask of value position i.
    int MaskIndex(int position) const;
    QChar PositionKind(int position) const;
    // The value positions [*start, *end) of the group (between separators) holding position.
    void GroupOf(int position, int* start, int* end) const;
    // ".": what was typed into the group so far is its value, right-aligned; the cursor moves to
    // the next group, which then takes digits from the right.
    void NextGroup();
    void TypeIntoFreshGroup(QChar c);

    QString m_mask;
    QString m_value;
    int m_cursor = 0;
    QChar m_fill = QLatin1Char(' ');
    bool m_insert = false;
    // The cursor's group was entered by ".": digits typed there enter from the right, as many
    // as m_freshTyped so far.
    bool m_fresh = false;
    int m_freshTyped = 0;
    // The last key filled a group and moved on: a "." now only confirms that.
    bool m_advanced = false;
};

namespace SnmpAddress {
// "10.1.2.3" -> "010.001.002.003".
QString PadIp(const QString& ip);
// "010.001.000.100" -> "10.1.0.100": no part may read as octal.
QString NormaliseIp(const QString& fixed);
// The four bytes of a dotted decimal address in network order; false when it is not four
// decimal parts of 0-255.
bool ParseIp(const QString& text, uint8_t out[4]);
// n hexadecimal digits (right-aligned, padded with "0", cut to n) into n/2 bytes.
void PackHex(const QString& text, int digits, uint8_t* out);
} // namespace SnmpAddress

class CSnmpDlg : public QDialog {
public:
    static constexpr UINT kDialogId = 155;
    static constexpr int IDC_MANAGER = 1030;
    static constexpr int IDC_METHOD = 1031;
    static constexpr int IDC_ADDRESS = 1032;
    static constexpr int kManagerLimit = 48;

    CSnmpDlg(CSnmpRecipientLeaf* leaf, QWidget* parent = nullptr);

    // Runs the dialog on the leaf; on OK the leaf holds the typed values, is marked modified
    // and its method is told. Returns whether OK ended it.
    static bool Edit(CSnmpRecipientLeaf* leaf);

    void accept() override;

private:
    void OnMethodChanged(int index);
    void ShowText(const QString& text);
    void UpdateOk();

    CWeakPtr<CSnmpRecipientLeaf> m_leaf;
    QLineEdit* m_manager = nullptr;
    QComboBox* m_method = nullptr;
    CMaskedEdit* m_address = nullptr;
    QPushButton* m_ok = nullptr;
    QString m_ipText;
    QString m_ipxText;
    int m_shown = 0;            // combo item shown: 0 IP, 1 IPX
};
