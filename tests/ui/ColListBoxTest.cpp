// The column list: ordering, selection, header gestures, right-click and notifications.
#include "ui/ColListBox.h"

#include "res/Resources.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

namespace {

struct Note {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A shown list with three columns, recording what it tells its owner.
class ColListFixture : public ::testing::Test {
protected:
    void Make(DWORD flags, int columns = 3)
    {
        m_list = std::make_unique<CColListBox>(columns, flags, 100);
        m_notes.clear();
        m_list->resize(400, 300);
        for (int c = 0; c < columns; ++c)
            m_list->SetColumnWidth(c, 100);
        QObject::connect(m_list.get(), &CColListBox::Notify, [this](UINT m, WPARAM w, LPARAM l) {
            m_notes.push_back({m, w, l});
        });
        m_list->show();
        m_list->Finish();
    }

    std::vector<QString> Order() const
    {
        std::vector<QString> out;
        for (int i = 0; i < m_list->GetCount(); ++i)
            out.push_back(m_list->GetRowText(i));
        return out;
    }

    std::vector<Note> NotesOf(UINT message) const
    {
        std::vector<Note> out;
        for (const Note& n : m_notes)
            if (n.message == message)
                out.push_back(n);
        return out;
    }

    QPoint RowPoint(int row, int x = 150) const
    {
        return QPoint(x, row * m_list->RowHeight() + m_list->RowHeight() / 2);
    }

    QPoint HeaderPoint(int contentX) const
    {
        return QPoint(contentX - m_list->ScrollOffset(), m_list->HeaderHeight() / 2);
    }

    void SendMouse(QWidget* w, QEvent::Type type, const QPoint& pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent ev(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &ev);
    }

    std::unique_ptr<CColListBox> m_list;
    std::vector<Note> m_notes;
};

using Strings = std::vector<QString>;

} // namespace

TEST_F(ColListFixture, TextSortIsByCharacterNumericSortIsByValue)
{
    Make(ColList::SortOnClick);
    m_list->AddRow("a", "10");
    m_list->AddRow("b", "9");
    m_list->AddRow("c", "100");
    m_list->AddRow("d", "-5");
    EXPECT_EQ(Order(), (Strings{"d", "a", "c", "b"})); // "-5" < "10" < "100" < "9" as text

    m_list->SetColumnSort(1, 0, true);
    EXPECT_EQ(m_list->SortBy(1), 1);
    EXPECT_EQ(Order(), (Strings{"d", "b", "a", "c"}));

    // The same column again flips the direction; once more returns to the first order.
    EXPECT_EQ(m_list->SortBy(1), 0);
    EXPECT_EQ(Order(), (Strings{"c", "a", "b", "d"}));
    EXPECT_EQ(m_list->SortBy(1), 1);
    EXPECT_EQ(Order(), (Strings{"d", "b", "a", "c"}));
    EXPECT_EQ(m_list->SortBy(3), -1);
    EXPECT_EQ(m_list->SortBy(-1), -1);
}

TEST_F(ColListFixture, NumericFieldsReadLikeTheRuntimeConversion)
{
    Make(0);
    m_list->SetColumnSort(0, 0, true);
    m_list->SortBy(1);
    m_list->SortBy(0); // column 0 becomes current again, numeric now
    m_list->AddRow("twelve", " 12abc");
    m_list->AddRow("none", "abc");
    m_list->AddRow("frac", "2.5");
    m_list->AddRow("big", "1700000000");
    m_list->AddRow("neg", "-3");
    EXPECT_EQ(Order(), (Strings{"neg", "none", "frac", "twelve", "big"}));
}

TEST_F(ColListFixture, SortFieldComesFromTheKeyAndMissingFieldsAreEmpty)
{
    Make(0);
    m_list->SetColumnSort(1, 2, false); // column 1 sorts by key field 2
    m_list->AddRow("x\tfirst", "k\tz\tb");
    m_list->AddRow("y\tsecond", "k\ty\ta");
    m_list->AddRow("z\tthird", "k"); // no field 2: empty, sorts first
    m_list->SortBy(1);
    EXPECT_EQ(m_list->GetSortField(0), QString());
    EXPECT_EQ(Order(), (Strings{"z\tthird", "y\tsecond", "x\tfirst"}));
    // Rows added later take their sorted place under the current column.
    m_list->AddRow("w\tfourth", "k\tk\taa");
    EXPECT_EQ(m_list->GetRowText(2), "w\tfourth");
}

TEST_F(ColListFixture, EqualFieldsKeepArrivalOrderThroughFlips)
{
    Make(0);
    m_list->AddRow("1", "b\t1");
    m_list->AddRow("2", "a\t1");
    m_list->AddRow("3", "b\t1");
    m_list->AddRow("4", "a\t1");
    const Strings first = Order();
    EXPECT_EQ(first, (Strings{"2", "4", "1", "3"}));
    m_list->SortBy(1);
    EXPECT_EQ(Order(), first); // all equal in column 1: order unchanged
    m_list->SortBy(0);
    m_list->SortBy(0);
    m_list->SortBy(0);
    EXPECT_EQ(Order(), first);
}

TEST_F(ColListFixture, SelectionSurvivesResortOnlyWithTheFlag)
{
    Make(ColList::KeepSelection | ColList::ExtendedSel);
    for (const char* k : {"c\t1", "a\t3", "b\t2"})
        m_list->AddRow(QString::fromLatin1(k), QString::fromLatin1(k));
    int tagged = 0;
    for (int i = 0; i < 3; ++i)
        m_list->SetRowObject(i, &tagged + i);
    m_list->SetSel(0, true); // "a"
    m_list->SetSel(2, true); // "c"
    m_list->SortBy(1);
    ASSERT_EQ(Order(), (Strings{"c\t1", "b\t2", "a\t3"}));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{0, 2}));
    EXPECT_EQ(m_list->GetCurSel(), 0); // the caret follows its row ("c", last selected)
}

TEST_F(ColListFixture, SelectionIsDroppedByResortWithoutTheFlag)
{
    Make(ColList::ExtendedSel);
    for (const char* k : {"c\t1", "a\t3", "b\t2"})
        m_list->AddRow(QString::fromLatin1(k), QString::fromLatin1(k));
    m_list->SetSel(1, true);
    m_list->SortBy(1);
    EXPECT_EQ(m_list->GetSelCount(), 0);
    EXPECT_EQ(m_list->GetCurSel(), -1);
}

TEST_F(ColListFixture, HeadingClickNotifiesAndSortsSecondClickFlips)
{
    Make(ColList::Notify | ColList::SortOnClick);
    m_list->AddRow("b\t1", "b\t1");
    m_list->AddRow("a\t2", "a\t2");
    m_list->AddRow("c\t0", "c\t0");
    QTest::mouseClick(m_list->Header(), Qt::LeftButton, Qt::NoModifier, HeaderPoint(150));
    auto heads = NotesOf(ColList::NotifyHeadingClick);
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].wParam, WPARAM(100));
    EXPECT_EQ(heads[0].lParam, LPARAM(1));
    EXPECT_EQ(Order(), (Strings{"c\t0", "b\t1", "a\t2"}));
    QTest::mouseClick(m_list->Header(), Qt::LeftButton, Qt::NoModifier, HeaderPoint(150));
    EXPECT_EQ(Order(), (Strings{"a\t2", "b\t1", "c\t0"}));
    EXPECT_EQ(NotesOf(ColList::NotifyHeadingClick).size(), 2u);
}

TEST_F(ColListFixture, HeadingClickWithoutFlagsDoesNothing)
{
    Make(0);
    m_list->AddRow("b\t1", "b\t1");
    m_list->AddRow("a\t2", "a\t2");
    QTest::mouseClick(m_list->Header(), Qt::LeftButton, Qt::NoModifier, HeaderPoint(150));
    EXPECT_TRUE(m_notes.empty());
    EXPECT_EQ(m_list->GetSortColumn(), 0);
    EXPECT_EQ(Order(), (Strings{"a\t2", "b\t1"}));
}

TEST_F(ColListFixture, PressAndReleaseOnDifferentHeadingsIsNoClick)
{
    Make(ColList::Notify | ColList::SortOnClick);
    QTest::mousePress(m_list->Header(), Qt::LeftButton, Qt::NoModifier, HeaderPoint(30));
    QTest::mouseRelease(m_list->Header(), Qt::LeftButton, Qt::NoModifier, HeaderPoint(250));
    EXPECT_TRUE(NotesOf(ColList::NotifyHeadingClick).empty());
}

TEST_F(ColListFixture, DraggingABorderResizesWithAFivePixelMinimum)
{
    Make(ColList::Notify | ColList::SortOnClick);
    QWidget* header = m_list->Header();
    // Widen column 0 from 100 to 140; the columns to its right move.
    SendMouse(header, QEvent::MouseButtonPress, HeaderPoint(101), Qt::LeftButton, Qt::LeftButton);
    SendMouse(header, QEvent::MouseMove, HeaderPoint(141), Qt::NoButton, Qt::LeftButton);
    SendMouse(header, QEvent::MouseButtonRelease, HeaderPoint(141), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(m_list->GetColumnWidth(0), 140);
    EXPECT_EQ(m_list->GetColumnLeft(1), 140);
    // A drag is not a click: nothing was reported or sorted.
    EXPECT_TRUE(NotesOf(ColList::NotifyHeadingClick).empty());

    // Dragging column 1's border far past its left edge leaves 5 pixels.
    SendMouse(header, QEvent::MouseButtonPress, HeaderPoint(240), Qt::LeftButton, Qt::LeftButton);
    SendMouse(header, QEvent::MouseMove, HeaderPoint(20), Qt::NoButton, Qt::LeftButton);
    SendMouse(header, QEvent::MouseButtonRelease, HeaderPoint(10), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(m_list->GetColumnWidth(1), ColList::MinColumnWidth);

    // The 5-pixel column can still be widened from its own border.
    EXPECT_EQ(m_list->BorderHit(145), 1);
}

TEST_F(ColListFixture, FixedColumnsCannotBeDraggedAndShowNoResizeCursor)
{
    Make(0);
    m_list->SetColumnFlags(0, ColList::ColFixed);
    QWidget* header = m_list->Header();
    EXPECT_EQ(m_list->BorderHit(100), -1);
    EXPECT_EQ(m_list->BorderHit(203), 1);
    SendMouse(header, QEvent::MouseMove, HeaderPoint(100), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(header->cursor().shape(), Qt::ArrowCursor);
    SendMouse(header, QEvent::MouseMove, HeaderPoint(198), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(header->cursor().shape(), Res::Cursor(101).shape());
    EXPECT_NE(header->cursor().shape(), Qt::ArrowCursor);
    SendMouse(header, QEvent::MouseButtonPress, HeaderPoint(100), Qt::LeftButton, Qt::LeftButton);
    SendMouse(header, QEvent::MouseMove, HeaderPoint(160), Qt::NoButton, Qt::LeftButton);
    SendMouse(header, QEvent::MouseButtonRelease, HeaderPoint(160), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(m_list->GetColumnWidth(0), 100);
}

TEST_F(ColListFixture, RightClickSelectsTheRowUnderThePointerAndNotifies)
{
    Make(0x4BE);
    for (int i = 0; i < 4; ++i)
        m_list->AddRow(QString::number(i), QString::number(i));
    m_list->SetSel(0, true);
    m_list->SetSel(1, true);
    QWidget* vp = m_list->Rows()->viewport();
    QTest::mouseClick(vp, Qt::RightButton, Qt::NoModifier, RowPoint(2));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{2}));
    EXPECT_EQ(m_list->GetCurSel(), 2);
    auto rc = NotesOf(ColList::NotifyRightClick);
    ASSERT_EQ(rc.size(), 1u);
    EXPECT_EQ(rc[0].wParam, WPARAM(100));
    const QPoint global = vp->mapToGlobal(RowPoint(2));
    EXPECT_EQ(ColList::PointX(rc[0].lParam), global.x());
    EXPECT_EQ(ColList::PointY(rc[0].lParam), global.y());
}

TEST_F(ColListFixture, RightClickBelowTheRowsWithNoCurrentRowSendsNothing)
{
    Make(0x4BE);
    m_list->AddRow("only", "only");
    QTest::mouseClick(m_list->Rows()->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(5));
    EXPECT_TRUE(NotesOf(ColList::NotifyRightClick).empty());
    EXPECT_EQ(m_list->GetSelCount(), 0);
}

TEST_F(ColListFixture, RightClickIsReportedOnlyWithBothFlags)
{
    Make(ColList::RightClick); // without Notify
    m_list->AddRow("a", "a");
    QTest::mouseClick(m_list->Rows()->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(0));
    EXPECT_TRUE(m_notes.empty());
    EXPECT_EQ(m_list->GetCurSel(), 0); // still selects
}

TEST_F(ColListFixture, CheckMarksToggleAndTheirColumnIgnoresTheRightButton)
{
    Make(ColList::Notify | ColList::RightClick | ColList::Checks);
    m_list->AddRow("a", "a");
    m_list->AddRow("b", "b");
    QWidget* vp = m_list->Rows()->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(1, 4));
    EXPECT_TRUE(m_list->GetCheck(1));
    auto checks = NotesOf(ColList::NotifyCheck);
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].lParam, LPARAM(1));
    m_notes.clear();
    QTest::mouseClick(vp, Qt::RightButton, Qt::NoModifier, RowPoint(0, 4));
    EXPECT_TRUE(m_notes.empty());
    EXPECT_EQ(m_list->GetCurSel(), 1);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(1, 4));
    EXPECT_FALSE(m_list->GetCheck(1));
    EXPECT_EQ(NotesOf(ColList::NotifyCheck).back().lParam, LPARAM(0));
}

TEST_F(ColListFixture, ExtendedSelectionWithShiftAndCtrl)
{
    Make(ColList::ExtendedSel);
    for (int i = 0; i < 6; ++i)
        m_list->AddRow(QString::number(i), QString::number(i));
    QWidget* vp = m_list->Rows()->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, RowPoint(3));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{1, 2, 3}));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, RowPoint(5));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{1, 2, 3, 5}));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, RowPoint(2));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{1, 3, 5}));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(4));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{4}));
    QTest::keyClick(m_list->Rows(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{4, 5}));
    QTest::keyClick(m_list->Rows(), Qt::Key_Home);
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{0}));
}

TEST_F(ColListFixture, MultipleSelectionTogglesAndSingleSelectionReplaces)
{
    Make(ColList::MultiSel);
    for (int i = 0; i < 3; ++i)
        m_list->AddRow(QString::number(i), QString::number(i));
    QWidget* vp = m_list->Rows()->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(0));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(2));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{0, 2}));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(0));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{2}));

    Make(0);
    for (int i = 0; i < 3; ++i)
        m_list->AddRow(QString::number(i), QString::number(i));
    vp = m_list->Rows()->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, RowPoint(0));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, RowPoint(1));
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{1}));
    m_list->SetSel(2, true);
    EXPECT_EQ(m_list->GetSelItems(), (std::vector<int>{2}));
}

TEST_F(ColListFixture, ListNotificationsReachTheOwnerWithTheFlag)
{
    Make(ColList::Notify);
    m_list->AddRow("a", "a");
    m_list->AddRow("b", "b");
    QTest::mouseDClick(m_list->Rows()->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    bool sawSelChange = false, sawDblClk = false;
    for (const Note& n : NotesOf(ColList::NotifyCommand)) {
        EXPECT_EQ(n.wParam & 0xFFFF, WPARAM(100));
        sawSelChange |= (n.wParam >> 16) == WPARAM(ColList::SelChange);
        sawDblClk |= (n.wParam >> 16) == WPARAM(ColList::DblClk);
    }
    EXPECT_TRUE(sawSelChange);
    EXPECT_TRUE(sawDblClk);

    Make(0);
    m_list->AddRow("a", "a");
    QTest::mouseDClick(m_list->Rows()->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
    EXPECT_TRUE(m_notes.empty());
}

namespace {
// A list that records the keys its rows report before handling them.
class KeyedList : public CColListBox {
public:
    using CColListBox::CColListBox;
    std::vector<std::pair<int, int>> seen; // key, selection count when seen
protected:
    void OnListKey(QKeyEvent* event) override { seen.emplace_back(event->key(), GetCurSel()); }
};
} // namespace

TEST(ColListKeys, RowsReportKeysToTheControlBeforeTheirOwnHandling)
{
    KeyedList list(2, 0, 100);
    list.resize(300, 200);
    list.show();
    list.AddRow("a", "a");
    list.AddRow("b", "b");
    list.SetCurSel(0);
    QTest::keyClick(list.Rows(), Qt::Key_Down);
    QTest::keyClick(list.Rows(), Qt::Key_Delete);
    ASSERT_EQ(list.seen.size(), 2u);
    EXPECT_EQ(list.seen[0], std::make_pair(int(Qt::Key_Down), 0)); // seen before the move
    EXPECT_EQ(list.seen[1].first, int(Qt::Key_Delete));
    EXPECT_EQ(list.GetCurSel(), 1);
}

TEST_F(ColListFixture, DeletingRowsKeepsCaretAndObjectsConsistent)
{
    Make(ColList::ExtendedSel);
    int a = 0, b = 0, c = 0;
    m_list->SetRowObject(m_list->AddRow("a", "a"), &a);
    m_list->SetRowObject(m_list->AddRow("b", "b"), &b);
    m_list->SetRowObject(m_list->AddRow("c", "c"), &c);
    m_list->SetCurSel(2);
    EXPECT_EQ(m_list->FindObject(&b), 1);
    EXPECT_TRUE(m_list->DeleteRow(1));
    EXPECT_EQ(m_list->FindObject(&b), -1);
    EXPECT_EQ(m_list->GetCurSel(), 1);
    EXPECT_EQ(m_list->GetRowObject(1), &c);
    EXPECT_FALSE(m_list->DeleteRow(2));
    m_list->AddRow("0", "0"); // lands before the caret row, which moves with it
    EXPECT_EQ(m_list->GetCurSel(), 2);
    EXPECT_EQ(m_list->GetRowObject(m_list->GetCurSel()), &c);
    m_list->RemoveAll();
    EXPECT_EQ(m_list->GetCount(), 0);
    EXPECT_EQ(m_list->GetCurSel(), -1);
}

namespace {
// Bounding box of the pixels that differ from the corner colour.
QRect InkBox(const QImage& img)
{
    const QRgb bg = img.pixel(img.width() - 2, img.height() - 2);
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != bg) {
                l = std::min(l, x);
                t = std::min(t, y);
                r = std::max(r, x);
                b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}
} // namespace

TEST_F(ColListFixture, EmptyListDrawsItsMessageCentred)
{
    Make(0x4BE);
    QWidget* vp = m_list->Rows()->viewport();
    EXPECT_TRUE(InkBox(vp->grab().toImage()).isNull());
    m_list->SetEmptyMessage(QStringLiteral("Nothing here"));
    const QRect ink = InkBox(vp->grab().toImage());
    ASSERT_FALSE(ink.isNull());
    EXPECT_NEAR(ink.center().x(), vp->width() / 2, 3);
    EXPECT_NEAR(ink.center().y(), vp->height() / 2, 3);
    // A row replaces the message.
    m_list->AddRow("row", "row");
    const QRect withRow = InkBox(vp->grab().toImage());
    EXPECT_LT(withRow.bottom(), m_list->RowHeight() + 1);
}

TEST_F(ColListFixture, HorizontalScrollCoversTheColumnsAndMovesTheHeader)
{
    Make(ColList::HScroll, 6);
    for (int c = 0; c < 6; ++c)
        m_list->SetColumnWidth(c, 150);
    m_list->Finish();
    QScrollBar* h = m_list->Rows()->horizontalScrollBar();
    EXPECT_EQ(h->maximum(), 900 - m_list->Rows()->viewport()->width());
    h->setValue(200);
    EXPECT_EQ(m_list->ScrollOffset(), 200);
    // Border hits are in content coordinates: column 1's border at 300 sits at header x 100.
    EXPECT_EQ(m_list->BorderHit(m_list->ScrollOffset() + 100), 1);
}

TEST_F(ColListFixture, TenThousandRowsStaySortedAndScrollable)
{
    Make(ColList::ExtendedSel | ColList::KeepSelection);
    m_list->SetColumnSort(0, 0, true);
    for (int i = 0; i < 10000; ++i)
        m_list->AddRow(QString::number(i), QString::number((i * 7919) % 10000));
    EXPECT_EQ(m_list->GetRowKey(0), "0");
    EXPECT_EQ(m_list->GetRowKey(9999), "9999");
    m_list->SetCurSel(9000);
    EXPECT_GE(m_list->GetTopIndex() + m_list->Rows()->VisibleRows(), 9001);
    m_list->SortBy(0);
    EXPECT_EQ(m_list->GetRowKey(0), "9999");
    EXPECT_EQ(m_list->GetRowKey(m_list->GetCurSel()), "9000");
    EXPECT_EQ(m_list->GetCurSel(), 999);
}
