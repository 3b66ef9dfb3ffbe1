// The leaf base and its tree control: lifetime, deletion, expansion, naming, navigation,
// command routing and the workers' messages.
#include "LeafTestSupport.h"

#include "../common/TempWorld.h"
#include "framework/Clipboard.h"
#include "framework/ScriptedUiHost.h"
#include "platform/Registry.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include "../framework/WaitUntil.h"
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

// A tree with one top-level leaf ("server") the way the tree window builds it: a temporary
// root leaf inserts it and is discarded.
struct TreeFixture : ::testing::Test {
    void SetUp() override
    {
        Switches::Reset();
        tree = std::make_unique<CAlertTreeCtrl>();
        tree->resize(300, 400);
        server = AddTop<CHandlerLeaf>("server");
    }
    void TearDown() override
    {
        tree.reset();
        Switches::Reset();
    }
    template <class T>
    T* AddTop(const QString& name)
    {
        CAlertLeaf root(tree.get());
        auto* leaf = new T(&journal, name);
        EXPECT_TRUE(root.InsertChild(leaf));
        return leaf;
    }
    template <class T = CTestLeaf>
    T* Add(CAlertLeaf* parent, const QString& name)
    {
        auto* leaf = new T(&journal, name);
        EXPECT_TRUE(parent->InsertChild(leaf));
        return leaf;
    }

    Journal journal;
    std::unique_ptr<CAlertTreeCtrl> tree;
    CHandlerLeaf* server = nullptr;
};

TEST_F(TreeFixture, TopLevelLeafHasNoParentAndTheRootLeafIsNotTheItemsLeaf)
{
    EXPECT_EQ(server->GetParent(), nullptr);
    EXPECT_EQ(server->GetTree(), tree.get());
    EXPECT_EQ(tree->GetItemLeaf(tree->GetRootItem()), server);
    EXPECT_TRUE(journal.destroyed.isEmpty());
    CTestLeaf* child = Add(server, "config");
    EXPECT_EQ(child->GetParent(), server);
    EXPECT_EQ(child->GetParentLeaf(), server);
    EXPECT_EQ(server->GetFirstChild(), child);
}

TEST_F(TreeFixture, DeleteLeafDestroysEveryDescendantOnceAndTellsTheParentOnce)
{
    CTestLeaf* a = Add(server, "a");
    CTestLeaf* a1 = Add(a, "a1");
    Add(a, "a2");
    Add(a1, "a1a");
    Add(server, "b");
    QSignalSpy deleted(tree.get(), &CAlertTreeCtrl::itemDeletedNotify);
    a->DeleteLeaf();
    EXPECT_EQ(journal.destroyed.size(), 4);
    for (const char* name : {"a", "a1", "a2", "a1a"})
        EXPECT_EQ(journal.destroyed.count(name), 1) << name;
    // Children go before their parents.
    EXPECT_LT(journal.destroyed.indexOf("a1a"), journal.destroyed.indexOf("a1"));
    EXPECT_EQ(journal.childModified["server"], 1);
    EXPECT_EQ(journal.childModified.count("a"), 0u);
    EXPECT_EQ(deleted.count(), 4);
    EXPECT_EQ(server->ChildCount(), 1);
    EXPECT_EQ(server->GetFirstChild()->GetName(), QStringLiteral("b"));
}

TEST_F(TreeFixture, MultipleSelectionDeletionGivesOneChildModified)
{
    CTestLeaf* rows[3] = {Add(server, "r1"), Add(server, "r2"), Add(server, "r3")};
    // As the information pane does it: last row first, the switch off for all but the last.
    for (int i = 2; i >= 0; --i) {
        Switches::SetNotifyParent(i == 0);
        rows[i]->DeleteLeaf();
    }
    EXPECT_EQ(journal.childModified["server"], 1);
    EXPECT_EQ(journal.destroyed.size(), 3);
    EXPECT_FALSE(server->HasChildren());
}

TEST_F(TreeFixture, DeleteChildrenEmptiesTheLeafWithoutTellingIt)
{
    Add(Add(server, "x"), "x1");
    Add(server, "y");
    server->DeleteChildren();
    EXPECT_FALSE(server->HasChildren());
    EXPECT_EQ(journal.destroyed.size(), 3);
    // Clearing children is a rebuild, not an edit.
    EXPECT_EQ(journal.childModified.count("server"), 0u);
    EXPECT_FALSE(journal.destroyed.contains("server"));
}

TEST_F(TreeFixture, ItemWithoutLeafDoesNotStopDeleteChildren)
{
    Add(server, "x");
    tree->InsertItem(QStringLiteral("bare"), 0, 0, nullptr, server->GetItem());
    Add(server, "z");
    server->DeleteChildren();
    EXPECT_FALSE(server->HasChildren());
    EXPECT_EQ(journal.destroyed.size(), 2);
}

TEST_F(TreeFixture, DestroyingTheTreeDestroysEveryLeafOnce)
{
    Add(Add(server, "c"), "c1");
    AddTop<CTestLeaf>("remote");
    tree.reset();
    EXPECT_EQ(journal.destroyed.size(), 4);
    EXPECT_EQ(journal.destroyed.removeDuplicates(), 0);
    EXPECT_TRUE(journal.childModified.empty());
}

TEST_F(TreeFixture, ProgrammaticExpandRunsPopulationAndAVetoKeepsTheFlag)
{
    CTestLeaf* lazy = Add(server, "lazy");
    lazy->m_lazyChildren = 2;
    Add(lazy, "placeholder");
    ASSERT_TRUE(lazy->IsUnpopulated());
    QSignalSpy expanded(tree.get(), &CAlertTreeCtrl::itemExpandedNotify);
    EXPECT_TRUE(lazy->Expand());
    EXPECT_EQ(journal.expanding, QStringList{"lazy"});
    EXPECT_FALSE(lazy->IsUnpopulated());
    EXPECT_TRUE(tree->IsItemExpanded(lazy->GetItem()));
    EXPECT_EQ(lazy->ChildCount(), 3);
    EXPECT_EQ(expanded.count(), 1);

    CTestLeaf* veto = Add(server, "veto");
    veto->m_veto = true;
    Add(veto, "placeholder");
    EXPECT_FALSE(veto->Expand());
    EXPECT_TRUE(veto->IsUnpopulated());
    EXPECT_FALSE(tree->IsItemExpanded(veto->GetItem()));
    EXPECT_EQ(expanded.count(), 1);
}

TEST_F(TreeFixture, CollapseSendsNoExpandingAndUserExpansionDoes)
{
    CTestLeaf* node = Add(server, "node");
    Add(node, "child");
    ASSERT_TRUE(node->Expand());
    journal.expanding.clear();
    EXPECT_TRUE(node->Collapse());
    EXPECT_FALSE(tree->IsItemExpanded(node->GetItem()));
    EXPECT_TRUE(journal.expanding.isEmpty());
    // The view expanding the item (mouse or keyboard) asks the leaf as well.
    tree->expandItem(node->GetItem());
    EXPECT_EQ(journal.expanding, QStringList{"node"});
    // A veto folds it again.
    CTestLeaf* veto = Add(server, "veto");
    veto->m_veto = true;
    Add(veto, "placeholder");
    tree->expandItem(veto->GetItem());
    EXPECT_FALSE(tree->IsItemExpanded(veto->GetItem()));
    EXPECT_TRUE(veto->IsUnpopulated());
}

TEST_F(TreeFixture, InsertChildUniqueComparesExactly)
{
    auto* first = new CTestLeaf(&journal, "Alpha");
    auto* sameName = new CTestLeaf(&journal, "Alpha");
    auto* otherCase = new CTestLeaf(&journal, "ALPHA");
    EXPECT_TRUE(server->InsertChildUnique(first));
    EXPECT_FALSE(server->InsertChildUnique(sameName));
    EXPECT_EQ(sameName->GetItem(), nullptr);
    EXPECT_TRUE(server->InsertChildUnique(otherCase));
    EXPECT_EQ(server->ChildCount(), 2);
    delete sameName;
    // Without an item nothing is inserted.
    CTestLeaf loose(&journal, "loose");
    auto* orphan = new CTestLeaf(&journal, "orphan");
    EXPECT_FALSE(loose.InsertChild(orphan));
    EXPECT_FALSE(loose.InsertChildUnique(orphan));
    delete orphan;
}

TEST_F(TreeFixture, NamesImagesAndEnabledState)
{
    CTestLeaf* leaf = Add(server, "old");
    EXPECT_TRUE(leaf->SetName(QStringLiteral("new")));
    EXPECT_EQ(tree->GetItemText(leaf->GetItem()), QStringLiteral("new"));
    QString text;
    EXPECT_TRUE(leaf->GetItemText(&text));
    EXPECT_EQ(text, QStringLiteral("new"));
    EXPECT_TRUE(leaf->SetName(UINT(5015)));
    EXPECT_EQ(leaf->GetName(), LoadString(5015));

    EXPECT_TRUE(leaf->SetImages(3, 4));
    EXPECT_TRUE(leaf->SetImage(5));
    EXPECT_EQ(tree->GetItemImage(leaf->GetItem()), 5);
    EXPECT_EQ(tree->GetItemSelectedImage(leaf->GetItem()), 4);
    ASSERT_GT(Res::TreeImageCount(), 5);
    EXPECT_FALSE(leaf->GetBitmap1().isNull());
    EXPECT_EQ(leaf->GetBitmap1().toImage(), Res::TreeImage(0, 5).toImage());
    EXPECT_EQ(leaf->GetBitmap2().toImage(), Res::TreeImage(1, 5).toImage());

    EXPECT_EQ(leaf->SetEnabled(0), 1);
    EXPECT_TRUE(tree->IsItemCut(leaf->GetItem()));
    EXPECT_EQ(leaf->SetEnabled(1), 0);
    EXPECT_FALSE(tree->IsItemCut(leaf->GetItem()));

    // A leaf outside the tree only stores.
    CTestLeaf loose(&journal, "loose");
    EXPECT_TRUE(loose.SetImage(7));
    EXPECT_EQ(loose.GetImage(), 7);
    EXPECT_FALSE(loose.GetItemText(&text));
}

TEST_F(TreeFixture, NavigationSiblingsAndSorting)
{
    CTestLeaf* b = Add(server, "b");
    CTestLeaf* a = Add(server, "A");
    CTestLeaf* c = Add(server, "c");
    EXPECT_EQ(b->GetNextSibling(), a);
    EXPECT_EQ(a->GetPrevSibling(), b);
    EXPECT_EQ(c->GetNextSibling(), nullptr);
    EXPECT_EQ(c->FindSibling("b"), b);      // preceding siblings are searched too
    EXPECT_EQ(b->FindSibling("c"), c);
    EXPECT_EQ(b->FindSibling("B"), nullptr);
    EXPECT_EQ(b->FindSibling("b"), nullptr); // not itself
    server->SortChildren();
    EXPECT_EQ(server->GetFirstChild(), a);
    EXPECT_EQ(a->GetNextSibling(), b);
    EXPECT_TRUE(server->SelectChildByName("c"));
    EXPECT_TRUE(c->IsSelected());
    EXPECT_EQ(a->GetSelectedLeaf(), c);
    EXPECT_FALSE(server->SelectChildByName("C"));
    CTestLeaf* deep = Add(c, "deep");
    EXPECT_TRUE(deep->IsAncestorOrSelf(server));
    EXPECT_TRUE(deep->IsAncestorOrSelf(deep));
    EXPECT_FALSE(c->IsAncestorOrSelf(deep));
}

TEST_F(TreeFixture, ServerAncestorAndMachineName)
{
    CTestLeaf* deep = Add(Add(server, "config"), "table");
    QString machine;
    EXPECT_FALSE(deep->GetMachineName(&machine));
    server->m_machine = QStringLiteral("SERVER2");
    EXPECT_TRUE(deep->GetMachineName(&machine));
    EXPECT_EQ(machine, QStringLiteral("SERVER2"));
    EXPECT_EQ(deep->FindAncestorOfClass<CHandlerLeaf>(), server);
    EXPECT_EQ(server->FindAncestorOfClass<CHandlerLeaf>(), server);
}

TEST_F(TreeFixture, RedisplayReannouncesOrSelects)
{
    CTestLeaf* leaf = Add(server, "leaf");
    QSignalSpy changed(tree.get(), &CAlertTreeCtrl::selectionChangedNotify);
    leaf->Redisplay();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(1).value<CAlertLeaf*>(), leaf);
    EXPECT_TRUE(leaf->IsSelected());
    leaf->Redisplay();
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(0).value<CAlertLeaf*>(), leaf);
    EXPECT_EQ(changed.at(1).at(1).value<CAlertLeaf*>(), leaf);
}

TEST_F(TreeFixture, CommandsClimbToTheNearestAncestorThatHandlesThem)
{
    CHandlerLeaf* middle = Add<CHandlerLeaf>(server, "middle");
    CTestLeaf* bottom = Add(middle, "bottom");
    bottom->Select();
    EXPECT_TRUE(tree->OnCmdMsg(ID_SERVICE_START, nullptr));
    EXPECT_EQ(journal.commands, QStringList{"middle:3002"});
    // The update query takes the same way.
    middle->m_startEnabled = false;
    CCmdUI ui(ID_SERVICE_START);
    EXPECT_TRUE(tree->OnCmdMsg(ID_SERVICE_START, &ui));
    EXPECT_FALSE(ui.IsEnabled());
    // Nobody handles it: not handled.
    EXPECT_FALSE(tree->OnCmdMsg(ID_EDIT_EDIT, nullptr));
}

TEST_F(TreeFixture, WithNothingSelectedOnlyTheControlsChainSeesCommands)
{
    struct CCatch : CCmdTarget {
        QList<UINT> seen;
        bool OnCmdMsg(UINT id, CCmdUI* pUI) override { if (!pUI) seen << id; return true; }
    } next;
    tree->SetNextCmdTarget(&next);
    tree->SelectItem(nullptr);
    EXPECT_TRUE(tree->OnCmdMsg(ID_SERVICE_START, nullptr));
    EXPECT_TRUE(journal.commands.isEmpty());
    EXPECT_EQ(next.seen, QList<UINT>{ID_SERVICE_START});
}

TEST_F(TreeFixture, HelpOpensTheIndexUnderTheServiceHomeInTheWorld)
{
    TempWorld world;
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CTestLeaf* leaf = Add(server, "leaf");
    ASSERT_TRUE(world.Write("machines/TESTPC/drives/C/ALERT/Help/Index.htm", "<html/>"));
    EXPECT_TRUE(leaf->ExecuteCommand(ID_HELP_F1));
    ASSERT_EQ(host.OpenedUrls().size(), 1);
    EXPECT_EQ(host.OpenedUrls()[0],
              QUrl::fromLocalFile(world.Path("machines/TESTPC/drives/C/ALERT/Help/Index.htm")));
    // A home from the registry, matched against what exists on the drive.
    ASSERT_TRUE(world.Write("machines/TESTPC/drives/D/Svc/HELP/Index.htm", "<html/>"));
    ASSERT_EQ(Registry::PutString({}, "SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path", "Home", "d:\\SVC"), 0u);
    EXPECT_TRUE(server->ExecuteCommand(ID_HELP_F1));
    ASSERT_EQ(host.OpenedUrls().size(), 2);
    EXPECT_EQ(host.OpenedUrls()[1],
              QUrl::fromLocalFile(world.Path("machines/TESTPC/drives/D/Svc/HELP/Index.htm")));
    // A home that leads nowhere opens nothing and says so.
    ASSERT_EQ(Registry::PutString({}, "SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path", "Home", "\\\\NOWHERE\\C$\\A"), 0u);
    leaf->ExecuteCommand(ID_HELP_F1);
    EXPECT_EQ(host.OpenedUrls().size(), 2);
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].text,
              FormatString(IDS_HELP_MISSING, {QStringLiteral("\\\\NOWHERE\\C$\\A\\Help\\Index.htm")}));
}

TEST_F(TreeFixture, WorkerMessagesReachTheirLeavesAndPurgingKeepsOthersInOrder)
{
    CTestLeaf* other = AddTop<CTestLeaf>("other");
    std::thread worker([&] {
        tree->PostMessage(WM_ALERT_SERVICE_STATE, 4, PtrToLParam(server));
        tree->PostMessage(WM_ALERT_SERVICE_STATE, 4, PtrToLParam(other));
        tree->PostMessage(WM_ALERT_TABLE_TICK, 0, PtrToLParam(server));
        tree->PostMessage(WM_ALERT_SERVICE_STATE, 1, PtrToLParam(other));
        tree->PostMessage(WM_ALERT_TABLE_TICK, 0, PtrToLParam(other));
    });
    worker.join();
    EXPECT_EQ(tree->RemovePendingMessages(WM_ALERT_SERVICE_STATE, server), 1);
    ASSERT_TRUE(WaitUntil([&] { return journal.messages.size() == 4; }));
    EXPECT_EQ(journal.messages,
              (QStringList{"other:401:4", "server:402:0", "other:401:1", "other:402:0"}));
}

TEST_F(TreeFixture, MessageForALeafThatHasGoneIsDropped)
{
    CTestLeaf* gone = Add(server, "gone");
    tree->PostMessage(WM_ALERT_TABLE_REFRESH, 0, PtrToLParam(gone));
    tree->PostMessage(WM_ALERT_TABLE_REFRESH, 0, PtrToLParam(server));
    gone->DeleteLeaf();
    ASSERT_TRUE(WaitUntil([&] { return journal.messages.size() == 1; }));
    EXPECT_EQ(journal.messages, QStringList{"server:403:0"});
}

TEST(AlertLeaf, DefaultsAndClipboardFormat)
{
    CAlertLeaf leaf;
    EXPECT_EQ(leaf.GetImage(), 0);
    EXPECT_EQ(leaf.GetContextMenu(), 134u);
    EXPECT_TRUE(leaf.IsUnpopulated());
    EXPECT_FALSE(leaf.IsModified());
    EXPECT_FALSE(leaf.IsDeleting());
    EXPECT_TRUE(leaf.IsEnabled());
    EXPECT_EQ(leaf.GetItem(), nullptr);
    EXPECT_EQ(leaf.GetDisplayFormat(), DISPLAY_NOTHING);
    EXPECT_TRUE(leaf.GetTitle().isEmpty());
    EXPECT_TRUE(CAlertLeaf::IsLive(&leaf));
    EXPECT_GE(CAlertLeaf::ClipboardFormat(), 0xC000u);
    EXPECT_EQ(ClipboardFormatName(CAlertLeaf::ClipboardFormat()), QStringLiteral("CAlertLeaf Object"));
    CAlertLeaf copy(leaf);
    EXPECT_EQ(copy.GetContextMenu(), 134u);
    EXPECT_TRUE(CAlertLeaf::IsLive(&copy));
}

} // namespace
