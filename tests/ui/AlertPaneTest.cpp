// The splitter's pane windows and the tree host window.
#include "TestLeaves.h"

#include "framework/Messages.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertPane.h"
#include "ui/AlertTreeWnd.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

// A child window that routes one command.
class CRoutingChild : public QWidget, public CCmdTarget {
public:
    UINT handles = 0;
    int executed = 0;
    bool OnCmdMsg(UINT id, CCmdUI* pUI) override
    {
        if (id != handles)
            return false;
        if (pUI)
            pUI->Enable(true);
        else
            ++executed;
        return true;
    }
};

} // namespace

TEST(AlertPane, HostsChildrenAndShowsOneFillingThePane)
{
    CAlertPane pane;
    pane.resize(300, 200);
    pane.show();
    auto* a = new CRoutingChild;
    auto* b = new CRoutingChild;
    EXPECT_EQ(pane.AddChild(nullptr), -1);
    EXPECT_EQ(pane.AddChild(a), 0);
    EXPECT_EQ(pane.AddChild(a), -1);
    EXPECT_EQ(pane.AddChild(b), 1);
    EXPECT_EQ(a->parentWidget(), &pane);
    EXPECT_FALSE(pane.ShowChild(2));
    ASSERT_TRUE(pane.ShowChild(0));
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(a->geometry(), pane.rect());
    ASSERT_TRUE(pane.ShowChild(1));
    EXPECT_FALSE(a->isVisible());
    EXPECT_TRUE(b->isVisible());
    pane.resize(400, 250);
    EXPECT_EQ(b->size(), QSize(400, 250));
    EXPECT_EQ(pane.focusProxy(), b);

    // Commands go to the shown child.
    a->handles = 3005;
    b->handles = 3006;
    EXPECT_FALSE(pane.OnCmdMsg(3005, nullptr));
    EXPECT_TRUE(pane.OnCmdMsg(3006, nullptr));
    EXPECT_EQ(b->executed, 1);

    // A child that goes first leaves no trace behind.
    delete b;
    EXPECT_EQ(pane.GetCurrentChild(), nullptr);
    EXPECT_EQ(pane.GetChildCount(), 1);
    EXPECT_FALSE(pane.OnCmdMsg(3006, nullptr));
}

TEST(AlertPane, ChildrenGoWithThePane)
{
    QPointer<CRoutingChild> child = new CRoutingChild;
    {
        CAlertPane pane;
        pane.AddChild(child);
        pane.ShowChild(0);
    }
    EXPECT_TRUE(child.isNull());
}

TEST(AlertTreeWnd, NothingIsSentUntilAPaneIsSetThenTheSelectionIsShown)
{
    CAlertTreeWnd treeWnd;
    CAlertListWnd pane;
    treeWnd.resize(200, 200);
    pane.resize(300, 200);
    auto* root = new CAlertLeaf(treeWnd.GetTree());
    auto* leaf = new CTestLeaf(QStringLiteral("one"));
    leaf->heading = QStringLiteral("H");
    leaf->rows = {QStringLiteral("row")};
    root->InsertChild(leaf);
    leaf->Select();
    EXPECT_EQ(pane.GetList()->GetCount(), 0);
    EXPECT_EQ(pane.GetShownLeaf(), nullptr);

    treeWnd.SetInfoPane(&pane);
    EXPECT_EQ(pane.GetShownLeaf(), leaf);
    EXPECT_EQ(pane.GetList()->GetCount(), 1);

    // Deleting the item tells the pane before the leaf goes.
    leaf->DeleteLeaf();
    EXPECT_EQ(pane.GetShownLeaf(), nullptr);
    EXPECT_EQ(pane.GetFormat(), DISPLAY_COLUMNS); // rows of other leaves stay; this one had none
    delete root;
}

TEST(AlertTreeWnd, DeleteCommandRaisesTheQuestionFlagThenReachesTheSelectedLeaf)
{
    Switches::Reset();
    CAlertTreeWnd treeWnd;
    std::vector<LeafEvent> events;
    auto* root = new CAlertLeaf(treeWnd.GetTree());
    auto* parent = new CTestLeaf(QStringLiteral("parent"), &events);
    root->InsertChild(parent);
    auto* child = new CTestLeaf(QStringLiteral("child"), &events);
    parent->InsertChild(child);
    parent->handles = {ID_EDIT_DELETE};
    child->Select();
    Switches::SetAskBeforeDelete(false);
    EXPECT_TRUE(treeWnd.OnCmdMsg(ID_EDIT_DELETE, nullptr));
    // The child does not handle it: the parent does, as the nearest ancestor.
    const auto deletes = Executed(events, ID_EDIT_DELETE);
    ASSERT_EQ(deletes.size(), 1u);
    EXPECT_EQ(deletes[0].leaf, "parent");
    EXPECT_TRUE(deletes[0].askBeforeDelete);
    // An update query raises nothing.
    Switches::SetAskBeforeDelete(false);
    CCmdUI ui(ID_EDIT_DELETE);
    treeWnd.OnCmdMsg(ID_EDIT_DELETE, &ui);
    EXPECT_FALSE(Switches::AskBeforeDelete());
    delete root;
    Switches::Reset();
}
