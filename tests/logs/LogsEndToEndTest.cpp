// The logs against a real alert service: the console's tree on the demo world with alertsvc
// running, an alert raised, and the summary, the activity log and the event log shown in the
// pane catching up on the periodic refresh; deleting event-log records while the service appends.
#include "LogsTestSupport.h"
#include "../common/LocalServers.h"

#include "framework/Commands.h"
#include "logs/ActivityLogLeaf.h"
#include "logs/EventLogLeaf.h"
#include "logs/LogHooks.h"
#include "logs/SummaryLeaf.h"
#include "ui/AlertListWnd.h"
#include "ui/AlertTreeWnd.h"

#include <QDir>
#include <QHBoxLayout>
#include <QSet>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

using namespace LogsTest;
using LocalServers::PollUntil;

namespace {

class LogsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        Network::CancelAllConnections();
        Switches::Reset();
        QString error;
        ASSERT_EQ(WorldTool::CreateDemoWorld(&error), 0u) << error.toStdString();
        m_machines << kThisComputer;
        ASSERT_EQ(WorldTool::StartAlertService(kThisComputer, &error), 0u) << error.toStdString();
        LogHooks::Install();
        CAlertListWnd::SetSortKeyQuery(LogHooks::QuerySortKeys);
        m_window = std::make_unique<QWidget>();
        m_window->resize(900, 500);
        auto* layout = new QHBoxLayout(m_window.get());
        m_treeWnd = new CAlertTreeWnd(m_window.get());
        m_pane = new CAlertListWnd(m_window.get());
        layout->addWidget(m_treeWnd);
        layout->addWidget(m_pane, 1);
        m_treeWnd->SetInfoPane(m_pane);
        m_window->show();
    }
    void TearDown() override
    {
        m_window.reset();
        CActivityLeaf::SetHooks({});
        CAlertListWnd::SetSortKeyQuery({});
        for (const QString& machine : m_machines) {
            const QJsonDocument doc = QJsonDocument::fromJson(
                m_world.Read(QStringLiteral("machines/%1/scm/Alert%20Notification%20Server.state").arg(machine)));
            const qint64 pid = qint64(doc.object().value(QLatin1String("pid")).toDouble(0));
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (pid > 0 && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("alertsvc"))
                ::kill(pid_t(pid), SIGKILL);
        }
        Network::CancelAllConnections();
    }

    void Raise(const char* text, const QString& machine = kThisComputer)
    {
        uint32_t recipients = 0;
        QString error;
        ASSERT_EQ(WorldTool::RaiseAlert(machine, "QUELLIT", 1, QString::fromLatin1(text), false, &recipients,
                                        &error),
                  0u)
            << error.toStdString();
        ASSERT_GT(recipients, 0u);
    }

    int ImportantCount() const
    {
        for (const QString& line : m_pane->DisplayedLines())
            if (line.startsWith(LoadString(5020) + QLatin1Char('\t')))
                return line.section(QLatin1Char('\t'), 1).toInt();
        return -1;
    }

    TempWorld m_world{kThisComputer};
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    QStringList m_machines;   // whose service the test started
    std::unique_ptr<QWidget> m_window;
    CAlertTreeWnd* m_treeWnd = nullptr;
    CAlertListWnd* m_pane = nullptr;
};

} // namespace

TEST_F(LogsEndToEnd, RaisedAlertReachesSummaryActivityLogAndEventLogOnThePeriodicRefresh)
{
    CServerLeaf* server =
        CServerLeaf::CreateTopLevel(m_treeWnd->GetTree(), CServerData::Make(kThisComputer, QString()));
    ASSERT_NE(server, nullptr);
    CActivityLeaf* activity = server->GetActivityLeaf();
    ASSERT_NE(activity, nullptr);
    ASSERT_TRUE(PollUntil([&] { return activity->GetSummaryLeaf() && !server->GetLogDirectory().isEmpty(); }));
    auto* summary = dynamic_cast<CSummaryLeaf*>(activity->GetSummaryLeaf());
    auto* eventLog = dynamic_cast<CEventLogSummaryLeaf*>(activity->GetEventLogLeaf());
    auto* activityLog = dynamic_cast<CActivityLogLeaf45*>(activity->GetActivityLogLeaf());
    ASSERT_NE(summary, nullptr);
    ASSERT_NE(eventLog, nullptr);
    ASSERT_NE(activityLog, nullptr);

    // Summary: the important count grows by the alert's deliveries.
    summary->Select();
    const int before = ImportantCount();
    ASSERT_GE(before, 0);
    Raise("end to end one");
    EXPECT_TRUE(PollUntil([&] { return ImportantCount() > before; })) << before;

    // Activity log: new entries appear without the user doing anything.
    activityLog->Select();
    ASSERT_TRUE(PollUntil([&] { return !activityLog->FileModified(); }));
    const qsizetype entries = m_pane->DisplayedLines().size();
    Raise("end to end two");
    EXPECT_TRUE(PollUntil([&] { return m_pane->DisplayedLines().size() > entries; }));
    EXPECT_EQ(m_pane->DisplayedLines().first(), LoadString(4019));

    // Event log: the record of the alert is listed with its description.
    eventLog->Select();
    EXPECT_TRUE(PollUntil([&] { return m_pane->DisplayedLines().join('\n').contains("end to end two"); }));
    Raise("end to end three");
    EXPECT_TRUE(PollUntil([&] { return m_pane->DisplayedLines().join('\n').contains("end to end three"); }));
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
}

TEST_F(LogsEndToEnd, OlderServiceGetsThePlainTextLogFollowingItsFile)
{
    const QString machine = QStringLiteral("OLDSRV");
    QString error;
    m_machines << machine;
    ASSERT_EQ(WorldTool::StartAlertService(machine, &error), 0u) << error.toStdString();
    const QByteArray remote = QByteArray("\\\\OLDSRV\\ADMIN$");
    NETRESOURCE nr{};
    nr.dwType = RESOURCETYPE_DISK;
    nr.lpRemoteName = const_cast<char*>(remote.constData());
    ASSERT_EQ(WNetAddConnection2(&nr, "password", "KORVANE\\Administrator", 0), 0u);

    CServerLeaf* server = CServerLeaf::CreateTopLevel(m_treeWnd->GetTree(),
                                                      CServerData::Make(machine, QString::fromLatin1(remote)));
    ASSERT_NE(server, nullptr);
    CActivityLeaf* activity = server->GetActivityLeaf();
    ASSERT_TRUE(PollUntil([&] { return activity->GetActivityLogLeaf() && !server->GetLogDirectory().isEmpty(); }));
    auto* log = dynamic_cast<CActivityLogLeaf40*>(activity->GetActivityLogLeaf());
    ASSERT_NE(log, nullptr);
    log->Select();
    EXPECT_EQ(m_pane->GetFormat(), DISPLAY_TEXT);
    const QString before = m_pane->DisplayedLines().join('\n');
    Raise("older end to end", machine);
    EXPECT_TRUE(PollUntil([&] { return m_pane->DisplayedLines().join('\n').size() > before.size(); }));
    QString path;
    ASSERT_TRUE(server->GetActivityLogFile(&path));
    EXPECT_TRUE(path.endsWith(QStringLiteral("\\ALERT.LOG")));
    EXPECT_TRUE(m_host.Boxes().empty()) << m_host.BoxTexts().join('|').toStdString();
}

TEST_F(LogsEndToEnd, DeletingRecordsWhileTheServiceAppendsLosesNothingItAppended)
{
    CServerLeaf* server =
        CServerLeaf::CreateTopLevel(m_treeWnd->GetTree(), CServerData::Make(kThisComputer, QString()));
    ASSERT_NE(server, nullptr);
    CActivityLeaf* activity = server->GetActivityLeaf();
    ASSERT_TRUE(PollUntil([&] { return activity->GetEventLogLeaf() && !server->GetLogDirectory().isEmpty(); }));
    auto* eventLog = dynamic_cast<CEventLogSummaryLeaf*>(activity->GetEventLogLeaf());
    ASSERT_NE(eventLog, nullptr);
    QString windowsPath;
    QString table;
    ASSERT_TRUE(eventLog->GetLogPath(&windowsPath, false));
    ASSERT_TRUE(LogPaths::HostPath(windowsPath, &table));
    const QDir directory = QFileInfo(table).dir();

    // Records the console will delete, each with its detail file.
    constexpr int kSeeds = 120;
    QVector<Records::EventLogRecord> seeds;
    for (int i = 0; i < kSeeds; ++i) {
        Records::EventLogRecord r;
        r.application = "DUNMARK";
        r.severity = uint8_t(1 + i % 3);
        r.timeGenerated = 1600000000 + i;
        r.description = "seed " + QByteArray::number(i);
        r.detailFile = QStringLiteral("SD%1.TXT").arg(i, 6, 10, QLatin1Char('0')).toLatin1();
        QFile detail(directory.filePath(QString::fromLatin1(r.detailFile)));
        ASSERT_TRUE(detail.open(QIODevice::WriteOnly));
        detail.write("seed detail");
        seeds.append(r);
    }
    ASSERT_TRUE(Records::AppendEventLogRecords(table, seeds));

    eventLog->Select();
    CAlertColList* list = m_pane->GetList();
    auto seedRows = [&] {
        std::vector<int> rows;
        for (int i = 0; i < list->GetCount(); ++i)
            if (list->GetRowText(i).contains(QLatin1String("\tseed ")))
                rows.push_back(i);
        return rows;
    };
    ASSERT_EQ(seedRows().size(), size_t(kSeeds));

    // The service appends while the console deletes one or two seed rows, 50 times.
    QSet<QString> deleted;
    QStringList raised;
    for (int round = 0; round < 50; ++round) {
        raised << QStringLiteral("stress %1").arg(round);
        Raise(raised.last().toLatin1().constData());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const std::vector<int> rows = seedRows();
        ASSERT_GE(rows.size(), 2u);
        list->SetCurSel(rows[size_t(round) % rows.size()]);
        if (round % 2)
            list->SetSel(rows[size_t(round * 7) % rows.size()], true);
        for (int row : list->GetSelItems())
            deleted.insert(list->GetRowText(row).section(QLatin1Char('\t'), 2));
        m_host.PushAnswer(IDYES);
        m_pane->OnCmdMsg(ID_EDIT_DELETE, nullptr);
    }
    ASSERT_GE(deleted.size(), 50);

    // Once the service delivered everything, every record it appended is in the file with its
    // detail file, and exactly the deleted seeds are gone.
    auto descriptions = [&] {
        QStringList out;
        Records::EventLogFile file;
        if (Records::ReadEventLog(table, &file))
            for (const auto& r : file.records)
                out << QString::fromUtf8(r.description);
        return out;
    };
    ASSERT_TRUE(PollUntil([&] {
        const QStringList now = descriptions();
        return std::all_of(raised.begin(), raised.end(), [&](const QString& t) { return now.contains(t); });
    }));
    Records::EventLogFile file;
    ASSERT_TRUE(Records::ReadEventLog(table, &file));
    QSet<QString> named;
    for (const auto& r : file.records) {
        const QString description = QString::fromUtf8(r.description);
        named.insert(QString::fromLatin1(r.detailFile).toUpper());
        EXPECT_FALSE(deleted.contains(description)) << description.toStdString();
        if (description.startsWith(QLatin1String("stress "))) {
            EXPECT_TRUE(directory.exists(QString::fromLatin1(r.detailFile))) << r.detailFile.toStdString();
        }
    }
    for (int i = 0; i < kSeeds; ++i) {
        const QString description = QStringLiteral("seed %1").arg(i);
        const QString detail = QString::fromLatin1(seeds[i].detailFile);
        EXPECT_EQ(descriptions().count(description), deleted.contains(description) ? 0 : 1) << i;
        EXPECT_EQ(directory.exists(detail), !deleted.contains(description)) << i;
    }
    // A record lost after its detail file was written would leave that file unnamed.
    for (const QString& name : directory.entryList({QStringLiteral("AL*.TXT")}, QDir::Files)) {
        QFile detail(directory.filePath(name));
        ASSERT_TRUE(detail.open(QIODevice::ReadOnly));
        if (detail.readAll().contains("stress ")) {
            EXPECT_TRUE(named.contains(name.toUpper())) << name.toStdString();
        }
    }
    EXPECT_EQ(file.header.RecordCount(), file.records.size());
    EXPECT_TRUE(m_host.Boxes().size() == 50u) << m_host.BoxTexts().join('|').toStdString();
    for (const QString& text : m_host.BoxTexts())
        EXPECT_EQ(text, LoadString(3536));
}
