#pragma once
// The alert event log: CEventLogSummaryLeaf stands for a server's ALRECORD.TBL and holds one
// CEventLogRecordLeaf per record. The log is read when the node is first expanded or shown and
// again whenever the file's size or last write changed. Deleting records rewrites the file
// (replaced atomically under the lock the service appends under) and removes their detail files.
#include "tree/AlertLeaf.h"

#include "records/EventLogTable.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

class CEventLogRecordLeaf;

class CEventLogSummaryLeaf : public CAlertLeaf {
public:
    // Tries at the log's path, the first at once and each further one after a pause.
    static constexpr int kPathTries = 10;
    static constexpr DWORD kPathPause = 500;

    // Caption 5017, image 5, no context menu.
    CEventLogSummaryLeaf();

    QString GetTitle() override;
    WORD GetDisplayFormat() override;
    // Refreshes, then one row per record; heading 4014, out-format 1.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;
    void OnItemExpanding(NMTREEVIEW* notify, LRESULT* result) override;
    // Rewrites the file, unless the leaf is replacing its own children.
    void ChildModified(CAlertLeaf* child) override;

    // Whether the file's size or last write differs from the last read (true before the first).
    // The periodic check (interactive clear) tries the path once and says nothing, so an
    // unknown path never stalls the console or repeats its message on every tick.
    bool FileModified(bool interactive = true);
    // Reads the file again when it changed.
    void Refresh();
    // Writes the record children back; false (after message 5114, 5116 or 5117) on failure.
    bool RewriteFile();

    // Per record child in child order: time generated, TAB, application display name, TAB,
    // description.
    QStringList GetSortKeys() const;

    // Called by a record child that is being deleted: its severity's counter goes down (never
    // below zero); when all three are zero the next refresh only drops the children.
    void OnRecordDeleted(int severity);

    // An application's display name, read from the registry once per load.
    QString ApplicationDisplayName(const QString& application);

    const Records::EventLogHeader& GetHeader() const { return m_header; }
    bool IsLogEmptied() const { return m_logEmptied; }
    // The Windows path of ALRECORD.TBL, tried as described above; false with message 5114 (when
    // messages is set) when it stays unknown; false silently without a server above.
    bool GetLogPath(QString* path, bool messages, int tries = kPathTries);

private:
    Records::EventLogHeader m_header;
    qint64 m_cachedSize = -1;
    qint64 m_cachedTime = -1;   // nanoseconds
    bool m_ignoreChildChanges = false;   // bIgnore
    // The log became empty through deletions: the next refresh drops the children unread.
    bool m_logEmptied = false;
    // Records the last read found; records the service appended after it are kept on rewrite.
    qsizetype m_loadedRecords = 0;
    QHash<QString, QString> m_displayNames;   // during a load only
    bool m_loading = false;
};

class CEventLogRecordLeaf : public CAlertLeaf {
    DECLARE_MESSAGE_MAP()
public:
    static constexpr int kSeverityImages[3] = {22, 23, 24};

    CEventLogRecordLeaf();

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
    int GetSeverity() const { return m_record.severity; }
    int32_t GetTimeGenerated() const { return m_record.timeGenerated; }
    const QString& GetDateTimeText() const { return m_dateTime; }
    const QString& GetApplicationDisplayName() const { return m_appDisplayName; }
    QString GetDescription() const { return QString::fromUtf8(m_record.description); }
    QString GetDetailFileName() const { return QString::fromUtf8(m_record.detailFile); }

protected:
    void OnUpdateDeleteRecord(CCmdUI* pUI);

private:
    // The detail file's Windows path; false when the directory is unknown or the stored name is
    // not a plain file name (a name from the file never leaves the event-log directory).
    bool DetailPath(QString* path, bool* directoryKnown) const;

    int m_version = 0;
    BOOL m_filled = 0;
    Records::EventLogRecord m_record;
    QString m_appDisplayName;
    QString m_dateTime;
};
