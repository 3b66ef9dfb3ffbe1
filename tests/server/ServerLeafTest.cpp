// The server leaf of this computer against a real alertsvc process: names and the refusal of a
// machine already shown, the status pane through every state, the command states, the
// children that come and go with the service, the service queries and their messages, the
// library wrappers and the removal of a leaf's pending messages.
#include "ServerTestSupport.h"

#include "framework/Commands.h"
#include "res/StringIds.h"
#include "tree/ConfigLeaf.h"
#include "tree/MessageText.h"
#include "tree/ServiceAccountDlg.h"

#include <QLineEdit>

using namespace ServerTest;

namespace {

// A server leaf whose state a test sets (it is never given data, so its worker stays idle).
class ProbeServerLeaf : public CServerLeaf {
public:
    using CServerLeaf::StoreServiceState;
};

// The activity leaf's three children, as plain leaves.
void InstallActivityChildren()
{
    CActivityLeaf::Hooks hooks;
    hooks.createChildren = [](CActivityLeaf* leaf, CActivityLeaf::Children* created) {
        CAlertLeaf* made[3];
        const char* names[3] = {"summary", "eventlog", "activitylog"};
        for (int i = 0; i < 3; ++i) {
            made[i] = new CAlertLeaf;
            made[i]->SetName(QString::fromLatin1(names[i]));
            leaf->InsertChild(made[i]);
        }
        created->summary = made[0];
        created->eventLog = made[1];
        created->activityLog = made[2];
    };
    CActivityLeaf::SetHooks(hooks);
}

// Polls the status pane until it shows `last`, recording every text seen on the way.
QStringList StatusSequence(CCmdTarget* route, const QString& last)
{
    QStringList seen;
    WaitUntil([&] {
        const QString text = StatusText(route);
        if (seen.isEmpty() || seen.last() != text)
            seen << text;
        return text == last;
    });
    return seen;
}

// Whether `pending` was seen, and before `last`.
::testing::AssertionResult PassedThrough(const QStringList& seen, UINT pending, UINT last)
{
    const qsizetype p = seen.indexOf(LoadString(pending));
    const qsizetype l = seen.indexOf(LoadString(last));
    if (l < 0)
        return ::testing::AssertionFailure() << "never reached " << last << ": " << seen.join(QLatin1Char('|')).toStdString();
    if (p < 0 || p > l)
        return ::testing::AssertionFailure() << "no " << pending << " before " << last << ": "
                                             << seen.join(QLatin1Char('|')).toStdString();
    return ::testing::AssertionSuccess();
}

struct CommandState {
    bool handled;
    bool enabled;
    int check;
};
CommandState Query(CCmdTarget* route, UINT id)
{
    CCmdUI ui(id);
    const bool handled = route->OnCmdMsg(id, &ui);
    return {handled, handled && ui.IsEnabled(), ui.GetCheck()};
}

class ServerLeafTest : public Fixture {
protected:
    void TearDown() override
    {
        qunsetenv("VIGIMOR_PENDING_HOLD_MS");
        Fixture::TearDown();
    }
};

TEST_F(ServerLeafTest, ThisComputerIsShownOnceByAnyCase)
{
    InstallLocalService();
    CServerLeaf* leaf = CServerLeaf::CreateLocal(m_tree.get());
    ASSERT_TRUE(leaf);
    EXPECT_EQ(leaf->GetName(), LoadString(5001) + QStringLiteral(" (TESTPC)"));
    EXPECT_TRUE(leaf->IsLocal());
    EXPECT_FALSE(leaf->IsRemote());
    EXPECT_FALSE(leaf->CancelsConnection());
    EXPECT_EQ(leaf->GetImage(), 8);
    EXPECT_EQ(leaf->GetContextMenu(), 151u);
    // Its children: the configuration and the activity leaf, sorted.
    ASSERT_EQ(leaf->ChildCount(), 2);
    ASSERT_TRUE(leaf->GetConfigLeaf());
    ASSERT_TRUE(leaf->GetActivityLeaf());
    EXPECT_EQ(leaf->GetConfigLeaf()->GetName(), LoadString(5012));
    EXPECT_EQ(leaf->GetActivityLeaf()->GetName(), LoadString(5015));
    EXPECT_EQ(leaf->GetConfigLeaf()->GetMachine(), QStringLiteral("TESTPC"));
    QString first;
    QString second;
    leaf->GetFirstChild()->GetItemText(&first);
    leaf->GetFirstChild()->GetNextSibling()->GetItemText(&second);
    EXPECT_LT(first.compare(second, Qt::CaseInsensitive), 0);

    // The same machine by any letter case is refused and leaves nothing behind.
    EXPECT_EQ(AddServer(QStringLiteral("testpc")), nullptr);
    EXPECT_EQ(AddServer(QStringLiteral("TestPc")), nullptr);
    EXPECT_EQ(TopLevelCount(), 1);

    // A second SetData is refused, as is another version.
    EXPECT_EQ(leaf->SetData(CServerData::Make(QStringLiteral("X"), QString()).Data(), 10), 0);
    auto* fresh = new CServerLeaf;
    CAlertLeaf root(m_tree.get());
    ASSERT_TRUE(root.InsertChild(fresh));
    EXPECT_EQ(fresh->SetData(CServerData::Make(QStringLiteral("X"), QString()).Data(), 9), 0);
    EXPECT_FALSE(fresh->IsDataSet());
    fresh->DeleteLeaf();

    // The display lists the children under the leaf's own name.
    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    leaf->GetDisplayData(1, &format, &heading, &rows, &objects);
    EXPECT_EQ(format, 1);
    EXPECT_EQ(heading, leaf->GetName());
    EXPECT_EQ(rows.size(), 2);
    EXPECT_EQ(objects.size(), 2);
}

TEST_F(ServerLeafTest, StatusPaneAndCommandStatesForEveryState)
{
    auto* leaf = new ProbeServerLeaf;
    CAlertLeaf root(m_tree.get());
    ASSERT_TRUE(root.InsertChild(leaf));
    const struct {
        DWORD state;
        UINT text;
    } texts[] = {{1, 2002}, {2, 2004}, {3, 2005}, {4, 2001}, {5, IDS_OOPS},
                 {6, 2006}, {7, 2003}, {0, IDS_OOPS}, {8, IDS_OOPS}};
    // Before the first state query answers the pane says nothing, not "stopped".
    EXPECT_EQ(StatusText(leaf), QString());
    for (const auto& t : texts) {
        leaf->StoreServiceState(t.state);
        EXPECT_EQ(StatusText(leaf), LoadString(t.text)) << t.state;
    }
    EXPECT_EQ(LoadString(IDS_OOPS), QStringLiteral("Oops..."));

    for (DWORD state = 1; state <= 7; ++state) {
        leaf->StoreServiceState(state);
        const bool controllable = state == 4 || state == 7;
        EXPECT_EQ(Query(leaf, 3002).enabled, state == 1) << state;
        EXPECT_EQ(Query(leaf, 3003).enabled, controllable) << state;
        EXPECT_EQ(Query(leaf, 3004).enabled, controllable) << state;
        EXPECT_EQ(Query(leaf, 3004).check, state == 7 ? 1 : 0) << state;
        EXPECT_EQ(Query(leaf, 3026).enabled, state == 4) << state;
        // Exchange settings need the mail library, which is not loaded.
        EXPECT_FALSE(Query(leaf, 3022).enabled) << state;
        EXPECT_TRUE(Query(leaf, 3008).enabled) << state;
        // Only a remote machine can be disconnected.
        EXPECT_FALSE(Query(leaf, 3009).enabled) << state;
    }
}

TEST_F(ServerLeafTest, ServiceLifecycleMovesStatusAndChildren)
{
    // Pending states last long enough for the status worker to see them.
    qputenv("VIGIMOR_PENDING_HOLD_MS", "30000");
    InstallLocalService();
    InstallActivityChildren();
    CServerLeaf* leaf = CServerLeaf::CreateLocal(m_tree.get());
    ASSERT_TRUE(leaf);
    CActivityLeaf* activity = leaf->GetActivityLeaf();
    ASSERT_TRUE(activity);
    EXPECT_FALSE(activity->HasChildren());
    // The status worker's first answer, not the start value, makes the pane say "stopped".
    EXPECT_TRUE(WaitUntil([&] { return StatusText(m_tree.get()) == LoadString(2002); }));
    EXPECT_FALSE(leaf->GetHomeDirectory(nullptr));

    // Commands chosen below the server leaf climb to it.
    activity->Select();
    EXPECT_TRUE(Query(m_tree.get(), 3002).enabled);
    EXPECT_FALSE(Query(m_tree.get(), 3003).enabled);
    ASSERT_TRUE(m_tree->OnCmdMsg(3002, nullptr));
    EXPECT_TRUE(PassedThrough(StatusSequence(m_tree.get(), LoadString(2001)), 2004, 2001));
    ASSERT_TRUE(WaitUntil([&] { return activity->ChildCount() == 3; }));
    // The directories of this computer come from its registry.
    QString path;
    EXPECT_TRUE(leaf->GetHomeDirectory(&path));
    EXPECT_EQ(path, QStringLiteral("C:\\ALERT"));
    EXPECT_TRUE(leaf->GetPortConfigFile(&path));
    EXPECT_EQ(path, QStringLiteral("C:\\ALERT\\PORT.CFG"));
    EXPECT_TRUE(leaf->GetDefaultPortConfigFile(&path));
    EXPECT_EQ(path, QStringLiteral("C:\\ALERT\\PORTDEF.CFG"));
    EXPECT_TRUE(leaf->GetEventLogFile(&path));
    EXPECT_EQ(path, QStringLiteral("C:\\ALERT\\EVENTLOG\\ALRECORD.TBL"));
    EXPECT_TRUE(leaf->GetActivityLogFile(&path));
    EXPECT_EQ(path, QStringLiteral("C:\\ALERT\\LOG\\ACTIVITY.LOG"));
    WORD major = 0;
    WORD third = 0;
    leaf->GetServiceVersion(&major, nullptr, &third);
    EXPECT_FALSE(major == 4 && third == 218);

    // Pause, then continue through the same command.
    EXPECT_TRUE(Query(m_tree.get(), 3004).enabled);
    EXPECT_EQ(Query(m_tree.get(), 3004).check, 0);
    ASSERT_TRUE(m_tree->OnCmdMsg(3004, nullptr));
    EXPECT_TRUE(PassedThrough(StatusSequence(m_tree.get(), LoadString(2003)), 2006, 2003));
    EXPECT_EQ(Query(m_tree.get(), 3004).check, 1);
    EXPECT_FALSE(Query(m_tree.get(), 3002).enabled);
    EXPECT_TRUE(Query(m_tree.get(), 3003).enabled);
    EXPECT_EQ(activity->ChildCount(), 3);   // paused keeps the children
    ASSERT_TRUE(m_tree->OnCmdMsg(3004, nullptr));
    EXPECT_TRUE(PassedThrough(StatusSequence(m_tree.get(), LoadString(2001)), IDS_OOPS, 2001));

    // Stop from a child of the activity leaf: the server leaf takes the selection first.
    activity->GetFirstChild()->Select();
    ASSERT_TRUE(m_tree->OnCmdMsg(3003, nullptr));
    EXPECT_TRUE(leaf->IsSelected());
    EXPECT_TRUE(PassedThrough(StatusSequence(m_tree.get(), LoadString(2002)), 2005, 2002));
    EXPECT_FALSE(activity->HasChildren());
    EXPECT_EQ(leaf->ChildCount(), 2);
    EXPECT_TRUE(Query(m_tree.get(), 3002).enabled);
}

TEST_F(ServerLeafTest, AccountCheckAfterStartUpOpensTheDialogForAnInvalidAccount)
{
    SetImpersonate(1);
    InstallLocalService();
    CServerLeaf* leaf = CServerLeaf::CreateLocal(m_tree.get());
    ASSERT_TRUE(leaf);
    bool invalidFlagShown = false;
    m_host.PushDialog([&](QDialog* d) {
        auto* dialog = qobject_cast<CServiceAccountDlg*>(d);
        invalidFlagShown = dialog != nullptr;
        // This computer's own Administrator, without a password.
        FindCtrl<QLineEdit>(d, 1048)->setText(QStringLiteral("TESTPC"));
        FindCtrl<QLineEdit>(d, 1066)->setText(QStringLiteral("Administrator"));
        d->accept();
    });
    ASSERT_TRUE(leaf->ExecuteCommand(3002));
    ASSERT_TRUE(WaitUntil([&] { return !m_host.Dialogs().empty(); }));
    ASSERT_GE(m_host.Boxes().size(), 1u);
    // Nothing stored yet: the library answers 2.
    EXPECT_EQ(m_host.Boxes().back().text, FormatString(5120, {QStringLiteral("TESTPC"), QStringLiteral("2")}));
    EXPECT_TRUE(invalidFlagShown);
    EXPECT_EQ(m_host.Dialogs().front().result, 1);

    CServiceAccountRecord stored;
    ASSERT_EQ(AlertGetAccountInfo("TESTPC", stored.Data()), 0);
    EXPECT_EQ(stored.User(), QStringLiteral("Administrator"));
    EXPECT_EQ(stored.InvalidFlag(), 1);

    // With a valid account stored, the next start-up asks nothing.
    ASSERT_TRUE(leaf->ExecuteCommand(3003));
    ASSERT_TRUE(WaitUntil([&] { return leaf->GetServiceState() == 1; }));
    const size_t boxes = m_host.Boxes().size();
    ASSERT_TRUE(leaf->ExecuteCommand(3002));
    ASSERT_TRUE(WaitUntil([&] { return leaf->GetServiceState() == 4; }));
    Pump(50);
    EXPECT_EQ(m_host.Boxes().size(), boxes);
    EXPECT_EQ(m_host.Dialogs().size(), 1u);
}

TEST_F(ServerLeafTest, StateQueriesShowTheirMessages)
{
    // No service installed on this computer: cannot open the alert service.
    CServerLeaf* local = CServerLeaf::CreateLocal(m_tree.get());
    ASSERT_TRUE(local);
    ASSERT_FALSE(m_host.Boxes().empty());
    for (const auto& box : m_host.Boxes())
        EXPECT_EQ(box.text, LoadString(5103));
    m_host.Clear();
    EXPECT_EQ(local->QueryServiceState(1), 1u);
    EXPECT_EQ(m_host.BoxTexts(), QStringList{LoadString(5103)});
    ServiceConfigInfo info;
    EXPECT_EQ(local->QueryServiceConfiguration(&info), ERROR_SERVICE_DOES_NOT_EXIST);

    // An unknown machine: cannot open its service control manager; the worker stays silent.
    m_host.Clear();
    CServerLeaf* ghost = AddServer(QStringLiteral("GHOST"));
    ASSERT_TRUE(ghost);
    EXPECT_EQ(ghost->GetName(), QStringLiteral("GHOST"));
    m_host.Clear();
    EXPECT_EQ(ghost->QueryServiceState(1), 1u);
    EXPECT_EQ(m_host.BoxTexts(), QStringList{LoadString(5102)});
    m_host.Clear();
    EXPECT_EQ(ghost->QueryServiceState(0), 1u);
    Pump(100);
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(ServerLeafTest, ServiceUnderItsOlderNameIsFoundAndControlled)
{
    Scm::ServiceDefinition definition;
    definition.name = QString::fromLatin1(Scm::kAlertServiceFallbackName);
    definition.displayName = definition.name;
    definition.binaryPath = QStringLiteral("C:\\ALERT\\ALERT.EXE");
    ASSERT_EQ(Scm::InstallService(QString(), definition), 0u);
    m_reaper.Add(kThisComputer, QStringLiteral("Tessaly%20Alert%20Notification%20Server"));

    CServerLeaf* leaf = CServerLeaf::CreateLocal(m_tree.get());
    ASSERT_TRUE(leaf);
    EXPECT_TRUE(m_host.Boxes().empty());
    ServiceConfigInfo info;
    ASSERT_EQ(leaf->QueryServiceConfiguration(&info), 0u);
    EXPECT_EQ(info.binaryPath, QStringLiteral("C:\\ALERT\\ALERT.EXE"));
    EXPECT_EQ(info.displayName, definition.name);
    EXPECT_EQ(info.startType, DWORD(SERVICE_AUTO_START));

    ASSERT_TRUE(leaf->ExecuteCommand(3002));
    EXPECT_TRUE(WaitUntil([&] { return StatusText(leaf) == LoadString(2001); }));
    ASSERT_TRUE(leaf->ExecuteCommand(3003));
    EXPECT_TRUE(WaitUntil([&] { return StatusText(leaf) == LoadString(2002); }));
}

TEST_F(ServerLeafTest, LibraryWrappersReportFailuresWithMachineAndCode)
{
    CServerLeaf* local = CServerLeaf::CreateLocal(m_tree.get());
    CServerLeaf* ghost = AddServer(QStringLiteral("GHOST"));
    ASSERT_TRUE(local && ghost);
    m_host.Clear();

    // Nothing stored yet counts as success for the readers.
    QByteArray smtp(TARNIX_SMTP_CONFIG_SIZE, '\0');
    QByteArray notes(TARNIX_NOTES_ACCOUNT_SIZE, '\0');
    EXPECT_EQ(local->GetSMTPSettings(smtp.data()), 1);
    EXPECT_EQ(local->GetNotesSettings(notes.data()), 1);
    EXPECT_EQ(local->SetSMTPSettings(smtp.data()), 1);
    EXPECT_EQ(local->SetNotesSettings(notes.data()), 1);
    EXPECT_TRUE(m_host.Boxes().empty());

    const QString code = QStringLiteral("1722");
    EXPECT_EQ(ghost->GetSMTPSettings(smtp.data()), 0);
    EXPECT_EQ(ghost->SetSMTPSettings(smtp.data()), 0);
    EXPECT_EQ(ghost->GetNotesSettings(notes.data()), 0);
    EXPECT_EQ(ghost->SetNotesSettings(notes.data()), 0);
    const QStringList expected = {FormatString(5129, {QStringLiteral("GHOST"), code}),
                                  FormatString(5130, {QStringLiteral("GHOST"), code}),
                                  FormatString(5126, {QStringLiteral("GHOST"), code}),
                                  FormatString(5128, {QStringLiteral("GHOST"), code})};
    EXPECT_EQ(m_host.BoxTexts(), expected);
    EXPECT_TRUE(m_host.BoxTexts().at(0).contains(QStringLiteral("GHOST [1722]")));
}

TEST_F(ServerLeafTest, DestroyedLeafLeavesNoPendingMessageAndOthersKeepTheirOrder)
{
    CServerLeaf* doomed = AddServer(QStringLiteral("GHOST"));
    CServerLeaf* other = CServerLeaf::CreateLocal(m_tree.get());
    ASSERT_TRUE(doomed && other);
    const LPARAM d = PtrToLParam(doomed);
    const LPARAM o = PtrToLParam(other);
    // Marked states the services never report, so the workers' own posts are told apart.
    m_tree->PostMessage(WM_ALERT_SERVICE_STATE, 101, d);
    m_tree->PostMessage(WM_ALERT_SERVICE_STATE, 201, o);
    m_tree->PostMessage(WM_ALERT_TABLE_TICK, 0, d);
    m_tree->PostMessage(WM_ALERT_SERVICE_STATE, 202, o);
    m_tree->PostMessage(WM_ALERT_SERVICE_STATE, 102, d);
    m_tree->PostMessage(WM_ALERT_TABLE_TICK, 0, o);
    m_tree->PostMessage(WM_ALERT_SERVICE_STATE, 203, o);

    doomed->DeleteLeaf();
    std::vector<WPARAM> markers;
    int ticksForOther = 0;
    for (const QueuedMessage& m : m_tree->Messages().Pending()) {
        EXPECT_NE(m.lParam, d) << m.message;
        if (m.message == WM_ALERT_SERVICE_STATE && m.wParam > 200)
            markers.push_back(m.wParam);
        if (m.message == WM_ALERT_TABLE_TICK && m.lParam == o)
            ++ticksForOther;
    }
    EXPECT_EQ(markers, (std::vector<WPARAM>{201, 202, 203}));
    EXPECT_GE(ticksForOther, 1);
    EXPECT_EQ(TopLevelCount(), 1);
    // The other leaf's messages are handled as usual.
    Pump(100);
    EXPECT_TRUE(CAlertLeaf::IsLive(other));
}

} // namespace
