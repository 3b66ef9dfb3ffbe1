#pragma once
// The alert event log: CEventLogSummaryLeaf stands for a server's ALRECORD.TBL and holds one
// CEventLogRecordLeaf per record. The log is read when the node is first expanded or shown and
// again whenever the file's size or last write changed. Deleting records removes them from the
// file in one read-merge-write under the lock the service appends under, so a record the service
// adds meanwhile is never lost, and removes their detail files.
#include "tree/AlertLeaf.h"

#include "framework/RowSource.h"
#include "records/EventLogTable.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <vector>

class CEventLogRecordLeaf;

// The records as read: the file's bytes, header and records back to back, and how many of the
// blocks are records. Fields are read from the bytes when they are asked for.
class CEventLogStore {
public:
    // Takes a whole file image; the records are as many complete blocks as the counters name.
    // False (and nothing changed) when even the header is incomplete.
    bool Load(QByteArray image);
    // Gives up the bytes held (the store is then empty), for an edit made in place.
    QByteArray TakeImage();
    // Takes the header and the blocks that follow the records held; false when the header no
    // longer counts the records held.
    bool Append(const QByteArray& header, const QByteArray& tail);
    void Clear();
    QByteArray Header() const;
    int Count() const { return m_count; }
    qint64 Bytes() const { return m_image.size(); }
    const char* Record(int item) const;
    QByteArray Block(int item) const;   // the record as it would be written back
    int Severity(int item) const;
    int32_t Time(int item) const;
    QByteArray Application(int item) const;
    QByteArray Description(int item) const;
    QByteArray DetailFile(int item) const;

private:
    QByteArray m_image;
    int m_count = 0;
};

class CEventLogSummaryLeaf : public CAlertLeaf, public CRowSource {
public:
    // Tries at the log's path, the first at once and each further one after a pause.
    static constexpr int kPathTries = 10;
    static constexpr DWORD kPathPause = 500;

    // Caption 5017, image 5, no context menu.
    CEventLogSummaryLeaf();
    ~CEventLogSummaryLeaf() override;

    QString GetTitle() override;
    WORD GetDisplayFormat() override;
    // Refreshes; heading 4014, out-format 1. The rows are this leaf's own (CRowSource): the
    // pane reads them from the store, so rows and objects stay empty.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;
    // Makes one record leaf per record (refreshing first), then expands.
    void OnItemExpanding(NMTREEVIEW* notify, LRESULT* result) override;
    // Rewrites the file, unless the leaf is replacing its own children.
    void ChildModified(CAlertLeaf* child) override;

    // Whether the file's size or last write differs from the last read (true before the first).
    // The periodic check (interactive clear) tries the path once and says nothing, so an
    // unknown path never stalls the console or repeats its message on every tick.
    bool FileModified(bool interactive = true);
    // Reads the file again when it changed: only the appended blocks when the service appended
    // to the file held, the whole file when it was replaced.
    void Refresh();
    // Removes the records deleted since the last rewrite from the file; false (after message
    // 5114, 5116 or 5117) on failure.
    bool RewriteFile();

    // Called by a record child that is being deleted: its severity's counter goes down (never
    // below zero); when all three are zero the next refresh only drops the children. The record
    // is removed from the file by the next rewrite.
    void OnRecordDeleted(const CEventLogRecordLeaf* record);
    // Deletes records of the store (the pane's selected rows): one question (when the
    // ask-before-delete flag is set), their detail files, one rewrite.
    void DeleteRecords(const std::vector<int>& items);

    // An application's display name, read from the registry once per load.
    QString ApplicationDisplayName(const QString& application) const;

    const Records::EventLogHeader& GetHeader() const { return m_header; }
    const CEventLogStore& GetStore() const { return m_store; }
    bool IsLogEmptied() const { return m_logEmptied; }
    // The record leaf of a store item; the record leaves are made first when they are not.
    CEventLogRecordLeaf* RecordLeaf(int item);
    bool HasRecordLeaves() const { return !m_leaves.empty(); }
    // The Windows path of ALRECORD.TBL, tried as described above; false with message 5114 (when
    // messages is set) when it stays unknown; false silently without a server above.
    bool GetLogPath(QString* path, bool messages, int tries = kPathTries);

    // Rows of the store, for the information pane.
    int RowCount() const override { return m_store.Count(); }
    QString RowText(int item) const override;
    QString CellText(int item, int column) const override;
    QString SortField(int item, int keyField) const override;
    DWORD NumericFields() const override { return 0x1; }
    double SortNumber(int item, int keyField) const override;
    void RowImages(int item, QPixmap* normal, QPixmap* selected) const override;
    DWORD FacetMask() const override { return 0x7; }
    bool RowFacets(int item, Facets* out) const override;
    bool RowContains(int item, const QString& text) const override;
    uint64_t Generation() const override { return m_generation; }
    bool OnRowsCommand(UINT id, CCmdUI* pUI, const std::vector<int>& items) override;
    CCmdTarget* RowObject(int item) override;

private:
    // Makes the record leaves of items [from, count) as the last children.
    void AddRecordLeaves(int from);
    // Drops every record leaf (and the placeholder) without a rewrite.
    void DropRecordLeaves();
    // The store was renumbered: leaves made again when they existed.
    void StoreReplaced();
    // Appends the blocks past the records held; false when the file is not the one held grown.
    bool ReadTail(const QString& host, const Records::FileIdentity& identity);
    // A deleted record's severity counter goes down (never below zero); all three at zero
    // mark the log emptied.
    void CountDeleted(int severity);

    Records::EventLogHeader m_header;
    CEventLogStore m_store;
    uint64_t m_generation = 1;
    qint64 m_cachedSize = -1;
    qint64 m_cachedTime = -1;   // nanoseconds
    quint64 m_cachedInode = 0;
    // The state of the file the store holds, when it is the file's whole content as read.
    Records::FileIdentity m_storeIdentity;
    bool m_ignoreChildChanges = false;   // bIgnore
    // The log became empty through deletions: the next refresh drops the children unread.
    bool m_logEmptied = false;
    // Records deleted since the last rewrite, as they were read.
    QVector<Records::EventLogRemoval> m_removals;
    // Record leaves by store item, once made.
    std::vector<CEventLogRecordLeaf*> m_leaves;
    mutable QHash<QByteArray, QString> m_displayNames;   // per load
    QPixmap m_severityImages[3][2];
};

class CEventLogRecordLeaf : public CAlertLeaf {
    DECLARE_MESSAGE_MAP()
public:
    static constexpr int kSeverityImages[3] = {22, 23, 24};

    // summary: the log whose application names the record takes, when it is filled before it
    // is inserted under that log; else its parent's.
    explicit CEventLogRecordLeaf(const CEventLogSummaryLeaf* summary = nullptr);

    // Fills the leaf once from a 256-byte record of the given version (10 only); 0 when it was
    // filled already, the version is not supported or the record is missing.
    virtual BOOL SetFromRecord(const QByteArray* record, int version);
    BOOL SetAsVer10(const QByteArray* record);

    QString GetTitle() override;
    WORD GetDisplayFormat() override;
    // Format 1: the row "date-time\tapplication\tdescription"; otherwise the detail file's text
    // as a read-only text (out-format 3).
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

    // The record as it is written back.
    QByteArray GetRecordBlock() const;
    // The detail file's text; empty (with message 5115 when the directory is unknown) on failure.
    QString ReadDetailText();
    // Command 3007 with the process-wide question: one question per command.
    void OnDeleteRecord();

    BOOL IsFilled() const { return m_filled; }
    int GetVersion() const { return m_version; }
    int GetSeverity() const;
    // Position in the file when the record was read (0 = first record).
    qsizetype GetFileIndex() const { return m_fileIndex; }
    void SetFileIndex(qsizetype index) { m_fileIndex = index; }
    int32_t GetTimeGenerated() const;
    QString GetDateTimeText() const;
    const QString& GetApplicationDisplayName() const { return m_appDisplayName; }
    QString GetDescription() const;
    QString GetDetailFileName() const;

protected:
    void OnUpdateDeleteRecord(CCmdUI* pUI);

private:
    // The detail file's Windows path; false when the directory is unknown or the stored name is
    // not a plain file name (a name from the file never leaves the event-log directory).
    bool DetailPath(QString* path, bool* directoryKnown) const;

    const CEventLogSummaryLeaf* m_summary = nullptr;
    int m_version = 0;
    BOOL m_filled = 0;
    qsizetype m_fileIndex = -1;
    // The record's bytes: its log's store holds them for a leaf made by the log; a leaf made
    // alone keeps them here.
    const char* Record() const;
    QByteArray m_block;
    QString m_appDisplayName;
};
