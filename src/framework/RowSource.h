#pragma once
// Rows a column list shows straight from their owner's store, for lists too long to hold one
// object and one text per row (the logs). Items are numbered 0 .. RowCount()-1 in the store's
// order; the list keeps only their order and selection and asks for texts when it draws.
#include "platform/WinTypes.h"

#include <QPixmap>
#include <QString>
#include <cstdint>
#include <vector>

class CCmdTarget;
class CCmdUI;

class CRowSource {
public:
    virtual ~CRowSource() = default;

    virtual int RowCount() const = 0;
    // Tab-separated columns of one item.
    virtual QString RowText(int item) const = 0;
    // Cells of one column (cheaper than splitting RowText where a column is asked alone).
    virtual QString CellText(int item, int column) const { return RowText(item).section(QLatin1Char('\t'), column, column); }
    // The field of the item's sort key that the key field names; a text sort compares these.
    virtual QString SortField(int item, int keyField) const = 0;
    // Bit n set: key field n sorts by SortNumber instead.
    virtual DWORD NumericFields() const { return 0; }
    virtual double SortNumber(int item, int keyField) const
    {
        Q_UNUSED(item);
        Q_UNUSED(keyField);
        return 0.0;
    }
    virtual void RowImages(int item, QPixmap* normal, QPixmap* selected) const
    {
        Q_UNUSED(item);
        Q_UNUSED(normal);
        Q_UNUSED(selected);
    }
    // Which facets the rows carry for the filter bar: 0x1 application, 0x2 severity, 0x4 time;
    // 0 shows no filter bar.
    virtual DWORD FacetMask() const { return 0; }
    // What the filter bar asks of an item; false when the rows have no such facets.
    struct Facets {
        QString application;   // as shown; empty when the rows have none
        int severity = 0;      // 1 important (and unknown values), 2 warning, 3 information; 0 none
        qint64 time = -1;      // seconds since 1970; -1 none
    };
    virtual bool RowFacets(int item, Facets* out) const
    {
        Q_UNUSED(item);
        Q_UNUSED(out);
        return false;
    }
    // Whether any column of the item contains the text (case ignored).
    virtual bool RowContains(int item, const QString& text) const
    {
        return RowText(item).contains(text, Qt::CaseInsensitive);
    }

    // Changes whenever items are renumbered (a reload, a deletion); appending items keeps it.
    virtual uint64_t Generation() const = 0;

    // A command (pUI null) or its update query on the selected rows, once for all of them;
    // true when handled.
    virtual bool OnRowsCommand(UINT id, CCmdUI* pUI, const std::vector<int>& items) = 0;
    // The object behind one item, for what the user does to that record alone (its menu, a
    // double-click); it may be made on demand.
    virtual CCmdTarget* RowObject(int item) = 0;
};
