// Mouse and keyboard on the tree control, and the popup menu a leaf shows through its hidden
// owner window.
#include "LeafTestSupport.h"

#include "framework/CommandActions.h"

#include "../framework/WaitUntil.h"

#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct GestureFixture : ::testing::Test {
    void SetUp() override
    {
        Switches::Reset();
        tree = std::make_unique<CAlertTreeCtrl>();
        tree->resize(300, 400);
        tree->show();
        CAlertLeaf root(tree.get());
        server = new CHandlerLeaf(&journal, "server");
        root.InsertChild(server);
        leaf = new CHandlerLeaf(&journal, "leaf");
        server->InsertChild(leaf);
        server->Expand();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        tree.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Switches::Reset();
    }
    QPoint CenterOf(CAlertLeaf* l) const { return tree->GetItemRect(l->GetItem()).center(); }
    static int PopMenuWindows()
    {
        int n = 0;
        for (QWidget* w : QApplication::allWidgets())
            n += w->objectName() == QStringLiteral("PopMenuWnd");
        return n;
    }

    Journal journal;
    std::unique_ptr<CAlertTreeCtrl> tree;
    CHandlerLeaf* server = nullptr;
    CHandlerLeaf* leaf = nullptr;
};

TEST_F(GestureFixture, RightClickOnAnItemSelectsItThenShowsItsMenuAtTheScreenPoint)
{
    server->Select();
    const QPoint at = CenterOf(leaf);
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, at);
    EXPECT_TRUE(leaf->IsSelected());
    const QPoint screen = tree->viewport()->mapToGlobal(at);
    EXPECT_EQ(journal.menus, QStringList{QStringLiteral("leaf@%1,%2").arg(screen.x()).arg(screen.y())});
}

TEST_F(GestureFixture, RightClickOnEmptySpaceDoesNothing)
{
    server->Select();
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, QPoint(150, 380));
    EXPECT_TRUE(journal.menus.isEmpty());
    EXPECT_TRUE(server->IsSelected());
}

TEST_F(GestureFixture, DoubleClickSelectsAndTellsTheLeaf)
{
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, CenterOf(leaf));
    EXPECT_TRUE(leaf->IsSelected());
    EXPECT_EQ(journal.doubleClicks, QStringList{QStringLiteral("leaf:%1").arg(MK_LBUTTON)});
}

TEST_F(GestureFixture, KeysInsertDeleteAndMenu)
{
    leaf->Select();
    Switches::SetAskBeforeDelete(false);
    QTest::keyClick(tree.get(), Qt::Key_Insert);
    QTest::keyClick(tree.get(), Qt::Key_Delete);
    EXPECT_EQ(journal.commands, (QStringList{"leaf:3005", "leaf:3007"}));
    EXPECT_TRUE(journal.askFlagAtDelete) << "a Delete key press is one delete command to confirm";
    QTest::keyClick(tree.get(), Qt::Key_Return);
    QTest::keyClick(tree.get(), Qt::Key_Menu);
    ASSERT_EQ(journal.menus.size(), 2);
    EXPECT_TRUE(journal.menus[0].startsWith("leaf@"));
    const QRect rect = tree->GetItemRect(leaf->GetItem());
    const QPoint screen = tree->viewport()->mapToGlobal(rect.bottomLeft());
    EXPECT_EQ(journal.menus[1], QStringLiteral("leaf@%1,%2").arg(screen.x()).arg(screen.y()));
}

TEST_F(GestureFixture, MenuCommandsReachTheLeafFirstAndDeleteRaisesTheAskFlag)
{
    struct CFrame : CCmdTarget {
        QList<UINT> seen;
        bool OnCmdMsg(UINT id, CCmdUI* pUI) override
        {
            if (id != ID_EDIT_TEST_MESSAGE)
                return false;
            if (!pUI)
                seen << id;
            return true;
        }
    } frame;
    tree->SetFrameRoute(&frame);
    leaf->m_realMenu = true;
    leaf->Select();
    Switches::SetAskBeforeDelete(false);
    leaf->ShowContextMenu(10, 10);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(PopMenuWindows(), 1);
    EXPECT_FALSE(menu->parentWidget()->isVisible()) << "the owner window is never shown";
    // Menu 134: new, edit, delete, separator, test message - states from the leaf, then frame.
    QAction* newItem = FindCommandAction(menu, ID_EDIT_NEW);
    QAction* edit = FindCommandAction(menu, ID_EDIT_EDIT);
    QAction* del = FindCommandAction(menu, ID_EDIT_DELETE);
    QAction* test = FindCommandAction(menu, ID_EDIT_TEST_MESSAGE);
    ASSERT_TRUE(newItem && edit && del && test);
    EXPECT_TRUE(newItem->isEnabled());
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_TRUE(del->isEnabled());
    EXPECT_TRUE(test->isEnabled());
    del->trigger();
    menu->close();
    QApplication::processEvents();
    EXPECT_EQ(journal.commands, QStringList{"leaf:3007"});
    EXPECT_TRUE(journal.askFlagAtDelete);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(PopMenuWindows(), 0) << "the owner goes once the menu has closed";

    // A command the leaf does not handle goes on to the frame routing.
    leaf->ShowContextMenu(10, 10);
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    FindCommandAction(menu, ID_EDIT_TEST_MESSAGE)->trigger();
    menu->close();
    QApplication::processEvents();
    EXPECT_EQ(frame.seen, QList<UINT>{ID_EDIT_TEST_MESSAGE});
}

TEST_F(GestureFixture, AMenuWhoseLeafWentWhileOpenDropsItsCommand)
{
    struct CFrame : CCmdTarget {
        QList<UINT> seen;
        bool OnCmdMsg(UINT id, CCmdUI* pUI) override
        {
            if (!pUI)
                seen << id;
            return true;
        }
    } frame;
    tree->SetFrameRoute(&frame);
    auto* other = new CHandlerLeaf(&journal, "other");
    server->InsertChild(other);
    leaf->m_realMenu = true;
    leaf->ShowContextMenu(10, 10);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QPointer<QAction> del = FindCommandAction(menu, ID_EDIT_DELETE);
    ASSERT_TRUE(del);
    // A reload while the menu is open takes its leaf; the user's choice was about that leaf,
    // not about what is selected now.
    leaf->DeleteLeaf();
    leaf = nullptr;
    other->Select();
    del->trigger();
    menu->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(journal.commands.isEmpty()) << journal.commands.join(' ').toStdString();
    EXPECT_TRUE(frame.seen.isEmpty());
    EXPECT_EQ(PopMenuWindows(), 0);
    EXPECT_TRUE(other->IsSelected());
    EXPECT_FALSE(journal.destroyed.contains("other"));
}

TEST_F(GestureFixture, AMenuCommandThatTurnsTheEventLoopKeepsItsMenuUntilItReturns)
{
    leaf->m_realMenu = true;
    // The command turns the loop as a box does, long enough for deferred deletions to run.
    bool menuOwnerLivedThrough = false;
    leaf->m_whileDeleting = [&] {
        QEventLoop loop;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
        loop.exec();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        menuOwnerLivedThrough = PopMenuWindows() == 1;
    };
    leaf->ShowContextMenu(10, 10);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* del = FindCommandAction(menu, ID_EDIT_DELETE);
    ASSERT_NE(del, nullptr);
    // Chosen with the mouse, as a user does: the menu hides and triggers from its own handler.
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(del).center());
    ASSERT_TRUE(WaitUntil([&] { return journal.commands.size() == 1; }));
    EXPECT_EQ(journal.commands, QStringList{"leaf:3007"});
    EXPECT_TRUE(menuOwnerLivedThrough);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(PopMenuWindows(), 0) << "the owner goes after its command";
}

TEST_F(GestureFixture, LeafWithoutMenuShowsNone)
{
    leaf->SetContextMenu(0);
    leaf->m_realMenu = true;
    leaf->ShowContextMenu(5, 5);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(PopMenuWindows(), 0);
}

} // namespace
