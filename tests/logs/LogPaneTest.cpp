// The logs in the information pane: rows read from the log's store, a log that grows while
// shown, one rewritten elsewhere, deleting rows spread over the list, and the filter bar with
// each of its criteria and what it passes on to export.
#include "LogsTestSupport.h"

#include "framework/Commands.h"
#include "logs/ActivityLogLeaf.h"
#include "logs/EventLogLeaf.h"
#include "platform/Registry.h"
#include "res/StringIds.h"
#include "ui/AlertListWnd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

using namespace LogsTest;

namespace {

const QString kTable = QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/ALRECORD.TBL");
constexpr int32_t kBase = 1700000000;

Records::EventLogRecord Record(int i)
{
    Records::EventLogRecord r;
    r.application = i % 3 == 0 ? "QUELLIT" : "DUNMARK";
    r.severity = uint8_t(1 + i % 3);
    r.timeGenerated = kBase + i * 3600;
    r.description = "event " + QByteArray::number(i);
    r.detailFile = QStringLiteral("AL%1.TXT").arg(i, 6, 10, QLatin1Char('0')).toLatin1();
    return r;
}

template <class W>
W* Ctrl(QWidget* parent, int id)
{
    for (W* w : parent->findChildren<W*>())
        if (w->property("ctrlId").toInt() == id)
            return w;
    return nullptr;
}

class LogPaneTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        ASSERT_EQ(Registry::PutString(kThisComputer,
                                      QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Applications\\QUELLIT"),
                                      QStringLiteral("DisplayName"), QStringLiteral("Quellit Monitor")),
                  0u);
        m_pane = std::make_unique<CAlertListWnd>();
        m_pane->resize(800, 400);
        m_pane->show();
    }
    void TearDown() override
    {
        m_pane.reset();
        Fixture::TearDown();
    }

    QString Host() const { return m_world.Path(kTable); }
    QString Detail(const QByteArray& name) const
    {
        return m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/") + QString::fromLatin1(name));
    }

    // n records (event 0 .. event n-1), each with its detail file.
    void WriteLog(int n)
    {
        QVector<Records::EventLogRecord> records;
        for (int i = 0; i < n; ++i) {
            records << Record(i);
            ASSERT_TRUE(m_world.Write(QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/") +
                                          QString::fromLatin1(records.last().detailFile),
                                      "detail"));
        }
        ASSERT_TRUE(Records::WriteEventLog(Host(), Records::EventLogHeader(), records));
    }

    QStringList Descriptions() const
    {
        QStringList out;
        for (int i = 0; i < List()->GetCount(); ++i)
            out << List()->GetRowCells(i).value(2);
        return out;
    }

    QStringList StoredDescriptions() const
    {
        Records::EventLogFile file;
        EXPECT_TRUE(Records::ReadEventLog(Host(), &file));
        QStringList out;
        for (const auto& r : file.records)
            out << QString::fromUtf8(r.description);
        return out;
    }

    CAlertColList* List() const { return m_pane->GetList(); }
    CFilterBar* Bar() const { return m_pane->GetFilterBar(); }

    std::unique_ptr<CAlertListWnd> m_pane;
};

} // namespace

TEST_F(LogPaneTest, LogGrowingWhileShownGainsItsRowsAndKeepsTheSelection)
{
    WriteLog(50);
    auto* log = Add(new CEventLogSummaryLeaf);
    m_pane->ShowLeaf(log);
    ASSERT_EQ(List()->GetCount(), 50);
    // Newest last: the date column sorts by time value.
    EXPECT_EQ(Descriptions().first(), "event 0");
    List()->SetCurSel(10);
    const QString selected = List()->GetRowText(10);
    const uint64_t generation = log->Generation();

    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), Record(50)));
    m_pane->ShowLeaf(log);
    ASSERT_EQ(List()->GetCount(), 51);
    EXPECT_EQ(Descriptions().last(), "event 50");
    ASSERT_EQ(List()->GetSelItems().size(), 1u);
    EXPECT_EQ(List()->GetRowText(List()->GetSelItems().front()), selected);
    // Only the tail was taken: the records held kept their numbers.
    EXPECT_EQ(log->Generation(), generation);
    EXPECT_EQ(log->GetStore().Bytes(), 52 * 256);
    // No record cost a leaf for being shown.
    EXPECT_FALSE(log->HasRecordLeaves());

    // Once its node is expanded, a record appended gets its leaf too.
    ASSERT_EQ(log->RecordLeaf(50)->GetDescription(), "event 50");
    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), Record(51)));
    m_pane->ShowLeaf(log);
    EXPECT_EQ(log->ChildCount(), 52);
    EXPECT_EQ(log->RecordLeaf(51)->GetDescription(), "event 51");
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(LogPaneTest, LogRewrittenElsewhereIsReadAgain)
{
    WriteLog(20);
    auto* log = Add(new CEventLogSummaryLeaf);
    m_pane->ShowLeaf(log);
    ASSERT_EQ(List()->GetCount(), 20);
    const uint64_t generation = log->Generation();

    // Same size, one record changed: the file was replaced, not grown.
    Records::EventLogFile file;
    ASSERT_TRUE(Records::ReadEventLog(Host(), &file));
    file.records[3].description = "changed elsewhere";
    ASSERT_TRUE(Records::WriteEventLog(Host(), file.header, file.records));
    m_pane->ShowLeaf(log);
    EXPECT_NE(log->Generation(), generation);
    EXPECT_TRUE(Descriptions().contains("changed elsewhere"));
    EXPECT_FALSE(Descriptions().contains("event 3"));

    // Grown by records after others were removed: read whole again too.
    file.records.remove(0, 5);
    file.records << Record(60) << Record(61);
    ASSERT_TRUE(Records::WriteEventLog(Host(), file.header, file.records));
    m_pane->ShowLeaf(log);
    EXPECT_EQ(Descriptions(), StoredDescriptions());
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(LogPaneTest, DeletingRowsSpreadOverTheListRemovesExactlyThose)
{
    WriteLog(100);
    auto* log = Add(new CEventLogSummaryLeaf);
    m_pane->ShowLeaf(log);
    ASSERT_EQ(List()->GetCount(), 100);
    const std::vector<int> rows = {3, 40, 77, 99};
    List()->SetCurSel(rows[0]);
    for (int row : rows)
        List()->SetSel(row, true);
    QStringList gone;
    for (int row : rows)
        gone << List()->GetRowCells(row).value(2);

    // The service appended one meanwhile; it stays.
    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), Record(100)));
    m_host.PushAnswer(IDYES);
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes().at(0).text, LoadString(3536));

    QStringList expected;
    for (int i = 0; i <= 100; ++i)
        if (!gone.contains(QStringLiteral("event %1").arg(i)))
            expected << QStringLiteral("event %1").arg(i);
    EXPECT_EQ(StoredDescriptions(), expected);
    Records::EventLogFile file;
    ASSERT_TRUE(Records::ReadEventLog(Host(), &file));
    EXPECT_EQ(file.header.RecordCount(), 97);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(QFile::exists(Detail(Record(i).detailFile)), !gone.contains(QStringLiteral("event %1").arg(i))) << i;
    // The pane shows what is stored, the row before the first deleted one selected.
    m_pane->ShowLeaf(log);
    EXPECT_EQ(Descriptions(), expected);
    ASSERT_EQ(List()->GetSelItems(), std::vector<int>{2});

    // No: nothing goes.
    List()->SetCurSel(0);
    m_host.PushAnswer(IDNO);
    m_pane->OnCmdMsg(ID_EDIT_DELETE, nullptr);
    EXPECT_EQ(StoredDescriptions(), expected);
}

TEST_F(LogPaneTest, FilterBarNarrowsTheRowsByEachCriterionAndExportTakesThem)
{
    WriteLog(30);
    auto* log = Add(new CEventLogSummaryLeaf);
    m_pane->ShowLeaf(log);
    ASSERT_TRUE(Bar()->isVisibleTo(m_pane.get()));
    EXPECT_EQ(m_pane->RowCountText(), LoadString(IDS_ROWS_OF).replace("%1", "30").replace("%2", "30"));

    // Text in any column: the description, the application's display name, the date.
    auto* text = Ctrl<QLineEdit>(Bar(), CFilterBar::kTextCtrl);
    ASSERT_NE(text, nullptr);
    text->setText(QStringLiteral("EVENT 2"));
    EXPECT_EQ(Descriptions(), (QStringList{"event 2", "event 20", "event 21", "event 22", "event 23", "event 24",
                                           "event 25", "event 26", "event 27", "event 28", "event 29"}));
    EXPECT_EQ(m_pane->RowCountText(), LoadString(IDS_ROWS_OF).replace("%1", "11").replace("%2", "30"));
    text->setText(QStringLiteral("quellit mon"));
    EXPECT_EQ(List()->GetCount(), 10);
    const QString date = LogPaths::DateTimeText(qint64(kBase + 7 * 3600));
    text->setText(date);
    EXPECT_EQ(Descriptions(), QStringList{"event 7"});
    text->clear();
    EXPECT_EQ(List()->GetCount(), 30);

    // Application, then severity on top of it.
    auto* application = Ctrl<QComboBox>(Bar(), CFilterBar::kApplicationCtrl);
    ASSERT_NE(application, nullptr);
    ASSERT_EQ(application->count(), 3);   // all, DUNMARK, Quellit Monitor
    application->setCurrentText(QStringLiteral("DUNMARK"));
    EXPECT_EQ(List()->GetCount(), 20);
    auto* severity = Ctrl<QComboBox>(Bar(), CFilterBar::kSeverityCtrl);
    severity->setCurrentIndex(severity->findData(2));
    EXPECT_EQ(List()->GetCount(), 10);
    for (const QString& d : Descriptions())
        EXPECT_EQ(d.section(' ', 1).toInt() % 3, 1) << d.toStdString();
    application->setCurrentIndex(0);
    severity->setCurrentIndex(0);

    // Date range, both ends inclusive.
    auto* from = Ctrl<QDateTimeEdit>(Bar(), CFilterBar::kFromCtrl);
    auto* to = Ctrl<QDateTimeEdit>(Bar(), CFilterBar::kToCtrl);
    from->setDateTime(QDateTime::fromSecsSinceEpoch(kBase + 5 * 3600));
    to->setDateTime(QDateTime::fromSecsSinceEpoch(kBase + 8 * 3600));
    Ctrl<QCheckBox>(Bar(), CFilterBar::kFromCheckCtrl)->setChecked(true);
    EXPECT_EQ(List()->GetCount(), 25);
    Ctrl<QCheckBox>(Bar(), CFilterBar::kToCheckCtrl)->setChecked(true);
    EXPECT_EQ(Descriptions(), (QStringList{"event 5", "event 6", "event 7", "event 8"}));

    // Export takes the rows shown.
    const QByteArray csv = m_pane->ListCsv();
    EXPECT_EQ(csv.count("\r\n"), 5);
    EXPECT_TRUE(csv.contains("event 6"));
    EXPECT_FALSE(csv.contains("event 9"));

    // A record the service appends inside the range shows; one outside does not.
    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), Record(6)));
    ASSERT_TRUE(Records::AppendEventLogRecord(Host(), Record(40)));
    m_pane->ShowLeaf(log);
    EXPECT_EQ(List()->GetCount(), 5);
    EXPECT_EQ(m_pane->RowCountText(), LoadString(IDS_ROWS_OF).replace("%1", "5").replace("%2", "32"));

    // Another leaf shows no filter bar and no count.
    auto* ring = Add(new CActivityLogLeaf45);
    ASSERT_TRUE(Records::ResetActivityRing(DriveC(QStringLiteral("ALERT/LOG/ACTIVITY.LOG")), 100));
    m_pane->ShowLeaf(ring);
    EXPECT_TRUE(Bar()->isVisibleTo(m_pane.get()));   // the ring has dates and texts
    EXPECT_FALSE(application->isEnabled());
    m_pane->ShowLeaf(Add(new CAlertLeaf));
    EXPECT_FALSE(Bar()->isVisibleTo(m_pane.get()));
    EXPECT_TRUE(m_pane->RowCountText().isEmpty());
}

TEST_F(LogPaneTest, DamagedLogsAtFullSizeBehaveAsSmallOnes)
{
    // 100,000 records whose counters promise five more, the last block cut short: the complete
    // records show, silently.
    constexpr int kMany = 100000;
    Records::EventLogHeader header;
    header.counts[0] = kMany + 5;
    QByteArray bytes = Records::SerializeEventLogHeader(header);
    bytes.reserve((kMany + 2) * 256);
    for (int i = 0; i < kMany; ++i)
        bytes += Records::SerializeEventLogRecord(Record(i));
    bytes += QByteArray(100, 'x');
    ASSERT_TRUE(m_world.Write(kTable, bytes));
    auto* log = Add(new CEventLogSummaryLeaf);
    m_pane->ShowLeaf(log);
    EXPECT_EQ(List()->GetCount(), kMany);
    EXPECT_EQ(List()->GetRowCells(kMany - 1).value(2), QStringLiteral("event %1").arg(kMany - 1));

    // Counters that promise fewer records than the file holds: only those are records.
    header.counts[0] = kMany - 10;
    ASSERT_TRUE(m_world.Write(kTable, Records::SerializeEventLogHeader(header) + bytes.mid(256)));
    m_pane->ShowLeaf(log);
    EXPECT_EQ(List()->GetCount(), kMany - 10);
    EXPECT_TRUE(m_host.Boxes().empty());

    // A ring of 10,000 entries whose header is damaged lists nothing and is left as it is.
    const QString ring = DriveC(QStringLiteral("ALERT/LOG/ACTIVITY.LOG"));
    ASSERT_TRUE(Records::ResetActivityRing(ring, 10000));
    QList<QByteArray> texts;
    for (int i = 0; i < 10000; ++i)
        texts << "entry " + QByteArray::number(i);
    ASSERT_TRUE(Records::AppendActivityEntries(ring, texts, QDateTime::currentDateTime()));
    auto* activity = Add(new CActivityLogLeaf45);
    m_pane->ShowLeaf(activity);
    EXPECT_EQ(List()->GetCount(), 10000);
    QByteArray damaged = m_world.Read(QStringLiteral("machines/TESTPC/drives/C/ALERT/LOG/ACTIVITY.LOG"));
    damaged[4] = '\0';   // capacity 0
    damaged[5] = '\0';
    ASSERT_TRUE(m_world.Write(QStringLiteral("machines/TESTPC/drives/C/ALERT/LOG/ACTIVITY.LOG"), damaged));
    m_pane->ShowLeaf(activity);
    EXPECT_EQ(List()->GetCount(), 0);
    EXPECT_EQ(m_world.Read(QStringLiteral("machines/TESTPC/drives/C/ALERT/LOG/ACTIVITY.LOG")), damaged);
    EXPECT_TRUE(m_host.Boxes().empty());
}
