// The information pane with a real tree host: display formats, removal, routing to the
// selected rows, right-clicks, double-clicks, printing and exporting.
#include "TestLeaves.h"

#include "framework/Messages.h"
#include "framework/ScriptedUiHost.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QMouseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class PaneFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Switches::Reset();
        m_host = std::make_unique<QWidget>();
        m_host->resize(700, 400);
        auto* layout = new QHBoxLayout(m_host.get());
        m_treeWnd = new CAlertTreeWnd(m_host.get());
        m_pane = new CAlertListWnd(m_host.get());
        layout->addWidget(m_treeWnd);
        layout->addWidget(m_pane, 1);
        m_treeWnd->SetInfoPane(m_pane);
        m_root = new CAlertLeaf(m_treeWnd->GetTree());
        m_host->show();
    }
    void TearDown() override
    {
        m_host.reset();
        delete m_root;
        Switches::Reset();
        CAlertListWnd::SetSortKeyQuery({});
    }

    CTestLeaf* Add(CAlertLeaf* parent, const QString& name)
    {
        auto* leaf = new CTestLeaf(name, &m_events);
        (parent ? parent : m_root)->InsertChild(leaf);
        return leaf;
    }

    // A parent listing n children in format 1, selected in the tree.
    CTestLeaf* ParentWithChildren(int n)
    {
        CTestLeaf* parent = Add(nullptr, "parent");
        parent->listChildren = true;
        parent->heading = QStringLiteral("Name");
        for (int i = 0; i < n; ++i) {
            CTestLeaf* child = Add(parent, QStringLiteral("child%1").arg(i));
            child->handles = {ID_EDIT_DELETE, ID_EDIT_EDIT};
        }
        parent->Select();
        return parent;
    }

    CAlertColList* List() const { return m_pane->GetList(); }

    std::unique_ptr<QWidget> m_host;
    CAlertTreeWnd* m_treeWnd = nullptr;
    CAlertListWnd* m_pane = nullptr;
    CAlertLeaf* m_root = nullptr;
    std::vector<LeafEvent> m_events;
};

int PdfPageCount(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(f.readAll());
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int n = 0;
    for (auto it = page.globalMatch(text); it.hasNext(); it.next())
        ++n;
    return n;
}

} // namespace

TEST_F(PaneFixture, SelectingALeafShowsItsRowsWithTheirObjects)
{
    CTestLeaf* parent = ParentWithChildren(3);
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_COLUMNS);
    EXPECT_EQ(m_pane->GetShownLeaf(), parent);
    ASSERT_EQ(List()->GetCount(), 3);
    EXPECT_EQ(List()->GetRowText(0), "child0");
    EXPECT_EQ(List()->GetRowObject(2), parent->GetFirstChild()->GetNextSibling()->GetNextSibling());
    EXPECT_EQ(m_pane->DisplayedLines(), (QStringList{"Name", "child0", "child1", "child2"}));
    EXPECT_EQ(m_pane->SendMessage(WM_ALERT_QUERY_VALUE, 0, 7), 1);
    EXPECT_EQ(m_pane->SendMessage(WM_ALERT_QUERY_VALUE, 0, 0), 0);
    EXPECT_EQ(m_pane->SendMessage(WM_ALERT_SHOW_LEAF, 0, 0), 0);
}

TEST_F(PaneFixture, ALeafWithoutRowsShowsTheEmptyMessage)
{
    CTestLeaf* leaf = Add(nullptr, "empty");
    leaf->heading = QStringLiteral("A\tB");
    leaf->Select();
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_NOTHING);
    EXPECT_TRUE(List()->isVisible());
    EXPECT_EQ(List()->GetCount(), 0);
    EXPECT_EQ(List()->GetEmptyMessage(), LoadString(3518));
    EXPECT_EQ(LoadString(3518), QStringLiteral("沒有可用資訊"));
    // Nothing is routed to leaves in format 0.
    leaf->handles = {ID_EDIT_EDIT};
    EXPECT_FALSE(m_pane->OnCmdMsg(ID_EDIT_EDIT, nullptr));
}

TEST_F(PaneFixture, HeadingsBeyondTheListsColumnsAreDroppedAndTheLastColumnTakesTheRest)
{
    CTestLeaf* leaf = Add(nullptr, "wide");
    QStringList heads;
    for (int i = 0; i < 12; ++i)
        heads << QStringLiteral("H%1").arg(i);
    leaf->heading = heads.join('\t');
    leaf->rows = {QStringLiteral("a\tb")};
    leaf->Select();
    EXPECT_EQ(List()->GetLastVisibleColumn(), CAlertColList::kColumns - 1);
    EXPECT_EQ(List()->GetHeading(9), "H9");

    CTestLeaf* narrow = Add(nullptr, "narrow");
    narrow->heading = QStringLiteral("Method\tRecipient");
    narrow->rows = {QStringLiteral("x\ty")};
    narrow->Select();
    EXPECT_EQ(List()->GetLastVisibleColumn(), 1);
    EXPECT_EQ(List()->GetHeading(2), QString());
    EXPECT_EQ(List()->GetColumnWidth(2), 0);
    const int min0 = List()->HeadingTextWidth("Method") + 25 + List()->GutterWidth();
    EXPECT_EQ(List()->GetMinWidth(0), min0);
    EXPECT_EQ(List()->GetColumnWidth(0), min0);
    EXPECT_EQ(List()->GetColumnWidth(1), List()->width() - min0);
    // A narrow pane never squeezes the last column below its own minimum.
    m_host->resize(150, 300);
    QApplication::processEvents();
    narrow->Redisplay();
    EXPECT_GE(List()->GetColumnWidth(1), List()->GetMinWidth(1));
}

TEST_F(PaneFixture, ColumnsFitTheirTextsOnResizeUntilTheUserDragsABorder)
{
    CTestLeaf* leaf = Add(nullptr, "fit");
    leaf->heading = QStringLiteral("A\tB\tC");
    leaf->rows = {QStringLiteral("a rather long first cell\tb\tc")};
    m_host->resize(160, 300); // too narrow: the first column is held to its share
    QApplication::processEvents();
    leaf->Select();
    const int needed = List()->WidestCell(0, 10);
    EXPECT_LT(List()->GetColumnWidth(0), needed);
    m_host->resize(900, 300);
    QApplication::processEvents();
    EXPECT_EQ(List()->GetColumnWidth(0), needed);
    EXPECT_EQ(List()->GetColumnLeft(2) + List()->GetColumnWidth(2), List()->width());

    // After a drag the chosen widths stay and only the last column follows the pane.
    QWidget* header = List()->Header();
    const int border = List()->GetColumnWidth(0);
    QTest::mousePress(header, Qt::LeftButton, Qt::NoModifier, QPoint(border, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(border - 30, 5), header->mapToGlobal(QPointF(border - 30, 5)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header, &move);
    QTest::mouseRelease(header, Qt::LeftButton, Qt::NoModifier, QPoint(border - 30, 5));
    EXPECT_EQ(List()->GetColumnWidth(0), needed - 30);
    m_host->resize(800, 300);
    QApplication::processEvents();
    EXPECT_EQ(List()->GetColumnWidth(0), needed - 30);
    EXPECT_EQ(List()->GetColumnLeft(2) + List()->GetColumnWidth(2), List()->width());
    // Showing a leaf again fits afresh.
    leaf->Redisplay();
    EXPECT_EQ(List()->GetColumnWidth(0), needed);
}

TEST_F(PaneFixture, DeleteKeyOnThreeRowsRoutesLastRowFirstAndTellsTheParentOnce)
{
    CTestLeaf* parent = ParentWithChildren(4);
    List()->SetSel(0, true);
    List()->SetSel(1, true);
    List()->SetSel(3, true);
    Switches::SetAskBeforeDelete(false);
    List()->Rows()->setFocus();
    QTest::keyClick(List()->Rows(), Qt::Key_Delete);

    const auto deletes = Executed(m_events, ID_EDIT_DELETE);
    ASSERT_EQ(deletes.size(), 3u);
    EXPECT_EQ(deletes[0].leaf, "child3");
    EXPECT_EQ(deletes[1].leaf, "child1");
    EXPECT_EQ(deletes[2].leaf, "child0");
    // Every row is deleted as a user's deletion; the parent hears once, after the last row.
    EXPECT_TRUE(deletes[0].notifyParent);
    EXPECT_TRUE(deletes[2].notifyParent);
    EXPECT_TRUE(deletes[0].askBeforeDelete); // raised by the pane for the command
    EXPECT_EQ(parent->childModified, 1);
    EXPECT_TRUE(Switches::NotifyParent());
    // The rows went with their leaves.
    ASSERT_EQ(List()->GetCount(), 1);
    EXPECT_EQ(List()->GetRowText(0), "child2");
}

TEST_F(PaneFixture, InsertKeySendsNewItemToTheSelectedRows)
{
    CTestLeaf* parent = ParentWithChildren(2);
    static_cast<CTestLeaf*>(parent->GetFirstChild())->handles.insert(ID_EDIT_NEW);
    List()->SetCurSel(0);
    QTest::keyClick(List()->Rows(), Qt::Key_Insert);
    const auto news = Executed(m_events, ID_EDIT_NEW);
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].leaf, "child0");
}

TEST_F(PaneFixture, CommandHandledOnlyWhenEverySelectedRowHandlesIt)
{
    CTestLeaf* parent = ParentWithChildren(2);
    auto* first = static_cast<CTestLeaf*>(parent->GetFirstChild());
    first->handles = {ID_EDIT_TEST_MESSAGE};
    List()->SetSel(0, true);
    List()->SetSel(1, true);
    EXPECT_FALSE(m_pane->OnCmdMsg(ID_EDIT_TEST_MESSAGE, nullptr));
    List()->SetCurSel(0);
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_EDIT_TEST_MESSAGE, nullptr));
    // Without a selection, printing falls to the list itself.
    List()->SetCurSel(-1);
    CCmdUI ui(ID_FILE_PRINT);
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_FILE_PRINT, &ui));
    EXPECT_TRUE(ui.IsEnabled());
}

TEST_F(PaneFixture, DeletingTheShownRowSelectsTheRowAbove)
{
    CTestLeaf* parent = ParentWithChildren(4);
    CAlertLeaf* third = parent->GetFirstChild()->GetNextSibling()->GetNextSibling();
    third->DeleteLeaf();
    ASSERT_EQ(List()->GetCount(), 3);
    EXPECT_EQ(List()->FindObject(third), -1);
    EXPECT_EQ(List()->GetSelItems(), std::vector<int>{1});
    EXPECT_EQ(List()->GetRowText(1), "child1");
    // The first row's removal selects the new first row.
    parent->GetFirstChild()->DeleteLeaf();
    EXPECT_EQ(List()->GetSelItems(), std::vector<int>{0});
}

TEST_F(PaneFixture, LabelDataFormatPairsHeadingWithFirstRow)
{
    CTestLeaf* owner = Add(nullptr, "owner");
    CTestLeaf* leaf = Add(nullptr, "labels");
    leaf->format = DISPLAY_LABELS;
    leaf->heading = QStringLiteral("Zone\tAccount\tPort");
    leaf->rows = {QStringLiteral("z1\tadmin\tCOM1"), QStringLiteral("ignored")};
    leaf->objects = {owner};
    owner->handles = {ID_EDIT_EDIT};
    leaf->Select();
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_LABELS);
    EXPECT_EQ(List()->GetHeadingText(), LoadString(4007));
    // Rows are ordered by label.
    EXPECT_EQ(m_pane->DisplayedLines(),
              (QStringList{LoadString(4007), "Account\tadmin", "Port\tCOM1", "Zone\tz1"}));
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_EDIT_EDIT, nullptr));
    EXPECT_EQ(Executed(m_events, ID_EDIT_EDIT).at(0).leaf, "owner");
    // Labels longer than the heading are shown whole; the data column takes the rest.
    const int account = List()->fontMetrics().horizontalAdvance(QStringLiteral("Account"));
    EXPECT_GE(List()->GetColumnWidth(0), account + List()->GutterWidth());
    EXPECT_LT(List()->GetColumnWidth(0), List()->width() / 2);
    EXPECT_EQ(List()->GetColumnWidth(0) + List()->GetColumnWidth(1), List()->width());
    // An unrelated leaf's deletion leaves the display; the text box's object takes it along.
    Add(nullptr, "unrelated")->DeleteLeaf();
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_LABELS);
    EXPECT_EQ(List()->GetCount(), 3);
    m_pane->SendMessage(WM_ALERT_LEAF_DELETED, 0, PtrToLParam(owner));
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_NOTHING);
    EXPECT_EQ(List()->GetCount(), 0);
}

TEST_F(PaneFixture, TextFormatKeepsTheFirstVisibleLineWhenReshown)
{
    CTestLeaf* log = Add(nullptr, "log");
    log->format = DISPLAY_TEXT;
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << QStringLiteral("line %1").arg(i);
    log->rows = {lines.join(QStringLiteral("\r\n"))};
    log->objects = {log};
    log->Select();
    CAlertEdit* edit = m_pane->GetTextBox();
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_TEXT);
    EXPECT_TRUE(edit->isVisible());
    EXPECT_FALSE(List()->isVisible());
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(m_pane->GetTextLeaf(), log);
    EXPECT_EQ(m_pane->GetShownLeaf(), nullptr);
    EXPECT_EQ(edit->document()->blockCount(), 300);

    edit->ScrollToLine(120);
    ASSERT_EQ(edit->FirstVisibleLine(), 120);
    lines << QStringLiteral("line 300");
    log->rows = {lines.join(QStringLiteral("\r\n"))};
    log->Redisplay();
    EXPECT_EQ(edit->FirstVisibleLine(), 120);
    EXPECT_EQ(edit->document()->blockCount(), 301);

    // Another leaf going away leaves the text alone; the shown one takes it along.
    CTestLeaf* other = Add(nullptr, "other");
    other->DeleteLeaf();
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_TEXT);
    EXPECT_EQ(edit->document()->blockCount(), 301);

    // A text that no longer reaches that line starts at the top.
    log->rows = {QStringLiteral("short\r\ntext")};
    log->Redisplay();
    EXPECT_EQ(edit->FirstVisibleLine(), 0);
    EXPECT_EQ(m_pane->DisplayedLines(), (QStringList{"short", "text"}));
    log->DeleteLeaf();
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_NOTHING);
    EXPECT_TRUE(edit->toPlainText().isEmpty());
    EXPECT_EQ(m_pane->GetTextLeaf(), nullptr);
}

TEST_F(PaneFixture, RightClickShowsTheMenuOfASingleSelectedRowOnly)
{
    ParentWithChildren(3);
    QWidget* vp = List()->Rows()->viewport();
    const int rh = List()->RowHeight();
    QTest::mouseClick(vp, Qt::RightButton, Qt::NoModifier, QPoint(20, rh + rh / 2));
    ASSERT_EQ(m_events.size(), 1u);
    EXPECT_EQ(m_events[0].what, "menu");
    EXPECT_EQ(m_events[0].leaf, "child1");
    EXPECT_EQ(m_events[0].point, vp->mapToGlobal(QPoint(20, rh + rh / 2)));
    m_events.clear();
    // With Ctrl the click adds a second row: no menu.
    QTest::mouseClick(vp, Qt::RightButton, Qt::ControlModifier, QPoint(20, rh / 2));
    EXPECT_EQ(List()->GetSelCount(), 2);
    EXPECT_TRUE(m_events.empty());
    // Other control ids and the text box's message outside format 3 do nothing.
    List()->SetCurSel(0);
    EXPECT_EQ(m_pane->SendMessage(WM_ALERT_LIST_RCLICK, 7, MakeLParam(1, 2)), 0);
    m_pane->SendMessage(WM_ALERT_TEXT_RCLICK, CAlertListWnd::kTextCtrlId, MakeLParam(1, 2));
    EXPECT_TRUE(m_events.empty());
    m_pane->SendMessage(WM_ALERT_LIST_RCLICK, CAlertListWnd::kListCtrlId, MakeLParam(-5, 9));
    ASSERT_EQ(m_events.size(), 1u);
    EXPECT_EQ(m_events[0].point, QPoint(-5, 9));
}

TEST_F(PaneFixture, TextBoxRightClickGoesToItsObjectInTextFormat)
{
    CTestLeaf* log = Add(nullptr, "log");
    log->format = DISPLAY_TEXT;
    log->rows = {QStringLiteral("text")};
    log->objects = {log};
    log->Select();
    m_pane->SendMessage(WM_ALERT_TEXT_RCLICK, CAlertListWnd::kTextCtrlId, MakeLParam(30, 40));
    ASSERT_EQ(m_events.size(), 1u);
    EXPECT_EQ(m_events[0].leaf, "log");
    EXPECT_EQ(m_events[0].point, QPoint(30, 40));
    // A real right-click in the text box takes the same way, with its screen point.
    QWidget* vp = m_pane->GetTextBox()->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 6), vp->mapToGlobal(QPoint(5, 6)));
    QApplication::sendEvent(vp, &click);
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[1].point, vp->mapToGlobal(QPoint(5, 6)));
}

TEST_F(PaneFixture, DoubleClickSelectsTheRowsLeafInTheTree)
{
    CTestLeaf* parent = ParentWithChildren(2);
    QWidget* vp = List()->Rows()->viewport();
    const int rh = List()->RowHeight();
    QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, QPoint(20, rh + rh / 2));
    CAlertLeaf* second = parent->GetFirstChild()->GetNextSibling();
    EXPECT_TRUE(second->IsSelected());
    EXPECT_EQ(m_pane->GetShownLeaf(), second);
}

TEST_F(PaneFixture, DoubleClickInLabelFormatGoesToTheFirstObject)
{
    CTestLeaf* owner = Add(nullptr, "owner");
    CTestLeaf* leaf = Add(nullptr, "labels");
    leaf->format = DISPLAY_LABELS;
    leaf->heading = QStringLiteral("A");
    leaf->rows = {QStringLiteral("1")};
    leaf->objects = {owner};
    leaf->Select();
    QTest::mouseDClick(List()->Rows()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
    ASSERT_EQ(m_events.size(), 1u);
    EXPECT_EQ(m_events[0].what, "dblclk");
    EXPECT_EQ(m_events[0].leaf, "owner");
    EXPECT_EQ(m_events[0].point, QPoint(0, 0));
}

TEST_F(PaneFixture, UnknownFormatsShowNothingAndRouteNothing)
{
    ParentWithChildren(2);
    CTestLeaf* odd = Add(nullptr, "odd");
    odd->produced = 9;
    odd->rows = {QStringLiteral("r")};
    odd->Select();
    EXPECT_EQ(List()->GetCount(), 0);
    EXPECT_EQ(m_pane->GetShownLeaf(), nullptr);
    EXPECT_FALSE(m_pane->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_TRUE(Executed(m_events, ID_EDIT_DELETE).empty());
}

TEST_F(PaneFixture, SortKeysOfTheLogsComeFromTheQueryAndSortNumerically)
{
    CTestLeaf* log = Add(nullptr, "events");
    log->heading = QStringLiteral("When\tWhat");
    log->rows = {QStringLiteral("late\ta"), QStringLiteral("early\tb"), QStringLiteral("mid\tc")};
    CAlertListWnd::SetSortKeyQuery([log](CAlertLeaf* leaf, QStringList* keys, DWORD* numeric) {
        if (leaf != log)
            return false;
        *keys = {QStringLiteral("1000\ta"), QStringLiteral("-20\tb"), QStringLiteral("999\tc")};
        *numeric = 0x1;
        return true;
    });
    log->Select();
    EXPECT_EQ(m_pane->DisplayedLines(), (QStringList{"When\tWhat", "early\tb", "mid\tc", "late\ta"}));
    // Other leaves sort by their texts.
    CTestLeaf* plain = Add(nullptr, "plain");
    plain->rows = {QStringLiteral("10"), QStringLiteral("9")};
    plain->heading = QStringLiteral("N");
    plain->Select();
    EXPECT_EQ(List()->GetRowText(0), "10");
}

TEST_F(PaneFixture, PrintingTheListWritesPdfPagesNamedAfterTheLeaf)
{
    QTemporaryDir dir;
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CTestLeaf* leaf = Add(nullptr, "many");
    leaf->heading = QStringLiteral("A\tB");
    for (int i = 0; i < 150; ++i)
        leaf->rows << QStringLiteral("%1\tvalue %1").arg(i, 4, 10, QLatin1Char('0'));
    leaf->Select();
    EXPECT_EQ(m_pane->PrintHeader(), LoadString(57344) + " - many");

    host.SetPrintToFile(dir.filePath("list.pdf"));
    CCmdUI ui(ID_FILE_PRINT);
    ASSERT_TRUE(m_pane->OnCmdMsg(ID_FILE_PRINT, &ui));
    EXPECT_TRUE(ui.IsEnabled());
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_FILE_PRINT, nullptr));
    EXPECT_EQ(host.PrintDialogs(), 1);
    const int pages = PdfPageCount(dir.filePath("list.pdf"));
    EXPECT_GE(pages, 2);
    EXPECT_LE(pages, 5);

    // A cancelled dialog prints nothing.
    host.SetPrintToFile(QString());
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_FILE_PRINT, nullptr));
    EXPECT_EQ(host.PrintDialogs(), 2);
}

TEST_F(PaneFixture, PrintIsDisabledWithNothingShownAndTheTextBoxPrintsItsText)
{
    QTemporaryDir dir;
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CTestLeaf* empty = Add(nullptr, "empty");
    empty->Select();
    CCmdUI ui(ID_FILE_PRINT);
    EXPECT_FALSE(m_pane->OnCmdMsg(ID_FILE_PRINT, &ui) && ui.IsEnabled());

    CTestLeaf* log = Add(nullptr, "log");
    log->format = DISPLAY_TEXT;
    log->rows = {QStringLiteral("one\r\ntwo")};
    log->Select();
    CCmdUI textUi(ID_FILE_PRINT);
    ASSERT_TRUE(m_pane->OnCmdMsg(ID_FILE_PRINT, &textUi));
    EXPECT_TRUE(textUi.IsEnabled());
    host.SetPrintToFile(dir.filePath("text.pdf"));
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_FILE_PRINT, nullptr));
    EXPECT_EQ(PdfPageCount(dir.filePath("text.pdf")), 1);
    EXPECT_EQ(m_pane->PrintHeader(), LoadString(57344) + " - log");
}

TEST_F(PaneFixture, ExportWritesTheShownListAsCsvThatReadsBackEqual)
{
    CTestLeaf* leaf = Add(nullptr, "export");
    leaf->heading = QStringLiteral("名稱\tNote, \"quoted\"\tLast");
    leaf->rows = {QStringLiteral("警示, 一\tsays \"hi\"\tline one\nline two"),
                  QStringLiteral("plain\t\ttrailing\r\nbreak"), QStringLiteral("only first")};
    leaf->Select();
    ASSERT_EQ(List()->GetCount(), 3);
    // Sorted by the first column, as shown.
    QStringList shown;
    for (int i = 0; i < List()->GetCount(); ++i)
        shown << List()->GetRowText(i);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("清單.csv"));
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CCmdUI ui(ID_FILE_EXPORT_LIST);
    ASSERT_TRUE(m_pane->OnCmdMsg(ID_FILE_EXPORT_LIST, &ui));
    EXPECT_TRUE(ui.IsEnabled());
    host.PushFileName(path);
    ASSERT_TRUE(m_pane->OnCmdMsg(ID_FILE_EXPORT_LIST, nullptr));
    EXPECT_EQ(host.FileDialogCaptions(), QStringList{LoadString(IDS_EXPORT_CAPTION)});

    // Python's csv module reads the file back: every row has the three columns as shown.
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv,json,sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f, strict=True))))\n"),
                  path});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonArray table = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    ASSERT_EQ(table.size(), 4);
    QStringList expected = {leaf->heading};
    for (const QString& row : shown) {
        QStringList cells = row.split('\t');
        while (cells.size() < 3)
            cells << QString();
        expected << cells.join('\t');
    }
    for (int r = 0; r < 4; ++r) {
        QStringList cells;
        for (const QJsonValue& cell : table.at(r).toArray())
            cells << cell.toString();
        EXPECT_EQ(cells.size(), 3) << r;
        EXPECT_EQ(cells.join('\t'), expected.at(r)) << r;
    }
    // Cancelling the dialog writes nothing; an unwritable place says so with its path.
    QFile::remove(path);
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_FILE_EXPORT_LIST, nullptr));
    EXPECT_FALSE(QFile::exists(path));
    const QString blocked = dir.filePath(QStringLiteral("missing/清單.csv"));
    host.PushFileName(blocked);
    EXPECT_TRUE(m_pane->OnCmdMsg(ID_FILE_EXPORT_LIST, nullptr));
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes().at(0).text, LoadString(IDS_EXPORT_FAILED).replace("%1", QDir::toNativeSeparators(blocked)));

    // Nothing shown: nothing to export.
    leaf->rows.clear();
    leaf->Select();
    m_pane->ShowLeaf(leaf);
    CCmdUI empty(ID_FILE_EXPORT_LIST);
    m_pane->OnCmdMsg(ID_FILE_EXPORT_LIST, &empty);
    EXPECT_FALSE(empty.IsEnabled());
}
