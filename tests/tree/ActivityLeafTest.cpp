// The activity leaf with plain leaves standing in for its three children.
#include "LeafTestSupport.h"

#include "res/Resources.h"
#include "tree/ActivityLeaf.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct ActivityFixture : ::testing::Test {
    void SetUp() override
    {
        tree = std::make_unique<CAlertTreeCtrl>();
        CAlertLeaf root(tree.get());
        server = new CTestLeaf(&journal, "server");
        root.InsertChild(server);
        CActivityLeaf::Hooks hooks;
        hooks.createChildren = [this](CActivityLeaf* leaf, CActivityLeaf::Children* made) {
            ++creations;
            made->summary = new CTestLeaf(&journal, "summary");
            leaf->InsertChild(made->summary);
            made->eventLog = new CTestLeaf(&journal, "events");
            leaf->InsertChild(made->eventLog);
            leaf->InsertChild(new CTestLeaf(&journal, "placeholder"));
            made->activityLog = new CTestLeaf(&journal, "activity");
            leaf->InsertChild(made->activityLog);
        };
        hooks.serviceState = [this](CActivityLeaf*) { return state; };
        hooks.fileModified = [this](CAlertLeaf*) { return fileChanged; };
        CActivityLeaf::SetHooks(hooks);
        activity = new CActivityLeaf;
        server->InsertChild(activity);
    }
    void TearDown() override
    {
        tree.reset();
        CActivityLeaf::SetHooks({});
    }

    Journal journal;
    std::unique_ptr<CAlertTreeCtrl> tree;
    CTestLeaf* server = nullptr;
    CActivityLeaf* activity = nullptr;
    DWORD state = 1;
    bool fileChanged = false;
    int creations = 0;
    const char block[1030] = {};
};

TEST_F(ActivityFixture, NameImageAndNoMenu)
{
    EXPECT_EQ(activity->GetName(), LoadString(5015));
    EXPECT_FALSE(activity->GetName().isEmpty());
    EXPECT_EQ(activity->GetImage(), 12);
    EXPECT_EQ(activity->GetContextMenu(), 0u);
    EXPECT_EQ(activity->GetTitle(), LoadString(5015));
    EXPECT_EQ(activity->GetDisplayFormat(), DISPLAY_COLUMNS);
}

TEST_F(ActivityFixture, SetDataAcceptsVersionTenWithDataOnce)
{
    EXPECT_EQ(activity->SetData(block, 9), 0);
    EXPECT_EQ(activity->GetDataVersion(), 9);
    EXPECT_EQ(activity->SetData(nullptr, 10), 0);
    EXPECT_EQ(activity->SetData(block, 10), 1);
    EXPECT_TRUE(activity->IsDataSet());
    EXPECT_EQ(creations, 0) << "a stopped service gets no children";
    EXPECT_EQ(activity->SetData(block, 10), 0);
}

TEST_F(ActivityFixture, RunningServiceGetsItsChildrenAtOnce)
{
    state = 4;
    EXPECT_EQ(activity->SetData(block, 10), 1);
    EXPECT_EQ(creations, 1);
    EXPECT_EQ(activity->ChildCount(), 4);
    EXPECT_EQ(activity->GetSummaryLeaf()->GetName(), QStringLiteral("summary"));
    EXPECT_TRUE(activity->IsSelected()) << "shown again after the children came";
}

TEST_F(ActivityFixture, StateChangesCreateAndDropTheChildren)
{
    activity->SetData(block, 10);
    activity->OnServiceStateChange(4);
    EXPECT_EQ(creations, 1);
    activity->OnServiceStateChange(4);
    EXPECT_EQ(creations, 1) << "no second set while children exist";
    activity->OnServiceStateChange(7);
    EXPECT_EQ(activity->ChildCount(), 4);
    activity->OnServiceStateChange(3);
    EXPECT_FALSE(activity->HasChildren());
    EXPECT_EQ(activity->GetSummaryLeaf(), nullptr);
    EXPECT_EQ(activity->GetEventLogLeaf(), nullptr);
    EXPECT_EQ(activity->GetActivityLogLeaf(), nullptr);
    EXPECT_EQ(journal.destroyed.size(), 4);
    activity->OnServiceStateChange(4);
    EXPECT_EQ(creations, 2);
    activity->OnServiceStateChange(1);
    EXPECT_FALSE(activity->HasChildren());
}

TEST_F(ActivityFixture, RefreshRedisplaysTheSelectedChildOnlyWhenDue)
{
    activity->OnServiceStateChange(4);
    QSignalSpy shown(tree.get(), &CAlertTreeCtrl::selectionChangedNotify);
    activity->GetSummaryLeaf()->Select();
    shown.clear();
    activity->OnPeriodicRefresh();
    EXPECT_EQ(shown.count(), 1) << "the summary always";
    activity->GetEventLogLeaf()->Select();
    shown.clear();
    activity->OnPeriodicRefresh();
    EXPECT_EQ(shown.count(), 0) << "a log only when its file changed";
    fileChanged = true;
    activity->OnPeriodicRefresh();
    EXPECT_EQ(shown.count(), 1);
    ASSERT_EQ(shown.at(0).at(1).value<CAlertLeaf*>(), activity->GetEventLogLeaf());
    // Nothing of ours selected: nothing.
    server->Select();
    shown.clear();
    activity->OnPeriodicRefresh();
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(ActivityFixture, DisplayDataListsTheChildren)
{
    activity->OnServiceStateChange(4);
    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    activity->GetDisplayData(DISPLAY_COLUMNS, &format, &heading, &rows, &objects);
    EXPECT_EQ(format, DISPLAY_COLUMNS);
    EXPECT_EQ(heading, LoadString(4012));
    EXPECT_EQ(rows, (QStringList{"summary", "events", "placeholder", "activity"}));
    ASSERT_EQ(objects.size(), 4);
    EXPECT_EQ(objects[0], activity->GetSummaryLeaf());
}

} // namespace
