// The activity leaf's children as the console makes them: summary with its counters, event log
// with its placeholder, ring activity log, in this order; the file-changed test per log kind.
#include "LogsTestSupport.h"

#include "logs/ActivityLogLeaf.h"
#include "logs/EventLogLeaf.h"
#include "logs/LogHooks.h"
#include "logs/SummaryLeaf.h"

using namespace LogsTest;

namespace {
class LogHooksTest : public Fixture {};
} // namespace

TEST_F(LogHooksTest, ActivityLeafChildrenComeInOrderWithTheEventLogExpandable)
{
    LogHooks::Install();
    CActivityLeaf* activity = m_server->GetActivityLeaf();
    ASSERT_NE(activity, nullptr);
    ASSERT_FALSE(activity->HasChildren());   // the service is not running
    CActivityLeaf::Children created;
    CActivityLeaf::GetHooks().createChildren(activity, &created);

    ASSERT_EQ(activity->ChildCount(), 3);
    CAlertLeaf* first = activity->GetFirstChild();
    EXPECT_EQ(first, created.summary);
    EXPECT_NE(dynamic_cast<CSummaryLeaf*>(first), nullptr);
    EXPECT_EQ(first->ChildCount(), 3);   // asked for its statistics at once
    CAlertLeaf* second = first->GetNextSibling();
    EXPECT_EQ(second, created.eventLog);
    EXPECT_NE(dynamic_cast<CEventLogSummaryLeaf*>(second), nullptr);
    EXPECT_EQ(second->ChildCount(), 1);
    EXPECT_TRUE(second->IsUnpopulated());
    CAlertLeaf* third = second->GetNextSibling();
    EXPECT_EQ(third, created.activityLog);
    // A service that cannot be asked is taken for the newer one.
    EXPECT_NE(dynamic_cast<CActivityLogLeaf45*>(third), nullptr);

    // The change test goes to each log's own rule.
    const auto& fileModified = CActivityLeaf::GetHooks().fileModified;
    ASSERT_TRUE(Records::ResetActivityRing(DriveC(QStringLiteral("ALERT/LOG/ACTIVITY.LOG")), 100));
    EXPECT_TRUE(fileModified(third));
    WORD produced = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    third->GetDisplayData(0, &produced, &heading, &rows, &objects);
    EXPECT_FALSE(fileModified(third));
    ASSERT_TRUE(Records::WriteEventLog(DriveC(QStringLiteral("ALERT/EVENTLOG/ALRECORD.TBL")), {}, {}));
    EXPECT_TRUE(fileModified(second));
    EXPECT_FALSE(fileModified(first));
    EXPECT_TRUE(m_host.Boxes().empty());
}
