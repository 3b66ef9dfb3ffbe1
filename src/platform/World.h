#pragma once
// The world: one directory that holds every machine the console can reach.
//   <world>/network.json, <world>/machines/<NAME>/{machine.json,registry.reg,drives/<D>/...,scm/}
// Machine names are validated before they touch a path; an invalid name is an unknown machine.
#include "platform/WinTypes.h"
#include <QJsonObject>
#include <QString>
#include <functional>

namespace World {

// Root directory: VIGIMOR_WORLD, else $XDG_DATA_HOME/vigimor/world. SetRoot overrides it
// for the process (tests); an empty text returns to the environment's choice.
QString Root();
void SetRoot(const QString& root);

// This computer's name: VIGIMOR_COMPUTERNAME, else the host name upper-cased, cut to 15
// characters, characters outside A-Z 0-9 - _ replaced by '-'. SetComputerName overrides it.
QString ComputerName();
void SetComputerName(const QString& name);

// 1-15 characters of A-Z a-z 0-9 - _ . and not "." or "..".
bool IsValidMachineName(const QString& name);
// Canonical (upper-case) name, or empty when invalid.
QString CanonicalMachineName(const QString& name);
bool IsThisComputer(const QString& name);

// Folder of a machine, or empty when the name is invalid or the machine does not exist.
// This computer's folder is created on first use.
QString MachineDir(const QString& name);
bool MachineExists(const QString& name);
// Creates this computer's folder (machine.json, registry.reg, drives/C) when missing.
bool EnsureThisComputer();
// A machine's machine.json as an object; false when the machine is unknown or the file is
// missing, too large or not a JSON object.
bool ReadMachineJson(const QString& name, QJsonObject* out);

// Remote-access rule: a machine other than the one the calling code acts for is reachable only
// while the process holds a connection to one of its shares. The network layer installs the
// check; without one, every machine is reachable.
using AccessCheck = std::function<bool(const QString& machine)>;
void SetRemoteAccessCheck(AccessCheck check);
// The installed check (empty when none), so a caller can put it back after replacing it.
AccessCheck RemoteAccessCheck();
// 0 when the caller may touch machine's files or services, else ERROR_ACCESS_DENIED (5);
// 1722 for an unknown machine. LocalMachine() always passes, so code that serves a remote
// machine checks access before it scopes LocalMachine() to it.
DWORD CheckAccess(const QString& machine);

// The machine whose drive letters a bare "C:\X" path names: this computer for the console,
// the served machine inside alertsvc and tarnix calls. Thread-local, so a library call can
// scope it (see ScopedLocalMachine).
QString LocalMachine();
class ScopedLocalMachine {
public:
    explicit ScopedLocalMachine(const QString& machine);
    ~ScopedLocalMachine();
    ScopedLocalMachine(const ScopedLocalMachine&) = delete;
    ScopedLocalMachine& operator=(const ScopedLocalMachine&) = delete;
private:
    QString m_previous;
};

// Windows path -> host path inside the world. Accepts "C:\X" (on LocalMachine()),
// "\\NAME\C$\X", "\\NAME\ADMIN$\X" (= C:\WINDOWS\X) and "\\NAME\SHARE\X" for disk shares
// listed in machine.json. Components are matched case-insensitively against what exists;
// missing components keep the case given. "." and ".." components, NUL and control
// characters are refused, as are wildcards, components ending in '.' or ' ' (which Windows
// would silently strip) and drive-relative forms ("C:", "C:X", "\X"). Forward slashes count
// as backslashes; empty components are skipped. The drive's folder must exist. Returns 0 with
// *hostPath set, or a Windows error code: 3 bad path, 53 unknown machine, 67 unknown share,
// 5 no connection to a remote machine.
DWORD ResolvePath(const QString& windowsPath, QString* hostPath);
// Same, for a path known to be on the given machine ("C:\X" means that machine's drive C;
// the remote-access rule applies to it).
DWORD ResolvePathOn(const QString& machine, const QString& windowsPath, QString* hostPath);

} // namespace World
