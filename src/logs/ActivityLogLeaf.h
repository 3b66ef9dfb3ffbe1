#pragma once
// The service's activity log, in the two forms of the two generations of the service:
//   CActivityLogLeaf45  ACTIVITY.LOG, a ring of fixed-size records with a capacity the user
//                       sets; listed in columns, oldest first; clear (3014) and settings (3045);
//   CActivityLogLeaf40  ALERT.LOG, plain text shown whole; clear (3014) when not empty.
// The path comes from the server leaf above; without one every operation does nothing. The
// file is opened only inside one operation, and the service's records codecs read and rewrite
// it under the file's lock, so a clear never tears an entry the service is appending.
#include "framework/RowSource.h"
#include "records/ActivityLog.h"
#include "tree/AlertLeaf.h"

#include <QByteArray>
#include <QDialog>
#include <QStringList>

class QLineEdit;

class CActivityLogLeaf45 : public CAlertLeaf, public CRowSource {
    DECLARE_MESSAGE_MAP()
public:
    static constexpr DWORD kMinCapacity = 100;
    static constexpr DWORD kMaxCapacity = 10000;

    // Caption 5018, image 5, context menu 187.
    CActivityLogLeaf45();

    QString GetTitle() override;
    // Reads the ring: its live, visible records, oldest first, are this leaf's rows
    // (CRowSource), each bound to this leaf; heading 4019, out-format 1. An unreadable log lists
    // nothing. Rows and objects stay empty: the pane reads the rows from the leaf.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;
    // Whether the file's last write differs from the one the last listing saw.
    bool FileModified();

    // Rows of the last listing: "date-time\ttext"; the sort key of a row is chronological
    // (field 0), then the text (field 1).
    int RowCount() const override { return int(m_entries.size()); }
    QString RowText(int item) const override;
    QString CellText(int item, int column) const override;
    QString SortField(int item, int keyField) const override;
    DWORD FacetMask() const override { return 0x4; }
    bool RowFacets(int item, Facets* out) const override;
    uint64_t Generation() const override { return m_generation; }
    bool OnRowsCommand(UINT id, CCmdUI* pUI, const std::vector<int>& items) override;
    CCmdTarget* RowObject(int item) override;

    // Empties the ring keeping its capacity; false when the file could not be rewritten.
    bool ClearLog();
    // Empties the ring and gives it a new capacity (0 keeps the present one).
    bool ResizeLog(DWORD capacity);
    // Capacity and live count of the ring; both 0 when it cannot be read.
    void ReadRingSize(DWORD* capacity, DWORD* count);

protected:
    void OnClearLog();
    void OnUpdateClearLog(CCmdUI* pUI);
    void OnSettings();
    void OnUpdateSettings(CCmdUI* pUI);

private:
    bool HostFile(QString* hostPath) const;

    qint64 m_lastWrite = 0;   // nanoseconds of the last listing's file time; 0 before
    QVector<Records::RingEntry> m_entries;
    uint64_t m_generation = 1;
};

class CActivityLogLeaf40 : public CAlertLeaf {
    DECLARE_MESSAGE_MAP()
public:
    // Caption 5018, image 5, context menu 163.
    CActivityLogLeaf40();

    QString GetTitle() override;
    // Refreshes the text, then one row holding it whole; heading "Data", out-format 3.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;
    // False when the log cannot be made accessible; true when no text is held or the file's
    // size differs from the size it had when the text was read.
    bool FileModified();
    bool HoldsText() const { return m_held; }
    const QByteArray& GetText() const { return m_text; }

    // Empties the file and the held text; false when the file could not be emptied.
    bool ClearLog();

protected:
    void OnClearLog();
    void OnUpdateClearLog(CCmdUI* pUI);

private:
    void RefreshText();
    // Creates a missing log empty (always anew when recreate is set); false on a file error.
    bool MakeAccessible(bool recreate);
    bool HostFile(QString* hostPath) const;

    bool m_held = false;
    QByteArray m_text;      // the file's text as last read (Records::AlertLogText)
    qint64 m_heldSize = 0;  // the file's size when it was read
};

// Dialog 186: the activity log's maximum number of records (edit 1113, 100..10000).
class CLogSettingsDlg : public QDialog {
public:
    static constexpr UINT kDialogId = 186;
    static constexpr int kCapacityEdit = 1113;

    explicit CLogSettingsDlg(DWORD capacity, QWidget* parent = nullptr);
    DWORD GetCapacity() const { return m_capacity; }

    // Checks the number; out of range or not a number shows the framework's message and keeps
    // the dialog open.
    void accept() override;

private:
    QLineEdit* m_edit = nullptr;
    DWORD m_capacity = 0;
};
