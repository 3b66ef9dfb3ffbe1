#include "tree/ServerLeaf.h"

#include "extern/Tarnix.h"
#include "framework/Commands.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "mail/MailLibrary.h"
#include "platform/Network.h"
#include "platform/ServiceControl.h"
#include "platform/World.h"
#include "res/Resources.h"
#include "res/ResourceIds.h"
#include "res/StringIds.h"
#include "tree/ActivityLeaf.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/ConfigLeaf.h"
#include "tree/MessageText.h"
#include "tree/RegUtil.h"
#include "tree/ServiceAccountDlg.h"

#include <cstring>
#include <vector>

namespace {
constexpr UINT IDS_MY_COMPUTER = 5001;
constexpr UINT IDS_OPEN_SCM_FAILED = 5102;
constexpr UINT IDS_OPEN_SERVICE_FAILED = 5103;
constexpr UINT IDS_QUERY_SERVICE_FAILED = 5104;
constexpr UINT IDS_ACCOUNT_INVALID = 5120;
constexpr UINT IDS_NOTES_GET_FAILED = 5126;
constexpr UINT IDS_NOTES_SET_FAILED = 5128;
constexpr UINT IDS_SMTP_GET_FAILED = 5129;
constexpr UINT IDS_SMTP_SET_FAILED = 5130;

constexpr UINT IDS_STATUS_RUNNING = 2001;
constexpr UINT IDS_STATUS_STOPPED = 2002;
constexpr UINT IDS_STATUS_PAUSED = 2003;
constexpr UINT IDS_STATUS_START_PENDING = 2004;
constexpr UINT IDS_STATUS_STOP_PENDING = 2005;
constexpr UINT IDS_STATUS_PAUSE_PENDING = 2006;

constexpr int kServerImage = 8;
constexpr int kPathBufferSize = 512;
// Configuration records of the service control manager are small; anything larger is refused.
constexpr DWORD kMaxServiceConfigSize = 64 * 1024;

const QString kSectionSentrel = QStringLiteral("Sentrel");
const QString kSectionPath = QStringLiteral("Path");
const QString kSectionService = QStringLiteral("Service");

// The service version assumed for a service that does not report one.
constexpr int32_t kOlderServiceVersion[4] = {4, 0, 218, 0};
const char* const kActivityLogName = "ACTIVITY.LOG";
const char* const kOlderActivityLogName = "ALERT.LOG";

QString PathBufferText(const char* buffer)
{
    const void* nul = std::memchr(buffer, 0, kPathBufferSize);
    const qsizetype n = nul ? static_cast<const char*>(nul) - buffer : kPathBufferSize;
    return QString::fromUtf8(buffer, n);
}

bool Impersonates()
{
    return ReadRegDword(kSectionService, QString(), QStringLiteral("Impersonate"), 1) != 0;
}

QString ConfigText(const char* text, const char* begin, const char* end)
{
    if (!text || text < begin || text >= end)
        return QString();
    const void* nul = std::memchr(text, 0, size_t(end - text));
    const qsizetype n = nul ? static_cast<const char*>(nul) - text : end - text;
    return QString::fromUtf8(text, n);
}
} // namespace

// ---- construction -------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CServerLeaf, CAlertLeaf)
    ON_UPDATE_COMMAND_UI(ID_INDICATOR_SERVICE, OnUpdateIndicatorService)
    ON_COMMAND(ID_SERVICE_START, OnStartService)
    ON_UPDATE_COMMAND_UI(ID_SERVICE_START, OnUpdateStartService)
    ON_COMMAND(ID_SERVICE_STOP, OnStopService)
    ON_UPDATE_COMMAND_UI(ID_SERVICE_STOP, OnUpdateStopService)
    ON_COMMAND(ID_SERVICE_PAUSE, OnPauseService)
    ON_UPDATE_COMMAND_UI(ID_SERVICE_PAUSE, OnUpdatePauseService)
    ON_COMMAND(ID_FILE_DISCONNECT, OnDisconnect)
    ON_UPDATE_COMMAND_UI(ID_FILE_DISCONNECT, OnUpdateDisconnect)
    ON_UPDATE_COMMAND_UI(ID_FILE_CONNECT, OnUpdateConnect)
    ON_COMMAND(ID_FILE_EXCHANGE_SETUP, OnExchangeSetup)
    ON_UPDATE_COMMAND_UI(ID_FILE_EXCHANGE_SETUP, OnUpdateExchangeSetup)
    ON_COMMAND(ID_SERVICE_ACCOUNT, OnServiceAccount)
    ON_UPDATE_COMMAND_UI(ID_SERVICE_ACCOUNT, OnUpdateServiceAccount)
END_MESSAGE_MAP()

CServerLeaf::CServerLeaf()
{
    m_image = kServerImage;
    m_menuId = IDR_MENU_SERVER;
    // The workers run from now on; they poll once SetData has named the machine.
    m_statusWorker.Start(kStatusInterval, [this](CServiceWorker& w) { StatusCycle(w); });
    m_tableWorker.Start(kTableInterval, [this](CServiceWorker& w) { TableCycle(w); }, true);
}

CServerLeaf::~CServerLeaf()
{
    EndLifetime();
    if (m_cancelConnection && !m_connectionName.isEmpty()) {
        const QByteArray name = m_connectionName.toUtf8();
        WNetCancelConnection2(name.constData(), 0, 1);
    }
    // Each worker ends its current cycle first; only then can no further message for this leaf
    // be posted, and the pending ones are taken out of the queue.
    m_statusWorker.Stop();
    if (m_tree)
        m_tree->RemovePendingMessages(WM_ALERT_SERVICE_STATE, this);
    m_tableWorker.Stop();
    if (m_tree)
        m_tree->RemovePendingMessages(WM_ALERT_TABLE_TICK, this);
}

CServerLeaf* CServerLeaf::CreateTopLevel(CAlertTreeCtrl* tree, const CServerData& data)
{
    if (!tree)
        return nullptr;
    CServerLeaf* leaf = new CServerLeaf;
    {
        // A root leaf bound to the control's root, only for the insertion.
        CAlertLeaf root(tree);
        if (!root.InsertChild(leaf)) {
            delete leaf;
            return nullptr;
        }
    }
    if (!leaf->SetData(data.Data(), CServerData::kVersion)) {
        leaf->DeleteLeaf();
        return nullptr;
    }
    return leaf;
}

CServerLeaf* CServerLeaf::CreateLocal(CAlertTreeCtrl* tree)
{
    CServerLeaf* leaf = CreateTopLevel(tree, CServerData::Make(World::ComputerName(), QString()));
    if (leaf) {
        leaf->Expand();
        leaf->Redisplay();
    }
    return leaf;
}

QString CServerLeaf::MachineFromServerName(const QString& serverName)
{
    return serverName.startsWith(QStringLiteral("\\\\")) ? serverName.mid(2) : serverName;
}

// ---- data ---------------------------------------------------------------------------------------

BOOL CServerLeaf::SetData(const void* data, int version)
{
    if (m_dataSet)
        return 0;
    m_dataVersion = version;
    if (version != CServerData::kVersion || !data || !InTree())
        return 0;
    m_dataSet = SetAsVer10(static_cast<const BYTE*>(data));
    return m_dataSet;
}

BOOL CServerLeaf::SetAsVer10(const BYTE* data)
{
    m_machine = CServerData::Machine(data);
    m_reserved1 = CServerData::Reserved1(data);
    m_reserved2 = CServerData::Reserved2(data);
    m_connectionName = CServerData::Connection(data);
    m_cancelConnection = 1;
    m_remote = 1;
    m_machine = m_machine.toUpper();

    QString display;
    if (m_machine.compare(World::ComputerName(), Qt::CaseInsensitive) == 0) {
        display = LoadString(IDS_MY_COMPUTER) + QStringLiteral(" (") + m_machine + QStringLiteral(")");
        m_cancelConnection = 0;
        m_remote = 0;
        m_local = 1;
    } else {
        display = m_machine;
    }
    SetName(display);

    if (FindSibling(display)) {
        // The machine is shown already; its leaf keeps relying on the connection, so this one
        // must not cancel it when it goes.
        m_cancelConnection = 0;
        return 0;
    }

    // The workers start before the children: a configuration created while the service runs
    // waits for the directories the status worker finds.
    m_armed.store(true, std::memory_order_release);
    auto* config = new CConfigLeaf;
    if (InsertChild(config)) {
        m_configLeaf = config;
        config->SetData(data, CServerData::kVersion);
        config->RefreshTables();
    } else {
        delete config;
    }

    auto* activity = new CActivityLeaf;
    if (InsertChild(activity)) {
        m_activityLeaf = activity;
        activity->SetData(data, CServerData::kVersion);
    } else {
        delete activity;
    }

    SortChildren();
    return 1;
}

// ---- leaf slots ---------------------------------------------------------------------------------

QString CServerLeaf::GetTitle()
{
    QString text;
    GetItemText(&text);
    return text;
}

WORD CServerLeaf::GetDisplayFormat()
{
    return DISPLAY_COLUMNS;
}

void CServerLeaf::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList* rows,
                                 CLeafArray* objects)
{
    ListChildren(m_name, producedFormat, heading, rows, objects);
}

LRESULT CServerLeaf::OnTreeMessage(UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_ALERT_SERVICE_STATE)
        OnServiceStateChange(DWORD(wParam));
    else if (message == WM_ALERT_TABLE_TICK)
        OnPeriodicRefresh();
    return 0;
}

bool CServerLeaf::QueryServerMachineName(QString* machine) const
{
    if (machine)
        *machine = m_machine;
    return true;
}

void CServerLeaf::OnInserted()
{
}

// ---- service ------------------------------------------------------------------------------------

DWORD CServerLeaf::QueryServiceState(BOOL withMessages)
{
    SC_HANDLE scm = OpenSCManager(m_machine, SC_MANAGER_CONNECT);
    if (!scm) {
        if (withMessages)
            AfxMessageBox(IDS_OPEN_SCM_FAILED, MB_OK | MB_ICONEXCLAMATION);
        return SERVICE_STOPPED;
    }
    SC_HANDLE service = Scm::OpenAlertService(scm, SERVICE_QUERY_STATUS);
    if (!service) {
        CloseServiceHandle(scm);
        if (withMessages)
            AfxMessageBox(IDS_OPEN_SERVICE_FAILED, MB_OK | MB_ICONEXCLAMATION);
        return SERVICE_STOPPED;
    }
    SERVICE_STATUS status;
    const BOOL ok = QueryServiceStatus(service, &status);
    CloseServiceHandle(service);
    CloseServiceHandle(scm);
    if (!ok) {
        if (withMessages)
            AfxMessageBox(IDS_QUERY_SERVICE_FAILED, MB_OK | MB_ICONEXCLAMATION);
        return SERVICE_STOPPED;
    }
    return status.dwCurrentState;
}

DWORD CServerLeaf::QueryServiceConfiguration(ServiceConfigInfo* info)
{
    if (!info)
        return ERROR_INVALID_PARAMETER;
    *info = ServiceConfigInfo();
    SC_HANDLE scm = OpenSCManager(m_machine, SC_MANAGER_ALL_ACCESS);
    if (!scm)
        return GetLastError();
    SC_HANDLE service = Scm::OpenAlertService(scm, SERVICE_QUERY_CONFIG);
    if (!service) {
        const DWORD rc = GetLastError();
        CloseServiceHandle(scm);
        return rc;
    }
    DWORD rc = 0;
    DWORD needed = 0;
    if (QueryServiceConfig(service, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        rc = GetLastError() ? GetLastError() : DWORD(ERROR_INVALID_DATA);
    } else if (needed < sizeof(QUERY_SERVICE_CONFIG) || needed > kMaxServiceConfigSize) {
        rc = ERROR_INVALID_DATA;
    } else {
        // Aligned for the record at its start; its texts follow in the same buffer.
        std::vector<uint64_t> buffer((needed + sizeof(uint64_t) - 1) / sizeof(uint64_t));
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIG*>(buffer.data());
        if (!QueryServiceConfig(service, config, DWORD(buffer.size() * sizeof(uint64_t)), &needed)) {
            rc = GetLastError();
        } else {
            const char* begin = reinterpret_cast<const char*>(buffer.data());
            const char* end = begin + buffer.size() * sizeof(uint64_t);
            info->serviceType = config->dwServiceType;
            info->startType = config->dwStartType;
            info->errorControl = config->dwErrorControl;
            info->binaryPath = ConfigText(config->lpBinaryPathName, begin, end);
            info->loadOrderGroup = ConfigText(config->lpLoadOrderGroup, begin, end);
            info->startName = ConfigText(config->lpServiceStartName, begin, end);
            info->displayName = ConfigText(config->lpDisplayName, begin, end);
        }
    }
    CloseServiceHandle(service);
    CloseServiceHandle(scm);
    return rc;
}

// ---- paths --------------------------------------------------------------------------------------

QString CServerLeaf::ConvertServicePath(const QString& machine, bool isThisComputer, const QString& path)
{
    const QChar bs = QLatin1Char('\\');
    QString result = path;
    if (!isThisComputer && !path.startsWith(bs)) {
        // A drive path C:\X on machine M becomes M's administrative share \\M\C$\X.
        result = QStringLiteral("\\\\") + machine + bs + path;
        const qsizetype colon = result.indexOf(QLatin1Char(':'));
        if (colon >= 0)
            result[colon] = QLatin1Char('$');
    }
    if (result.startsWith(QStringLiteral("\\\\"))) {
        // The share is reached on the service's machine, whatever host the service named.
        const qsizetype next = result.indexOf(bs, 2);
        if (next >= 0)
            result = QStringLiteral("\\\\") + machine + result.mid(next);
    }
    return result;
}

BOOL CServerLeaf::PathOf(const QString& dir, const char* fileName, QString* path) const
{
    if (dir.isEmpty()) {
        if (path)
            path->clear();
        return 0;
    }
    if (path)
        *path = fileName ? dir + QLatin1Char('\\') + QString::fromUtf8(fileName) : dir;
    return 1;
}

BOOL CServerLeaf::GetHomeDirectory(QString* path) const
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    return PathOf(m_homeDir, nullptr, path);
}

BOOL CServerLeaf::GetEventLogDirectory(QString* path) const
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    return PathOf(m_eventLogDir, nullptr, path);
}

BOOL CServerLeaf::GetEventLogFile(QString* path) const
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    return PathOf(m_eventLogDir, "ALRECORD.TBL", path);
}

BOOL CServerLeaf::GetActivityLogFile(QString* path) const
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    const QByteArray name = (m_activityLogName.isEmpty() ? QString::fromLatin1(kActivityLogName)
                                                         : m_activityLogName).toUtf8();
    return PathOf(m_logDir, name.constData(), path);
}

BOOL CServerLeaf::GetPortConfigFile(QString* path) const
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    return PathOf(m_homeDir, "PORT.CFG", path);
}

BOOL CServerLeaf::GetDefaultPortConfigFile(QString* path) const
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    return PathOf(m_homeDir, "PORTDEF.CFG", path);
}

QString CServerLeaf::GetLogDirectory() const
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    return m_logDir;
}

QString CServerLeaf::GetActivityLogName() const
{
    std::lock_guard<std::mutex> lock(m_statusLock);
    return m_activityLogName.isEmpty() ? QString::fromLatin1(kActivityLogName) : m_activityLogName;
}

DWORD CServerLeaf::GetServiceVersion(WORD* major, WORD* minor, WORD* third, WORD* fourth) const
{
    int32_t v[4];
    {
        std::lock_guard<std::mutex> lock(m_statusLock);
        std::memcpy(v, m_version, sizeof v);
    }
    if (major)
        *major = WORD(v[0]);
    if (minor)
        *minor = WORD(v[1]);
    if (third)
        *third = WORD(v[2]);
    if (fourth)
        *fourth = WORD(v[3]);
    return (DWORD(v[0]) & 0xFF) << 24 | (DWORD(v[1]) & 0xFF) << 16 | (DWORD(v[2]) & 0xFF) << 8 |
           (DWORD(v[3]) & 0xFF);
}

// ---- library wrappers ---------------------------------------------------------------------------

BOOL CServerLeaf::GetNotesSettings(void* record912)
{
    const QByteArray machine = m_machine.toUtf8();
    const int32_t rc = AlertGetNotesAccountInfo(machine.constData(), record912);
    if (rc == 0 || rc == 2)
        return 1;
    AfxMessageBox(FormatString(IDS_NOTES_GET_FAILED, {m_machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

BOOL CServerLeaf::SetNotesSettings(void* record912)
{
    const QByteArray machine = m_machine.toUtf8();
    const int32_t rc = AlertSetNotesAccountInfo(machine.constData(), record912);
    if (rc == 0)
        return 1;
    AfxMessageBox(FormatString(IDS_NOTES_SET_FAILED, {m_machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

BOOL CServerLeaf::GetSMTPSettings(void* record1228)
{
    const QByteArray machine = m_machine.toUtf8();
    const int32_t rc = AlertGetSMTPConfigInfo(machine.constData(), record1228);
    if (rc == 0 || rc == 2)
        return 1;
    AfxMessageBox(FormatString(IDS_SMTP_GET_FAILED, {m_machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

BOOL CServerLeaf::SetSMTPSettings(void* record1228)
{
    const QByteArray machine = m_machine.toUtf8();
    const int32_t rc = AlertSetSMTPConfigInfo(machine.constData(), record1228);
    if (rc == 0)
        return 1;
    AfxMessageBox(FormatString(IDS_SMTP_SET_FAILED, {m_machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

// ---- workers ------------------------------------------------------------------------------------

void CServerLeaf::StatusCycle(CServiceWorker& worker)
{
    if (!m_armed.load(std::memory_order_acquire))
        return;
    if (m_remote) {
        // A remote machine is asked every seventh cycle only.
        if (++m_remoteSkip < kRemoteCycles)
            return;
        m_remoteSkip = 0;
    }
    const DWORD state = QueryServiceState(0);
    if (state == GetServiceState()) {
        // The first answer may be the state the leaf starts with; the status pane waits for it
        // and reads it on its next update.
        m_stateKnown.store(true, std::memory_order_release);
        return;
    }
    if (state == SERVICE_RUNNING)
        DiscoverDirectories(worker);
    if (worker.StopRequested())
        return;
    m_serviceState.store(int32_t(state), std::memory_order_release);
    m_stateKnown.store(true, std::memory_order_release);
    m_tree->PostMessage(WM_ALERT_SERVICE_STATE, WPARAM(state), PtrToLParam(this));
}

void CServerLeaf::TableCycle(CServiceWorker&)
{
    if (!m_armed.load(std::memory_order_acquire))
        return;
    m_tree->PostMessage(WM_ALERT_TABLE_TICK, 0, PtrToLParam(this));
}

void CServerLeaf::DiscoverDirectories(CServiceWorker& worker)
{
    const QByteArray machine = m_machine.toUtf8();
    QString home;
    QString eventLog;
    QString log;
    if (m_local) {
        home = ReadRegString(kSectionPath, QString(), QStringLiteral("Home"), QString(), kPathBufferSize);
        eventLog = ReadRegString(kSectionPath, QString(), QStringLiteral("EventLog"), QString(), kPathBufferSize);
        log = ReadRegString(kSectionPath, QString(), QStringLiteral("Log"), QString(), kPathBufferSize);
    } else {
        const bool isThisComputer = m_machine.compare(World::ComputerName(), Qt::CaseInsensitive) == 0;
        char buffer[kPathBufferSize];
        bool found = false;
        {
            WorkerWaitCursor::Scope cursor;
            const DWORD maxTry = ReadRegDword(kSectionSentrel, QString(), QStringLiteral("SetMaxTry"),
                                              kDefaultSetMaxTry);
            DWORD attempts = 0;
            while (attempts < maxTry) {
                // A stop ends the pause at once; the attempt that runs is finished first.
                if (attempts > 0 && !worker.Pause(kDiscoveryPause))
                    break;
                ++attempts;
                std::memset(buffer, 0, sizeof buffer);
                if (AlertGetHomeDir(machine.constData(), buffer) == 1) {
                    found = true;
                    break;
                }
            }
            WriteRegDword(kSectionSentrel, QString(), QStringLiteral("HomeMaxTry"), attempts);
        }
        if (found)
            home = ConvertServicePath(m_machine, isThisComputer, PathBufferText(buffer));
        if (!worker.StopRequested()) {
            std::memset(buffer, 0, sizeof buffer);
            if (AlertGetHomeEventLog(machine.constData(), buffer) == 1)
                eventLog = ConvertServicePath(m_machine, isThisComputer, PathBufferText(buffer));
            std::memset(buffer, 0, sizeof buffer);
            if (AlertGetHomeLog(machine.constData(), buffer) == 1)
                log = ConvertServicePath(m_machine, isThisComputer, PathBufferText(buffer));
        }
    }

    int32_t version[4] = {0, 0, 0, 0};
    QString logName = QString::fromLatin1(kActivityLogName);
    if (AlertGetServiceVersion(machine.constData(), &version[0], &version[1], &version[2], &version[3]) != 0) {
        std::memcpy(version, kOlderServiceVersion, sizeof version);
        logName = QString::fromLatin1(kOlderActivityLogName);
    }

    std::lock_guard<std::mutex> lock(m_statusLock);
    m_homeDir = home;
    m_eventLogDir = eventLog;
    m_logDir = log;
    std::memcpy(m_version, version, sizeof version);
    m_activityLogName = logName;
}

// ---- workers' messages --------------------------------------------------------------------------

void CServerLeaf::OnServiceStateChange(DWORD state)
{
    if (m_activityLeaf && IsLive(m_activityLeaf))
        m_activityLeaf->OnServiceStateChange(state);
    if (m_configLeaf && IsLive(m_configLeaf))
        m_configLeaf->OnServiceStateChange(state);

    if (state != SERVICE_RUNNING || m_inAccountCheck || !Impersonates())
        return;
    CServiceAccountRecord record;
    const QByteArray machine = m_machine.toUtf8();
    const int32_t rc = AlertGetAccountInfo(machine.constData(), record.Data());
    if (rc == 0)
        return;
    // The message and the dialog run their own event loops, in which further messages for this
    // leaf are handled (and the leaf may even go).
    CWeakPtr<CServerLeaf> alive(this);
    m_inAccountCheck = true;
    AfxMessageBox(FormatString(IDS_ACCOUNT_INVALID, {m_machine, CodeText(rc)}), MB_OK | MB_ICONEXCLAMATION);
    if (!alive)
        return;
    RunAccountDialog(IsMailLibraryLoaded(), true);
    if (!alive)
        return;
    m_inAccountCheck = false;
    FocusTree();
}

void CServerLeaf::OnPeriodicRefresh()
{
    if (m_configLeaf && IsLive(m_configLeaf))
        m_configLeaf->RefreshTables();
    if (m_activityLeaf && IsLive(m_activityLeaf))
        m_activityLeaf->OnPeriodicRefresh();
}

bool CServerLeaf::RunAccountDialog(bool showExchange, bool invalidAccount)
{
    CServiceAccountDlg dialog(m_machine, showExchange, invalidAccount, m_tree ? m_tree->window() : nullptr);
    return UiHost::Current()->RunModal(&dialog) == IDOK;
}

void CServerLeaf::FocusTree()
{
    if (m_tree)
        m_tree->setFocus();
}

// ---- commands -----------------------------------------------------------------------------------

void CServerLeaf::OnUpdateIndicatorService(CCmdUI* pUI)
{
    pUI->Enable(true);
    // Until the first state query answers, the pane says nothing rather than "stopped".
    if (!m_stateKnown.load(std::memory_order_acquire)) {
        pUI->SetText(QString());
        return;
    }
    UINT id = IDS_OOPS;
    switch (GetServiceState()) {
    case SERVICE_STOPPED: id = IDS_STATUS_STOPPED; break;
    case SERVICE_START_PENDING: id = IDS_STATUS_START_PENDING; break;
    case SERVICE_STOP_PENDING: id = IDS_STATUS_STOP_PENDING; break;
    case SERVICE_RUNNING: id = IDS_STATUS_RUNNING; break;
    case SERVICE_PAUSE_PENDING: id = IDS_STATUS_PAUSE_PENDING; break;
    case SERVICE_PAUSED: id = IDS_STATUS_PAUSED; break;
    default: break;
    }
    pUI->Enable(true);
    pUI->SetText(LoadString(id));
}

void CServerLeaf::OnStartService()
{
    const QByteArray machine = m_machine.toUtf8();
    AlertStartService(machine.constData(), 0);
}

void CServerLeaf::OnUpdateStartService(CCmdUI* pUI)
{
    pUI->Enable(GetServiceState() == SERVICE_STOPPED);
}

void CServerLeaf::OnStopService()
{
    CWaitCursor wait;
    if (!IsSelected()) {
        Select();
        Redisplay();
    }
    const QByteArray machine = m_machine.toUtf8();
    AlertStopService(machine.constData(), 0);
}

void CServerLeaf::OnUpdateStopService(CCmdUI* pUI)
{
    const DWORD state = GetServiceState();
    pUI->Enable(state == SERVICE_RUNNING || state == SERVICE_PAUSED);
}

void CServerLeaf::OnPauseService()
{
    const QByteArray machine = m_machine.toUtf8();
    if (GetServiceState() == SERVICE_PAUSED)
        AlertContinueService(machine.constData(), 0);
    else
        AlertPauseService(machine.constData(), 0);
}

void CServerLeaf::OnUpdatePauseService(CCmdUI* pUI)
{
    const DWORD state = GetServiceState();
    pUI->Enable(state == SERVICE_RUNNING || state == SERVICE_PAUSED);
    pUI->SetCheck(state == SERVICE_PAUSED ? 1 : 0);
}

void CServerLeaf::OnDisconnect()
{
    DeleteLeaf();
}

void CServerLeaf::OnUpdateDisconnect(CCmdUI* pUI)
{
    pUI->Enable(m_remote != 0);
}

void CServerLeaf::OnUpdateConnect(CCmdUI* pUI)
{
    pUI->Enable(true);
}

void CServerLeaf::OnExchangeSetup()
{
    RunAccountDialog(true, false);
}

void CServerLeaf::OnUpdateExchangeSetup(CCmdUI* pUI)
{
    // Offered only for a mail client of the Exchange kind.
    pUI->Enable(IsExchangeMailClient() && GetServiceState() == SERVICE_RUNNING);
}

void CServerLeaf::OnServiceAccount()
{
    CWeakPtr<CServerLeaf> alive(this);
    RunAccountDialog(IsMailLibraryLoaded(), false);
    if (alive)
        FocusTree();
}

void CServerLeaf::OnUpdateServiceAccount(CCmdUI* pUI)
{
    pUI->Enable(GetServiceState() == SERVICE_RUNNING);
}
