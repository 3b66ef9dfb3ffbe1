// The activity log: the ring listed oldest first (wrapping, hidden entries and an empty header
// left out), its rows, keys and change test; clear and settings with their questions and the
// dialog's range check; the older service's plain-text log with its clear.
#include "LogsTestSupport.h"

#include "framework/Commands.h"
#include "logs/ActivityLogLeaf.h"
#include "platform/Dates.h"
#include "res/StringIds.h"

#include <QFileInfo>
#include <QLineEdit>

using namespace LogsTest;

namespace {

class ActivityLogTest : public Fixture {
protected:
    QString RingPath() const { return DriveC(QStringLiteral("ALERT/LOG/ACTIVITY.LOG")); }

    // A ring of this capacity holding entries "e0".."e<n-1>", one second apart.
    void MakeRing(uint32_t capacity, int entries)
    {
        ASSERT_TRUE(Records::ResetActivityRing(RingPath(), capacity));
        for (int i = 0; i < entries; ++i)
            ASSERT_TRUE(Records::AppendActivityEntry(RingPath(), QByteArray("e") + QByteArray::number(i), Time(i)));
    }
    static QDateTime Time(int i) { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89)).addSecs(i); }

    static QString DateTime(const QDateTime& t)
    {
        return Dates::ShortDate(t.date()) + LoadString(3505) + Dates::Strftime(QStringLiteral("%X"), t);
    }

    Records::RingHeader Header() const
    {
        QFile file(RingPath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        Records::RingHeader header;
        EXPECT_TRUE(Records::ParseRingHeader(file.read(Records::kRingHeaderSize), &header));
        return header;
    }

    // The rows the pane reads from the log after a display request.
    static QStringList RingRows(CActivityLogLeaf45* log, WORD* produced = nullptr, QString* heading = nullptr,
                                CLeafArray* objects = nullptr)
    {
        EXPECT_TRUE(Rows(log, 0, produced, heading, objects).isEmpty());
        QStringList rows;
        for (int item = 0; item < log->RowCount(); ++item)
            rows << log->RowText(item);
        return rows;
    }

    static QStringList Texts(const QStringList& rows)
    {
        QStringList texts;
        for (const QString& row : rows)
            texts << row.section(QLatin1Char('\t'), 1);
        return texts;
    }

    static bool Enabled(CCmdTarget* leaf, UINT id)
    {
        CCmdUI ui(id);
        return leaf->OnCmdMsg(id, &ui) && ui.IsEnabled();
    }
};

} // namespace

TEST_F(ActivityLogTest, FullRingListsOldestFirstWrappingWithRowsAndKeys)
{
    MakeRing(5, 7);   // e0 and e1 overwritten; the oldest is in slot 2
    auto* log = Add(new CActivityLogLeaf45);
    EXPECT_EQ(log->GetName(), LoadString(5018));
    EXPECT_EQ(log->GetTitle(), LoadString(4510));
    EXPECT_EQ(log->GetImage(), 5);
    EXPECT_EQ(log->GetContextMenu(), 187u);
    EXPECT_EQ(log->GetDisplayFormat(), DISPLAY_NOTHING);

    WORD produced = 0;
    QString heading;
    CLeafArray objects;
    const QStringList rows = RingRows(log, &produced, &heading, &objects);
    EXPECT_EQ(produced, DISPLAY_COLUMNS);
    EXPECT_EQ(heading, LoadString(4019));
    EXPECT_EQ(Texts(rows), (QStringList{"e2", "e3", "e4", "e5", "e6"}));
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows.first(), DateTime(Time(2)) + "\te2");
    // Every row stands for the log; rows sort chronologically, then by text.
    EXPECT_TRUE(objects.isEmpty());
    for (int item = 0; item < 5; ++item)
        EXPECT_EQ(log->RowObject(item), log);
    EXPECT_EQ(log->SortField(0, 0) + '\t' + log->SortField(0, 1), "2026 03 04 050609 089\te2");
    EXPECT_EQ(log->SortField(4, 0) + '\t' + log->SortField(4, 1), "2026 03 04 050613 089\te6");
}

TEST_F(ActivityLogTest, HiddenEntriesAndAnEmptyHeaderListNothing)
{
    MakeRing(10, 3);
    // Hide the middle entry in place.
    {
        QFile file(RingPath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qint64 slot = Records::kRingHeaderSize + Records::kRingSlotSize;
        ASSERT_TRUE(file.seek(slot));
        Records::RingEntry entry;
        ASSERT_TRUE(Records::ParseRingSlot(file.read(Records::kRingSlotSize), &entry));
        entry.hidden = 1;
        ASSERT_TRUE(file.seek(slot));
        ASSERT_EQ(file.write(Records::SerializeRingSlot(entry)), Records::kRingSlotSize);
    }
    auto* log = Add(new CActivityLogLeaf45);
    EXPECT_EQ(Texts(RingRows(log)), (QStringList{"e0", "e2"}));

    // A header of no live records lists nothing, whatever the slots hold.
    Records::RingHeader header = Header();
    header.count = 0;
    {
        QFile file(RingPath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_EQ(file.write(Records::SerializeRingHeader(header)), Records::kRingHeaderSize);
    }
    EXPECT_TRUE(RingRows(log).isEmpty());
}

TEST_F(ActivityLogTest, UnreachableOrDamagedLogShowsAnEmptyListSilently)
{
    auto* log = Add(new CActivityLogLeaf45);
    // Not a ring (text of the older service, or damage): nothing listed, nothing rewritten.
    ASSERT_TRUE(m_world.Write(QStringLiteral("machines/TESTPC/drives/C/ALERT/LOG/ACTIVITY.LOG"), "not a ring\r\n"));
    WORD produced = 0;
    QString heading;
    EXPECT_TRUE(RingRows(log, &produced, &heading).isEmpty());
    EXPECT_EQ(produced, DISPLAY_COLUMNS);
    EXPECT_EQ(heading, LoadString(4019));
    // Neither clear nor resize overwrites what it cannot read.
    m_host.PushAnswer(IDYES);
    log->OnCmdMsg(ID_EDIT_CLEAR_ACTIVITY_LOG, nullptr);
    EXPECT_FALSE(log->ResizeLog(200));
    EXPECT_EQ(m_world.Read(QStringLiteral("machines/TESTPC/drives/C/ALERT/LOG/ACTIVITY.LOG")), "not a ring\r\n");
    m_host.Clear();

    UseLogPaths(kEventLogDir, QString());
    EXPECT_TRUE(RingRows(log).isEmpty());
    EXPECT_FALSE(log->FileModified());
    // Without a server above there is no path at all.
    CActivityLogLeaf45 alone;
    EXPECT_TRUE(RingRows(&alone).isEmpty());
    EXPECT_FALSE(alone.ClearLog());
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(ActivityLogTest, FileModifiedFollowsEveryWriteEvenWithinOneSecond)
{
    MakeRing(10, 1);
    auto* log = Add(new CActivityLogLeaf45);
    EXPECT_TRUE(log->FileModified());   // never listed
    RingRows(log);
    EXPECT_FALSE(log->FileModified());
    ASSERT_TRUE(Records::AppendActivityEntry(RingPath(), "next", Time(1)));
    EXPECT_TRUE(log->FileModified());
    EXPECT_EQ(Texts(RingRows(log)), (QStringList{"e0", "next"}));
    EXPECT_FALSE(log->FileModified());
}

TEST_F(ActivityLogTest, ClearAsksAndKeepsTheCapacity)
{
    MakeRing(250, 4);
    auto* log = Add(new CActivityLogLeaf45);
    EXPECT_TRUE(Enabled(log, ID_EDIT_CLEAR_ACTIVITY_LOG));
    EXPECT_TRUE(Enabled(log, ID_EDIT_ACTIVITY_LOG_SETTINGS));

    m_host.PushAnswer(IDNO);
    EXPECT_TRUE(log->OnCmdMsg(ID_EDIT_CLEAR_ACTIVITY_LOG, nullptr));
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes().at(0).text, LoadString(3535));
    EXPECT_EQ(m_host.Boxes().at(0).type & MB_TYPEMASK, MB_YESNO);
    EXPECT_EQ(Header().count, 4u);

    m_host.PushAnswer(IDYES);
    EXPECT_TRUE(log->OnCmdMsg(ID_EDIT_CLEAR_ACTIVITY_LOG, nullptr));
    const Records::RingHeader header = Header();
    EXPECT_EQ(header.count, 0u);
    EXPECT_EQ(header.capacity, 250u);
    EXPECT_EQ(header.oldest, 0u);
    EXPECT_EQ(header.next, 0u);
    EXPECT_TRUE(RingRows(log).isEmpty());
    // The service goes on appending to the cleared ring.
    ASSERT_TRUE(Records::AppendActivityEntry(RingPath(), "after", Time(9)));
    EXPECT_EQ(Texts(RingRows(log)), QStringList{"after"});
}

TEST_F(ActivityLogTest, SettingsApplyTheNewSizeAskingOnlyWhenTheLogHoldsRecords)
{
    MakeRing(100, 0);
    auto* log = Add(new CActivityLogLeaf45);
    QString shown;
    m_host.PushDialog([&](QDialog* d) {
        auto* edit = FindCtrl<QLineEdit>(d, CLogSettingsDlg::kCapacityEdit);
        ASSERT_NE(edit, nullptr);
        shown = edit->text();
        edit->setText(QStringLiteral("500"));
        d->accept();
    });
    EXPECT_TRUE(log->OnCmdMsg(ID_EDIT_ACTIVITY_LOG_SETTINGS, nullptr));
    EXPECT_EQ(shown, "100");
    ASSERT_EQ(m_host.Dialogs().size(), 1u);
    EXPECT_EQ(m_host.Dialogs().at(0).title, Res::DialogCaption(186));
    EXPECT_TRUE(m_host.Boxes().empty());
    EXPECT_EQ(Header().capacity, 500u);

    // A log with records asks first; No changes nothing.
    ASSERT_TRUE(Records::AppendActivityEntry(RingPath(), "kept", Time(0)));
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, CLogSettingsDlg::kCapacityEdit)->setText(QStringLiteral("300"));
        d->accept();
    });
    m_host.PushAnswer(IDNO);
    log->OnCmdMsg(ID_EDIT_ACTIVITY_LOG_SETTINGS, nullptr);
    ASSERT_EQ(m_host.Boxes().size(), 1u);
    EXPECT_EQ(m_host.Boxes().at(0).text, LoadString(3534));
    EXPECT_EQ(Header().capacity, 500u);
    EXPECT_EQ(Header().count, 1u);

    // Yes resizes and clears, even for the same number.
    m_host.PushDialog([](QDialog* d) { d->accept(); });
    m_host.PushAnswer(IDYES);
    log->OnCmdMsg(ID_EDIT_ACTIVITY_LOG_SETTINGS, nullptr);
    EXPECT_EQ(Header().capacity, 500u);
    EXPECT_EQ(Header().count, 0u);

    // Cancel does nothing.
    ASSERT_TRUE(Records::AppendActivityEntry(RingPath(), "kept", Time(0)));
    m_host.PushDialog([](QDialog* d) { d->reject(); });
    log->OnCmdMsg(ID_EDIT_ACTIVITY_LOG_SETTINGS, nullptr);
    EXPECT_EQ(Header().count, 1u);
}

TEST_F(ActivityLogTest, SettingsDialogRefusesNumbersOutsideItsRange)
{
    const QString range = LoadString(IDS_FW_PARSE_INT_RANGE).replace("%1", "100").replace("%2", "10000");
    for (const char* bad : {"99", "10001", "-5"}) {
        CLogSettingsDlg dialog(100);
        FindCtrl<QLineEdit>(&dialog, CLogSettingsDlg::kCapacityEdit)->setText(QString::fromLatin1(bad));
        dialog.accept();
        EXPECT_EQ(dialog.result(), 0) << bad;
        EXPECT_EQ(m_host.Boxes().back().text, range) << bad;
    }
    CLogSettingsDlg dialog(100);
    FindCtrl<QLineEdit>(&dialog, CLogSettingsDlg::kCapacityEdit)->setText(QStringLiteral("many"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(m_host.Boxes().back().text, LoadString(IDS_FW_PARSE_INT));
    for (const char* good : {"100", "10000"}) {
        CLogSettingsDlg ok(1);
        FindCtrl<QLineEdit>(&ok, CLogSettingsDlg::kCapacityEdit)->setText(QString::fromLatin1(good));
        ok.accept();
        EXPECT_EQ(ok.result(), QDialog::Accepted);
        EXPECT_EQ(ok.GetCapacity(), QString::fromLatin1(good).toUInt());
    }
}

TEST_F(ActivityLogTest, OlderTextLogIsCreatedShownWholeAndClearedWithoutAQuestion)
{
    UseLogPaths(kEventLogDir, kLogDir + QStringLiteral("\\ALERT.LOG"));
    const QString textPath = QStringLiteral("machines/TESTPC/drives/C/ALERT/LOG/ALERT.LOG");
    QFile::remove(m_world.Path(textPath));
    auto* log = Add(new CActivityLogLeaf40);
    EXPECT_EQ(log->GetName(), LoadString(5018));
    EXPECT_EQ(log->GetTitle(), LoadString(4510));
    EXPECT_EQ(log->GetContextMenu(), 163u);

    // A missing log is made empty on the first check.
    EXPECT_TRUE(log->FileModified());
    EXPECT_TRUE(QFile::exists(m_world.Path(textPath)));
    WORD produced = 0;
    QString heading;
    CLeafArray objects;
    EXPECT_EQ(Rows(log, 0, &produced, &heading, &objects), QStringList{QString()});
    EXPECT_EQ(produced, DISPLAY_TEXT);
    EXPECT_EQ(heading, LoadString(IDS_TEXT_LOG_HEADING));
    EXPECT_EQ(objects, CLeafArray{log});
    EXPECT_FALSE(Enabled(log, ID_EDIT_CLEAR_ACTIVITY_LOG));
    EXPECT_FALSE(log->FileModified());

    ASSERT_TRUE(Records::AppendAlertLogLines(m_world.Path(textPath), {"first", "second"},
                                             QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))));
    EXPECT_TRUE(log->FileModified());
    const QString text = Rows(log, 0).first();
    EXPECT_EQ(text, QString::fromUtf8(m_world.Read(textPath)));
    EXPECT_TRUE(text.contains("second"));
    EXPECT_TRUE(Enabled(log, ID_EDIT_CLEAR_ACTIVITY_LOG));

    EXPECT_TRUE(log->OnCmdMsg(ID_EDIT_CLEAR_ACTIVITY_LOG, nullptr));
    EXPECT_TRUE(m_host.Boxes().empty());
    EXPECT_EQ(QFileInfo(m_world.Path(textPath)).size(), 0);
    EXPECT_EQ(Rows(log, 0), QStringList{QString()});
    EXPECT_FALSE(Enabled(log, ID_EDIT_CLEAR_ACTIVITY_LOG));
}
