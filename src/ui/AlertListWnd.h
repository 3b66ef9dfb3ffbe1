#pragma once
// The information pane: shows the data of the leaf selected in the tree as a column list, a
// label/data list or a read-only text. It knows no leaf type; each leaf says what to show
// through GetDisplayFormat / GetDisplayData. Commands reach the leaves behind the selected
// rows, right-clicks and double-clicks go to them, and the pane prints what it shows.
#include "framework/CmdTarget.h"
#include "platform/WinTypes.h"
#include "tree/AlertLeaf.h"
#include "ui/ColListBox.h"
#include "ui/FilterBar.h"
#include "ui/PanePrinter.h"

#include <QPlainTextEdit>
#include <QWidget>

#include <functional>
#include <vector>

class CAlertListWnd;

// The pane's column list: headings from one tab-separated text, a minimum width per column,
// and finishing that gives the last visible column the rest of the width.
class CAlertColList : public CColListBox, public CCmdTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr DWORD kStyle = 0x4BE;
    static constexpr int kColumns = 10;

    CAlertColList(CAlertListWnd* pane, int ctrlId);

    // Splits the heading at tabs; columns beyond the headings are hidden.
    void SetHeadingText(const QString& heading);
    const QString& GetHeadingText() const { return m_heading; }
    int GetLastVisibleColumn() const { return m_lastVisible; }
    int GetMinWidth(int column) const;
    void SetRecomputeWidths(bool on) { m_recomputeWidths = on; }
    // Width of a heading's text as the minimum-width rule measures it.
    int HeadingTextWidth(const QString& text) const;

    void Finish() override;

protected:
    void OnListKey(QKeyEvent* event) override;
    void OnColumnDragged(int column) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnPrint();
    void OnUpdatePrint(CCmdUI* pUI);
    int ClientWidth() const;
    void FitColumns();

    CAlertListWnd* m_pane;
    QString m_heading;
    std::vector<int> m_minWidths;
    std::vector<int> m_widest; // what each column's texts need, measured when finishing
    int m_lastVisible = -1;
    bool m_recomputeWidths = true;
    bool m_userSized = false; // a border was dragged since the widths were last fitted
};

// The pane's read-only text box. It holds the leaf of a text display and the first object of
// a label/data or text display.
class CAlertEdit : public QPlainTextEdit, public CCmdTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    CAlertEdit(CAlertListWnd* pane, int ctrlId);

    CAlertLeaf* m_leaf = nullptr;
    CAlertLeaf* m_object = nullptr;

    int FirstVisibleLine() const;
    void ScrollToLine(int line);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnPrint();
    void OnUpdatePrint(CCmdUI* pUI);

    CAlertListWnd* m_pane;
};

class CAlertListWnd : public QWidget, public CCmdTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr int kListCtrlId = 100;
    static constexpr int kTextCtrlId = 101;

    explicit CAlertListWnd(QWidget* parent = nullptr);
    ~CAlertListWnd() override;

    // 0x464 show a leaf, 0x465 query, 0x466 forget a leaf, 0x6bf / 0x4c8 right-clicks.
    LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ShowLeaf(CAlertLeaf* leaf);
    LRESULT RemoveLeaf(CAlertLeaf* leaf);

    bool OnCmdMsg(UINT id, CCmdUI* pUI) override;
    // Whether commands have a live leaf here to go to: a selected row's, or the label list's or
    // text box's object.
    bool HasCommandTarget() const;

    WORD GetFormat() const { return m_format; }
    CAlertColList* GetList() const { return m_list; }
    CAlertEdit* GetTextBox() const { return m_edit; }
    QWidget* GetCurrentChild() const { return m_current; }
    CAlertLeaf* GetShownLeaf() const { return m_shownLeaf; }
    CAlertLeaf* GetTextLeaf() const { return m_edit->m_leaf; }
    bool IsLastOfSelection() const { return m_lastOfSelection; }

    // Leaves whose rows sort by keys of their own (the event log and the activity log) answer
    // through this query: it fills keys (one per row) and the columns that sort numerically
    // (bit n for column n), and returns true; otherwise the row texts are the keys.
    using SortKeyQuery = std::function<bool(CAlertLeaf* leaf, QStringList* keys, DWORD* numericColumns)>;
    static void SetSortKeyQuery(SortKeyQuery query);

    // Printing (command 3028) of what the current child shows; the children call it.
    void PrintList();
    void PrintText();
    // Header line of printed pages.
    QString PrintHeader() const;

    // The lines the pane shows: the heading and each row (columns separated by tabs), or the
    // text of the text box.
    QStringList DisplayedLines() const;

    // The filter bar, shown over rows that carry its facets (the logs).
    CFilterBar* GetFilterBar() const { return m_filterBar; }
    // "N of M" while the filter bar is shown, else empty.
    QString RowCountText() const;
    // Command 3100: the list as shown (heading and rows, filtered and sorted) as RFC 4180 CSV in
    // UTF-8, to a file the user chooses; false when nothing was written.
    bool ExportList();
    // The same text without asking.
    QByteArray ListCsv() const;

Q_SIGNALS:
    // Rows shown or filtered changed, or a load is slow: text for the status bar.
    void StatusText(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetFormat(WORD format);
    void ShowColumns(const QString& heading, const QStringList& rows, const QStringList& keys,
                     const CLeafArray& objects, DWORD numericColumns);
    // Rows straight from the leaf's store: a grown store adds its new rows, a renumbered one
    // is shown again.
    void ShowSource(CAlertLeaf* leaf, CRowSource* source, const QString& heading);
    // After a command on the store's rows: renumbered rows are shown again, the row before
    // the first one acted on selected.
    void SourceChanged(int firstRow);
    void ForgetSource();
    void ApplyFilter();
    // The row filter of the filter bar's criteria for a store's rows; empty when none is set.
    std::function<bool(int)> MakeFilter(CRowSource* source) const;
    void ReportRowCount();
    void OnExportList();
    void OnUpdateExportList(CCmdUI* pUI);
    void ShowLabels(CAlertLeaf* leaf, const QString& heading, const QStringList& rows, const CLeafArray& objects);
    void ShowText(const QStringList& rows, const CLeafArray& objects);
    bool RouteToSelectedRows(UINT id, CCmdUI* pUI);
    void OnListNotify(UINT message, WPARAM wParam, LPARAM lParam);
    void OnListDoubleClick();
    std::vector<CAlertLeaf*> SelectedObjects() const;
    // The leaf behind a row: its object, or for a store's row the record's leaf (made then).
    CAlertLeaf* RowLeaf(int row) const;
    void RunPrintJob(const PanePrint::Content& content);

    WORD m_format = 0;
    CAlertColList* m_list = nullptr;
    QWidget* m_current = nullptr;
    CAlertLeaf* m_shownLeaf = nullptr;
    // The leaf whose store the list shows, and what the list last took from it.
    CAlertLeaf* m_sourceLeaf = nullptr;
    uint64_t m_sourceGeneration = 0;
    int m_sourceCount = 0;
    bool m_lastOfSelection = false;
    CAlertEdit* m_edit = nullptr;
    CFilterBar* m_filterBar = nullptr;
};
