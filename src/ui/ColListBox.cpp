#include "ui/ColListBox.h"

#include "res/ResourceIds.h"
#include "res/Resources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>

#include <algorithm>
#include <cmath>
#include <new>

namespace ColList {

LPARAM PackPoint(int x, int y)
{
    const uint32_t packed = (uint32_t(uint16_t(x))) | (uint32_t(uint16_t(y)) << 16);
    return LPARAM(packed);
}

int PointX(LPARAM lParam) { return int16_t(uint16_t(uint32_t(lParam) & 0xFFFF)); }
int PointY(LPARAM lParam) { return int16_t(uint16_t((uint32_t(lParam) >> 16) & 0xFFFF)); }

} // namespace ColList

namespace {

constexpr int kTextMargin = 3;
constexpr int kImageSize = 16;

// The C runtime's decimal conversion: leading blanks, a sign, digits, a fraction and an
// exponent; whatever follows is ignored and no number at all reads as 0.
double DecimalValue(QStringView text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    QByteArray digits;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        digits.append(char(text[i++].unicode()));
    auto isDigit = [&](int k) { return k < n && text[k] >= QLatin1Char('0') && text[k] <= QLatin1Char('9'); };
    bool any = false;
    while (isDigit(i)) {
        digits.append(char(text[i++].unicode()));
        any = true;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        digits.append('.');
        ++i;
        while (isDigit(i)) {
            digits.append(char(text[i++].unicode()));
            any = true;
        }
    }
    if (!any)
        return 0.0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        int j = i + 1;
        QByteArray exponent("e");
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            exponent.append(char(text[j++].unicode()));
        if (isDigit(j)) {
            while (isDigit(j))
                exponent.append(char(text[j++].unicode()));
            digits.append(exponent);
        }
    }
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace

// ============================================================================ CColHeader

CColHeader::CColHeader(CColListBox* owner)
    : QWidget(owner)
    , m_owner(owner)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize CColHeader::sizeHint() const
{
    return QSize(m_owner->GetTotalWidth(), m_owner->HeaderHeight());
}

void CColHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int h = height();
    const int scrollX = m_owner->ScrollOffset();
    int lastVisible = -1;
    for (int c = 0; c < m_owner->GetColumnCount(); ++c)
        if (m_owner->GetColumnWidth(c) > 0)
            lastVisible = c;

    int right = -scrollX;
    for (int c = 0; c < m_owner->GetColumnCount(); ++c) {
        const int w = m_owner->GetColumnWidth(c);
        if (w <= 0)
            continue;
        const int x = m_owner->GetColumnLeft(c) - scrollX;
        right = x + w;
        if (right < 0 || x > width())
            continue;
        QStyleOptionHeader opt;
        opt.initFrom(this);
        opt.rect = QRect(x, 0, w, h);
        opt.section = c;
        opt.text = m_owner->GetHeading(c);
        opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        opt.orientation = Qt::Horizontal;
        opt.state |= QStyle::State_Enabled | QStyle::State_Horizontal;
        opt.state |= (c == m_pressedColumn && m_dragColumn < 0) ? QStyle::State_Sunken : QStyle::State_Raised;
        opt.position = c == 0 ? QStyleOptionHeader::Beginning
                              : (c == lastVisible ? QStyleOptionHeader::End : QStyleOptionHeader::Middle);
        if ((m_owner->GetStyleFlags() & ColList::SortOnClick) && c == m_owner->GetSortColumn())
            opt.sortIndicator = m_owner->GetSortDirection() == 1 ? QStyleOptionHeader::SortUp
                                                                 : QStyleOptionHeader::SortDown;
        p.save();
        p.setClipRect(opt.rect);
        style()->drawControl(QStyle::CE_Header, &opt, &p, this);
        p.restore();
    }
    if (right < width()) {
        QStyleOptionHeader opt;
        opt.initFrom(this);
        opt.rect = QRect(std::max(right, 0), 0, width() - std::max(right, 0), h);
        opt.orientation = Qt::Horizontal;
        opt.state |= QStyle::State_Enabled | QStyle::State_Horizontal | QStyle::State_Raised;
        opt.position = QStyleOptionHeader::End;
        style()->drawControl(QStyle::CE_Header, &opt, &p, this);
    }
}

void CColHeader::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int x = int(event->position().x());
    const int contentX = x + m_owner->ScrollOffset();
    const int border = m_owner->BorderHit(contentX);
    if (border >= 0) {
        m_dragColumn = border;
        m_grabOffset = contentX - (m_owner->GetColumnLeft(border) + m_owner->GetColumnWidth(border));
        m_dragX = x - m_grabOffset;
        m_owner->m_dragLine->setGeometry(x, 0, 1, m_owner->height());
        m_owner->m_dragLine->raise();
        m_owner->m_dragLine->show();
    } else {
        m_pressedColumn = m_owner->ColumnAt(contentX);
        update();
    }
}

void CColHeader::mouseMoveEvent(QMouseEvent* event)
{
    const int x = int(event->position().x());
    if (m_dragColumn >= 0) {
        // The column never gets narrower than the minimum.
        const int minX = m_owner->GetColumnLeft(m_dragColumn) - m_owner->ScrollOffset() + ColList::MinColumnWidth;
        m_dragX = std::max(x - m_grabOffset, minX);
        m_owner->m_dragLine->move(m_dragX, 0);
        return;
    }
    if (event->buttons() == Qt::NoButton) {
        const bool onBorder = m_owner->BorderHit(x + m_owner->ScrollOffset()) >= 0;
        if (onBorder)
            setCursor(Res::Cursor(IDC_COLUMN_RESIZE));
        else
            setCursor(Qt::ArrowCursor);
    }
}

void CColHeader::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const int x = int(event->position().x());
    if (m_dragColumn >= 0) {
        const int column = m_dragColumn;
        m_dragColumn = -1;
        m_owner->m_dragLine->hide();
        const int width = std::max(ColList::MinColumnWidth,
                                   x - m_grabOffset + m_owner->ScrollOffset() - m_owner->GetColumnLeft(column));
        m_owner->SetColumnWidth(column, width);
        m_owner->OnColumnDragged(column);
        return;
    }
    const int pressed = m_pressedColumn;
    m_pressedColumn = -1;
    update();
    if (pressed < 0 || m_owner->ColumnAt(x + m_owner->ScrollOffset()) != pressed)
        return;
    if (m_owner->GetStyleFlags() & ColList::Notify)
        m_owner->NotifyOwner(ColList::NotifyHeadingClick, WPARAM(m_owner->GetDlgCtrlID()), LPARAM(pressed));
    if (m_owner->GetStyleFlags() & ColList::SortOnClick)
        m_owner->SortBy(pressed, -1);
}

void CColHeader::leaveEvent(QEvent*)
{
    if (m_dragColumn < 0)
        unsetCursor();
}

// ============================================================================== CColRows

CColRows::CColRows(CColListBox* owner)
    : QAbstractScrollArea(owner)
    , m_owner(owner)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    // Right-clicks are the control's own business: it selects and then tells the owner.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setHorizontalScrollBarPolicy((owner->GetStyleFlags() & ColList::HScroll) ? Qt::ScrollBarAsNeeded
                                                                             : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setProperty("ctrlId", ColList::RowsControlId);
}

int CColRows::VisibleRows() const
{
    const int rh = m_owner->RowHeight();
    return std::max(1, viewport()->height() / rh);
}

int CColRows::RowAt(int y) const
{
    if (y < 0)
        return -1;
    const int index = verticalScrollBar()->value() + y / m_owner->RowHeight();
    return index < m_owner->GetCount() ? index : -1;
}

void CColRows::UpdateScrollBars()
{
    m_owner->m_scrollBarsPending = false;
    const int visible = VisibleRows();
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, m_owner->GetCount() - visible));
    v->setPageStep(visible);
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    if (m_owner->GetStyleFlags() & ColList::HScroll) {
        h->setRange(0, std::max(0, m_owner->GetTotalWidth() - viewport()->width()));
        h->setPageStep(std::max(1, viewport()->width()));
        h->setSingleStep(std::max(1, m_owner->RowHeight()));
    } else {
        h->setRange(0, 0);
    }
}

void CColRows::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CColRows::scrollContentsBy(int, int)
{
    m_owner->SetScrollX(horizontalScrollBar()->value());
    viewport()->update();
}

void CColRows::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const QPalette& pal = palette();
    p.fillRect(event->rect(), pal.color(QPalette::Base));
    const int count = m_owner->GetCount();
    if (count == 0) {
        if (!m_owner->m_emptyText.isEmpty()) {
            p.setFont(m_owner->m_emptyFontSet ? m_owner->m_emptyFont : font());
            p.setPen(pal.color(QPalette::Text));
            const QRect area = viewport()->rect().adjusted(kTextMargin, kTextMargin, -kTextMargin, -kTextMargin);
            const int align = m_owner->m_emptyMode == ColList::MessageCentred ? (Qt::AlignCenter | Qt::TextWordWrap)
                                                                              : (Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
            p.drawText(area, align, m_owner->m_emptyText);
        }
        return;
    }

    const int rh = m_owner->RowHeight();
    const int scrollX = m_owner->ScrollOffset();
    const int top = verticalScrollBar()->value();
    const int gutter = m_owner->GutterWidth();
    const bool checks = m_owner->HasChecks();
    const bool images = (m_owner->GetStyleFlags() & ColList::Images) != 0;
    const int columns = m_owner->GetColumnCount();
    const int fullWidth = std::max(viewport()->width(), m_owner->GetTotalWidth() - scrollX);
    const bool focused = hasFocus();

    std::vector<int> lefts(columns), widths(columns);
    for (int c = 0; c < columns; ++c) {
        lefts[c] = m_owner->GetColumnLeft(c) - scrollX;
        widths[c] = m_owner->GetColumnWidth(c);
    }

    const int first = top + std::max(0, event->rect().top() / rh);
    for (int i = first; i < count; ++i) {
        const int y = (i - top) * rh;
        if (y > event->rect().bottom())
            break;
        const CColListBox::Row& row = m_owner->m_rows[size_t(i)];
        const QStringList cells = m_owner->ItemText(row.item).split(QLatin1Char('\t'));
        const QRect rowRect(0, y, fullWidth, rh);
        if (row.selected)
            p.fillRect(rowRect, pal.color(QPalette::Highlight));
        p.setPen(pal.color(row.selected ? QPalette::HighlightedText : QPalette::Text));
        for (int c = 0; c < columns; ++c) {
            if (widths[c] <= 0)
                continue;
            QRect cell(lefts[c], y, widths[c], rh);
            if (cell.left() > viewport()->width() || cell.right() < 0)
                continue;
            if (c == 0 && gutter > 0) {
                p.save();
                p.setClipRect(cell);
                int gx = cell.left();
                if (checks) {
                    QStyleOptionButton box;
                    box.initFrom(this);
                    const int side = std::min(rh - 2, 13);
                    box.rect = QRect(gx + 2, y + (rh - side) / 2, side, side);
                    box.state = QStyle::State_Enabled | (row.checked ? QStyle::State_On : QStyle::State_Off);
                    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &p, this);
                    gx += rh;
                }
                if (images) {
                    QPixmap scratch;
                    const QPixmap* pm = m_owner->RowPixmap(row, row.selected, &scratch);
                    if (pm && !pm->isNull())
                        p.drawPixmap(QRect(gx + 2, y + (rh - kImageSize) / 2, kImageSize, kImageSize), *pm);
                }
                p.restore();
                cell.setLeft(cell.left() + gutter);
            }
            if (c >= cells.size())
                continue;
            const QRect textRect = cell.adjusted(kTextMargin, 0, -1, 0);
            if (textRect.width() <= 0)
                continue;
            p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, cells[c]);
        }
        if (focused && i == m_owner->m_caret) {
            QStyleOptionFocusRect fr;
            fr.initFrom(this);
            fr.rect = rowRect.adjusted(0, 0, -1, -1);
            fr.backgroundColor = pal.color(row.selected ? QPalette::Highlight : QPalette::Base);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, &p, this);
        }
    }
}

void CColRows::ClickAt(const QPoint& pos, Qt::KeyboardModifiers modifiers, bool* changed)
{
    *changed = false;
    const int row = RowAt(pos.y());
    if (row < 0)
        return;
    CColListBox& o = *m_owner;
    auto& rows = o.m_rows;
    if (o.IsSingle()) {
        for (int i = 0; i < int(rows.size()); ++i) {
            const bool want = i == row;
            if (rows[size_t(i)].selected != want) {
                rows[size_t(i)].selected = want;
                *changed = true;
            }
        }
        o.m_anchor = row;
    } else if (o.IsMultiple()) {
        rows[size_t(row)].selected = !rows[size_t(row)].selected;
        *changed = true;
        o.m_anchor = row;
    } else if (modifiers & Qt::ShiftModifier) {
        const int anchor = o.Valid(o.m_anchor) ? o.m_anchor : row;
        o.SelectRange(anchor, row, !(modifiers & Qt::ControlModifier));
        *changed = true;
    } else if (modifiers & Qt::ControlModifier) {
        rows[size_t(row)].selected = !rows[size_t(row)].selected;
        *changed = true;
        o.m_anchor = row;
    } else {
        for (int i = 0; i < int(rows.size()); ++i) {
            const bool want = i == row;
            if (rows[size_t(i)].selected != want) {
                rows[size_t(i)].selected = want;
                *changed = true;
            }
        }
        o.m_anchor = row;
    }
    o.m_caret = row;
    viewport()->update();
}

void CColRows::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return; // the right button acts on release
    setFocus(Qt::MouseFocusReason);
    m_leftDown = true;
    const QPoint pos = event->position().toPoint();
    const int row = RowAt(pos.y());
    const int contentX = pos.x() + m_owner->ScrollOffset();
    if (row >= 0 && m_owner->HasChecks() && contentX >= 0 && contentX < m_owner->RowHeight()
        && m_owner->GetColumnWidth(0) > 0)
        m_owner->ToggleCheck(row);
    bool changed = false;
    ClickAt(pos, event->modifiers(), &changed);
    if (changed)
        m_owner->NotifyList(ColList::SelChange);
}

void CColRows::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_leftDown || !(event->buttons() & Qt::LeftButton))
        return;
    CColListBox& o = *m_owner;
    if (o.IsMultiple() || (event->modifiers() & Qt::ControlModifier) || o.GetCount() == 0)
        return;
    const int y = int(event->position().y());
    int row = RowAt(std::max(0, y));
    if (row < 0)
        row = y < 0 ? verticalScrollBar()->value() : o.GetCount() - 1;
    if (row == o.m_caret)
        return;
    bool changed = false;
    if (o.IsSingle()) {
        o.MoveCaret(row, Qt::NoModifier, &changed);
    } else {
        o.SelectRange(o.Valid(o.m_anchor) ? o.m_anchor : row, row, true);
        o.m_caret = row;
        o.EnsureVisible(row);
        changed = true;
    }
    viewport()->update();
    if (changed)
        o.NotifyList(ColList::SelChange);
}

void CColRows::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_leftDown = false;
        return;
    }
    if (event->button() != Qt::RightButton)
        return;
    CColListBox& o = *m_owner;
    const QPoint pos = event->position().toPoint();
    const int contentX = pos.x() + o.ScrollOffset();
    const int row = RowAt(pos.y());
    // The check-mark column ignores the right button.
    if (row >= 0 && o.HasChecks() && contentX >= 0 && contentX < o.RowHeight() && o.GetColumnWidth(0) > 0)
        return;
    setFocus(Qt::MouseFocusReason);
    bool changed = false;
    ClickAt(pos, event->modifiers(), &changed);
    if (changed)
        o.NotifyList(ColList::SelChange);
    if ((o.GetStyleFlags() & ColList::RightClick) && (o.GetStyleFlags() & ColList::Notify) && o.Valid(o.m_caret)) {
        const QPoint global = event->globalPosition().toPoint();
        o.NotifyOwner(ColList::NotifyRightClick, WPARAM(o.GetDlgCtrlID()), ColList::PackPoint(global.x(), global.y()));
    }
}

void CColRows::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    mousePressEvent(event);
    if (RowAt(event->position().toPoint().y()) >= 0)
        m_owner->NotifyList(ColList::DblClk);
}

void CColRows::keyPressEvent(QKeyEvent* event)
{
    m_owner->OnListKey(event);
    CColListBox& o = *m_owner;
    const int count = o.GetCount();
    int target = -1;
    const int caret = o.Valid(o.m_caret) ? o.m_caret : -1;
    const int page = VisibleRows();
    switch (event->key()) {
    case Qt::Key_Up: target = caret < 0 ? 0 : caret - 1; break;
    case Qt::Key_Down: target = caret < 0 ? 0 : caret + 1; break;
    case Qt::Key_PageUp: target = caret < 0 ? 0 : caret - page; break;
    case Qt::Key_PageDown: target = caret < 0 ? 0 : caret + page; break;
    case Qt::Key_Home: target = 0; break;
    case Qt::Key_End: target = count - 1; break;
    case Qt::Key_Space:
        if (caret >= 0 && (o.IsMultiple() || (o.IsExtended() && (event->modifiers() & Qt::ControlModifier)))) {
            o.m_rows[size_t(caret)].selected = !o.m_rows[size_t(caret)].selected;
            o.m_anchor = caret;
            viewport()->update();
            o.NotifyList(ColList::SelChange);
        }
        event->accept();
        return;
    default:
        event->ignore();
        return;
    }
    event->accept();
    if (count == 0)
        return;
    target = std::clamp(target, 0, count - 1);
    bool changed = false;
    o.MoveCaret(target, event->modifiers(), &changed);
    viewport()->update();
    if (changed)
        o.NotifyList(ColList::SelChange);
}

void CColRows::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    m_owner->NotifyList(ColList::SetFocus);
}

void CColRows::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
    m_owner->NotifyList(ColList::KillFocus);
}

// =========================================================================== CColListBox

CColListBox::CColListBox(int columns, DWORD styleFlags, int ctrlId, QWidget* owner)
    : QWidget(owner)
    , m_flags(styleFlags)
    , m_ctrlId(ctrlId)
    , m_columns(size_t(std::max(1, columns)))
{
    setProperty("ctrlId", ctrlId);
    setAutoFillBackground(true);
    for (int c = 0; c < int(m_columns.size()); ++c)
        m_columns[size_t(c)].keyField = c;
    m_header = new CColHeader(this);
    m_list = new CColRows(this);
    m_dragLine = new QWidget(this);
    m_dragLine->setAutoFillBackground(true);
    QPalette linePalette = m_dragLine->palette();
    linePalette.setColor(QPalette::Window, palette().color(QPalette::WindowText));
    m_dragLine->setPalette(linePalette);
    m_dragLine->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dragLine->hide();
    setFocusProxy(m_list);
    RelayoutChildren();
}

CColListBox::~CColListBox() = default;

// ---- columns -------------------------------------------------------------------------------

bool CColListBox::SetHeading(int column, const QString& text)
{
    if (column < 0 || column >= GetColumnCount())
        return false;
    m_columns[size_t(column)].heading = text;
    m_header->update();
    return true;
}

QString CColListBox::GetHeading(int column) const
{
    return column >= 0 && column < GetColumnCount() ? m_columns[size_t(column)].heading : QString();
}

bool CColListBox::SetColumnFlags(int column, DWORD flags)
{
    if (column < 0 || column >= GetColumnCount())
        return false;
    m_columns[size_t(column)].flags = flags;
    return true;
}

DWORD CColListBox::GetColumnFlags(int column) const
{
    return column >= 0 && column < GetColumnCount() ? m_columns[size_t(column)].flags : 0;
}

bool CColListBox::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= GetColumnCount() || width < 0)
        return false;
    if (m_columns[size_t(column)].width == width)
        return true;
    m_columns[size_t(column)].width = width;
    m_list->UpdateScrollBars();
    SetScrollX(m_list->horizontalScrollBar()->value());
    m_header->update();
    m_list->viewport()->update();
    return true;
}

int CColListBox::GetColumnWidth(int column) const
{
    return column >= 0 && column < GetColumnCount() ? m_columns[size_t(column)].width : 0;
}

int CColListBox::GetColumnLeft(int column) const
{
    int left = 0;
    for (int c = 0; c < column && c < GetColumnCount(); ++c)
        left += m_columns[size_t(c)].width;
    return left;
}

int CColListBox::GetTotalWidth() const
{
    return GetColumnLeft(GetColumnCount());
}

bool CColListBox::SetColumnSort(int column, int keyField, bool numeric, int defaultDirection)
{
    if (column < 0 || column >= GetColumnCount() || keyField < 0)
        return false;
    Column& col = m_columns[size_t(column)];
    col.keyField = keyField;
    col.numeric = numeric;
    col.defaultDirection = defaultDirection == 1 ? 1 : 0;
    return true;
}

int CColListBox::BorderHit(int contentX) const
{
    int best = -1;
    int bestDistance = ColList::MinColumnWidth + 1;
    int right = 0;
    for (int c = 0; c < GetColumnCount(); ++c) {
        const Column& col = m_columns[size_t(c)];
        right += col.width;
        if (col.width <= 0 || (col.flags & ColList::ColFixed))
            continue;
        const int distance = std::abs(contentX - right);
        // Nearest border wins; on a tie the later column, so a narrow column stays reachable.
        if (distance <= ColList::MinColumnWidth && distance <= bestDistance) {
            best = c;
            bestDistance = distance;
        }
    }
    return best;
}

int CColListBox::ColumnAt(int contentX) const
{
    int left = 0;
    for (int c = 0; c < GetColumnCount(); ++c) {
        const int w = m_columns[size_t(c)].width;
        if (w > 0 && contentX >= left && contentX < left + w)
            return c;
        left += w;
    }
    return -1;
}

// ---- rows ----------------------------------------------------------------------------------

void CColListBox::PrepareSortField(Item& item) const
{
    const Column& col = m_columns[size_t(m_sortColumn)];
    // The key field's text: between the keyField-th tab and the next one.
    qsizetype start = 0;
    for (int field = 0; field < col.keyField && start >= 0; ++field) {
        start = item.key.indexOf(QLatin1Char('\t'), start);
        if (start >= 0)
            ++start;
    }
    if (start < 0) {
        item.fieldStart = item.fieldLength = 0;
    } else {
        const qsizetype end = item.key.indexOf(QLatin1Char('\t'), start);
        item.fieldStart = start;
        item.fieldLength = (end < 0 ? item.key.size() : end) - start;
    }
    item.number = col.numeric ? DecimalValue(item.SortField()) : 0.0;
}

QString CColListBox::ItemText(int item) const
{
    if (m_source)
        return m_source->RowText(item);
    return m_items[size_t(item)].text;
}

int CColListBox::CompareItems(int a, int b) const
{
    const Column& col = m_columns[size_t(m_sortColumn)];
    if (m_source) {
        if (m_source->NumericFields() & (1u << (col.keyField & 31))) {
            const double x = m_source->SortNumber(a, col.keyField);
            const double y = m_source->SortNumber(b, col.keyField);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        return m_source->SortField(a, col.keyField).compare(m_source->SortField(b, col.keyField), Qt::CaseSensitive);
    }
    const Item& x = m_items[size_t(a)];
    const Item& y = m_items[size_t(b)];
    if (col.numeric)
        return x.number < y.number ? -1 : (x.number > y.number ? 1 : 0);
    return x.SortField().compare(y.SortField(), Qt::CaseSensitive);
}

bool CColListBox::BeforeItem(int a, int b) const
{
    const int cmp = CompareItems(a, b);
    return m_direction == 1 ? cmp < 0 : cmp > 0;
}

void CColListBox::SortRows()
{
    m_sortPending = false;
    const Column& col = m_columns[size_t(m_sortColumn)];
    const bool up = m_direction == 1;
    // Each row's key is made once and sorted beside the row, not looked up per comparison.
    auto sortKeyed = [&](auto keyOf, auto compare) {
        using Key = decltype(keyOf(0));
        std::vector<std::pair<Key, Row>> keyed;
        keyed.reserve(m_rows.size());
        for (const Row& row : m_rows)
            keyed.emplace_back(keyOf(row.item), row);
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
            const int cmp = compare(a.first, b.first);
            return up ? cmp < 0 : cmp > 0;
        });
        for (size_t i = 0; i < keyed.size(); ++i)
            m_rows[i] = keyed[i].second;
    };
    const auto compareNumbers = [](double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); };
    const auto compareTexts = [](QStringView x, QStringView y) { return x.compare(y, Qt::CaseSensitive); };
    if (m_source && (m_source->NumericFields() & (1u << (col.keyField & 31)))) {
        sortKeyed([&](int item) { return m_source->SortNumber(item, col.keyField); }, compareNumbers);
    } else if (m_source) {
        sortKeyed([&](int item) { return m_source->SortField(item, col.keyField); }, compareTexts);
    } else if (col.numeric) {
        sortKeyed([&](int item) { return m_items[size_t(item)].number; }, compareNumbers);
    } else {
        sortKeyed([&](int item) { return m_items[size_t(item)].SortField(); }, compareTexts);
    }
}

void CColListBox::SettlePending()
{
    if (!m_sortPending)
        return;
    // A batch keeps its arrival order among equal keys, as adding the rows one by one would.
    int caretItem = Valid(m_caret) ? m_rows[size_t(m_caret)].item : -1;
    int anchorItem = Valid(m_anchor) ? m_rows[size_t(m_anchor)].item : -1;
    SortRows();
    m_caret = m_anchor = -1;
    for (int i = 0; i < GetCount(); ++i) {
        if (m_rows[size_t(i)].item == caretItem)
            m_caret = i;
        if (m_rows[size_t(i)].item == anchorItem)
            m_anchor = i;
    }
}

int CColListBox::InsertionIndex(int item) const
{
    // After the rows with equal keys: arrival order among equals.
    auto at = std::upper_bound(m_rows.begin(), m_rows.end(), item,
                               [this](int x, const Row& row) { return BeforeItem(x, row.item); });
    return int(at - m_rows.begin());
}

bool CColListBox::Accepts(int item) const
{
    return !m_filter || m_filter(item);
}

int CColListBox::ImageSlot(const QPixmap& normal, const QPixmap& selected)
{
    if (normal.isNull() && selected.isNull())
        return -1;
    // Rows share a handful of icons: one slot each.
    for (size_t i = 0; i < m_images.size(); ++i)
        if (m_images[i].normal.cacheKey() == normal.cacheKey() && m_images[i].selected.cacheKey() == selected.cacheKey())
            return int(i);
    m_images.push_back({normal, selected});
    return int(m_images.size()) - 1;
}

const QPixmap* CColListBox::RowPixmap(const Row& row, bool selected, QPixmap* scratch) const
{
    if (m_source) {
        QPixmap normal, chosen;
        m_source->RowImages(row.item, &normal, &chosen);
        *scratch = (selected && !chosen.isNull()) ? chosen : normal;
        return scratch;
    }
    const int slot = m_items[size_t(row.item)].image;
    if (slot < 0)
        return nullptr;
    const ImagePair& pair = m_images[size_t(slot)];
    return (selected && !pair.selected.isNull()) ? &pair.selected : &pair.normal;
}

int CColListBox::AddRow(const QString& text, const QString& sortKey)
{
    try {
        if (m_source)
            SetRowSource(nullptr);
        SettlePending();
        Item entry;
        entry.text = text;
        entry.key = sortKey;
        PrepareSortField(entry);
        m_items.push_back(std::move(entry));
        const int item = int(m_items.size()) - 1;
        if (!Accepts(item))
            return -1;
        const int index = InsertionIndex(item);
        m_rows.insert(m_rows.begin() + index, Row{item});
        if (m_caret >= index)
            ++m_caret;
        if (m_anchor >= index)
            ++m_anchor;
        ScheduleScrollBars();
        m_list->viewport()->update();
        return index;
    } catch (const std::bad_alloc&) {
        return -2;
    }
}

void CColListBox::AppendRow(const QString& text, const QString& sortKey, void* object, const QPixmap& normal,
                            const QPixmap& selected)
{
    if (m_source)
        SetRowSource(nullptr);
    Item entry;
    entry.text = text;
    entry.key = sortKey;
    entry.object = object;
    entry.image = ImageSlot(normal, selected);
    PrepareSortField(entry);
    m_items.push_back(std::move(entry));
    const int item = int(m_items.size()) - 1;
    if (Accepts(item)) {
        m_rows.push_back(Row{item});
        m_sortPending = true;
    }
}

bool CColListBox::DeleteRow(int index)
{
    SettlePending();
    if (!Valid(index))
        return false;
    if (!m_source) {
        Item& item = m_items[size_t(m_rows[size_t(index)].item)];
        item = Item();
        item.live = false;
    }
    m_rows.erase(m_rows.begin() + index);
    auto shift = [index](int& i) {
        if (i == index)
            i = -1;
        else if (i > index)
            --i;
    };
    shift(m_caret);
    shift(m_anchor);
    ScheduleScrollBars();
    m_list->viewport()->update();
    return true;
}

void CColListBox::RemoveAll()
{
    m_source = nullptr;
    m_filter = nullptr;
    m_items.clear();
    m_rows.clear();
    m_images.clear();
    m_sortPending = false;
    m_caret = -1;
    m_anchor = -1;
    m_list->verticalScrollBar()->setValue(0);
    m_list->UpdateScrollBars();
    m_list->viewport()->update();
}

void CColListBox::SetRowSource(CRowSource* source, std::function<bool(int item)> filter)
{
    RemoveAll();
    m_source = source;
    m_filter = std::move(filter);
    RebuildRows(false);
}

void CColListBox::ReloadRows()
{
    RebuildRows(false);
}

void CColListBox::RebuildRows(bool keepSelection)
{
    SettlePending();
    std::vector<int> selectedItems;
    int caretItem = -1;
    if (keepSelection) {
        for (const Row& row : m_rows)
            if (row.selected)
                selectedItems.push_back(row.item);
        caretItem = Valid(m_caret) ? m_rows[size_t(m_caret)].item : -1;
    }
    m_rows.clear();
    const int items = m_source ? m_source->RowCount() : int(m_items.size());
    m_rows.reserve(size_t(std::max(0, items)));
    for (int item = 0; item < items; ++item)
        if ((m_source || m_items[size_t(item)].live) && Accepts(item))
            m_rows.push_back(Row{item});
    SortRows();
    m_caret = m_anchor = -1;
    if (keepSelection) {
        std::sort(selectedItems.begin(), selectedItems.end());
        for (int i = 0; i < GetCount(); ++i) {
            Row& row = m_rows[size_t(i)];
            row.selected = std::binary_search(selectedItems.begin(), selectedItems.end(), row.item);
            if (row.item == caretItem)
                m_caret = m_anchor = i;
        }
    }
    if (Valid(m_caret))
        EnsureVisible(m_caret);
    else
        m_list->verticalScrollBar()->setValue(0);
    m_list->UpdateScrollBars();
    m_list->viewport()->update();
}

void CColListBox::AppendRows(int from)
{
    if (!m_source)
        return;
    SettlePending();
    for (int item = std::max(0, from); item < m_source->RowCount(); ++item) {
        if (!Accepts(item))
            continue;
        const int index = InsertionIndex(item);
        m_rows.insert(m_rows.begin() + index, Row{item});
        if (m_caret >= index)
            ++m_caret;
        if (m_anchor >= index)
            ++m_anchor;
    }
    ScheduleScrollBars();
    m_list->viewport()->update();
}

int CColListBox::GetRowItem(int index) const
{
    return Valid(index) ? m_rows[size_t(index)].item : -1;
}

int CColListBox::GetItemCount() const
{
    if (m_source)
        return m_source->RowCount();
    return int(std::count_if(m_items.begin(), m_items.end(), [](const Item& item) { return item.live; }));
}

void CColListBox::SetRowFilter(std::function<bool(int item)> filter)
{
    m_filter = std::move(filter);
    RebuildRows(true);
}

QStringList CColListBox::GetRowCells(int index) const
{
    return GetRowText(index).split(QLatin1Char('\t'));
}

QString CColListBox::GetRowText(int index) const
{
    return Valid(index) ? ItemText(m_rows[size_t(index)].item) : QString();
}

QString CColListBox::GetRowKey(int index) const
{
    if (!Valid(index) || m_source)
        return QString();
    return m_items[size_t(m_rows[size_t(index)].item)].key;
}

QString CColListBox::GetSortField(int index) const
{
    if (!Valid(index))
        return QString();
    const int item = m_rows[size_t(index)].item;
    if (m_source)
        return m_source->SortField(item, m_columns[size_t(m_sortColumn)].keyField);
    return m_items[size_t(item)].SortField().toString();
}

bool CColListBox::SetRowObject(int index, void* object)
{
    if (!Valid(index) || m_source)
        return false;
    m_items[size_t(m_rows[size_t(index)].item)].object = object;
    return true;
}

void* CColListBox::GetRowObject(int index) const
{
    if (!Valid(index) || m_source)
        return nullptr;
    return m_items[size_t(m_rows[size_t(index)].item)].object;
}

int CColListBox::FindObject(const void* object) const
{
    if (m_source)
        return -1;
    for (int i = 0; i < GetCount(); ++i)
        if (m_items[size_t(m_rows[size_t(i)].item)].object == object)
            return i;
    return -1;
}

bool CColListBox::SetRowImages(int index, const QPixmap& normal, const QPixmap& selected)
{
    if (!Valid(index) || m_source)
        return false;
    m_items[size_t(m_rows[size_t(index)].item)].image = ImageSlot(normal, selected);
    m_list->viewport()->update();
    return true;
}

bool CColListBox::GetCheck(int index) const
{
    return Valid(index) && m_rows[size_t(index)].checked;
}

bool CColListBox::SetCheck(int index, bool checked)
{
    if (!Valid(index))
        return false;
    m_rows[size_t(index)].checked = checked;
    m_list->viewport()->update();
    return true;
}

void CColListBox::ToggleCheck(int index)
{
    if (!Valid(index))
        return;
    Row& row = m_rows[size_t(index)];
    row.checked = !row.checked;
    m_list->viewport()->update();
    if (m_flags & ColList::Notify)
        NotifyOwner(ColList::NotifyCheck, WPARAM(m_ctrlId), LPARAM(row.checked ? 1 : 0));
}

// ---- selection -----------------------------------------------------------------------------

int CColListBox::GetSelCount() const
{
    int n = 0;
    for (const Row& row : m_rows)
        n += row.selected ? 1 : 0;
    return n;
}

std::vector<int> CColListBox::GetSelItems() const
{
    std::vector<int> out;
    for (int i = 0; i < GetCount(); ++i)
        if (m_rows[size_t(i)].selected)
            out.push_back(i);
    return out;
}

bool CColListBox::IsSelected(int index) const
{
    return Valid(index) && m_rows[size_t(index)].selected;
}

bool CColListBox::SetSel(int index, bool selected)
{
    if (!Valid(index))
        return false;
    if (selected && IsSingle())
        for (Row& row : m_rows)
            row.selected = false;
    m_rows[size_t(index)].selected = selected;
    if (selected) {
        m_caret = index;
        if (!Valid(m_anchor))
            m_anchor = index;
    }
    m_list->viewport()->update();
    return true;
}

bool CColListBox::SetCurSel(int index)
{
    if (index != -1 && !Valid(index))
        return false;
    for (Row& row : m_rows)
        row.selected = false;
    m_caret = index;
    m_anchor = index;
    if (index >= 0) {
        m_rows[size_t(index)].selected = true;
        EnsureVisible(index);
    }
    m_list->viewport()->update();
    return true;
}

int CColListBox::GetTopIndex() const
{
    return m_list->verticalScrollBar()->value();
}

void CColListBox::SetTopIndex(int index)
{
    m_list->UpdateScrollBars();
    m_list->verticalScrollBar()->setValue(std::max(0, index));
}

void CColListBox::SelectRange(int from, int to, bool clearOthers)
{
    const int lo = std::min(from, to);
    const int hi = std::max(from, to);
    for (int i = 0; i < GetCount(); ++i) {
        if (i >= lo && i <= hi)
            m_rows[size_t(i)].selected = true;
        else if (clearOthers)
            m_rows[size_t(i)].selected = false;
    }
}

void CColListBox::MoveCaret(int index, Qt::KeyboardModifiers modifiers, bool* changed)
{
    *changed = false;
    if (!Valid(index))
        return;
    if (IsSingle() || (IsExtended() && !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier)))) {
        for (int i = 0; i < GetCount(); ++i) {
            const bool want = i == index;
            if (m_rows[size_t(i)].selected != want) {
                m_rows[size_t(i)].selected = want;
                *changed = true;
            }
        }
        m_anchor = index;
    } else if (IsExtended() && (modifiers & Qt::ShiftModifier)) {
        SelectRange(Valid(m_anchor) ? m_anchor : index, index, !(modifiers & Qt::ControlModifier));
        *changed = true;
    }
    // Multiple selection, or Ctrl in extended selection: only the caret moves.
    m_caret = index;
    EnsureVisible(index);
}

void CColListBox::EnsureVisible(int index)
{
    if (!Valid(index))
        return;
    m_list->UpdateScrollBars();
    QScrollBar* v = m_list->verticalScrollBar();
    const int visible = m_list->VisibleRows();
    if (index < v->value())
        v->setValue(index);
    else if (index >= v->value() + visible)
        v->setValue(index - visible + 1);
}

// ---- sorting -------------------------------------------------------------------------------

int CColListBox::SortBy(int column, int direction)
{
    if (column < 0 || column >= GetColumnCount())
        return -1;
    SettlePending();
    if (column == m_sortColumn) {
        m_direction = m_direction == 1 ? 0 : 1;
    } else {
        m_sortColumn = column;
        const int wanted = direction == -1 ? m_columns[size_t(column)].defaultDirection : direction;
        m_direction = wanted == 1 ? 1 : 0;
    }

    const int caretItem = Valid(m_caret) ? m_rows[size_t(m_caret)].item : -1;
    const int anchorItem = Valid(m_anchor) ? m_rows[size_t(m_anchor)].item : -1;
    if (!m_source)
        for (Item& item : m_items)
            if (item.live)
                PrepareSortField(item);
    SortRows();

    m_caret = -1;
    m_anchor = -1;
    if (m_flags & ColList::KeepSelection) {
        for (int i = 0; i < GetCount(); ++i) {
            if (m_rows[size_t(i)].item == caretItem)
                m_caret = i;
            if (m_rows[size_t(i)].item == anchorItem)
                m_anchor = i;
        }
    } else {
        for (Row& row : m_rows)
            row.selected = false;
    }
    if (Valid(m_caret))
        EnsureVisible(m_caret);
    else
        m_list->verticalScrollBar()->setValue(0);
    m_header->update();
    m_list->viewport()->update();
    return m_direction;
}

void CColListBox::Finish()
{
    SettlePending();
    RelayoutChildren();
    m_list->UpdateScrollBars();
    SetScrollX(m_list->horizontalScrollBar()->value());
    m_header->update();
    m_list->viewport()->update();
}

void CColListBox::SetEmptyMessage(const QString& text, int mode, const QFont& font)
{
    m_emptyText = text;
    m_emptyMode = mode;
    m_emptyFont = font;
    m_emptyFontSet = font != QFont();
    m_list->viewport()->update();
}

// ---- geometry ------------------------------------------------------------------------------

int CColListBox::HeaderHeight() const
{
    return fontMetrics().height() + 8;
}

int CColListBox::RowHeight() const
{
    int h = m_list ? m_list->fontMetrics().height() + 1 : fontMetrics().height() + 1;
    if (m_flags & (ColList::Images | ColList::Checks | ColList::Checks2))
        h = std::max(h, kImageSize + 2);
    return h;
}

int CColListBox::GutterWidth() const
{
    int w = 0;
    if (HasChecks())
        w += RowHeight();
    if (m_flags & ColList::Images)
        w += kImageSize + 4;
    return w;
}

int CColListBox::WidestCell(int column, int maxRows) const
{
    const QFontMetrics fm = m_list->fontMetrics();
    int widest = 0;
    const int rows = std::min(GetCount(), maxRows);
    for (int i = 0; i < rows; ++i) {
        const int item = m_rows[size_t(i)].item;
        const QString cell = m_source ? m_source->CellText(item, column)
                                      : m_items[size_t(item)].text.section(QLatin1Char('\t'), column, column);
        widest = std::max(widest, fm.horizontalAdvance(cell));
    }
    return widest + kTextMargin + 1 + (column == 0 ? GutterWidth() : 0);
}

void CColListBox::RelayoutChildren()
{
    const int hh = HeaderHeight();
    m_header->setGeometry(0, 0, width(), hh);
    m_list->setGeometry(0, hh, width(), std::max(0, height() - hh));
}

void CColListBox::ScheduleScrollBars()
{
    // Rows usually come in batches: the scroll bars follow once the batch is done.
    if (m_scrollBarsPending)
        return;
    m_scrollBarsPending = true;
    QMetaObject::invokeMethod(this, [this] {
        if (m_scrollBarsPending) {
            m_scrollBarsPending = false;
            m_list->UpdateScrollBars();
        }
    }, Qt::QueuedConnection);
}

void CColListBox::SetScrollX(int x)
{
    if (m_scrollX == x)
        return;
    m_scrollX = x;
    m_header->update();
}

void CColListBox::resizeEvent(QResizeEvent*)
{
    RelayoutChildren();
}

void CColListBox::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        RelayoutChildren();
        m_list->UpdateScrollBars();
    }
}

void CColListBox::OnListKey(QKeyEvent*) {}

void CColListBox::OnColumnDragged(int) {}

void CColListBox::NotifyOwner(UINT message, WPARAM wParam, LPARAM lParam)
{
    Q_EMIT Notify(message, wParam, lParam);
}

void CColListBox::NotifyList(int code)
{
    if (!(m_flags & ColList::Notify))
        return;
    const uint32_t w = uint32_t(uint16_t(m_ctrlId)) | (uint32_t(uint16_t(code)) << 16);
    NotifyOwner(ColList::NotifyCommand, WPARAM(w), reinterpret_cast<LPARAM>(this));
}
