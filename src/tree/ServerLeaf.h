#pragma once
// CServerLeaf: one machine whose alert service the console administers, at the top level of
// the tree. It holds the machine's name and the connection made for it, knows the service's
// directories as paths the console can open, runs the status and table workers, answers the
// service-control and service-account commands, and is the anchor from which every leaf below
// finds its machine. Its children are the configuration leaf and the activity leaf.
#include "tree/AlertLeaf.h"
#include "tree/ServerData.h"
#include "tree/ServiceWorker.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>

class CConfigLeaf;
class CActivityLeaf;

// The service control manager's configuration of the alert service, copied out of its record.
struct ServiceConfigInfo {
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    QString binaryPath;
    QString loadOrderGroup;
    QString startName;
    QString displayName;
};

class CServerLeaf : public CAlertLeaf {
    DECLARE_MESSAGE_MAP()
public:
    // Image 8, menu 151; both workers start at once (they wait for SetData before polling).
    CServerLeaf();
    // Cancels the connection of a remote machine, stops and joins both workers and removes
    // their pending messages for this leaf.
    ~CServerLeaf() override;

    // ---- data -----------------------------------------------------------------------------------
    // data: a SERVERDATA block of CServerData::kSize bytes. Refused (0) when data were set
    // already or the version is not 10; the leaf must be in the tree.
    virtual BOOL SetData(const void* data, int version);
    // Fills the leaf from the block; 0 when the machine is already shown (the caller then
    // deletes this leaf).
    BOOL SetAsVer10(const BYTE* data);

    // Creates a top-level server leaf in the tree from a block: inserted under the control's
    // root, SetData(block, 10); a refused leaf is deleted again. Returns the leaf or null.
    static CServerLeaf* CreateTopLevel(CAlertTreeCtrl* tree, const CServerData& data);
    // The tree window's creation step: this computer's server leaf at the top level, expanded
    // and shown. Null when it could not be made.
    static CServerLeaf* CreateLocal(CAlertTreeCtrl* tree);
    // The machine a server name names: a leading double backslash removed.
    static QString MachineFromServerName(const QString& serverName);

    // ---- leaf slots -----------------------------------------------------------------------------
    QString GetTitle() override;
    WORD GetDisplayFormat() override;
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;
    LRESULT OnTreeMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool QueryServerMachineName(QString* machine) const override;
    void OnInserted() override;

    // ---- service --------------------------------------------------------------------------------
    // The current state of the machine's alert service from its service control manager
    // (fallback name when the first is not installed); 1 on any failure, which shows 5102,
    // 5103 or 5104 when withMessages is set. Safe from the status worker (without messages).
    DWORD QueryServiceState(BOOL withMessages);
    // The service's configuration record; 0 or the code of the first step that failed.
    DWORD QueryServiceConfiguration(ServiceConfigInfo* info);
    // Last state the status worker saw (1 until the first poll finds another).
    DWORD GetServiceState() const { return DWORD(m_serviceState.load(std::memory_order_acquire)); }

    // ---- paths: each returns 0 (and empties *path) when the directory is unknown -----------------
    BOOL GetHomeDirectory(QString* path) const;
    BOOL GetEventLogDirectory(QString* path) const;
    BOOL GetEventLogFile(QString* path) const;          // event-log directory + "\ALRECORD.TBL"
    BOOL GetActivityLogFile(QString* path) const;       // log directory + "\" + activity log name
    BOOL GetPortConfigFile(QString* path) const;        // home + "\PORT.CFG"
    BOOL GetDefaultPortConfigFile(QString* path) const; // home + "\PORTDEF.CFG"
    QString GetLogDirectory() const;
    QString GetActivityLogName() const;
    // Major, minor, third and fourth version numbers (each optional), and all four as one value
    // whose bytes from high to low are major, minor, third, fourth.
    DWORD GetServiceVersion(WORD* major = nullptr, WORD* minor = nullptr, WORD* third = nullptr,
                            WORD* fourth = nullptr) const;

    // Makes a path the service reports for machine reachable from this computer: unchanged on
    // this computer or when it starts with a backslash, else "\\machine\path" with the first
    // colon turned into '$'; then the host part of a "\\host\..." path becomes machine.
    static QString ConvertServicePath(const QString& machine, bool isThisComputer, const QString& path);

    // ---- library wrappers (record buffers of the library's sizes) ------------------------------
    BOOL GetNotesSettings(void* record912);   // 5126 on failure
    BOOL SetNotesSettings(void* record912);   // 5128
    BOOL GetSMTPSettings(void* record1228);   // 5129
    BOOL SetSMTPSettings(void* record1228);   // 5130

    // ---- state ----------------------------------------------------------------------------------
    const QString& GetMachine() const { return m_machine; }
    const QString& GetConnectionName() const { return m_connectionName; }
    const QString& GetReserved1() const { return m_reserved1; }
    const QString& GetReserved2() const { return m_reserved2; }
    BOOL IsRemote() const { return m_remote; }
    BOOL IsLocal() const { return m_local; }
    BOOL IsDataSet() const { return m_dataSet; }
    int GetDataVersion() const { return m_dataVersion; }
    BOOL CancelsConnection() const { return m_cancelConnection; }
    CConfigLeaf* GetConfigLeaf() const { return m_configLeaf; }
    CActivityLeaf* GetActivityLeaf() const { return m_activityLeaf; }
    // Whether the workers could be started (tests and measurements).
    bool StatusWorkerRunning() const { return m_statusWorker.IsRunning(); }
    bool TableWorkerRunning() const { return m_tableWorker.IsRunning(); }

    // Handlers of the workers' messages (called by OnTreeMessage; public for the tree window).
    void OnServiceStateChange(DWORD state);
    void OnPeriodicRefresh();

    // Nominal intervals of the workers, in milliseconds.
    static constexpr DWORD kStatusInterval = 1000;
    static constexpr int kRemoteCycles = 7;
    static constexpr DWORD kTableInterval = 5000;
    static constexpr DWORD kDiscoveryPause = 1000;
    static constexpr DWORD kDefaultSetMaxTry = 20;

protected:
    // Commands.
    void OnUpdateIndicatorService(CCmdUI* pUI);
    void OnStartService();
    void OnUpdateStartService(CCmdUI* pUI);
    void OnStopService();
    void OnUpdateStopService(CCmdUI* pUI);
    void OnPauseService();
    void OnUpdatePauseService(CCmdUI* pUI);
    void OnDisconnect();
    void OnUpdateDisconnect(CCmdUI* pUI);
    void OnUpdateConnect(CCmdUI* pUI);
    void OnExchangeSetup();
    void OnUpdateExchangeSetup(CCmdUI* pUI);
    void OnServiceAccount();
    void OnUpdateServiceAccount(CCmdUI* pUI);

    // The state the status pane and the command states follow (the status worker's store).
    void StoreServiceState(DWORD state)
    {
        m_serviceState.store(int32_t(state), std::memory_order_release);
        m_stateKnown.store(true, std::memory_order_release);
    }

    // Runs the service-account dialog; true when it was closed with OK.
    bool RunAccountDialog(bool showExchange, bool invalidAccount);
    void FocusTree();

private:
    // The workers' cycles (on their threads).
    void StatusCycle(CServiceWorker& worker);
    void TableCycle(CServiceWorker& worker);
    // Finds the service's directories and version; the status worker runs it when the service
    // comes up.
    void DiscoverDirectories(CServiceWorker& worker);
    BOOL PathOf(const QString& dir, const char* fileName, QString* path) const;

    std::atomic<int32_t> m_serviceState{1};
    // Whether the status worker has answered at least once (m_serviceState is only the start
    // value before that).
    std::atomic<bool> m_stateKnown{false};
    QString m_machine;
    QString m_reserved1;
    QString m_reserved2;
    int m_dataVersion = 0;
    BOOL m_dataSet = 0;
    QString m_connectionName;
    BOOL m_cancelConnection = 0;
    BOOL m_remote = 0;
    BOOL m_local = 0;
    CConfigLeaf* m_configLeaf = nullptr;
    CActivityLeaf* m_activityLeaf = nullptr;

    // What the status worker finds, read by the user-interface thread.
    mutable std::mutex m_statusLock;
    QString m_homeDir;
    QString m_eventLogDir;
    QString m_logDir;
    int32_t m_version[4] = {0, 0, 0, 0};
    QString m_activityLogName;

    // Set once SetData has given the workers a machine to watch and a tree to post to.
    std::atomic<bool> m_armed{false};
    int m_remoteSkip = 0;           // status worker only
    bool m_inAccountCheck = false;  // the account check after start-up is running

    CServiceWorker m_statusWorker;
    CServiceWorker m_tableWorker;
};
