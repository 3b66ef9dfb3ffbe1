// The alert event log: loading on display and on first expansion, rows, captions, images and
// keys of the records, short and header-only files, the detail text, deleting records with one
// question per command (counters, file rewrite, detail files), the emptied log, and the
// messages of a missing path, directory or file.
#include "LogsTestSupport.h"

#include "framework/Commands.h"
#include "logs/EventLogLeaf.h"
#include "logs/LogHooks.h"
#include "records/StoreFile.h"
#include "platform/Registry.h"
#include "ui/AlertListWnd.h"

#include <QDir>
#include <QFileInfo>

using namespace LogsTest;

namespace {

const QString kTable = QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/ALRECORD.TBL");

Records::EventLogRecord MakeRecord(const char* app, int severity, int32_t time, const char* description,
                                   const char* detail, const char* label = "")
{
    Records::EventLogRecord r;
    r.application = app;
    r.severity = uint8_t(severity);
    r.timeGenerated = time;
    r.description = description;
    r.detailFile = detail;
    r.labelSuffix = label;
    r.head = QByteArray("\x01\x02\x03\x04\x05\x06", 6);
    r.tail = QByteArray(79, '\x7f');
    return r;
}

class EventLogTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        ASSERT_EQ(Registry::PutString(kThisComputer,
                                      QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Applications\\QUELLIT"),
                                      QStringLiteral("DisplayName"), QStringLiteral("Quellit Monitor")),
                  0u);
        m_header.rest = QByteArray(244, '\x5a');
    }

    QString Host(const QString& relative = kTable) const { return m_world.Path(relative); }
    QString Detail(const QString& name) const
    {
        return m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/") + name);
    }

    void WriteLog(const QVector<Records::EventLogRecord>& records)
    {
        ASSERT_TRUE(Records::WriteEventLog(Host(), m_header, records));
        for (const auto& r : records)
            if (!r.detailFile.isEmpty()) {
                ASSERT_TRUE(m_world.Write(QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/") +
                                              QString::fromUtf8(r.detailFile),
                                          "detail of " + r.description + QByteArray("\0tail", 5)));
            }
    }

    // Four records: important QUELLIT, warning DUNMARK, information QUELLIT, unknown severity.
    QVector<Records::EventLogRecord> Sample() const
    {
        return {MakeRecord("QUELLIT", 1, 1700000300, "disk full", "AL000001.TXT", "L1"),
                MakeRecord("DUNMARK", 2, 1700000100, "slow link", "AL000002.TXT"),
                MakeRecord("QUELLIT", 3, -1, "started", "AL000003.TXT", "boot"),
                MakeRecord("DUNMARK", 7, 1700000200, "odd", "AL000004.TXT")};
    }

    CEventLogSummaryLeaf* AddLog(bool placeholder = true)
    {
        auto* log = Add(new CEventLogSummaryLeaf);
        if (placeholder) {
            EXPECT_TRUE(log->InsertChild(new CAlertLeaf));
        }
        return log;
    }

    // The rows the pane reads from the log after a display request.
    static QStringList LogRows(CEventLogSummaryLeaf* log)
    {
        Rows(log, 1);
        QStringList rows;
        for (int item = 0; item < log->RowCount(); ++item)
            rows << log->RowText(item);
        return rows;
    }

    // The record leaves, made as reaching a record makes them.
    static std::vector<CEventLogRecordLeaf*> RecordLeaves(CEventLogSummaryLeaf* log)
    {
        log->RecordLeaf(0);
        std::vector<CEventLogRecordLeaf*> list;
        for (CAlertLeaf* c = log->GetFirstChild(); c; c = c->GetNextSibling())
            if (auto* r = dynamic_cast<CEventLogRecordLeaf*>(c))
                list.push_back(r);
        return list;
    }

    // The delete command as the pane sends it for these rows: the question flag set once, the
    // rows last to first, the parent told only for the last one dispatched.
    static void DeleteRows(std::vector<CEventLogRecordLeaf*> rows)
    {
        Switches::SetAskBeforeDelete(true);
        for (size_t i = rows.size(); i-- > 0;) {
            const bool previous = Switches::SetNotifyParent(i == 0);
            rows[i]->OnCmdMsg(ID_EDIT_DELETE, nullptr);
            Switches::SetNotifyParent(previous);
        }
    }

    Records::EventLogFile ReadBack() const
    {
        Records::EventLogFile file;
        EXPECT_TRUE(Records::ReadEventLog(Host(), &file));
        return file;
    }

    Records::EventLogHeader m_header;
};

} // namespace

TEST_F(EventLogTest, DisplayLoadsRecordsWithRowsCaptionsImagesAndKeys)
{
    WriteLog(Sample());
    auto* log = AddLog();
    EXPECT_EQ(log->GetName(), LoadString(5017));
    EXPECT_EQ(log->GetTitle(), LoadString(5008));
    EXPECT_EQ(log->GetImage(), 5);
    EXPECT_EQ(log->GetContextMenu(), 0u);
    EXPECT_EQ(log->GetDisplayFormat(), DISPLAY_COLUMNS);

    WORD produced = 0;
    QString heading;
    CLeafArray objects;
    // The rows come from the store: no row text or object is made per record, and no record
    // costs a leaf until one is reached.
    EXPECT_TRUE(Rows(log, log->GetDisplayFormat(), &produced, &heading, &objects).isEmpty());
    EXPECT_TRUE(objects.isEmpty());
    EXPECT_EQ(produced, DISPLAY_COLUMNS);
    EXPECT_EQ(heading, LoadString(4014));
    EXPECT_EQ(log->ChildCount(), 1);
    const QStringList rows = LogRows(log);
    const auto records = RecordLeaves(log);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(log->ChildCount(), 4);   // the placeholder went
    const QString first = LogPaths::DateTimeText(qint64(1700000300));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(rows, (QStringList{first + "\tQuellit Monitor\tdisk full",
                                 LogPaths::DateTimeText(qint64(1700000100)) + "\tDUNMARK\tslow link",
                                 "\tQuellit Monitor\tstarted",
                                 LogPaths::DateTimeText(qint64(1700000200)) + "\tDUNMARK\todd"}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(log->RowObject(i), records[size_t(i)]) << i;
    EXPECT_EQ(records[0]->GetName(), first + " Quellit Monitor L1");
    EXPECT_EQ(records[2]->GetName(), " Quellit Monitor boot");   // no time: starts with a space
    EXPECT_EQ(records[1]->GetName(), LogPaths::DateTimeText(qint64(1700000100)) + " DUNMARK ");
    const int images[4] = {22, 23, 24, 22};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(records[size_t(i)]->GetImage(), images[i]) << i;
    EXPECT_EQ(records[0]->GetTitle(), LoadString(4511));
    EXPECT_EQ(records[0]->GetContextMenu(), IDR_DEFAULT_LEAF_MENU);

    // Unchanged file: the same leaves stay.
    LogRows(log);
    EXPECT_EQ(RecordLeaves(log), records);
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(EventLogTest, PaneOrdersRecordsByTimeValue)
{
    WriteLog({MakeRecord("A", 1, 900000000, "nine", ""), MakeRecord("B", 1, 1000000000, "ten", ""),
              MakeRecord("C", 1, -1, "none", "")});
    auto* log = AddLog();
    CAlertListWnd::SetSortKeyQuery(LogHooks::QuerySortKeys);
    CAlertListWnd pane;
    pane.resize(500, 300);
    pane.ShowLeaf(log);
    const QStringList lines = pane.DisplayedLines();
    CAlertListWnd::SetSortKeyQuery({});
    ASSERT_EQ(lines.size(), 4);
    // As texts "1000000000" would sort before "900000000".
    EXPECT_TRUE(lines[1].endsWith("\tnone"));
    EXPECT_TRUE(lines[2].endsWith("\tnine"));
    EXPECT_TRUE(lines[3].endsWith("\tten"));
}

TEST_F(EventLogTest, FirstExpansionReplacesThePlaceholder)
{
    WriteLog(Sample());
    auto* log = AddLog();
    ASSERT_TRUE(log->IsUnpopulated());
    EXPECT_TRUE(log->Expand());
    EXPECT_FALSE(log->IsUnpopulated());
    EXPECT_EQ(RecordLeaves(log).size(), 4u);
    EXPECT_EQ(log->ChildCount(), 4);
}

TEST_F(EventLogTest, ShortAndHeaderOnlyFilesLoadWhatTheyHold)
{
    // Counters promise five records, the file holds two and half of a third.
    Records::EventLogHeader header = m_header;
    header.counts[0] = 5;
    QByteArray bytes = Records::SerializeEventLogHeader(header);
    bytes += Records::SerializeEventLogRecord(MakeRecord("A", 1, 1, "one", ""));
    bytes += Records::SerializeEventLogRecord(MakeRecord("B", 1, 2, "two", ""));
    bytes += QByteArray(100, 'x');
    ASSERT_TRUE(m_world.Write(kTable, bytes));
    auto* log = AddLog();
    EXPECT_EQ(LogRows(log).size(), 2);

    ASSERT_TRUE(m_world.Write(kTable, Records::SerializeEventLogHeader(m_header)));
    EXPECT_TRUE(LogRows(log).isEmpty());
    EXPECT_TRUE(RecordLeaves(log).empty());
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(EventLogTest, RecordAloneShowsItsDetailTextUpToTheFirstNul)
{
    WriteLog(Sample());
    auto* log = AddLog();
    LogRows(log);
    CEventLogRecordLeaf* record = RecordLeaves(log)[1];
    EXPECT_EQ(record->GetDisplayFormat(), DISPLAY_NOTHING);
    WORD produced = 0;
    QString heading = QStringLiteral("x");
    CLeafArray objects;
    EXPECT_EQ(Rows(record, record->GetDisplayFormat(), &produced, &heading, &objects), QStringList{"detail of slow link"});
    EXPECT_EQ(produced, DISPLAY_TEXT);
    EXPECT_TRUE(heading.isEmpty());
    EXPECT_EQ(objects, CLeafArray{record});

    // A missing detail file gives an empty text without a message.
    QFile::remove(Detail("AL000002.TXT"));
    EXPECT_EQ(Rows(record, 0), QStringList{QString()});
    EXPECT_TRUE(m_host.Boxes().empty());

    // An unknown directory is reported with the machine's name.
    UseLogPaths(QString(), QString());
    EXPECT_EQ(Rows(record, 0), QStringList{QString()});
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes().at(0).text, LoadString(5115).replace("%1", kThisComputer));
}

TEST_F(EventLogTest, DetailNamesNeverReachOutsideTheEventLogDirectory)
{
    ASSERT_TRUE(m_world.Write(QStringLiteral("machines/TESTPC/drives/C/ALERT/SECRET.TXT"), "secret"));
    WriteLog({MakeRecord("A", 1, 1, "sly", "..\\SECRET.TXT")});
    auto* log = AddLog();
    LogRows(log);
    auto* record = RecordLeaves(log).at(0);
    EXPECT_EQ(Rows(record, 0), QStringList{QString()});
    DeleteRows({record});
    EXPECT_TRUE(QFile::exists(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/SECRET.TXT"))));
}

TEST_F(EventLogTest, DeletingSelectedRowsAsksOnceRewritesOnceAndRemovesTheirDetails)
{
    WriteLog(Sample());
    auto* log = AddLog();
    LogRows(log);
    auto records = RecordLeaves(log);

    // No: nothing happens.
    m_host.PushAnswer(IDNO);
    DeleteRows({records[0], records[1], records[3]});
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes().at(0).text, LoadString(3536));
    EXPECT_EQ(m_host.Boxes().at(0).type & MB_TYPEMASK, MB_YESNO);
    EXPECT_EQ(RecordLeaves(log).size(), 4u);
    EXPECT_EQ(ReadBack().records.size(), 4);

    // Yes: one question for three rows.
    m_host.PushAnswer(IDYES);
    DeleteRows({records[0], records[1], records[3]});
    EXPECT_EQ(m_host.Boxes().size(), 2u);
    ASSERT_EQ(RecordLeaves(log).size(), 1u);
    EXPECT_EQ(RecordLeaves(log)[0]->GetDescription(), "started");
    EXPECT_EQ(log->GetHeader().counts[0], 0);
    EXPECT_EQ(log->GetHeader().counts[1], 0);
    EXPECT_EQ(log->GetHeader().counts[2], 1);
    const Records::EventLogFile file = ReadBack();
    ASSERT_EQ(file.records.size(), 1);
    EXPECT_EQ(file.header.counts[2], 1);
    EXPECT_EQ(file.header.counts[0] + file.header.counts[1], 0);
    EXPECT_EQ(file.header.rest, m_header.rest);   // uninterpreted bytes kept
    // The kept record is written back byte for byte.
    EXPECT_EQ(Records::SerializeEventLogRecord(file.records[0]), Records::SerializeEventLogRecord(Sample()[2]));
    EXPECT_EQ(QFileInfo(Host()).size(), 2 * 256);
    EXPECT_FALSE(QFile::exists(Detail("AL000001.TXT")));
    EXPECT_FALSE(QFile::exists(Detail("AL000002.TXT")));
    EXPECT_FALSE(QFile::exists(Detail("AL000004.TXT")));
    EXPECT_TRUE(QFile::exists(Detail("AL000003.TXT")));
    EXPECT_FALSE(log->IsLogEmptied());
}

TEST_F(EventLogTest, DeletingTheLastRecordEmptiesTheLog)
{
    WriteLog({MakeRecord("A", 2, 5, "only", "AL000009.TXT")});
    auto* log = AddLog();
    LogRows(log);
    m_host.PushAnswer(IDYES);
    DeleteRows(RecordLeaves(log));
    EXPECT_TRUE(log->IsLogEmptied());
    EXPECT_EQ(QFileInfo(Host()).size(), 256);
    EXPECT_EQ(ReadBack().header.rest, m_header.rest);
    // The next display drops the children without reading; the one after reads the file.
    EXPECT_TRUE(LogRows(log).isEmpty());
    EXPECT_FALSE(log->IsLogEmptied());
    EXPECT_EQ(log->ChildCount(), 0);
    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), MakeRecord("B", 3, 6, "new", "")));
    EXPECT_EQ(LogRows(log).size(), 1);
}

TEST_F(EventLogTest, RecordsTheServiceAddedSinceTheLastReadSurviveADeletion)
{
    WriteLog(Sample());
    auto* log = AddLog();
    LogRows(log);
    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), MakeRecord("LATE", 2, 9, "arrived", "")));
    m_host.PushAnswer(IDYES);
    DeleteRows({RecordLeaves(log)[0]});
    const Records::EventLogFile file = ReadBack();
    ASSERT_EQ(file.records.size(), 4);
    EXPECT_EQ(file.records.last().description, "arrived");
    EXPECT_EQ(file.header.counts[1], 2);
    // A second deletion before any redisplay still keeps it.
    m_host.PushAnswer(IDYES);
    DeleteRows({RecordLeaves(log)[0]});
    ASSERT_EQ(ReadBack().records.size(), 3);
    EXPECT_EQ(ReadBack().records.last().description, "arrived");
}

TEST_F(EventLogTest, DeletionRemovesExactlyTheAskedRecordsWhenTheFileChangedElsewhere)
{
    WriteLog(Sample());
    auto* log = AddLog();
    LogRows(log);
    auto records = RecordLeaves(log);
    // Someone else removed the first record and the service appended one since the read.
    Records::EventLogFile file = ReadBack();
    file.records.removeFirst();
    ASSERT_TRUE(Records::WriteEventLog(Host(), file.header, file.records));
    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), MakeRecord("LATE", 2, 9, "arrived", "")));

    // The console deletes its second and first rows: the second now sits where the third was
    // read, and the first is gone already; neither takes another record with it.
    m_host.PushAnswer(IDYES);
    DeleteRows({records[0], records[1]});
    QStringList left;
    for (const auto& r : ReadBack().records)
        left << QString::fromUtf8(r.description);
    EXPECT_EQ(left, (QStringList{"started", "odd", "arrived"}));
    // The record leaves are those of the file as written.
    QStringList leaves;
    for (CEventLogRecordLeaf* leaf : RecordLeaves(log))
        leaves << leaf->GetDescription();
    EXPECT_EQ(leaves, left);
    EXPECT_EQ(ReadBack().header.counts[0], 1);
    EXPECT_EQ(ReadBack().header.counts[1], 1);
    EXPECT_EQ(ReadBack().header.counts[2], 1);

    // Two identical records: the one deleted is the one at the row's own place.
    const auto twin = MakeRecord("QUELLIT", 1, 5, "twin", "");
    WriteLog({twin, MakeRecord("DUNMARK", 2, 6, "between", ""), twin});
    LogRows(log);
    records = RecordLeaves(log);
    ASSERT_EQ(records.size(), 3u);
    Records::EventLogRemoval removal{2, Records::SerializeEventLogRecord(twin)};
    qsizetype remaining = 0;
    ASSERT_EQ(Records::RemoveEventLogRecords(Host(), {removal}, nullptr, &remaining), Records::EventLogEdit::Done);
    EXPECT_EQ(remaining, 2);
    ASSERT_EQ(ReadBack().records.size(), 2);
    EXPECT_EQ(ReadBack().records.at(1).description, "between");
    // A record no longer there removes nothing.
    ASSERT_EQ(Records::RemoveEventLogRecords(Host(), {{0, Records::SerializeEventLogRecord(Sample()[0])}}),
              Records::EventLogEdit::Done);
    EXPECT_EQ(ReadBack().records.size(), 2);
}

TEST_F(EventLogTest, DeletingInAnExpandedLogKeepsTheOtherLeavesNumberedAsTheFileNowIs)
{
    WriteLog(Sample());
    auto* log = AddLog();
    LogRows(log);
    const auto records = RecordLeaves(log);
    ASSERT_EQ(records.size(), 4u);
    const auto expectLeavesAreTheFile = [&](const std::vector<CEventLogRecordLeaf*>& expected) {
        const Records::EventLogFile file = ReadBack();
        ASSERT_EQ(RecordLeaves(log), expected);
        ASSERT_EQ(file.records.size(), qsizetype(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(expected[i]->GetFileIndex(), qsizetype(i));
            EXPECT_EQ(expected[i]->GetRecordBlock(), Records::SerializeEventLogRecord(file.records[qsizetype(i)]));
            EXPECT_EQ(expected[i]->GetDescription().toUtf8(), file.records[qsizetype(i)].description);
        }
    };
    m_host.PushAnswer(IDYES);
    DeleteRows({records[1]});
    expectLeavesAreTheFile({records[0], records[2], records[3]});
    EXPECT_FALSE(QFile::exists(Detail("AL000002.TXT")));
    // The next deletion finds its record, and its detail file, where the file now has them.
    m_host.PushAnswer(IDYES);
    DeleteRows({records[3]});
    expectLeavesAreTheFile({records[0], records[2]});
    EXPECT_FALSE(QFile::exists(Detail("AL000004.TXT")));
    EXPECT_TRUE(QFile::exists(Detail("AL000003.TXT")));
    // The rows are the file's too.
    EXPECT_EQ(LogRows(log).size(), 2);
    EXPECT_TRUE(LogRows(log).at(1).endsWith("\tstarted"));
}

TEST_F(EventLogTest, ADeletionTakesTheHeldCopyOnlyWhileTheFileIsAsItWasRead)
{
    WriteLog(Sample());
    QByteArray image;
    ASSERT_TRUE(Records::ReadWholeFile(Host(), 1 << 20, &image));
    Records::HeldCopy held;
    ASSERT_TRUE(Records::IdentifyFile(Host(), &held.identity));
    // A copy that says something else of its last record shows which bytes were used.
    QByteArray marked = image;
    marked.replace(4 * 256 + 19, 3, "ODD");
    QByteArray copy = marked;
    ASSERT_EQ(Records::RemoveEventLogRecords(Host(), {{0, Records::SerializeEventLogRecord(Sample()[0])}}, nullptr,
                                             nullptr, &copy, &held),
              Records::EventLogEdit::Done);
    EXPECT_TRUE(held.used);
    ASSERT_EQ(ReadBack().records.size(), 3);
    EXPECT_EQ(ReadBack().records.last().description, "ODD");
    // The image given back is the file as written: the copy without its first record.
    QByteArray written;
    ASSERT_TRUE(Records::ReadWholeFile(Host(), 1 << 20, &written));
    EXPECT_EQ(copy, written);
    EXPECT_EQ(copy.mid(256), marked.mid(2 * 256));
    Records::FileIdentity now;
    ASSERT_TRUE(Records::IdentifyFile(Host(), &now));
    EXPECT_EQ(held.identity, now);

    // The service appends: the same identity no longer holds, and the file is read again.
    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), MakeRecord("LATE", 2, 9, "arrived", "")));
    QByteArray stale = copy;
    ASSERT_EQ(Records::RemoveEventLogRecords(Host(), {{0, Records::SerializeEventLogRecord(Sample()[1])}}, nullptr,
                                             nullptr, &stale, &held),
              Records::EventLogEdit::Done);
    EXPECT_FALSE(held.used);
    QStringList left;
    for (const auto& r : ReadBack().records)
        left << QString::fromUtf8(r.description);
    EXPECT_EQ(left, (QStringList{"started", "ODD", "arrived"}));
    QByteArray file;
    ASSERT_TRUE(Records::ReadWholeFile(Host(), 1 << 20, &file));
    EXPECT_EQ(stale, file);
}

TEST_F(EventLogTest, RowsDeletedFromTheStoreKeepOtherRecordsByteForByteAndFindDetailsIgnoringCase)
{
    WriteLog(Sample());
    // Bytes after a field's terminator, as another writer may leave them, in the record to be
    // deleted and in one to be kept; a detail file whose name differs in case.
    QByteArray raw;
    ASSERT_TRUE(Records::ReadWholeFile(Host(), 1 << 20, &raw));
    constexpr int kDescription = 19;
    for (int record : {1, 2})
        raw.replace(256 * (record + 1) + kDescription + 20, 6, "JUNK!!");
    ASSERT_TRUE(Records::ReplaceFile(Host(), raw));
    ASSERT_TRUE(QFile::rename(Detail("AL000002.TXT"), Detail("al000002.txt")));
    const QByteArray kept = raw.mid(256 * 3, 256);

    auto* log = AddLog();
    LogRows(log);
    ASSERT_EQ(log->RowCount(), 4);
    Switches::SetAskBeforeDelete(true);
    m_host.PushAnswer(IDYES);
    ASSERT_TRUE(log->OnRowsCommand(ID_EDIT_DELETE, nullptr, {1}));

    QByteArray after;
    ASSERT_TRUE(Records::ReadWholeFile(Host(), 1 << 20, &after));
    ASSERT_EQ(after.size(), 4 * 256);
    EXPECT_EQ(after.mid(256, 256), raw.mid(256, 256));
    EXPECT_EQ(after.mid(512, 256), kept);
    EXPECT_EQ(after.mid(768, 256), raw.mid(1024, 256));
    EXPECT_EQ(ReadBack().header.counts[1], 0);
    EXPECT_FALSE(QFile::exists(Detail("al000002.txt")));
    EXPECT_TRUE(QFile::exists(Detail("AL000001.TXT")));
    EXPECT_TRUE(QFile::exists(Detail("AL000003.TXT")));
    EXPECT_EQ(log->RowCount(), 3);
}

TEST_F(EventLogTest, UnknownPathIsReportedAfterItsRetries)
{
    UseLogPaths(QString(), QString());
    auto* log = AddLog();
    int asked = 0;
    LogPaths::SetResolver([&asked](const CAlertLeaf*, LogPaths::Kind, QString*) {
        ++asked;
        return false;
    });
    EXPECT_FALSE(log->FileModified());
    EXPECT_EQ(asked, CEventLogSummaryLeaf::kPathTries);
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes().at(0).text, LoadString(5114).replace("%1", kThisComputer));
    // The placeholder stays; the tree is as it was.
    EXPECT_EQ(log->ChildCount(), 1);
    // The periodic check tries once and stays quiet.
    asked = 0;
    EXPECT_FALSE(log->FileModified(false));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(m_host.Boxes().size(), 1u);
    // Without a server above nothing is tried or said.
    CEventLogSummaryLeaf alone;
    QString path;
    EXPECT_FALSE(alone.GetLogPath(&path, true));
    EXPECT_EQ(m_host.Boxes().size(), 1u);
}

TEST_F(EventLogTest, UnwritableLogIsReportedWithTheMachine)
{
    WriteLog(Sample());
    auto* log = AddLog();
    LogRows(log);
    // The event-log folder goes away under the console.
    QDir(m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG"))).removeRecursively();
    EXPECT_FALSE(log->RewriteFile());
    ASSERT_FALSE(m_host.Boxes().empty());
    EXPECT_EQ(m_host.Boxes().back().text, LoadString(5116).replace("%1", kThisComputer));
}

TEST_F(EventLogTest, RecordIsFilledOnceAndOnlyFromVersionTen)
{
    const QByteArray block = Records::SerializeEventLogRecord(MakeRecord("QUELLIT", 2, 10, "d", "F.TXT"));
    CEventLogRecordLeaf old;
    EXPECT_EQ(old.SetFromRecord(&block, 9), 0);
    EXPECT_FALSE(old.IsFilled());
    EXPECT_EQ(old.GetVersion(), 9);
    CEventLogRecordLeaf leaf;
    EXPECT_EQ(leaf.SetFromRecord(nullptr, 10), 0);
    EXPECT_EQ(leaf.SetFromRecord(&block, 10), 1);
    EXPECT_EQ(leaf.GetApplicationDisplayName(), "Quellit Monitor");
    const QByteArray other = Records::SerializeEventLogRecord(MakeRecord("X", 3, 11, "e", "G.TXT"));
    EXPECT_EQ(leaf.SetFromRecord(&other, 10), 0);
    EXPECT_EQ(leaf.GetDescription(), "d");
    EXPECT_EQ(leaf.GetRecordBlock(), block);
}

TEST_F(EventLogTest, UnreadableLogIsReportedOnceUntilItChanges)
{
    ASSERT_TRUE(m_world.Write(kTable, QByteArray(100, '\x01')));   // not even a header
    auto* log = AddLog();
    EXPECT_TRUE(LogRows(log).isEmpty());
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes().at(0).text, LoadString(5116).replace("%1", kThisComputer));
    EXPECT_FALSE(log->FileModified(false));
    LogRows(log);
    EXPECT_EQ(m_host.Boxes().size(), 1u);
    // Once the service writes a sound log it is read.
    WriteLog(Sample());
    EXPECT_TRUE(log->FileModified(false));
    EXPECT_EQ(LogRows(log).size(), 4);
    EXPECT_EQ(m_host.Boxes().size(), 1u);
}
