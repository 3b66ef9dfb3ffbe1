// Message maps, base-map chaining, routing to the next target and the update protocol.
#include "framework/CmdTarget.h"
#include "framework/CommandActions.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>
#include <vector>

namespace {

class CBaseTarget : public CCmdTarget {
    DECLARE_MESSAGE_MAP()
public:
    std::vector<UINT> executed;
    bool stopEnabled = false;
    void OnStart() { executed.push_back(3002); }
    void OnStop() { executed.push_back(3003); }
    void OnUpdateStop(CCmdUI* pUI) { pUI->Enable(stopEnabled); }
};

BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
    ON_COMMAND(3002, OnStart)
    ON_COMMAND(3003, OnStop)
    ON_UPDATE_COMMAND_UI(3003, OnUpdateStop)
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget {
    DECLARE_MESSAGE_MAP()
public:
    bool passOn = true;
    std::vector<UINT> rangeIds;
    void OnDerivedStart() { executed.push_back(93002); }
    bool OnPause(UINT) { executed.push_back(3004); return !passOn; }
    void OnRange(UINT id) { rangeIds.push_back(id); }
    void OnUpdatePause(CCmdUI* pUI) { pUI->SetCheck(1); pUI->SetText(QStringLiteral("paused")); }
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
    ON_COMMAND(3002, OnDerivedStart)
    ON_COMMAND_EX(3004, OnPause)
    ON_UPDATE_COMMAND_UI(3004, OnUpdatePause)
    ON_COMMAND_RANGE(3010, 3012, OnRange)
END_MESSAGE_MAP()

// A plain target that takes whatever reaches it.
class CCatchAll : public CCmdTarget {
public:
    std::vector<UINT> seen;
    bool OnCmdMsg(UINT id, CCmdUI* pUI) override
    {
        if (!pUI)
            seen.push_back(id);
        return true;
    }
};

TEST(CmdTarget, DerivedMapWinsAndBaseMapStillAnswers)
{
    CDerivedTarget t;
    EXPECT_TRUE(t.ExecuteCommand(3002));
    EXPECT_TRUE(t.ExecuteCommand(3003));
    EXPECT_EQ(t.executed, (std::vector<UINT>{93002, 3003}));
    EXPECT_FALSE(t.ExecuteCommand(3999));
}

TEST(CmdTarget, RangeHandlerGetsTheId)
{
    CDerivedTarget t;
    EXPECT_TRUE(t.ExecuteCommand(3010));
    EXPECT_TRUE(t.ExecuteCommand(3012));
    EXPECT_FALSE(t.ExecuteCommand(3013));
    EXPECT_EQ(t.rangeIds, (std::vector<UINT>{3010, 3012}));
}

TEST(CmdTarget, CommandExCanPassTheCommandOnToTheNextTarget)
{
    CDerivedTarget t;
    CCatchAll next;
    t.SetNextCmdTarget(&next);
    EXPECT_TRUE(t.ExecuteCommand(3004));
    EXPECT_EQ(next.seen, std::vector<UINT>{3004});
    t.passOn = false;
    next.seen.clear();
    EXPECT_TRUE(t.ExecuteCommand(3004));
    EXPECT_TRUE(next.seen.empty());
}

TEST(CmdTarget, UnhandledCommandsGoToTheNextTargetOnly)
{
    CBaseTarget t;
    CCatchAll next;
    t.SetNextCmdTarget(&next);
    EXPECT_TRUE(t.ExecuteCommand(3005));
    EXPECT_TRUE(t.ExecuteCommand(3002));
    EXPECT_EQ(next.seen, std::vector<UINT>{3005});
}

TEST(CmdTarget, UpdateQueries)
{
    CDerivedTarget t;
    // Update handler decides.
    CCmdUI stop(3003);
    EXPECT_TRUE(t.QueryCommand(3003, &stop));
    EXPECT_FALSE(stop.IsEnabled());
    t.stopEnabled = true;
    CCmdUI stop2(3003);
    EXPECT_TRUE(t.QueryCommand(3003, &stop2));
    EXPECT_TRUE(stop2.IsEnabled());
    // A command handler without update handler offers the command enabled.
    CCmdUI range(3011);
    EXPECT_TRUE(t.QueryCommand(3011, &range));
    EXPECT_TRUE(range.IsEnabled());
    // Nobody knows it.
    CCmdUI unknown(3999);
    EXPECT_FALSE(t.QueryCommand(3999, &unknown));
    // The query executes nothing.
    EXPECT_TRUE(t.executed.empty());
    EXPECT_TRUE(t.rangeIds.empty());
}

TEST(CmdTarget, AnswersReachActions)
{
    CDerivedTarget t;
    QMenu menu;
    QAction* pause = NewCommandAction(3004, QStringLiteral("p"), &menu);
    QAction* stop = NewCommandAction(3003, QStringLiteral("s"), &menu);
    QAction* unknown = NewCommandAction(3999, QStringLiteral("u"), &menu);
    QMenu* sub = menu.addMenu(QStringLiteral("sub"));
    QAction* start = NewCommandAction(3002, QStringLiteral("st"), sub);
    menu.addAction(pause);
    menu.addAction(stop);
    menu.addAction(unknown);
    sub->addAction(start);
    start->setEnabled(false);
    UpdateMenuActions(&menu, &t);
    EXPECT_TRUE(pause->isEnabled());
    EXPECT_TRUE(pause->isChecked());
    EXPECT_EQ(pause->text(), QStringLiteral("paused"));
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_FALSE(unknown->isEnabled());
    EXPECT_TRUE(start->isEnabled());
    EXPECT_EQ(FindCommandAction(&menu, 3002), start);
    EXPECT_EQ(CommandIdOf(start), 3002u);
}

TEST(CmdTarget, KindTest)
{
    CDerivedTarget d;
    CBaseTarget b;
    EXPECT_TRUE(d.IsKindOf<CBaseTarget>());
    EXPECT_FALSE(b.IsKindOf<CDerivedTarget>());
    EXPECT_EQ(DynamicDowncast<CDerivedTarget>(static_cast<CCmdTarget*>(&b)), nullptr);
}

} // namespace
