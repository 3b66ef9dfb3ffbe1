#include "ui/AlertListWnd.h"

#include "framework/Commands.h"
#include "framework/LoadProgress.h"
#include "framework/Messages.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/LeafNotify.h"
#include "tree/MessageText.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLocale>
#include <QPrinter>
#include <QProgressDialog>
#include <QSaveFile>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QTextBlock>

#include <algorithm>
#include <optional>

namespace {

constexpr UINT IDS_NO_INFORMATION = 3518;
constexpr UINT IDS_PRINT_DOCUMENT = 3250;
constexpr UINT IDS_LABEL_HEADING = 4007;
constexpr int kHeadingPadding = 25;
// Fitting columns to their texts looks at this many rows, and gives one column at most this
// share of the pane.
constexpr int kMeasuredRows = 2000;
constexpr int kMaxFitPercent = 45;
constexpr int kPumpMilliseconds = 50;

CAlertListWnd::SortKeyQuery& SortKeyQueryHook()
{
    static CAlertListWnd::SortKeyQuery query;
    return query;
}

// The applications a store's rows name, sorted, for the filter bar.
QStringList SourceApplications(const CRowSource* source)
{
    QSet<QString> names;
    CRowSource::Facets facets;
    for (int item = 0; item < source->RowCount(); ++item)
        if (source->RowFacets(item, &facets) && !facets.application.isEmpty())
            names.insert(facets.application);
    QStringList list(names.begin(), names.end());
    list.sort();
    return list;
}

// One CSV field (RFC 4180): quoted when it holds a comma, a quote or a line break, quotes
// doubled.
QByteArray CsvField(const QString& text)
{
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

QByteArray CsvLine(const QStringList& cells)
{
    QByteArray line;
    for (int i = 0; i < cells.size(); ++i) {
        if (i)
            line += ',';
        line += CsvField(cells[i]);
    }
    return line + "\r\n";
}

bool IsWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
        || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

} // namespace

// ========================================================================== CAlertColList

BEGIN_MESSAGE_MAP(CAlertColList, CCmdTarget)
    ON_COMMAND(ID_FILE_PRINT, OnPrint)
    ON_UPDATE_COMMAND_UI(ID_FILE_PRINT, OnUpdatePrint)
END_MESSAGE_MAP()

CAlertColList::CAlertColList(CAlertListWnd* pane, int ctrlId)
    : CColListBox(kColumns, kStyle, ctrlId, pane)
    , m_pane(pane)
    , m_minWidths(size_t(kColumns), 0)
    , m_widest(size_t(kColumns), 0)
{
}

int CAlertColList::HeadingTextWidth(const QString& text) const
{
    // Characters times the average character width; a wide (CJK) character takes two.
    int cells = 0;
    for (char32_t c : text.toUcs4())
        cells += IsWide(c) ? 2 : 1;
    return cells * fontMetrics().averageCharWidth();
}

void CAlertColList::SetHeadingText(const QString& heading)
{
    m_heading = heading;
    const QStringList parts = heading.split(QLatin1Char('\t'));
    const int visible = std::min(int(parts.size()), GetColumnCount());
    m_lastVisible = visible - 1;
    for (int c = 0; c < GetColumnCount(); ++c) {
        SetHeading(c, c < visible ? parts[c] : QString());
        m_minWidths[size_t(c)] = 0;
        // The row images sit in the first column, in front of its text.
        const int gutter = c == 0 ? GutterWidth() : 0;
        if (c < visible)
            m_minWidths[size_t(c)] = std::max(m_minWidths[size_t(c)], HeadingTextWidth(parts[c]) + kHeadingPadding + gutter);
        else
            SetColumnWidth(c, 0);
    }
}

int CAlertColList::GetMinWidth(int column) const
{
    return column >= 0 && column < int(m_minWidths.size()) ? m_minWidths[size_t(column)] : 0;
}

int CAlertColList::ClientWidth() const
{
    // The rows' width, less the vertical scroll bar when the rows need one.
    int w = width();
    if (GetCount() > Rows()->VisibleRows())
        w -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return std::max(0, w);
}

void CAlertColList::Finish()
{
    for (int c = 0; c < GetColumnCount(); ++c)
        m_widest[size_t(c)] = c < m_lastVisible ? WidestCell(c, kMeasuredRows) : 0;
    FitColumns();
    CColListBox::Finish();
}

void CAlertColList::FitColumns()
{
    m_userSized = false;
    if (m_recomputeWidths && m_lastVisible >= 0) {
        // Columns before the last show their texts whole where the pane allows; the last one
        // takes the rest.
        const int client = ClientWidth();
        int used = 0;
        for (int c = 0; c < m_lastVisible; ++c) {
            const int fit = std::min(m_widest[size_t(c)], client * kMaxFitPercent / 100);
            const int width = std::max(m_minWidths[size_t(c)], fit);
            SetColumnWidth(c, width);
            used += width;
        }
        SetColumnWidth(m_lastVisible, std::max(client - used, m_minWidths[size_t(m_lastVisible)]));
        for (int c = m_lastVisible + 1; c < GetColumnCount(); ++c)
            SetColumnWidth(c, 0);
    }
}

void CAlertColList::OnColumnDragged(int)
{
    m_userSized = true;
}

void CAlertColList::resizeEvent(QResizeEvent* event)
{
    CColListBox::resizeEvent(event);
    // Widths the user chose stay; only the last visible column follows the pane then.
    if (!m_userSized) {
        FitColumns();
    } else if (m_lastVisible >= 0) {
        const int used = GetColumnLeft(m_lastVisible);
        SetColumnWidth(m_lastVisible, std::max(ClientWidth() - used, m_minWidths[size_t(m_lastVisible)]));
    }
}

void CAlertColList::OnListKey(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Insert)
        m_pane->OnCmdMsg(ID_EDIT_NEW, nullptr);
    else if (event->key() == Qt::Key_Delete)
        m_pane->OnCmdMsg(ID_EDIT_DELETE, nullptr);
}

void CAlertColList::OnPrint()
{
    m_pane->PrintList();
}

void CAlertColList::OnUpdatePrint(CCmdUI* pUI)
{
    pUI->Enable(GetCount() > 0);
}

// ============================================================================= CAlertEdit

BEGIN_MESSAGE_MAP(CAlertEdit, CCmdTarget)
    ON_COMMAND(ID_FILE_PRINT, OnPrint)
    ON_UPDATE_COMMAND_UI(ID_FILE_PRINT, OnUpdatePrint)
END_MESSAGE_MAP()

CAlertEdit::CAlertEdit(CAlertListWnd* pane, int ctrlId)
    : QPlainTextEdit(pane)
    , m_pane(pane)
{
    setProperty("ctrlId", ctrlId);
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    // English systems read logs in the proportional font, others in the fixed one.
    const bool english = QLocale::system().language() == QLocale::English;
    setFont(QFontDatabase::systemFont(english ? QFontDatabase::GeneralFont : QFontDatabase::FixedFont));
}

int CAlertEdit::FirstVisibleLine() const
{
    // Without wrapping, one block is one line and the scroll bar counts lines.
    return verticalScrollBar()->value();
}

void CAlertEdit::ScrollToLine(int line)
{
    verticalScrollBar()->setValue(line);
}

void CAlertEdit::contextMenuEvent(QContextMenuEvent* event)
{
    const QPoint global = event->globalPos();
    m_pane->SendMessage(WM_ALERT_TEXT_RCLICK, WPARAM(CAlertListWnd::kTextCtrlId), MakeLParam(global.x(), global.y()));
    event->accept();
}

void CAlertEdit::OnPrint()
{
    m_pane->PrintText();
}

void CAlertEdit::OnUpdatePrint(CCmdUI* pUI)
{
    pUI->Enable(!document()->isEmpty());
}

// ========================================================================== CAlertListWnd

BEGIN_MESSAGE_MAP(CAlertListWnd, CCmdTarget)
    ON_COMMAND(ID_FILE_EXPORT_LIST, OnExportList)
    ON_UPDATE_COMMAND_UI(ID_FILE_EXPORT_LIST, OnUpdateExportList)
END_MESSAGE_MAP()

CAlertListWnd::CAlertListWnd(QWidget* parent)
    : QWidget(parent)
{
    m_edit = new CAlertEdit(this, kTextCtrlId);
    m_edit->hide();
    m_list = new CAlertColList(this, kListCtrlId);
    m_list->hide();
    for (int c = 0; c < m_list->GetColumnCount(); ++c) {
        m_list->SetHeading(c, QString());
        m_list->SetColumnFlags(c, 0);
    }
    m_list->SetEmptyMessage(LoadString(IDS_NO_INFORMATION), ColList::MessageCentred);
    connect(m_list, &CColListBox::Notify, this, &CAlertListWnd::OnListNotify);
    m_filterBar = new CFilterBar(this);
    m_filterBar->hide();
    connect(m_filterBar, &CFilterBar::Changed, this, &CAlertListWnd::ApplyFilter);
    SetFormat(DISPLAY_COLUMNS);
}

CAlertListWnd::~CAlertListWnd() = default;

void CAlertListWnd::SetSortKeyQuery(SortKeyQuery query)
{
    SortKeyQueryHook() = std::move(query);
}

void CAlertListWnd::resizeEvent(QResizeEvent*)
{
    QRect area = rect();
    if (m_filterBar->isVisibleTo(this)) {
        const int h = m_filterBar->sizeHint().height();
        m_filterBar->setGeometry(0, 0, width(), h);
        area.setTop(h);
    }
    m_list->setGeometry(area);
    m_edit->setGeometry(area);
}

LRESULT CAlertListWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ALERT_SHOW_LEAF:
        return ShowLeaf(LParamToPtr<CAlertLeaf>(lParam));
    case WM_ALERT_QUERY_VALUE:
        return lParam != 0 ? 1 : 0;
    case WM_ALERT_LEAF_DELETED:
        return RemoveLeaf(LParamToPtr<CAlertLeaf>(lParam));
    case WM_ALERT_LIST_RCLICK: {
        if (wParam != WPARAM(kListCtrlId))
            return 0;
        const int x = LParamX(lParam), y = LParamY(lParam);
        // A row or label may still name a leaf that a reload destroyed; such a row has no menu.
        if (m_format == DISPLAY_COLUMNS && m_list->GetSelCount() == 1) {
            auto* leaf = RowLeaf(m_list->GetSelItems().front());
            if (CAlertLeaf::IsLive(leaf))
                leaf->ShowContextMenu(x, y);
        } else if (m_format == DISPLAY_LABELS && CAlertLeaf::IsLive(m_edit->m_object)) {
            m_edit->m_object->ShowContextMenu(x, y);
        }
        return 0;
    }
    case WM_ALERT_TEXT_RCLICK:
        if (wParam != WPARAM(kTextCtrlId))
            return 0;
        if (m_format == DISPLAY_TEXT && CAlertLeaf::IsLive(m_edit->m_object))
            m_edit->m_object->ShowContextMenu(LParamX(lParam), LParamY(lParam));
        return 0;
    default:
        return 0;
    }
}

void CAlertListWnd::SetFormat(WORD format)
{
    if (format == DISPLAY_TEXT) {
        if (!m_edit->isVisible()) {
            m_list->hide();
            m_edit->setReadOnly(true);
            m_edit->show();
        }
        m_list->RemoveAll();
        m_current = m_edit;
    } else {
        if (!m_list->isVisible()) {
            m_edit->hide();
            m_list->show();
        }
        m_edit->clear();
        m_current = m_list;
    }
    setFocusProxy(m_current);
    m_format = format;
}

LRESULT CAlertListWnd::ShowLeaf(CAlertLeaf* leaf)
{
    if (!leaf)
        return 0;
    CWaitCursor wait;
    LoadProgress::Scope progress([this](int percent) {
        Q_EMIT StatusText(FormatString(IDS_LOADING, {QString::number(percent)}));
    });
    const WORD format = leaf->GetDisplayFormat();
    WORD produced = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    leaf->GetDisplayData(format, &produced, &heading, &rows, &objects);

    QStringList keys;
    DWORD numericColumns = 0;
    const SortKeyQuery& query = SortKeyQueryHook();
    if (produced != DISPLAY_COLUMNS || !dynamic_cast<CRowSource*>(leaf))
        ForgetSource();
    if (!query || !query(leaf, &keys, &numericColumns)) {
        keys = rows;
        numericColumns = 0;
    }

    // Showing the same leaf again (after an edit) keeps the rows the user had selected, so that
    // commands and update queries still reach them.
    std::vector<CAlertLeaf*> keep;
    if (leaf == m_shownLeaf && m_format == DISPLAY_COLUMNS && !m_list->GetRowSource())
        keep = SelectedObjects();

    switch (produced) {
    case DISPLAY_NOTHING:
        SetFormat(DISPLAY_NOTHING);
        break;
    case DISPLAY_COLUMNS:
        if (auto* source = dynamic_cast<CRowSource*>(leaf)) {
            ShowSource(leaf, source, heading);
        } else {
            ShowColumns(heading, rows, keys, objects, numericColumns);
            for (int i = 0; !keep.empty() && i < m_list->GetCount(); ++i)
                if (std::find(keep.begin(), keep.end(), m_list->GetRowObject(i)) != keep.end())
                    m_list->SetSel(i, true);
        }
        break;
    case DISPLAY_LABELS:
        ShowLabels(leaf, heading, rows, objects);
        break;
    case DISPLAY_TEXT:
        ShowText(rows, objects);
        break;
    default:
        // Unknown formats show nothing and route nothing to leaves.
        m_list->RemoveAll();
        SetFormat(DISPLAY_NOTHING);
        m_list->Finish();
        break;
    }

    if (progress.Shown())
        ReportRowCount();
    if (produced == DISPLAY_COLUMNS || produced == DISPLAY_LABELS) {
        m_shownLeaf = leaf;
        m_edit->m_leaf = nullptr;
    } else if (produced == DISPLAY_TEXT) {
        m_edit->m_leaf = leaf;
        m_shownLeaf = nullptr;
    } else {
        m_shownLeaf = nullptr;
        m_edit->m_leaf = nullptr;
    }
    return 1;
}

void CAlertListWnd::ShowColumns(const QString& heading, const QStringList& rows, const QStringList& keys,
                                const CLeafArray& objects, DWORD numericColumns)
{
    SetFormat(DISPLAY_COLUMNS);
    m_list->RemoveAll();
    m_list->SetHeadingText(heading);
    for (int c = 0; c < m_list->GetColumnCount(); ++c)
        m_list->SetColumnSort(c, c, c < 32 && (numericColumns & (1u << c)) != 0);
    for (int i = 0; i < rows.size(); ++i) {
        CAlertLeaf* object = i < objects.size() ? objects[i] : nullptr;
        m_list->AppendRow(rows[i], i < keys.size() ? keys[i] : rows[i], object,
                          object ? object->GetBitmap1() : QPixmap(), object ? object->GetBitmap2() : QPixmap());
    }
    if (m_list->GetCount() == 0)
        SetFormat(DISPLAY_NOTHING);
    m_list->Finish();
}

void CAlertListWnd::ForgetSource()
{
    if (m_sourceLeaf || m_list->GetRowSource())
        m_list->RemoveAll();
    m_sourceLeaf = nullptr;
    if (m_filterBar->isVisibleTo(this)) {
        m_filterBar->hide();
        resizeEvent(nullptr);
    }
    ReportRowCount();
}

std::function<bool(int)> CAlertListWnd::MakeFilter(CRowSource* source) const
{
    const CFilterBar::Criteria c = m_filterBar->GetCriteria();
    if (c.IsEmpty() || !m_filterBar->isVisibleTo(this))
        return {};
    return [source, c](int item) {
        CRowSource::Facets facets;
        if (c.severity || !c.application.isEmpty() || c.from >= 0 || c.to >= 0) {
            if (!source->RowFacets(item, &facets))
                return false;
            if (c.severity && facets.severity != c.severity)
                return false;
            if (!c.application.isEmpty() && facets.application != c.application)
                return false;
            if ((c.from >= 0 || c.to >= 0) && facets.time < 0)
                return false;
            if ((c.from >= 0 && facets.time < c.from) || (c.to >= 0 && facets.time > c.to))
                return false;
        }
        return c.text.isEmpty() || source->RowContains(item, c.text);
    };
}

void CAlertListWnd::ApplyFilter()
{
    CRowSource* source = m_list->GetRowSource();
    if (!source)
        return;
    m_list->SetRowFilter(MakeFilter(source));
    SetFormat(m_list->GetCount() > 0 ? DISPLAY_COLUMNS : DISPLAY_NOTHING);
    m_list->CColListBox::Finish();
    ReportRowCount();
}

QString CAlertListWnd::RowCountText() const
{
    if (!m_filterBar->isVisibleTo(this))
        return QString();
    return FormatString(IDS_ROWS_OF, {QString::number(m_list->GetCount()), QString::number(m_list->GetItemCount())});
}

void CAlertListWnd::ReportRowCount()
{
    Q_EMIT StatusText(RowCountText());
}

void CAlertListWnd::ShowSource(CAlertLeaf* leaf, CRowSource* source, const QString& heading)
{
    SetFormat(DISPLAY_COLUMNS);
    const int count = source->RowCount();
    if (m_sourceLeaf == leaf && m_list->GetRowSource() == source && m_sourceGeneration == source->Generation() &&
        count >= m_sourceCount) {
        // The store only grew: its new rows take their places, the selection stays, and the
        // widths measured for the rows already shown stay too.
        if (count > m_sourceCount)
            m_list->AppendRows(m_sourceCount);
    } else {
        const bool sameLeaf = m_sourceLeaf == leaf;
        m_list->RemoveAll();
        m_list->SetHeadingText(heading);
        const DWORD numeric = source->NumericFields();
        for (int c = 0; c < m_list->GetColumnCount(); ++c)
            m_list->SetColumnSort(c, c, c < 32 && (numeric & (1u << c)) != 0);
        const DWORD facets = source->FacetMask();
        if (facets) {
            // Another log starts unfiltered; the same one reloaded keeps its filter.
            if (!sameLeaf)
                m_filterBar->Clear();
            m_filterBar->SetFacets(facets, (facets & CFilterBar::FacetApplication) ? SourceApplications(source)
                                                                                    : QStringList());
            if (!m_filterBar->isVisibleTo(this)) {
                m_filterBar->show();
                resizeEvent(nullptr);
            }
        } else if (m_filterBar->isVisibleTo(this)) {
            m_filterBar->hide();
            resizeEvent(nullptr);
        }
        m_list->SetRowSource(source, MakeFilter(source));
        LoadProgress::Step(2, 3);
        m_list->Finish();
    }
    m_sourceLeaf = leaf;
    m_sourceGeneration = source->Generation();
    m_sourceCount = count;
    SetFormat(m_list->GetCount() > 0 ? DISPLAY_COLUMNS : DISPLAY_NOTHING);
    ReportRowCount();
}

void CAlertListWnd::SourceChanged(int firstRow)
{
    CRowSource* source = m_list->GetRowSource();
    if (!source || !m_sourceLeaf)
        return;
    if (source->Generation() == m_sourceGeneration && source->RowCount() == m_sourceCount)
        return;
    m_list->ReloadRows();
    m_sourceGeneration = source->Generation();
    m_sourceCount = source->RowCount();
    if (m_list->GetCount() == 0) {
        SetFormat(DISPLAY_NOTHING);
    } else {
        SetFormat(DISPLAY_COLUMNS);
        m_list->SetCurSel(std::clamp(firstRow - 1, 0, m_list->GetCount() - 1));
    }
    m_list->CColListBox::Finish();
}

void CAlertListWnd::ShowLabels(CAlertLeaf* leaf, const QString& heading, const QStringList& rows,
                               const CLeafArray& objects)
{
    SetFormat(DISPLAY_LABELS);
    m_list->RemoveAll();
    m_list->SetHeadingText(LoadString(IDS_LABEL_HEADING));
    for (int c = 0; c < m_list->GetColumnCount(); ++c)
        m_list->SetColumnSort(c, c, false);
    m_edit->m_object = objects.isEmpty() ? nullptr : objects.front();
    const QStringList labels = heading.split(QLatin1Char('\t'));
    const QStringList values = rows.isEmpty() ? QStringList() : rows.front().split(QLatin1Char('\t'));
    CAlertLeaf* imageLeaf = m_edit->m_object ? m_edit->m_object : leaf;
    for (int j = 0; j < values.size(); ++j) {
        const QString text = (j < labels.size() ? labels[j] : QString()) + QLatin1Char('\t') + values[j];
        const int index = m_list->AddRow(text, text);
        if (index >= 0 && j == 0 && imageLeaf)
            m_list->SetRowImages(index, imageLeaf->GetBitmap1(), imageLeaf->GetBitmap2());
    }
    if (m_list->GetCount() == 0)
        SetFormat(DISPLAY_NOTHING);
    m_list->Finish();
}

void CAlertListWnd::ShowText(const QStringList& rows, const CLeafArray& objects)
{
    SetFormat(DISPLAY_TEXT);
    m_edit->m_object = objects.isEmpty() ? nullptr : objects.front();
    m_edit->setUpdatesEnabled(false);
    const int first = m_edit->FirstVisibleLine();
    QString text = rows.isEmpty() ? QString() : rows.front();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_edit->setPlainText(text);
    // Reshowing keeps the reader's place when the text still reaches that line.
    if (m_edit->document()->blockCount() > first)
        m_edit->ScrollToLine(first);
    m_edit->setUpdatesEnabled(true);
    m_edit->viewport()->update();
}

LRESULT CAlertListWnd::RemoveLeaf(CAlertLeaf* leaf)
{
    if (!leaf)
        return 0;
    // Only the leaf on display (or the owner of its text) takes a label or text display with
    // it; another leaf going away leaves the reader's display alone.
    const bool displayed = leaf == m_shownLeaf || leaf == m_edit->m_leaf || leaf == m_edit->m_object;
    if (m_shownLeaf == leaf)
        m_shownLeaf = nullptr;
    if (leaf == m_sourceLeaf) {
        // The store goes with its leaf.
        ForgetSource();
        SetFormat(DISPLAY_NOTHING);
        m_list->Finish();
    } else if (m_format == DISPLAY_COLUMNS) {
        const int index = m_list->FindObject(leaf);
        if (index >= 0) {
            m_list->DeleteRow(index);
            if (m_list->GetCount() == 0)
                SetFormat(DISPLAY_NOTHING);
            else
                m_list->SetCurSel(std::max(0, index - 1));
            // Widths stay as they were measured: a leaf going is not a reason to measure again.
            m_list->CColListBox::Finish();
        }
    } else if (m_format == DISPLAY_LABELS && displayed) {
        m_list->RemoveAll();
        SetFormat(DISPLAY_NOTHING);
        m_edit->m_object = nullptr;
        m_list->Finish();
    } else if (m_format == DISPLAY_TEXT && displayed) {
        m_edit->clear();
        SetFormat(DISPLAY_NOTHING);
        m_edit->m_object = nullptr;
        m_edit->m_leaf = nullptr;
    }
    if (m_edit->m_leaf == leaf)
        m_edit->m_leaf = nullptr;
    if (m_edit->m_object == leaf)
        m_edit->m_object = nullptr;
    return 1;
}

CAlertLeaf* CAlertListWnd::RowLeaf(int row) const
{
    if (CRowSource* source = m_list->GetRowSource())
        return dynamic_cast<CAlertLeaf*>(source->RowObject(m_list->GetRowItem(row)));
    return static_cast<CAlertLeaf*>(m_list->GetRowObject(row));
}

std::vector<CAlertLeaf*> CAlertListWnd::SelectedObjects() const
{
    std::vector<CAlertLeaf*> out;
    for (int index : m_list->GetSelItems())
        out.push_back(static_cast<CAlertLeaf*>(m_list->GetRowObject(index)));
    return out;
}

bool CAlertListWnd::RouteToSelectedRows(UINT id, CCmdUI* pUI)
{
    if (CRowSource* source = m_list->GetRowSource()) {
        // One call for all the selected rows of a store.
        const std::vector<int> rows = m_list->GetSelItems();
        if (rows.empty())
            return false;
        std::vector<int> items;
        items.reserve(rows.size());
        for (int row : rows)
            items.push_back(m_list->GetRowItem(row));
        if (!pUI && id == ID_EDIT_DELETE)
            Switches::SetAskBeforeDelete(true);
        const bool handled = source->OnRowsCommand(id, pUI, items);
        // A message box may have run its own loop meanwhile: the store is asked again only if
        // its leaf is still the one shown.
        if (!pUI && m_list->GetRowSource() == source)
            SourceChanged(rows.front());
        return handled;
    }
    const std::vector<CAlertLeaf*> objects = SelectedObjects();
    if (objects.empty())
        return false;
    bool allHandled = true;
    {
        // Rows may belong to different parents (a table's combined list spans its methods):
        // every parent that lost or changed a child hears once, after the last row.
        std::optional<CNotifyOncePerParent> once;
        if (!pUI)
            once.emplace();
        // Last selected row first.
        for (int i = int(objects.size()) - 1; i >= 0; --i) {
            CAlertLeaf* leaf = objects[size_t(i)];
            // A row's leaf can go with an earlier one (a parent deleted before its child).
            if (!leaf || !CAlertLeaf::IsLive(leaf)) {
                allHandled = false;
                continue;
            }
            m_lastOfSelection = i == 0;
            if (!leaf->OnCmdMsg(id, pUI))
                allHandled = false;
        }
        m_lastOfSelection = false;
    }
    return allHandled;
}

bool CAlertListWnd::HasCommandTarget() const
{
    switch (m_format) {
    case DISPLAY_COLUMNS:
        if (m_list->GetRowSource())
            return !m_list->GetSelItems().empty();
        for (CAlertLeaf* leaf : SelectedObjects())
            if (leaf && CAlertLeaf::IsLive(leaf))
                return true;
        return false;
    case DISPLAY_LABELS:
    case DISPLAY_TEXT:
        return m_edit->m_object && CAlertLeaf::IsLive(m_edit->m_object);
    default:
        return false;
    }
}

bool CAlertListWnd::OnCmdMsg(UINT id, CCmdUI* pUI)
{
    // One confirmation per delete command, whichever display the command reaches.
    if (!pUI && id == ID_EDIT_DELETE)
        Switches::SetAskBeforeDelete(true);
    switch (m_format) {
    case DISPLAY_COLUMNS:
        if (RouteToSelectedRows(id, pUI))
            return true;
        if (m_list->OnCmdMsg(id, pUI))
            return true;
        break;
    case DISPLAY_LABELS:
        if (m_edit->m_object && CAlertLeaf::IsLive(m_edit->m_object) && m_edit->m_object->OnCmdMsg(id, pUI))
            return true;
        if (m_list->OnCmdMsg(id, pUI))
            return true;
        break;
    case DISPLAY_TEXT:
        if (m_edit->m_object && CAlertLeaf::IsLive(m_edit->m_object) && m_edit->m_object->OnCmdMsg(id, pUI))
            return true;
        if (m_edit->OnCmdMsg(id, pUI))
            return true;
        break;
    default:
        break;
    }
    return DispatchFromMap(id, pUI);
}

void CAlertListWnd::OnListNotify(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ColList::NotifyRightClick) {
        SendMessage(WM_ALERT_LIST_RCLICK, wParam, lParam);
    } else if (message == ColList::NotifyCommand) {
        const int ctrlId = int(wParam & 0xFFFF);
        const int code = int((wParam >> 16) & 0xFFFF);
        if (ctrlId == kListCtrlId && code == ColList::DblClk)
            OnListDoubleClick();
    }
}

void CAlertListWnd::OnListDoubleClick()
{
    if (m_format == DISPLAY_COLUMNS && m_list->GetSelCount() == 1) {
        auto* leaf = RowLeaf(m_list->GetSelItems().front());
        if (leaf && CAlertLeaf::IsLive(leaf))
            leaf->Select();
    } else if (m_format == DISPLAY_LABELS && m_edit->m_object) {
        m_edit->m_object->OnDoubleClick(1, 0, 0);
    }
}

// ---- printing ---------------------------------------------------------------------------------

QString CAlertListWnd::PrintHeader() const
{
    CAlertLeaf* leaf = m_shownLeaf ? m_shownLeaf : m_edit->m_leaf;
    const QString title = leaf ? leaf->GetTitle() : QString();
    return LoadString(IDS_APP_TITLE) + QStringLiteral(" - ") + title;
}

void CAlertListWnd::PrintList()
{
    PanePrint::Content content;
    content.header = PrintHeader();
    content.cjkLocale = PanePrint::IsCjkSystemLocale();
    content.dateColumn = m_shownLeaf && PanePrint::HasDateColumn(m_shownLeaf->GetTitle());
    for (int c = 0; c < m_list->GetColumnCount(); ++c)
        content.screenWidths.push_back(m_list->GetColumnWidth(c));
    for (int i = 0; i < m_list->GetCount(); ++i)
        content.rows.push_back(m_list->GetRowText(i).split(QLatin1Char('\t')));
    RunPrintJob(content);
}

void CAlertListWnd::PrintText()
{
    PanePrint::Content content;
    content.header = PrintHeader();
    content.cjkLocale = PanePrint::IsCjkSystemLocale();
    content.isText = true;
    content.lines = PanePrint::TextLines(m_edit->toPlainText());
    RunPrintJob(content);
}

void CAlertListWnd::RunPrintJob(const PanePrint::Content& content)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(LoadString(IDS_PRINT_DOCUMENT));
    if (!UiHost::Current()->PrintDialog(&printer, window()))
        return;
    printer.setDocName(LoadString(IDS_PRINT_DOCUMENT));
    CWaitCursor wait;
    QProgressDialog progress(LoadString(IDS_PRINTING), LoadString(IDS_BUTTON_CANCEL), 0, 0, window());
    progress.setWindowTitle(LoadString(IDS_APP_TITLE));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    // Between pages the abort box stays live.
    auto keepAlive = [&progress]() {
        progress.setValue(0);
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPumpMilliseconds);
        return !progress.wasCanceled();
    };
    PanePrint::Print(&printer, content, keepAlive);
}

QStringList CAlertListWnd::DisplayedLines() const
{
    QStringList out;
    if (m_format == DISPLAY_TEXT) {
        QString text = m_edit->toPlainText();
        out = text.split(QLatin1Char('\n'));
        return out;
    }
    QStringList headings;
    for (int c = 0; c <= m_list->GetLastVisibleColumn(); ++c)
        headings.append(m_list->GetHeading(c));
    out.append(headings.join(QLatin1Char('\t')));
    for (int i = 0; i < m_list->GetCount(); ++i)
        out.append(m_list->GetRowText(i));
    return out;
}

// ---- export -----------------------------------------------------------------------------------

QByteArray CAlertListWnd::ListCsv() const
{
    const int columns = m_list->GetLastVisibleColumn() + 1;
    QStringList headings;
    for (int c = 0; c < columns; ++c)
        headings << m_list->GetHeading(c);
    QByteArray csv = CsvLine(headings);
    for (int i = 0; i < m_list->GetCount(); ++i) {
        QStringList cells = m_list->GetRowCells(i);
        while (cells.size() < columns)
            cells << QString();
        csv += CsvLine(cells.mid(0, std::max(columns, 1)));
    }
    return csv;
}

bool CAlertListWnd::ExportList()
{
    QString path;
    if (!UiHost::Current()->GetSaveFileName(window(), LoadString(IDS_EXPORT_CAPTION), QString(),
                                            LoadString(IDS_EXPORT_FILTER), &path) ||
        path.isEmpty())
        return false;
    CWaitCursor wait;
    QSaveFile file(path);
    const QByteArray csv = ListCsv();
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        AfxMessageBox(FormatString(IDS_EXPORT_FAILED, {QDir::toNativeSeparators(path)}), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void CAlertListWnd::OnExportList()
{
    ExportList();
}

void CAlertListWnd::OnUpdateExportList(CCmdUI* pUI)
{
    pUI->Enable((m_format == DISPLAY_COLUMNS || m_format == DISPLAY_LABELS) && m_list->GetCount() > 0);
}
