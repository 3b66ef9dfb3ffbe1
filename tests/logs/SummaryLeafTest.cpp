// The alert summary: its three counters made once, the counts taken from the service's
// statistics by image, a failed statistics call keeping the counts, the rows and layouts the
// pane gets, and the pane's numeric sort of the counts.
#include "LogsTestSupport.h"

#include "logs/LogHooks.h"
#include "logs/SummaryLeaf.h"
#include "ui/AlertListWnd.h"

using namespace LogsTest;

namespace {

class SummaryLeafTest : public Fixture {
protected:
    void WriteStats(int32_t important, int32_t warning, int32_t information)
    {
        Records::Statistics stats;
        stats.bySeverity[0] = important;
        stats.bySeverity[1] = warning;
        stats.bySeverity[2] = information;
        ASSERT_TRUE(Records::WriteStatistics(DriveC(QStringLiteral("WINDOWS/ALSTATS.DAT")), stats));
    }
};

// A summary whose statistics call a test answers.
class ScriptedSummary : public CSummaryLeaf {
public:
    int32_t result = 0;
    QByteArray record;
    int calls = 0;

protected:
    int32_t QueryStatistics(const QString&, QByteArray* out) override
    {
        ++calls;
        if (result == 1)
            *out = record;
        return result;
    }
};

QByteArray Record(int32_t a, int32_t b, int32_t c)
{
    QByteArray r(256, '\0');
    const int32_t v[3] = {a, b, c};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k)
            r[4 * i + k] = char((uint32_t(v[i]) >> (8 * k)) & 0xFF);
    return r;
}

} // namespace

TEST_F(SummaryLeafTest, FirstDisplayMakesThreeCountersInOrderAndShowsTheServiceCounts)
{
    WriteStats(7, 3, 12);
    auto* summary = Add(new CSummaryLeaf);
    EXPECT_EQ(summary->GetName(), LoadString(5016));
    EXPECT_EQ(summary->GetImage(), 23);
    EXPECT_EQ(summary->GetContextMenu(), 0u);
    EXPECT_EQ(summary->GetTitle(), LoadString(5016));

    WORD produced = 0;
    QString heading;
    CLeafArray objects;
    const QStringList rows = Rows(summary, summary->GetDisplayFormat(), &produced, &heading, &objects);
    EXPECT_EQ(produced, DISPLAY_COLUMNS);
    EXPECT_EQ(heading, LoadString(4013));
    EXPECT_EQ(rows, (QStringList{LoadString(5020) + "\t7", LoadString(5021) + "\t12", LoadString(5022) + "\t3"}));
    ASSERT_EQ(summary->ChildCount(), 3);
    const int images[3] = {22, 24, 23};
    int i = 0;
    for (CAlertLeaf* child = summary->GetFirstChild(); child; child = child->GetNextSibling(), ++i) {
        EXPECT_EQ(child->GetImage(), images[i]);
        EXPECT_EQ(objects.at(i), child);
        EXPECT_EQ(child->GetTitle(), LoadString(5015));
        EXPECT_EQ(child->GetContextMenu(), 0u);
    }

    // Later displays make no more children and follow the service.
    WriteStats(8, 3, 12);
    EXPECT_EQ(Rows(summary, 0).first(), LoadString(5020) + "\t8");
    EXPECT_EQ(summary->ChildCount(), 3);
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(SummaryLeafTest, FailedStatisticsKeepThePreviousCountsWithoutAMessage)
{
    auto* summary = Add(new ScriptedSummary);
    summary->result = 0;
    EXPECT_EQ(Rows(summary, 0), (QStringList{LoadString(5020) + "\t0", LoadString(5021) + "\t0", LoadString(5022) + "\t0"}));

    summary->result = 1;
    summary->record = Record(1, -2, 2000000000);
    Rows(summary, 0);
    summary->result = 5;
    summary->record = Record(9, 9, 9);
    EXPECT_EQ(Rows(summary, 0), (QStringList{LoadString(5020) + "\t1", LoadString(5021) + "\t2000000000",
                                             LoadString(5022) + "\t-2"}));
    EXPECT_EQ(summary->calls, 3);
    EXPECT_TRUE(m_host.Boxes().empty());

    // An unknown machine fails the real call too: counts stay as they were.
    auto* orphan = new CSummaryLeaf;
    CAlertLeaf root(m_tree.get());
    ASSERT_TRUE(root.InsertChild(orphan));
    EXPECT_EQ(Rows(orphan, 0).last(), LoadString(5022) + "\t0");
}

TEST_F(SummaryLeafTest, CounterShownAloneIsALabelDataPairAndIgnoresOtherImages)
{
    CNotificationLeaf counter(5022, 23);
    counter.SetFromStatistics(Record(1, 42, 3));
    WORD produced = 0;
    QString heading;
    CLeafArray objects;
    EXPECT_EQ(Rows(&counter, counter.GetDisplayFormat(), &produced, &heading, &objects),
              QStringList{LoadString(5022) + "\t42"});
    EXPECT_EQ(produced, DISPLAY_LABELS);
    EXPECT_EQ(heading, LoadString(4013));
    EXPECT_EQ(objects, CLeafArray{&counter});

    CNotificationLeaf odd(5020, 5);
    odd.SetFromStatistics(Record(1, 2, 3));
    EXPECT_EQ(odd.GetCount(), 0);
    // A short record changes nothing.
    counter.SetFromStatistics(QByteArray(6, '\x01'));
    EXPECT_EQ(counter.GetCount(), 42);
}

TEST_F(SummaryLeafTest, PaneSortsCountsByValue)
{
    WriteStats(9, 100, 20);
    auto* summary = Add(new CSummaryLeaf);
    CAlertListWnd::SetSortKeyQuery(LogHooks::QuerySortKeys);
    CAlertListWnd pane;
    pane.resize(400, 300);
    pane.ShowLeaf(summary);
    // By the count column: 9 < 20 < 100 by value (as text 100 would come first).
    pane.GetList()->SortBy(1, 1);
    QStringList lines = pane.DisplayedLines();
    CAlertListWnd::SetSortKeyQuery({});
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.mid(1), (QStringList{LoadString(5020) + "\t9", LoadString(5021) + "\t20", LoadString(5022) + "\t100"}));
    QStringList keys;
    DWORD numeric = 0;
    EXPECT_FALSE(LogHooks::QuerySortKeys(m_server, &keys, &numeric));
}
