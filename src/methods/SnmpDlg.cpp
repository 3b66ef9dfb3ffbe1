#include "methods/SnmpDlg.h"

#include "framework/Commands.h"
#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "methods/MethodLeaf.h"
#include "records/ByteField.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>

namespace {
const char* const kIpMask = "###.###.###.###";
const char* const kIpxMask = "@@@@@@@@.@@@@@@@@@@@@";
const char* const kValueChars = "0123456789ABCDEF";
constexpr int kManagerStored = 50;
} // namespace

// ---- masked edit ------------------------------------------------------------------------------

CMaskedEdit::CMaskedEdit(QWidget* parent) : QLineEdit(parent)
{
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void CMaskedEdit::SetMask(const QString& mask)
{
    m_mask = mask;
    m_value.clear();
    for (QChar c : mask) {
        if (c == QLatin1Char('#') || c == QLatin1Char('@'))
            m_value += m_fill;
    }
    m_cursor = 0;
    m_fresh = m_advanced = false;
    Redisplay();
}

bool CMaskedEdit::SetValue(const QString& raw)
{
    if (raw.size() != m_value.size())
        return false;
    for (QChar c : raw) {
        if (c.unicode() > 0x7F || !std::strchr(kValueChars, char(c.unicode())) || c.unicode() == 0)
            return false;
    }
    m_value = raw;
    Redisplay();
    return true;
}

QString CMaskedEdit::GetText() const
{
    QString text = m_mask;
    int position = 0;
    for (int i = 0; i < text.size(); ++i) {
        if ((text[i] == QLatin1Char('#') || text[i] == QLatin1Char('@')) && position < m_value.size())
            text[i] = m_value[position++];
    }
    return text;
}

int CMaskedEdit::MaskIndex(int position) const
{
    int seen = 0;
    for (int i = 0; i < m_mask.size(); ++i) {
        if (m_mask[i] == QLatin1Char('#') || m_mask[i] == QLatin1Char('@')) {
            if (seen == position)
                return i;
            ++seen;
        }
    }
    return int(m_mask.size());
}

QChar CMaskedEdit::PositionKind(int position) const
{
    const int index = MaskIndex(position);
    return index < m_mask.size() ? m_mask[index] : QChar();
}

void CMaskedEdit::GroupOf(int position, int* start, int* end) const
{
    *start = position;
    while (*start > 0 && MaskIndex(*start) == MaskIndex(*start - 1) + 1)
        --*start;
    *end = position + 1;
    while (*end < m_value.size() && MaskIndex(*end) == MaskIndex(*end - 1) + 1)
        ++*end;
}

void CMaskedEdit::NextGroup()
{
    int start = 0, end = 0;
    GroupOf(m_cursor, &start, &end);
    if (end >= m_value.size())
        return; // the last group has no next one
    if (!m_fresh && m_cursor > start) {
        const QString typed = m_value.mid(start, m_cursor - start);
        m_value.replace(start, end - start, typed.rightJustified(end - start, m_fill));
    }
    m_cursor = end;
    m_fresh = true;
    m_freshTyped = 0;
}

void CMaskedEdit::TypeIntoFreshGroup(QChar c)
{
    int start = 0, end = 0;
    GroupOf(m_cursor, &start, &end);
    const int size = end - start;
    QString group = m_freshTyped == 0 ? QString(size, m_fill) : m_value.mid(start, size);
    group = group.mid(1) + c;
    m_value.replace(start, size, group);
    m_cursor = start;
    if (++m_freshTyped == size) {
        m_advanced = true;
        if (end < m_value.size()) {
            m_cursor = end;
            m_freshTyped = 0;
        } else {
            m_fresh = false;
            m_cursor = end - 1;
        }
    }
}

void CMaskedEdit::Redisplay()
{
    setText(GetText());
    setCursorPosition(MaskIndex(m_cursor));
}

void CMaskedEdit::keyPressEvent(QKeyEvent* event)
{
    const int last = int(m_value.size()) - 1;
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (m_value.isEmpty() || (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        // Nothing here edits with modifiers (no paste or cut); the dialog may use the key.
        event->ignore();
        return;
    }
    const bool advanced = m_advanced;
    m_advanced = false;
    if (key == Qt::Key_Period && m_mask.contains(QLatin1Char('.'))) {
        if (!advanced)
            NextGroup();
        Redisplay();
        event->accept();
        return;
    }
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    const bool hexLetter = key >= Qt::Key_A && key <= Qt::Key_F;
    if (!digit && !hexLetter)
        m_fresh = false;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Backspace:
        m_cursor = qMax(0, m_cursor - 1);
        break;
    case Qt::Key_Right:
        m_cursor = qMin(last, m_cursor + 1);
        break;
    case Qt::Key_Home:
        m_cursor = 0;
        break;
    case Qt::Key_End:
        m_cursor = last;
        break;
    case Qt::Key_Delete:
        m_value[m_cursor] = m_fill;
        break;
    case Qt::Key_Insert:
        m_insert = !m_insert;
        break;
    default: {
        const QChar kind = PositionKind(m_cursor);
        if (!(digit && (kind == QLatin1Char('#') || kind == QLatin1Char('@'))) &&
            !(hexLetter && kind == QLatin1Char('@'))) {
            // Typed characters never reach the text; other keys (Enter, Escape, Tab) are the
            // dialog's.
            if (!event->text().isEmpty() && event->text().at(0).isPrint())
                event->accept();
            else
                event->ignore();
            return;
        }
        const QChar c = digit ? QChar(u'0' + (key - Qt::Key_0)) : QChar(u'A' + (key - Qt::Key_A));
        if (m_fresh) {
            TypeIntoFreshGroup(c);
            break;
        }
        int start = 0, end = 0;
        GroupOf(m_cursor, &start, &end);
        if (m_insert) {
            m_value.insert(m_cursor, c);
            m_value.chop(1);
        } else {
            m_value[m_cursor] = c;
        }
        m_cursor = qMin(last, m_cursor + 1);
        // Typing across into the next group: a "." now only confirms it.
        m_advanced = m_cursor == end;
        break;
    }
    }
    Redisplay();
    event->accept();
}

void CMaskedEdit::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

void CMaskedEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        setFocus(Qt::MouseFocusReason);
    setCursorPosition(MaskIndex(m_cursor));
    event->accept();
}

void CMaskedEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void CMaskedEdit::mouseMoveEvent(QMouseEvent* event)
{
    // No selection by dragging.
    event->accept();
}

void CMaskedEdit::contextMenuEvent(QContextMenuEvent* event)
{
    setCursorPosition(MaskIndex(m_cursor));
    event->accept();
}

void CMaskedEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    deselect();
    setCursorPosition(MaskIndex(m_cursor));
}

void CMaskedEdit::inputMethodEvent(QInputMethodEvent* event)
{
    event->accept();
}

// ---- addresses ----------------------------------------------------------------------------------

namespace SnmpAddress {

QString PadIp(const QString& ip)
{
    QStringList parts = ip.split(QLatin1Char('.'));
    for (QString& part : parts)
        part = part.rightJustified(3, QLatin1Char('0'));
    return parts.join(QLatin1Char('.'));
}

QString NormaliseIp(const QString& fixed)
{
    QString out;
    QString part;
    auto flush = [&] {
        qsizetype first = 0;
        while (first < part.size() - 1 && part[first] == QLatin1Char('0'))
            ++first;
        out += part.mid(first);
        part.clear();
    };
    for (QChar c : fixed) {
        if (c.isDigit()) {
            part += c;
        } else {
            flush();
            out += c;
        }
    }
    flush();
    return out;
}

bool ParseIp(const QString& text, uint8_t out[4])
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok, 10);
        if (!ok || parts[i].isEmpty() || value > 255)
            return false;
        out[i] = uint8_t(value);
    }
    return true;
}

void PackHex(const QString& text, int digits, uint8_t* out)
{
    QString t = text.size() < digits ? text.rightJustified(digits, QLatin1Char('0')) : text.left(digits);
    int values[32] = {};
    bool ended = false;
    for (int i = 0; i < digits && i < 32; ++i) {
        const ushort c = t[i].unicode();
        if (c == 0)
            ended = true;
        if (ended)
            values[i] = 0;
        else if (c >= '0' && c <= '9')
            values[i] = c - '0';
        else if (c >= 'a' && c <= 'z')
            values[i] = c - 'a' + 10;
        else if (c >= 'A' && c <= 'Z')
            values[i] = c - 'A' + 10;
        else
            values[i] = c;
    }
    for (int i = 0; i < digits / 2; ++i)
        out[i] = uint8_t((values[2 * i] * 16 + values[2 * i + 1]) & 0xFF);
}

} // namespace SnmpAddress

// ---- dialog -------------------------------------------------------------------------------------

CSnmpDlg::CSnmpDlg(CSnmpRecipientLeaf* leaf, QWidget* parent) : QDialog(parent), m_leaf(leaf)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    m_manager = DialogControls::AddLabeledEdit(this, form, kDialogId, IDC_MANAGER);
    m_manager->setMaxLength(kManagerLimit);

    m_method = new QComboBox(this);
    m_method->setProperty("ctrlId", IDC_METHOD);
    m_method->addItems(Res::ControlItems(kDialogId, IDC_METHOD));
    auto* methodLabel = new QLabel(Res::ControlText(kDialogId, IDC_METHOD, Res::CtrlText::Label), this);
    methodLabel->setBuddy(m_method);
    form->addRow(methodLabel, m_method);

    m_address = new CMaskedEdit(this);
    m_address->setProperty("ctrlId", IDC_ADDRESS);
    m_address->SetFillChar(QLatin1Char('0'));
    // Room for the longer (IPX) address.
    m_address->setMinimumWidth(m_address->fontMetrics().horizontalAdvance(QString(24, QLatin1Char('0'))));
    auto* addressLabel = new QLabel(Res::ControlText(kDialogId, IDC_ADDRESS, Res::CtrlText::Label), this);
    addressLabel->setBuddy(m_address);
    form->addRow(addressLabel, m_address);
    layout->addLayout(form);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId, &m_ok));

    m_manager->setText(leaf->GetManager());
    m_ipText = SnmpAddress::PadIp(leaf->GetIpText());
    m_ipxText = leaf->GetIpxText();
    m_shown = leaf->GetSendMethod() == CSnmpRecipientLeaf::kSendIpx ? 1 : 0;
    m_address->SetMask(QString::fromLatin1(m_shown == 1 ? kIpxMask : kIpMask));
    ShowText(m_shown == 1 ? m_ipxText : m_ipText);
    m_method->setCurrentIndex(m_shown);

    connect(m_method, &QComboBox::currentIndexChanged, this, &CSnmpDlg::OnMethodChanged);
    connect(m_manager, &QLineEdit::textChanged, this, &CSnmpDlg::UpdateOk);
    UpdateOk();
}

void CSnmpDlg::ShowText(const QString& text)
{
    QString raw = text;
    raw.remove(QLatin1Char('.'));
    m_address->SetValue(raw);
}

void CSnmpDlg::OnMethodChanged(int index)
{
    if (index < 0 || index == m_shown)
        return;
    (m_shown == 1 ? m_ipxText : m_ipText) = m_address->GetText();
    m_shown = index;
    m_address->SetMask(QString::fromLatin1(m_shown == 1 ? kIpxMask : kIpMask));
    ShowText(m_shown == 1 ? m_ipxText : m_ipText);
}

void CSnmpDlg::UpdateOk()
{
    m_ok->setEnabled(!m_manager->text().isEmpty());
}

void CSnmpDlg::accept()
{
    if (m_manager->text().isEmpty())
        return;
    CSnmpRecipientLeaf* leaf = m_leaf.Get();
    if (!leaf) {
        AfxMessageBox(IDS_EDITED_ITEM_GONE, MB_OK | MB_ICONEXCLAMATION);
        reject();
        return;
    }
    (m_shown == 1 ? m_ipxText : m_ipText) = m_address->GetText();
    const QString ip = SnmpAddress::NormaliseIp(m_ipText);
    uint8_t ipBytes[4] = {};
    if (!SnmpAddress::ParseIp(ip, ipBytes)) {
        // A part above 255 would be stored as some other address (or the broadcast one).
        AfxMessageBox(FormatString(IDS_SNMP_ADDRESS_REFUSED, {ip}), MB_OK | MB_ICONEXCLAMATION);
        if (m_shown == 0)
            m_address->setFocus();
        else
            m_method->setFocus();
        return;
    }
    QByteArray record(int(CSnmpRecipientLeaf::kRecordSize), '\0');
    char* r = record.data();
    SnmpAddress::PackHex(m_ipxText.left(8), 8, reinterpret_cast<uint8_t*>(r + CSnmpRecipientLeaf::kNetworkOffset));
    SnmpAddress::PackHex(m_ipxText.mid(9), 12, reinterpret_cast<uint8_t*>(r + CSnmpRecipientLeaf::kNodeOffset));
    std::memcpy(r + CSnmpRecipientLeaf::kIpOffset, ipBytes, 4);
    Records::PutField(r + CSnmpRecipientLeaf::kManagerOffset, CSnmpRecipientLeaf::kManagerSize,
                      m_manager->text().left(kManagerStored).toUtf8());
    r[CSnmpRecipientLeaf::kMethodOffset] =
        char(m_shown == 1 ? CSnmpRecipientLeaf::kSendIpx : CSnmpRecipientLeaf::kSendIp);
    if (!leaf->SetDataV0(record.constData()))
        return;
    QDialog::accept();
}

bool CSnmpDlg::Edit(CSnmpRecipientLeaf* leaf)
{
    if (!leaf)
        return false;
    CWeakPtr<CSnmpRecipientLeaf> guard(leaf);
    CSnmpDlg dialog(leaf, QApplication::activeWindow());
    if (UiHost::Current()->RunModal(&dialog) != IDOK || !guard)
        return false;
    leaf->AfterEdit();
    return true;
}

// ---- the leaves' dialog commands ----------------------------------------------------------------

BEGIN_MESSAGE_MAP(CSnmpMethodLeaf, CMethodLeaf)
    ON_COMMAND(ID_EDIT_NEW, OnNewRecipient)
END_MESSAGE_MAP()

void CSnmpMethodLeaf::OnNewRecipient()
{
    NewItem(0, 0, 0);
}

void CSnmpMethodLeaf::NewItem(UINT, int, int)
{
    auto* leaf = new CSnmpRecipientLeaf;
    InsertAndEdit(leaf, [](CRecipientLeaf* r) { return CSnmpDlg::Edit(static_cast<CSnmpRecipientLeaf*>(r)); });
}

BEGIN_MESSAGE_MAP(CSnmpRecipientLeaf, CRecipientLeaf)
    ON_COMMAND(ID_EDIT_EDIT, OnEdit)
END_MESSAGE_MAP()

void CSnmpRecipientLeaf::OnEdit()
{
    CSnmpDlg::Edit(this);
}

void CSnmpRecipientLeaf::OnDoubleClick(UINT, int, int)
{
    CSnmpDlg::Edit(this);
}
