// The main frame: layout, command routing between the panes, toolbar size commands, the status
// pane, the single-instance answer and the frame's own commands.
#include "TestLeaves.h"
#include "../common/TempWorld.h"

#include "alertworld/MailInstall.h"
#include "mail/MapiInterface.h"

#include "framework/ScriptedUiHost.h"
#include "platform/Registry.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertPane.h"
#include "ui/AlertTreeWnd.h"
#include "ui/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>

#include <memory>

namespace {

class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Switches::Reset();
        ConsoleSettings::ResetDefaults();
        ConsoleSettings::Set(ConsoleSettings::LargeToolbar, 0);
        m_frame = std::make_unique<CMainFrame>();
        ASSERT_TRUE(m_frame->Create());
        m_root = new CAlertLeaf(m_frame->GetTreeWnd()->GetTree());
        m_frame->show();
    }
    void TearDown() override
    {
        m_frame.reset();
        delete m_root;
        ConsoleSettings::ResetDefaults();
    }

    CTestLeaf* Add(CAlertLeaf* parent, const QString& name)
    {
        auto* leaf = new CTestLeaf(name, &m_events);
        (parent ? parent : m_root)->InsertChild(leaf);
        return leaf;
    }

    bool Query(UINT id, CCmdUI* ui) { return m_frame->OnCmdMsg(id, ui); }

    TempWorld m_world;
    std::unique_ptr<CMainFrame> m_frame;
    CAlertLeaf* m_root = nullptr;
    std::vector<LeafEvent> m_events;
};

} // namespace

TEST_F(FrameFixture, CreationBuildsTheWindowAsTheResourcesDescribeIt)
{
    EXPECT_EQ(m_frame->windowTitle(), LoadString(57344));
    EXPECT_EQ(m_frame->size(), QSize(620, 420));
    EXPECT_EQ(m_frame->GetToolBarId(), 139u);
    EXPECT_EQ(m_frame->GetToolBar()->iconSize(), QSize(16, 15));
    ASSERT_NE(m_frame->ToolBarAction(ID_SERVICE_PAUSE), nullptr);
    EXPECT_TRUE(m_frame->ToolBarAction(ID_SERVICE_PAUSE)->isCheckable());
    EXPECT_FALSE(m_frame->ToolBarAction(ID_SERVICE_START)->isCheckable());
    for (UINT id : {3008u, 3009u, 3028u, 3002u, 3007u, 3036u, 3041u, 3018u})
        EXPECT_NE(m_frame->MenuAction(id), nullptr) << id;
    EXPECT_EQ(m_frame->GetSplitter()->sizes().at(0), CMainFrame::kTreePaneWidth);
    EXPECT_EQ(m_frame->GetLeftPane()->GetCurrentChild(), m_frame->GetTreeWnd());
    EXPECT_EQ(m_frame->GetRightPane()->GetCurrentChild(), m_frame->GetInfoPane());
    EXPECT_EQ(m_frame->MessagePaneText(), LoadString(57345));
    EXPECT_EQ(m_frame->ToolBarAction(ID_FILE_PRINT)->toolTip(), LoadString(3028).section('\n', 1));
}

TEST_F(FrameFixture, WithTheToolbarHiddenBothSizeCommandsAreDisabled)
{
    CCmdUI large(ID_VIEW_LARGE_TOOLBAR), small(ID_VIEW_SMALL_TOOLBAR);
    ASSERT_TRUE(Query(ID_VIEW_LARGE_TOOLBAR, &large));
    ASSERT_TRUE(Query(ID_VIEW_SMALL_TOOLBAR, &small));
    EXPECT_TRUE(large.IsEnabled());
    EXPECT_EQ(large.GetCheck(), 0);
    EXPECT_EQ(small.GetCheck(), 1);

    m_frame->OnCmdMsg(ID_VIEW_TOOLBAR, nullptr);
    EXPECT_FALSE(m_frame->GetToolBar()->isVisible());
    CCmdUI large2(ID_VIEW_LARGE_TOOLBAR), small2(ID_VIEW_SMALL_TOOLBAR);
    Query(ID_VIEW_LARGE_TOOLBAR, &large2);
    Query(ID_VIEW_SMALL_TOOLBAR, &small2);
    EXPECT_FALSE(large2.IsEnabled());
    EXPECT_FALSE(small2.IsEnabled());
    // The menu shows the same when it opens.
    QAction* menuLarge = m_frame->MenuAction(ID_VIEW_LARGE_TOOLBAR);
    UpdateCommandAction(menuLarge, m_frame.get());
    EXPECT_FALSE(menuLarge->isEnabled());
}

TEST_F(FrameFixture, ToolbarSizeCommandsSwitchTheButtonsAndTheFlag)
{
    m_frame->OnCmdMsg(ID_VIEW_LARGE_TOOLBAR, nullptr);
    EXPECT_EQ(m_frame->GetToolBarId(), 168u);
    EXPECT_EQ(m_frame->GetToolBar()->iconSize(), QSize(24, 24));
    EXPECT_TRUE(ConsoleSettings::LargeToolbarOn());
    EXPECT_TRUE(m_frame->GetToolBar()->isVisible());
    ASSERT_NE(m_frame->ToolBarAction(ID_SERVICE_PAUSE), nullptr);
    EXPECT_TRUE(m_frame->ToolBarAction(ID_SERVICE_PAUSE)->isCheckable());
    CCmdUI large(ID_VIEW_LARGE_TOOLBAR);
    Query(ID_VIEW_LARGE_TOOLBAR, &large);
    EXPECT_EQ(large.GetCheck(), 1);
    m_frame->OnCmdMsg(ID_VIEW_SMALL_TOOLBAR, nullptr);
    EXPECT_EQ(m_frame->GetToolBarId(), 139u);
    EXPECT_FALSE(ConsoleSettings::LargeToolbarOn());
}

TEST(FrameStart, TheLargeToolbarFlagChoosesTheFirstToolbar)
{
    TempWorld world;
    ConsoleSettings::Set(ConsoleSettings::LargeToolbar, 1);
    CMainFrame frame;
    ASSERT_TRUE(frame.Create());
    EXPECT_EQ(frame.GetToolBarId(), 168u);
    ConsoleSettings::ResetDefaults();
}

TEST_F(FrameFixture, BringUpAlertAnswersOnlyTheHandshake)
{
    EXPECT_EQ(m_frame->OnBringUpAlert(0x88A8, 0x8961), 0);
    EXPECT_EQ(m_frame->OnBringUpAlert(0, 0x8960), 0);
    m_frame->showMinimized();
    EXPECT_EQ(m_frame->OnBringUpAlert(0x88A7, 0x8960), 0);
    EXPECT_TRUE(m_frame->isMinimized());
    EXPECT_EQ(m_frame->OnBringUpAlert(0x88A8, 0x8960), 0x12272);
    EXPECT_FALSE(m_frame->isMinimized());
}

TEST_F(FrameFixture, PrintFromTheMenuWithTheTreeFocusedPrintsTheInformationPane)
{
    QTemporaryDir dir;
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CTestLeaf* leaf = Add(nullptr, "server");
    leaf->heading = QStringLiteral("A");
    leaf->rows = {QStringLiteral("one"), QStringLiteral("two")};
    leaf->handles = {ID_FILE_PRINT}; // the tree's leaf would take it if it were asked first
    leaf->Select();
    m_frame->GetTreeWnd()->GetTree()->setFocus();
    ASSERT_EQ(m_frame->focusWidget(), m_frame->GetTreeWnd()->GetTree());
    host.SetPrintToFile(dir.filePath("menu.pdf"));
    QAction* print = m_frame->MenuAction(ID_FILE_PRINT);
    UpdateCommandAction(print, m_frame.get());
    EXPECT_TRUE(print->isEnabled());
    print->trigger();
    EXPECT_EQ(host.PrintDialogs(), 1);
    EXPECT_TRUE(QFileInfo(dir.filePath("menu.pdf")).size() > 0);
    EXPECT_TRUE(Executed(m_events, ID_FILE_PRINT).empty());
}

TEST_F(FrameFixture, CommandsGoToTheFocusedPaneFirst)
{
    CTestLeaf* parent = Add(nullptr, "parent");
    parent->listChildren = true;
    parent->heading = QStringLiteral("Name");
    parent->handles = {ID_EDIT_EDIT};
    CTestLeaf* child = Add(parent, "child");
    child->handles = {ID_EDIT_EDIT};
    parent->Select();
    CAlertColList* list = m_frame->GetInfoPane()->GetList();
    list->SetCurSel(0);

    m_frame->GetTreeWnd()->GetTree()->setFocus();
    QApplication::processEvents();
    m_frame->MenuAction(ID_EDIT_EDIT)->trigger();
    ASSERT_EQ(Executed(m_events, ID_EDIT_EDIT).size(), 1u);
    EXPECT_EQ(Executed(m_events, ID_EDIT_EDIT)[0].leaf, "parent");

    m_events.clear();
    list->Rows()->setFocus();
    m_frame->activateWindow();
    QApplication::processEvents();
    // The focus moved to the information pane, which becomes the active view.
    m_frame->MenuAction(ID_EDIT_EDIT)->trigger();
    ASSERT_EQ(Executed(m_events, ID_EDIT_EDIT).size(), 1u);
    EXPECT_EQ(Executed(m_events, ID_EDIT_EDIT)[0].leaf, "child");
}

TEST_F(FrameFixture, TheTreeRaisesTheDeleteQuestionFlagForDeleteCommands)
{
    CTestLeaf* leaf = Add(nullptr, "record");
    leaf->handles = {ID_EDIT_DELETE};
    leaf->Select();
    m_frame->GetTreeWnd()->GetTree()->setFocus();
    Switches::SetAskBeforeDelete(false);
    m_frame->MenuAction(ID_EDIT_DELETE)->trigger();
    const auto deletes = Executed(m_events, ID_EDIT_DELETE);
    ASSERT_EQ(deletes.size(), 1u);
    EXPECT_TRUE(deletes[0].askBeforeDelete);
    // The pane forgot the leaf as its item went.
    EXPECT_EQ(m_frame->GetInfoPane()->GetShownLeaf(), nullptr);
}

TEST_F(FrameFixture, StatusPaneShowsWhatTheSelectedLeafAnswers)
{
    CTestLeaf* server = Add(nullptr, "server");
    server->statusText = QStringLiteral("running");
    CTestLeaf* child = Add(server, "child");
    m_frame->UpdateCommandStates();
    EXPECT_EQ(m_frame->ServicePaneText(), QString());
    child->Select();
    m_frame->GetTreeWnd()->GetTree()->setFocus();
    m_frame->UpdateCommandStates();
    EXPECT_EQ(m_frame->ServicePaneText(), "running"); // climbed from the child to its server
    server->statusText = QStringLiteral("stopped");
    m_frame->UpdateCommandStates();
    EXPECT_EQ(m_frame->ServicePaneText(), "stopped");
}

TEST_F(FrameFixture, HelpContentsOpensTheIndexOfTheServiceHome)
{
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    // No help page: a message, not silence.
    m_frame->OnCmdMsg(ID_HELP_CONTENTS, nullptr);
    EXPECT_TRUE(host.OpenedUrls().isEmpty());
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].text, FormatString(IDS_HELP_MISSING, {QStringLiteral("C:\\ALERT\\Help\\Index.htm")}));

    ASSERT_TRUE(m_world.Write("machines/TESTPC/drives/C/ALERT/Help/Index.htm", "<html/>"));
    m_frame->OnCmdMsg(ID_HELP_CONTENTS, nullptr);
    ASSERT_EQ(host.OpenedUrls().size(), 1);
    EXPECT_EQ(host.Boxes().size(), 1u);
    const QString expected = QDir::cleanPath(m_world.Path("machines/TESTPC/drives/C/ALERT/Help/Index.htm"));
    EXPECT_EQ(QDir::cleanPath(host.OpenedUrls()[0].toLocalFile()), expected);

    ASSERT_TRUE(m_world.Write("machines/TESTPC/drives/D/Svc/help/index.htm", "<html/>"));
    const QString key = QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path");
    ASSERT_EQ(Registry::CreateKey(QString(), key, QString()), 0u);
    ASSERT_EQ(Registry::PutString(QString(), key, QStringLiteral("Home"), QStringLiteral("D:\\Svc")), 0u);
    m_frame->OnCmdMsg(ID_HELP_CONTENTS, nullptr);
    ASSERT_EQ(host.OpenedUrls().size(), 2);
    EXPECT_EQ(QDir::cleanPath(host.OpenedUrls()[1].toLocalFile()),
              QDir::cleanPath(m_world.Path("machines/TESTPC/drives/D/Svc/help/index.htm")));

    // A page no browser opens is said too.
    host.SetOpenUrlResult(false);
    m_frame->OnCmdMsg(ID_HELP_CONTENTS, nullptr);
    ASSERT_EQ(host.Boxes().size(), 2u);
    EXPECT_EQ(host.Boxes()[1].text, FormatString(IDS_HELP_NOT_OPENED, {QStringLiteral("D:\\Svc\\Help\\Index.htm")}));
}

TEST_F(FrameFixture, MailLogonIsDisabledUntilAMailSystemIsThere)
{
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CMapiInterface::Instance().Reload();
    CCmdUI ui(ID_FILE_MAIL_LOGON);
    ASSERT_TRUE(Query(ID_FILE_MAIL_LOGON, &ui));
    EXPECT_FALSE(ui.IsEnabled());
    m_frame->OnCmdMsg(ID_FILE_MAIL_LOGON, nullptr);
    EXPECT_TRUE(host.BoxTexts().isEmpty());

    QString error;
    ASSERT_EQ(WorldTool::InstallMailClient(QStringLiteral("TESTPC"), {}, &error), 0u) << error.toStdString();
    CMapiInterface::Instance().Reload();
    CCmdUI ui2(ID_FILE_MAIL_LOGON);
    Query(ID_FILE_MAIL_LOGON, &ui2);
    EXPECT_TRUE(ui2.IsEnabled());
    // The client asks for its profile: given, then refused.
    host.PushDialog([](QDialog* d) { d->accept(); });
    m_frame->OnCmdMsg(ID_FILE_MAIL_LOGON, nullptr);
    host.PushDialog([](QDialog* d) { d->reject(); });
    m_frame->OnCmdMsg(ID_FILE_MAIL_LOGON, nullptr);
    EXPECT_EQ(host.BoxTexts(), (QStringList{LoadString(3510), LoadString(3511)}));
    CMapiInterface::Instance().UnloadMapi32DLL();
}

TEST_F(FrameFixture, UnhandledCommandsReachTheNextTarget)
{
    struct App : CCmdTarget {
        int about = 0;
        bool OnCmdMsg(UINT id, CCmdUI* pUI) override
        {
            if (id != ID_APP_ABOUT)
                return false;
            if (pUI)
                pUI->Enable(true);
            else
                ++about;
            return true;
        }
    } app;
    m_frame->SetNextCmdTarget(&app);
    m_frame->MenuAction(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(app.about, 1);
    m_frame->SetNextCmdTarget(nullptr);
    CCmdUI ui(ID_SERVICE_START);
    EXPECT_FALSE(Query(ID_SERVICE_START, &ui));
}

TEST_F(FrameFixture, MaximisedTheTreeKeepsItsWidthAndTheLastColumnFillsThePane)
{
    CTestLeaf* leaf = Add(nullptr, "server");
    leaf->heading = QStringLiteral("Method\tRecipient");
    leaf->rows = {QStringLiteral("Pager\tann")};
    leaf->Select();
    CAlertColList* list = m_frame->GetInfoPane()->GetList();
    EXPECT_EQ(list->GetColumnWidth(0) + list->GetColumnWidth(1), list->width());
    m_frame->showMaximized();
    QApplication::processEvents();
    EXPECT_GT(m_frame->width(), 620);
    EXPECT_EQ(m_frame->GetSplitter()->sizes().at(0), CMainFrame::kTreePaneWidth);
    EXPECT_EQ(list->width(), m_frame->GetRightPane()->width());
    EXPECT_EQ(list->GetColumnWidth(0) + list->GetColumnWidth(1), list->width());
    const QImage shot = m_frame->grab().toImage();
    EXPECT_EQ(shot.size(), m_frame->size() * shot.devicePixelRatio());
}
