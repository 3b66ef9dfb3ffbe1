// What the console writes into a table, against the demo world with a real alertsvc and the
// tree and information pane as the user has them: changes made elsewhere are reloaded and
// never written back, a write on a copy that changed elsewhere is refused, a write the library
// refuses stays pending, a command on rows of several methods writes each list once, and the
// broadcast dialog's OK writes its list once. Every check reads the stored table back.
#include "../server/ServerTestSupport.h"

#include "framework/Commands.h"
#include "methods/BroadcastDlg.h"
#include "methods/MethodLeaf.h"
#include "platform/GlobalMemory.h"
#include "records/ActivityLog.h"
#include "records/ByteField.h"
#include "records/EventLogTable.h"
#include "records/RecipientRecords.h"
#include "records/Statistics.h"
#include "res/StringIds.h"
#include "tarnix/AltTable.h"
#include "tarnix/MachineStore.h"
#include "tree/ALTLeaf.h"
#include "tree/ConfigLeaf.h"
#include "tree/MessageText.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <cstring>

using namespace ServerTest;

namespace {

const QString kTableName = QStringLiteral("Quellit Server Monitor");

class TableWrites : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        QString error;
        ASSERT_EQ(WorldTool::CreateDemoWorld(&error), 0u) << error.toStdString();
        m_reaper.Add(kThisComputer);
        SetImpersonate(0);
        ASSERT_EQ(WorldTool::StartAlertService(kThisComputer, &error), 0u) << error.toStdString();

        m_window = std::make_unique<QWidget>();
        m_window->resize(900, 500);
        auto* layout = new QHBoxLayout(m_window.get());
        m_treeWnd = new CAlertTreeWnd(m_window.get());
        m_pane = new CAlertListWnd(m_window.get());
        layout->addWidget(m_treeWnd);
        layout->addWidget(m_pane, 1);
        m_treeWnd->SetInfoPane(m_pane);
        m_window->show();

        m_server = CServerLeaf::CreateTopLevel(m_treeWnd->GetTree(), CServerData::Make(kThisComputer, QString()));
        ASSERT_NE(m_server, nullptr);
        ASSERT_TRUE(WaitUntil([&] {
            CALTLeaf* table = Table();
            return table && table->GetChangeDate() != QLatin1String(CALTLeaf::kInvalidDate);
        }));
        // The activity node selects itself when the status worker first tells it the service
        // runs (it has no logs to make in this program, so it does on every such message). On a
        // slow machine that message comes after the table is loaded; it is handled before the
        // table is selected, as it is posted right after the state is stored.
        ASSERT_TRUE(WaitUntil([&] { return m_server->GetServiceState() == SERVICE_RUNNING; }));
        Pump(200);
        ASSERT_TRUE(Table()->Select());
        ASSERT_NO_FATAL_FAILURE(ExpectConsoleShowsStored());
    }
    void TearDown() override
    {
        m_window.reset();
        Fixture::TearDown();
    }

    CALTLeaf* Table() const
    {
        CConfigLeaf* config = m_server->GetConfigLeaf();
        for (CAlertLeaf* c = config ? config->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) {
            if (auto* table = dynamic_cast<CALTLeaf*>(c); table && table->GetApplicationName() == "QUELLIT")
                return table;
        }
        return nullptr;
    }
    CMethodLeaf* Method(UINT nameId) const
    {
        for (CAlertLeaf* c = Table()->GetFirstChild(); c; c = c->GetNextSibling()) {
            if (c->GetName() == LoadString(nameId))
                return dynamic_cast<CMethodLeaf*>(c);
        }
        return nullptr;
    }
    static QStringList Names(const CAlertLeaf* parent)
    {
        QStringList names;
        for (CAlertLeaf* c = parent->GetFirstChild(); c; c = c->GetNextSibling())
            names << c->GetName();
        return names;
    }
    static Tarnix::AltTable Stored()
    {
        const World::ScopedLocalMachine scope(kThisComputer);
        Tarnix::AltTable table;
        EXPECT_EQ(Tarnix::MachineStore(kThisComputer).ReadTable("QUELLIT", &table), 0u);
        return table;
    }
    // The list a method leaf would write, and the list the library gives for it.
    static QByteArray Shown(CMethodLeaf* method)
    {
        const int version = method->Traits().version;
        QByteArray bytes(qsizetype(method->GetDataSize(version)), '\0');
        OUTPUTDESC out;
        out.position = reinterpret_cast<BYTE*>(bytes.data());
        out.room = size_t(bytes.size());
        method->GetData(&out, version);
        return bytes;
    }
    static QByteArray Library(CMethodLeaf* method)
    {
        int32_t count = 0;
        void* block = nullptr;
        EXPECT_EQ(method->Traits().get("TESTPC", &count, &block, "QUELLIT"), 1);
        const QByteArray bytes(static_cast<const char*>(block), qsizetype(count) * qsizetype(method->Traits().recordSize));
        if (block)
            GlobalFree(block);
        return bytes;
    }
    // Every method leaf holds exactly the stored list, and the pane lists them all.
    void ExpectConsoleShowsStored()
    {
        int recipients = 0;
        for (CAlertLeaf* c = Table()->GetFirstChild(); c; c = c->GetNextSibling()) {
            auto* method = dynamic_cast<CMethodLeaf*>(c);
            ASSERT_NE(method, nullptr);
            EXPECT_EQ(Shown(method), Library(method)) << method->GetName().toStdString();
            EXPECT_FALSE(method->IsModified()) << method->GetName().toStdString();
            recipients += method->ChildCount();
        }
        ASSERT_TRUE(Table()->IsSelected());
        EXPECT_EQ(m_pane->DisplayedLines().size(), 1 + recipients) << m_pane->DisplayedLines().join('\n').toStdString();
    }
    // Outside writes go straight to the library, as another console or the service would.
    static void SetBroadcast(const QList<QByteArray>& names)
    {
        HGLOBAL block = GlobalAlloc(GPTR, size_t(52 * std::max<qsizetype>(1, names.size())));
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QByteArray record = Records::MakeBroadcastRecord(names[i]);
            std::memcpy(static_cast<char*>(block) + 52 * i, record.constData(), 52);
        }
        ASSERT_EQ(AlertSetBroadcast("TESTPC", int32_t(names.size()), block, names.isEmpty() ? 0 : 1, "QUELLIT"), 1);
        GlobalFree(block);
    }
    static void SetSmtp(const QByteArray& records)
    {
        HGLOBAL block = GlobalAlloc(GPTR, size_t(std::max<qsizetype>(1, records.size())));
        std::memcpy(block, records.constData(), size_t(records.size()));
        ASSERT_EQ(AlertSetSMTP("TESTPC", int32_t(records.size() / 197), block, records.isEmpty() ? 0 : 1, "QUELLIT"), 1);
        GlobalFree(block);
    }
    static QStringList BroadcastNames(const Tarnix::AltTable& table)
    {
        QStringList names;
        for (qsizetype i = 0; i < table.lists[Tarnix::BroadcastList].size(); i += 52)
            names << Records::FieldText(table.lists[Tarnix::BroadcastList].constData() + i, 52);
        return names;
    }
    // The table as the outside writer left it survives further ticks of the console unchanged.
    void ExpectOnlyTheOutsideWrite(const Tarnix::AltTable& written)
    {
        Pump(3 * CServerLeaf::kTableInterval);
        const Tarnix::AltTable now = Stored();
        EXPECT_EQ(now.writeCounter, written.writeCounter);
        EXPECT_EQ(now.lists, written.lists);
        EXPECT_EQ(now.counts, written.counts);
        ExpectConsoleShowsStored();
    }
    static CAlertLeaf* Child(CAlertLeaf* parent, const QString& name)
    {
        for (CAlertLeaf* c = parent->GetFirstChild(); c; c = c->GetNextSibling()) {
            if (c->GetName() == name)
                return c;
        }
        return nullptr;
    }
    int PaneRow(const QString& text) const
    {
        const QStringList lines = m_pane->DisplayedLines();
        const int index = int(lines.indexOf(text));
        return index - 1;   // the first line is the heading
    }
    QString TableMessage(UINT id) const { return FormatString(id, {kTableName, kThisComputer}); }

    std::unique_ptr<QWidget> m_window;
    CAlertTreeWnd* m_treeWnd = nullptr;
    CAlertListWnd* m_pane = nullptr;
    CServerLeaf* m_server = nullptr;
};

TEST_F(TableWrites, OutsideAddRemoveAndReplaceAreReloadedAndNeverWrittenBack)
{
    CMethodLeaf* broadcast = Method(5003);
    CMethodLeaf* smtp = Method(5029);
    ASSERT_NE(broadcast, nullptr);
    ASSERT_NE(smtp, nullptr);

    // Add, by the world tool in a process of its own.
    QProcess tool;
    tool.start(TestBinDir() + QStringLiteral("/alertworld"),
               {QStringLiteral("add-recipient"), QStringLiteral("QUELLIT"), QStringLiteral("Broadcast"),
                QStringLiteral("OPS2")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    Tarnix::AltTable written = Stored();
    EXPECT_EQ(BroadcastNames(written), QStringList({"\\\\SRV1", "ADMINS*", "OPS2*"}));
    ASSERT_TRUE(WaitUntil([&] { return Names(broadcast).contains(QStringLiteral("OPS2")); }));
    ExpectOnlyTheOutsideWrite(written);
    // Every other list is as the demo made it: the reload wrote nothing.
    EXPECT_EQ(written.counts[Tarnix::PagerList], 2u);
    EXPECT_EQ(written.counts[Tarnix::SmtpList], 1u);
    EXPECT_EQ(written.counts[Tarnix::EmailList], 2u);

    // Remove.
    SetBroadcast({"OPS2"});
    written = Stored();
    ASSERT_TRUE(WaitUntil([&] { return Names(broadcast) == QStringList({"OPS2"}); }));
    ExpectOnlyTheOutsideWrite(written);

    // Replace another list.
    SetSmtp(Records::MakeSmtpRecord("night@korvane.example", "Night") +
            Records::MakeSmtpRecord("desk@korvane.example", "Desk"));
    written = Stored();
    ASSERT_TRUE(WaitUntil([&] { return Names(smtp) == QStringList({"Night", "Desk"}); }));
    ExpectOnlyTheOutsideWrite(written);
    EXPECT_TRUE(m_pane->DisplayedLines().contains(QStringLiteral("SMTP\tnight@korvane.example\tNight")));
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
}

TEST_F(TableWrites, AnEditOnACopyThatChangedElsewhereIsRefusedAndTheOtherChangeSurvives)
{
    CMethodLeaf* broadcast = Method(5003);
    ASSERT_EQ(Names(broadcast), QStringList({"\\\\SRV1", "ADMINS"}));
    // Another writer stores a list after the console loaded the table, before it writes.
    SetBroadcast({"\\\\SRV9", "NIGHT"});
    const Tarnix::AltTable outside = Stored();

    ASSERT_TRUE(Child(broadcast, QStringLiteral("ADMINS"))->OnCmdMsg(ID_EDIT_DELETE, nullptr));

    EXPECT_EQ(m_host.BoxTexts(), QStringList({TableMessage(IDS_CHANGED_ELSEWHERE)}));
    const Tarnix::AltTable now = Stored();
    EXPECT_EQ(now.writeCounter, outside.writeCounter);
    EXPECT_EQ(now.lists, outside.lists);
    // The console shows what is stored, and a later edit goes through.
    EXPECT_EQ(Names(broadcast), QStringList({"\\\\SRV9", "NIGHT"}));
    ExpectConsoleShowsStored();
    m_host.Clear();
    ASSERT_TRUE(Child(broadcast, QStringLiteral("NIGHT"))->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
    EXPECT_EQ(BroadcastNames(Stored()), QStringList({"\\\\SRV9"}));
    EXPECT_EQ(Stored().writeCounter, outside.writeCounter + 1);
    ExpectOnlyTheOutsideWrite(Stored());
}

TEST_F(TableWrites, AWriteTheLibraryRefusesStaysPendingAndTheNextChangeWritesIt)
{
    CMethodLeaf* broadcast = Method(5003);
    const Tarnix::AltTable loaded = Stored();
    // A damaged table is never overwritten: the library refuses every write.
    const QString file = QStringLiteral("machines/TESTPC/drives/C/WINDOWS/QUELLIT.ALT");
    const QByteArray intact = m_world.Read(file);
    QByteArray damaged = intact;
    damaged[damaged.size() - 1] = char(damaged.at(damaged.size() - 1) ^ 0x5A);
    ASSERT_TRUE(m_world.Write(file, damaged));

    ASSERT_TRUE(Child(broadcast, QStringLiteral("ADMINS"))->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_EQ(m_host.BoxTexts(), QStringList({TableMessage(IDS_WRITE_REFUSED)}));
    EXPECT_TRUE(broadcast->IsModified());
    EXPECT_EQ(Names(broadcast), QStringList({"\\\\SRV1"}));
    EXPECT_EQ(m_world.Read(file), damaged);
    // Ticks meanwhile neither reload nor lose the pending change.
    Pump(2 * CServerLeaf::kTableInterval);
    EXPECT_TRUE(broadcast->IsModified());
    EXPECT_EQ(Names(broadcast), QStringList({"\\\\SRV1"}));

    // Repaired, the next change writes both.
    ASSERT_TRUE(m_world.Write(file, intact));
    m_host.Clear();
    CMethodLeaf* smtp = Method(5029);
    ASSERT_TRUE(smtp->GetFirstChild()->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
    EXPECT_FALSE(broadcast->IsModified());
    const Tarnix::AltTable now = Stored();
    EXPECT_EQ(BroadcastNames(now), QStringList({"\\\\SRV1"}));
    EXPECT_EQ(now.counts[Tarnix::SmtpList], 0u);
    EXPECT_EQ(now.writeCounter, loaded.writeCounter + 2);
    EXPECT_EQ(now.lists[Tarnix::PagerList], loaded.lists[Tarnix::PagerList]);
}

TEST_F(TableWrites, DeletingRowsOfTwoMethodsInOneCommandWritesEachListOnce)
{
    const Tarnix::AltTable loaded = Stored();
    const qsizetype lines = m_pane->DisplayedLines().size();
    const int admins = PaneRow(QString::fromUtf8("廣播\tADMINS\t網路廣播接收者"));
    const int srv1 = PaneRow(QString::fromUtf8("廣播\t\\\\SRV1\t網路廣播接收者"));
    const int ops = PaneRow(QStringLiteral("SMTP\tops@korvane.example\tOperations"));
    ASSERT_GE(admins, 0) << m_pane->DisplayedLines().join('\n').toStdString();
    ASSERT_GE(srv1, 0);
    ASSERT_GE(ops, 0);
    m_pane->GetList()->SetSel(admins, true);
    m_pane->GetList()->SetSel(srv1, true);
    m_pane->GetList()->SetSel(ops, true);
    ASSERT_TRUE(m_pane->OnCmdMsg(ID_EDIT_DELETE, nullptr));

    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
    const Tarnix::AltTable now = Stored();
    EXPECT_EQ(now.counts[Tarnix::BroadcastList], 0u);
    EXPECT_EQ(now.counts[Tarnix::SmtpList], 0u);
    // Two lists, one write each; the others untouched.
    EXPECT_EQ(now.writeCounter, loaded.writeCounter + 2);
    for (int list : {Tarnix::PagerList, Tarnix::EmailList, Tarnix::SnmpList, Tarnix::TicketList,
                     Tarnix::EventLogList, Tarnix::NotesList})
        EXPECT_EQ(now.lists[size_t(list)], loaded.lists[size_t(list)]) << list;
    ASSERT_TRUE(WaitUntil([&] { return m_pane->DisplayedLines().size() == lines - 3; }));
    ExpectOnlyTheOutsideWrite(now);
}

TEST_F(TableWrites, TheBroadcastDialogsOkWritesItsListOnce)
{
    const Tarnix::AltTable loaded = Stored();
    CMethodLeaf* broadcast = Method(5003);
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, CBroadcastDlg::IDC_RECIPIENT)->setText(QStringLiteral("NIGHT"));
        FindCtrl<QPushButton>(d, CBroadcastDlg::IDC_ADD)->click();
        d->accept();
    });
    broadcast->NewItem(0, 0, 0);
    ASSERT_EQ(m_host.Dialogs().size(), 1u);
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
    const Tarnix::AltTable now = Stored();
    EXPECT_EQ(now.writeCounter, loaded.writeCounter + 1);
    EXPECT_EQ(BroadcastNames(now), QStringList({"\\\\SRV1", "ADMINS*", "NIGHT*"}));
    EXPECT_EQ(Names(broadcast), QStringList({"\\\\SRV1", "ADMINS", "NIGHT"}));
    EXPECT_FALSE(broadcast->IsModified());
}

TEST_F(TableWrites, OneAlertToElevenRecipientsIsOneEventLogRecordAndOneCountedAlert)
{
    const QString eventLog = m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/ALRECORD.TBL"));
    const QString activityLog = m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/LOG/ACTIVITY.LOG"));
    auto statistics = [] {
        QByteArray record(256, '\0');
        EXPECT_EQ(AlertGetStatistics("TESTPC", record.data()), 1);
        Records::Statistics stats;
        EXPECT_TRUE(Records::ParseStatistics(record, &stats));
        return stats;
    };
    auto activityCount = [&] {
        Records::RingHeader header;
        QVector<Records::RingEntry> entries;
        EXPECT_TRUE(Records::ReadActivityRing(activityLog, &header, &entries));
        return entries.size();
    };
    Records::EventLogFile before;
    ASSERT_TRUE(Records::ReadEventLog(eventLog, &before));
    const Records::Statistics statsBefore = statistics();
    const qsizetype activityBefore = activityCount();

    QProcess tool;
    tool.start(TestBinDir() + QStringLiteral("/alertworld"),
               {QStringLiteral("raise"), QStringLiteral("QUELLIT"), QStringLiteral("1"), QStringLiteral("disk full")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return statistics().alerts == statsBefore.alerts + 1; }));

    Records::EventLogFile after;
    ASSERT_TRUE(Records::ReadEventLog(eventLog, &after));
    ASSERT_EQ(after.records.size(), before.records.size() + 1);
    EXPECT_EQ(after.header.counts[0], before.header.counts[0] + 1);
    const Records::EventLogRecord& record = after.records.last();
    EXPECT_EQ(record.description, QByteArray("disk full"));
    EXPECT_EQ(record.labelSuffix, QByteArray("Broadcast+"));
    QByteArray detail;
    ASSERT_TRUE(Records::ReadDetailText(
        m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/EVENTLOG/") + QString::fromLatin1(record.detailFile)),
        &detail));
    EXPECT_EQ(detail.count("Recipient: "), 11) << detail.toStdString();

    const Records::Statistics stats = statistics();
    EXPECT_EQ(stats.bySeverity[0], statsBefore.bySeverity[0] + 1);
    EXPECT_EQ(stats.deliveries, statsBefore.deliveries + 11);
    // The activity log keeps a line per delivery.
    EXPECT_EQ(activityCount(), activityBefore + 11);
}

} // namespace
