#pragma once
// The service control manager of each machine in the world.
//
//   machines/<M>/scm/services.json      installed services (name, display name, binary path,
//                                       start type, account)
//   machines/<M>/scm/<svc>.state        the running service's status, written by the service
//   machines/<M>/scm/<svc>.control      one pending control request, taken by the service
//
// <svc> is the installed service name with every byte outside A-Z a-z 0-9 _ - written as %XX.
// Service names are matched case-insensitively, as Windows does. A state whose process is
// gone (pid not alive or a zombie) or whose heartbeat is stale reads as stopped.
//
// Every call is thread-safe. Calls returning a handle or BOOL leave their code for
// GetLastError(); the install calls return it.
#include "platform/WinTypes.h"
#include <QString>

struct SC_HANDLE__;
using SC_HANDLE = SC_HANDLE__*;

// Access rights (checked: a handle opened without SERVICE_START cannot start the service).
constexpr DWORD SC_MANAGER_CONNECT = 0x0001;
constexpr DWORD SC_MANAGER_CREATE_SERVICE = 0x0002;
constexpr DWORD SC_MANAGER_ENUMERATE_SERVICE = 0x0004;
constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003F;
constexpr DWORD SERVICE_QUERY_CONFIG = 0x0001;
constexpr DWORD SERVICE_CHANGE_CONFIG = 0x0002;
constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;
constexpr DWORD SERVICE_START = 0x0010;
constexpr DWORD SERVICE_STOP = 0x0020;
constexpr DWORD SERVICE_PAUSE_CONTINUE = 0x0040;
constexpr DWORD SERVICE_INTERROGATE = 0x0080;
constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FF;

constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x00000010;

constexpr DWORD SERVICE_BOOT_START = 0;
constexpr DWORD SERVICE_SYSTEM_START = 1;
constexpr DWORD SERVICE_AUTO_START = 2;
constexpr DWORD SERVICE_DEMAND_START = 3;
constexpr DWORD SERVICE_DISABLED = 4;

constexpr DWORD SERVICE_ERROR_NORMAL = 1;

constexpr DWORD SERVICE_STOPPED = 1;
constexpr DWORD SERVICE_START_PENDING = 2;
constexpr DWORD SERVICE_STOP_PENDING = 3;
constexpr DWORD SERVICE_RUNNING = 4;
constexpr DWORD SERVICE_CONTINUE_PENDING = 5;
constexpr DWORD SERVICE_PAUSE_PENDING = 6;
constexpr DWORD SERVICE_PAUSED = 7;

constexpr DWORD SERVICE_CONTROL_STOP = 1;
constexpr DWORD SERVICE_CONTROL_PAUSE = 2;
constexpr DWORD SERVICE_CONTROL_CONTINUE = 3;
constexpr DWORD SERVICE_CONTROL_INTERROGATE = 4;

constexpr DWORD SERVICE_ACCEPT_STOP = 0x0001;
constexpr DWORD SERVICE_ACCEPT_PAUSE_CONTINUE = 0x0002;

struct SERVICE_STATUS {
    DWORD dwServiceType = 0;
    DWORD dwCurrentState = 0;
    DWORD dwControlsAccepted = 0;
    DWORD dwWin32ExitCode = 0;          // 1067 for a service whose process vanished
    DWORD dwServiceSpecificExitCode = 0;
    DWORD dwCheckPoint = 0;
    DWORD dwWaitHint = 0;               // real milliseconds
};

// Filled by QueryServiceConfig: the record at the start of the caller's buffer, its texts
// (UTF-8, NUL-terminated) after it in the same buffer.
struct QUERY_SERVICE_CONFIG {
    DWORD dwServiceType;
    DWORD dwStartType;
    DWORD dwErrorControl;
    char* lpBinaryPathName;     // the Windows path shown to users ("C:\ALERT\ALERT.EXE")
    char* lpLoadOrderGroup;     // ""
    DWORD dwTagId;
    char* lpDependencies;       // "" (double-NUL list, empty)
    char* lpServiceStartName;   // the account ("LocalSystem", ".\User", "DOMAIN\User")
    char* lpDisplayName;
};

// machine: empty for this computer; "NAME" or "\\NAME". 1722 for an unknown machine, 5 for a
// remote machine without a connection (World::CheckAccess).
SC_HANDLE OpenSCManager(const QString& machine, DWORD desiredAccess);
// 1060 when the machine has no service of that name.
SC_HANDLE OpenService(SC_HANDLE scManager, const QString& serviceName, DWORD desiredAccess);
BOOL CloseServiceHandle(SC_HANDLE handle);

BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status);
// bufSize bytes at config; too small: ERROR_INSUFFICIENT_BUFFER with *bytesNeeded set.
// config may be null with bufSize 0 to ask the size.
BOOL QueryServiceConfig(SC_HANDLE service, QUERY_SERVICE_CONFIG* config, DWORD bufSize,
                        DWORD* bytesNeeded);

// Starts `alertsvc --world W --machine M --service NAME` detached, found through
// VIGIMOR_ALERTSVC or beside the running executable (also ../bin of it). Returns once the
// process is launched; the status reads 2 (start pending) until the service reports.
// 1056 when it is not stopped, 1058 when disabled, 2 when the program cannot be started.
// Arguments are accepted and ignored, as the service takes none.
BOOL StartService(SC_HANDLE service, DWORD argc = 0, const char** argv = nullptr);

// Sends a control and waits (bounded, 30 s nominal, then 1053) until the service has taken
// it; *status is the status after that (a pending state for stop/pause/continue).
// 1062 when stopped, 1061 while starting or stopping, 1052 for a control the service does not
// accept in its current state (none are accepted during pause/continue pending).
BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status);

namespace Scm {

// The names the console looks for, in order.
inline constexpr const char* kAlertServiceName = "Alert Notification Server";
inline constexpr const char* kAlertServiceFallbackName = "Tessaly Alert Notification Server";

// Opens the alert service under its name, or under the older name when the first is not
// installed. Null with the last error set on failure.
SC_HANDLE OpenAlertService(SC_HANDLE scm, DWORD access);

// World administration (the world tool): install and remove a service on a machine. These do
// not need a connection to the machine. Names are 1-80 characters without NUL, control
// characters, '/' or '\'. Returns 0, 1722 unknown machine, 123 bad name, 1073 already
// installed (install), 1060 not installed (remove), 170 still running (remove).
struct ServiceDefinition {
    QString name;
    QString displayName;
    QString binaryPath;             // Windows path, e.g. "C:\ALERT\ALERT.EXE"
    DWORD startType = SERVICE_AUTO_START;
    QString account = QStringLiteral("LocalSystem");
};
DWORD InstallService(const QString& machine, const ServiceDefinition& definition);
DWORD RemoveService(const QString& machine, const QString& serviceName);

// The program StartService launches (empty when none is found).
QString ServiceProgram();

// ---- The service process's side ---------------------------------------------------------
// The running service registers itself (which takes the instance lock: a second process for
// the same machine and service is refused with 1056), reports its status, beats its heartbeat
// and takes control requests. The lock and the instance are released by CloseServiceInstance
// or when the process ends.

struct ServiceInstance;
using SERVICE_STATUS_HANDLE = ServiceInstance*;

// Null on failure with GetLastError(): 1722 unknown machine, 1060 not installed, 1056 another
// live instance holds the lock.
SERVICE_STATUS_HANDLE RegisterServiceInstance(const QString& machine, const QString& serviceName);
// Writes the status (atomically, under the state lock). heartbeatEveryMs is the real interval
// at which the caller promises ServiceHeartbeat; readers call the status stale after
// max(20 intervals, 3 s) without a beat.
BOOL SetServiceStatus(SERVICE_STATUS_HANDLE instance, const SERVICE_STATUS* status,
                      DWORD heartbeatEveryMs);
BOOL ServiceHeartbeat(SERVICE_STATUS_HANDLE instance);
// The pending control request (1-4), removed from the queue; 0 when none.
DWORD TakeServiceControl(SERVICE_STATUS_HANDLE instance);
void CloseServiceInstance(SERVICE_STATUS_HANDLE instance);

} // namespace Scm
