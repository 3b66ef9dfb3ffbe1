#pragma once
// The console's multi-column list: a header band of headings over a list of rows. A row is a
// tab-separated text plus a sort key; rows stay ordered by one field of their key, chosen by
// clicking a heading. Columns are resized by dragging a heading's right border. The owner
// hears of clicks through Notify(), shaped as the messages a list control sends its parent.
// Rows are either the list's own (AddRow) or a view over an owner's store (SetRowSource): the
// list then holds only each row's item number and selection, and asks for texts as it draws.
#include "framework/RowSource.h"
#include "platform/WinTypes.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class QKeyEvent;

namespace ColList {

// Style flag word.
constexpr DWORD HScroll = 0x2;       // horizontal scroll bar; extent = total column width
constexpr DWORD Notify = 0x4;        // tell the owner of clicks, checks and list notifications
constexpr DWORD SortOnClick = 0x8;   // clicking a heading sorts by that column
constexpr DWORD KeepSelection = 0x10; // selection survives a re-sort
constexpr DWORD RightClick = 0x20;   // report right-clicks (with Notify)
constexpr DWORD Checks = 0x40;       // check mark per row
constexpr DWORD Checks2 = 0x100;     // same as Checks
constexpr DWORD Images = 0x80;       // normal and selected image before the first column
constexpr DWORD MultiSel = 0x200;    // click toggles a row's selection
constexpr DWORD ExtendedSel = 0x400; // Shift and Ctrl extend the selection

// Column flag: fixed width, the border cannot be dragged.
constexpr DWORD ColFixed = 0x4;

// Notifications to the owner (message, wParam = control id, lParam as noted).
constexpr UINT NotifyHeadingClick = 0x6BD; // lParam: column
constexpr UINT NotifyRightClick = 0x6BF;   // lParam: screen x | y << 16
constexpr UINT NotifyCheck = 0x6C0;        // lParam: new check state
constexpr UINT NotifyCommand = 0x0111;     // wParam: id | code << 16, lParam: 0
// List notification codes carried by NotifyCommand.
constexpr int SelChange = 1;
constexpr int DblClk = 2;
constexpr int SetFocus = 4;
constexpr int KillFocus = 5;

// Empty-list message placement.
constexpr int MessageCentred = 1;

constexpr int MinColumnWidth = 5;
constexpr int RowsControlId = 7;

// Packs a screen point the way the right-click notification carries it (16 bits each, signed).
LPARAM PackPoint(int x, int y);
int PointX(LPARAM lParam);
int PointY(LPARAM lParam);

} // namespace ColList

class CColListBox;

// The header band: draws the headings, resizes columns, reports heading clicks.
class CColHeader : public QWidget {
public:
    explicit CColHeader(CColListBox* owner);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    CColListBox* m_owner;
    int m_pressedColumn = -1;
    int m_dragColumn = -1;
    int m_dragX = 0;
    int m_grabOffset = 0; // pointer distance from the border when the drag began
};

// The rows: an owner-drawn, fixed-height, sorted list that reports keys to the outer control.
class CColRows : public QAbstractScrollArea {
public:
    explicit CColRows(CColListBox* owner);

    int RowAt(int y) const; // row index under a viewport y, or -1 below the last row
    int VisibleRows() const;
    void UpdateScrollBars();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void ClickAt(const QPoint& pos, Qt::KeyboardModifiers modifiers, bool* selectionChanged);

    CColListBox* m_owner;
    bool m_leftDown = false;
};

class CColListBox : public QWidget {
    Q_OBJECT
public:
    // columns: the number of columns, fixed for the life of the control.
    CColListBox(int columns, DWORD styleFlags, int ctrlId, QWidget* owner = nullptr);
    ~CColListBox() override;

    int GetDlgCtrlID() const { return m_ctrlId; }
    DWORD GetStyleFlags() const { return m_flags; }

    // ---- columns ----
    int GetColumnCount() const { return int(m_columns.size()); }
    bool SetHeading(int column, const QString& text);
    QString GetHeading(int column) const;
    bool SetColumnFlags(int column, DWORD flags);
    DWORD GetColumnFlags(int column) const;
    bool SetColumnWidth(int column, int width); // negative widths are refused
    int GetColumnWidth(int column) const;
    int GetColumnLeft(int column) const; // left edge in content coordinates
    int GetTotalWidth() const;
    // Sort settings of a column: the key field it sorts by, numeric or text, and the direction
    // used when it becomes the sort column (1 ascending, 0 descending).
    bool SetColumnSort(int column, int keyField, bool numeric, int defaultDirection = 1);

    // ---- rows ----
    // Inserts a row at its sorted place; returns its index, or a negative value on failure.
    int AddRow(const QString& text, const QString& sortKey);
    // Adds a row for a batch: it takes its sorted place when the batch is finished (Finish or
    // the next AddRow), so row indices are valid only after that.
    void AppendRow(const QString& text, const QString& sortKey, void* object = nullptr,
                   const QPixmap& normal = QPixmap(), const QPixmap& selected = QPixmap());
    bool DeleteRow(int index);
    // Removes all rows and leaves the row source and the filter.
    void RemoveAll();
    int GetCount() const { return int(m_rows.size()); }
    QString GetRowText(int index) const;
    QString GetRowKey(int index) const;
    QString GetSortField(int index) const;
    bool SetRowObject(int index, void* object);
    void* GetRowObject(int index) const;
    int FindObject(const void* object) const; // first row with the object, or -1
    bool SetRowImages(int index, const QPixmap& normal, const QPixmap& selected);
    bool GetCheck(int index) const;
    bool SetCheck(int index, bool checked);

    // ---- rows from a store ----
    // Shows the source's items that the filter accepts (an empty filter accepts all), sorted;
    // nullptr returns to the list's own rows (none). The source must outlive its use or be
    // replaced first.
    void SetRowSource(CRowSource* source, std::function<bool(int item)> filter = {});
    CRowSource* GetRowSource() const { return m_source; }
    // The source's items were renumbered: every row is built again, the selection dropped.
    void ReloadRows();
    // Items from `from` on were appended to the source: each takes its sorted place; the
    // selection and the current row stay on their items.
    void AppendRows(int from);
    // The store item behind a row (for the list's own rows, the order they were added in).
    int GetRowItem(int index) const;
    // Items the list holds before filtering.
    int GetItemCount() const;
    // Rows shown are those whose item the filter accepts (an empty filter accepts all); the
    // selection stays on the items still shown.
    void SetRowFilter(std::function<bool(int item)> filter);
    bool HasRowFilter() const { return bool(m_filter); }
    // Cells of a row, columns in order.
    QStringList GetRowCells(int index) const;

    // ---- selection ----
    int GetSelCount() const;
    std::vector<int> GetSelItems() const; // ascending
    bool IsSelected(int index) const;
    bool SetSel(int index, bool selected); // adds to or removes from the selection
    // The current row: the one last clicked or moved to; -1 when none.
    int GetCurSel() const { return m_caret; }
    // Makes index the current and only selected row (-1 clears the selection).
    bool SetCurSel(int index);
    int GetTopIndex() const;
    void SetTopIndex(int index);

    // ---- sorting ----
    // Sorts by a column. The current sort column flips its direction; another column becomes
    // the sort column with the given direction, or its default direction when -1.
    // Returns the direction now in force, or -1 for a column outside the control.
    int SortBy(int column, int direction = -1);
    int GetSortColumn() const { return m_sortColumn; }
    int GetSortDirection() const { return m_direction; }

    // Recomputes the layout and repaints, after a batch of changes.
    virtual void Finish();

    // Text drawn while the list has no rows.
    void SetEmptyMessage(const QString& text, int mode = ColList::MessageCentred, const QFont& font = QFont());
    QString GetEmptyMessage() const { return m_emptyText; }

    // ---- geometry (drawing and tests) ----
    int HeaderHeight() const;
    int RowHeight() const;
    int ScrollOffset() const { return m_scrollX; }
    int GutterWidth() const; // check mark and image space at the left of column 0
    // Width a column needs to show its texts whole (margins and, for column 0, the gutter
    // included), looking at no more than maxRows rows.
    int WidestCell(int column, int maxRows) const;
    CColHeader* Header() const { return m_header; }
    CColRows* Rows() const { return m_list; }
    // The column whose right border is within reach of content x, or -1 (fixed columns never).
    int BorderHit(int contentX) const;
    int ColumnAt(int contentX) const;

Q_SIGNALS:
    // Owner notification; delivered synchronously.
    void Notify(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Keys pressed in the rows reach the control first; the rows' own handling follows.
    virtual void OnListKey(QKeyEvent* event);
    // The user dragged a column's border to a new width.
    virtual void OnColumnDragged(int column);
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class CColHeader;
    friend class CColRows;

    struct Column {
        QString heading;
        int width = 100;
        DWORD flags = 0;
        int keyField = 0;
        bool numeric = false;
        int defaultDirection = 1;
    };
    // A row of the list's own: a deleted one stays (emptied) until RemoveAll.
    struct Item {
        QString text;
        QString key;
        // The sort column's field: a part of key.
        qsizetype fieldStart = 0;
        qsizetype fieldLength = 0;
        QStringView SortField() const { return QStringView(key).mid(fieldStart, fieldLength); }
        double number = 0.0;
        void* object = nullptr;
        int image = -1;   // index into m_images
        bool live = true;
    };
    struct Row {
        int item = 0;
        bool selected = false;
        bool checked = false;
    };
    struct ImagePair {
        QPixmap normal;
        QPixmap selected;
    };

    void PrepareSortField(Item& item) const;
    // Orders items by the sort column (a stable sort of the rows).
    void SortRows();
    void SettlePending();
    int CompareItems(int a, int b) const;
    bool BeforeItem(int a, int b) const;
    int InsertionIndex(int item) const;
    bool Accepts(int item) const;
    void RebuildRows(bool keepSelection);
    QString ItemText(int item) const;
    int ImageSlot(const QPixmap& normal, const QPixmap& selected);
    const QPixmap* RowPixmap(const Row& row, bool selected, QPixmap* scratch) const;
    void RelayoutChildren();
    void SetScrollX(int x);
    void ScheduleScrollBars();
    void NotifyOwner(UINT message, WPARAM wParam, LPARAM lParam);
    void NotifyList(int code);
    void ToggleCheck(int index);
    void MoveCaret(int index, Qt::KeyboardModifiers modifiers, bool* changed);
    void SelectRange(int from, int to, bool clearOthers);
    void EnsureVisible(int index);
    bool HasChecks() const { return (m_flags & (ColList::Checks | ColList::Checks2)) != 0; }
    bool IsExtended() const { return (m_flags & ColList::ExtendedSel) != 0; }
    bool IsMultiple() const { return !IsExtended() && (m_flags & ColList::MultiSel) != 0; }
    bool IsSingle() const { return !IsExtended() && !IsMultiple(); }
    bool Valid(int index) const { return index >= 0 && index < int(m_rows.size()); }

    DWORD m_flags;
    int m_ctrlId;
    std::vector<Column> m_columns;
    std::vector<Item> m_items;   // the list's own rows
    std::vector<Row> m_rows;     // what is shown, in order
    std::vector<ImagePair> m_images;
    CRowSource* m_source = nullptr;
    std::function<bool(int)> m_filter;
    bool m_sortPending = false;
    int m_sortColumn = 0;
    int m_direction = 1;
    int m_caret = -1;
    int m_anchor = -1;
    int m_scrollX = 0;
    QString m_emptyText;
    int m_emptyMode = ColList::MessageCentred;
    QFont m_emptyFont;
    bool m_emptyFontSet = false;
    CColHeader* m_header = nullptr;
    CColRows* m_list = nullptr;
    QWidget* m_dragLine = nullptr;
    bool m_scrollBarsPending = false;
};
