#include "platform/World.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <mutex>
#include <dirent.h>
#include <sys/stat.h>

namespace World {
namespace {

constexpr int kMaxNameLength = 15;
constexpr int kMaxComponentLength = 255;
constexpr qint64 kMaxMachineJson = 1 << 20;

struct Settings {
    std::mutex lock;
    QString root;
    QString computerName;
    AccessCheck check;
};

Settings& State()
{
    static Settings settings;
    return settings;
}

thread_local QString t_localMachine;

// Host names become computer names the way the platform shortens them.
QString SanitizedName(const QString& raw)
{
    QString name = raw.toUpper();
    for (QChar& c : name) {
        const ushort u = c.unicode();
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' || u == '_';
        if (!ok)
            c = QLatin1Char('-');
    }
    name.truncate(kMaxNameLength);
    return name;
}

QString NameFromOverride(const QString& given)
{
    if (IsValidMachineName(given))
        return given.toUpper();
    const QString sanitized = SanitizedName(given);
    return sanitized.isEmpty() ? QString() : sanitized;
}

bool IsDriveLetter(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool HasControlCharacter(const QString& text)
{
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7F)
            return true;
    }
    return false;
}

// One component of a Windows path: no wildcards or reserved characters, not "." or "..",
// and no trailing dot or space (Windows strips those, which would alias another name).
bool IsValidComponent(const QString& part)
{
    if (part.isEmpty() || part.size() > kMaxComponentLength)
        return false;
    if (part == QLatin1String(".") || part == QLatin1String(".."))
        return false;
    if (HasControlCharacter(part))
        return false;
    static const QString reserved = QStringLiteral("<>:\"|?*/\\");
    for (QChar c : part) {
        if (reserved.contains(c))
            return false;
    }
    const QChar last = part.back();
    return last != QLatin1Char('.') && last != QLatin1Char(' ');
}

// Finds the entry of dir whose name equals part ignoring case: the exact name when it
// exists, else the first case-insensitive match in name order; empty when there is none.
QString MatchEntry(const QString& dir, const QString& part)
{
    const QByteArray exact = QFile::encodeName(dir + QLatin1Char('/') + part);
    struct stat st {};
    if (::lstat(exact.constData(), &st) == 0)
        return part;
    DIR* stream = ::opendir(QFile::encodeName(dir).constData());
    if (!stream)
        return QString();
    QString best;
    while (const dirent* entry = ::readdir(stream)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.size() != part.size() || name.compare(part, Qt::CaseInsensitive) != 0)
            continue;
        if (best.isEmpty() || name < best)
            best = name;
    }
    ::closedir(stream);
    return best;
}

// Appends validated components to base, matching existing entries case-insensitively;
// once a component is missing, the rest keep the case they were given.
DWORD WalkComponents(const QString& base, const QStringList& parts, QString* hostPath)
{
    QString current = base;
    bool existing = true;
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        if (!IsValidComponent(part))
            return ERROR_PATH_NOT_FOUND;
        QString name = part;
        if (existing) {
            const QString match = MatchEntry(current, part);
            if (match.isEmpty())
                existing = false;
            else
                name = match;
        }
        current += QLatin1Char('/') + name;
    }
    *hostPath = current;
    return ERROR_SUCCESS;
}

QStringList SplitRest(const QString& rest)
{
    return rest.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// "X:\rest" on the machine whose folder is machineDir.
DWORD ResolveDrivePath(const QString& machineDir, const QString& path, QString* hostPath)
{
    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != QLatin1Char(':')
        || path[2] != QLatin1Char('\\'))
        return ERROR_PATH_NOT_FOUND;
    const QString drive = machineDir + QStringLiteral("/drives/") + path[0].toUpper();
    if (!QFileInfo(drive).isDir())
        return ERROR_PATH_NOT_FOUND;
    return WalkComponents(drive, SplitRest(path.mid(3)), hostPath);
}

QString ShareDrivePath(const QString& machine, const QString& share)
{
    QJsonObject info;
    if (!ReadMachineJson(machine, &info))
        return QString();
    const QJsonArray shares = info.value(QLatin1String("shares")).toArray();
    for (const QJsonValue& value : shares) {
        const QJsonObject entry = value.toObject();
        if (entry.value(QLatin1String("type")).toString().compare(QLatin1String("disk"), Qt::CaseInsensitive) != 0)
            continue;
        if (entry.value(QLatin1String("name")).toString().compare(share, Qt::CaseInsensitive) == 0)
            return entry.value(QLatin1String("path")).toString();
    }
    return QString();
}

// Whether this process may reach a machine's files, as a path's error: denied, or no such
// network path for any other failure.
DWORD PathAccess(const QString& machine)
{
    const DWORD rc = CheckAccess(machine);
    if (rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED)
        return rc;
    return ERROR_BAD_NETPATH;
}

DWORD ResolveUnc(const QString& path, QString* hostPath)
{
    // path starts with two backslashes
    const int serverEnd = path.indexOf(QLatin1Char('\\'), 2);
    const QString server = path.mid(2, serverEnd < 0 ? -1 : serverEnd - 2);
    if (!IsValidMachineName(server))
        return ERROR_BAD_NETPATH;
    if (const DWORD rc = PathAccess(server))
        return rc;
    const QString machineDir = MachineDir(server);
    if (machineDir.isEmpty())
        return ERROR_BAD_NETPATH;
    if (serverEnd < 0)
        return ERROR_BAD_NET_NAME;
    const int shareEnd = path.indexOf(QLatin1Char('\\'), serverEnd + 1);
    const QString share = path.mid(serverEnd + 1, shareEnd < 0 ? -1 : shareEnd - serverEnd - 1);
    const QString rest = shareEnd < 0 ? QString() : path.mid(shareEnd + 1);
    if (share.isEmpty() || HasControlCharacter(share))
        return ERROR_BAD_NET_NAME;

    QString base;
    if (share.size() == 2 && IsDriveLetter(share[0]) && share[1] == QLatin1Char('$')) {
        base = machineDir + QStringLiteral("/drives/") + share[0].toUpper();
        if (!QFileInfo(base).isDir())
            return ERROR_BAD_NET_NAME;
    } else if (share.compare(QLatin1String("ADMIN$"), Qt::CaseInsensitive) == 0) {
        if (ResolveDrivePath(machineDir, QStringLiteral("C:\\WINDOWS"), &base) != ERROR_SUCCESS)
            return ERROR_BAD_NET_NAME;
    } else {
        QString target = ShareDrivePath(server, share);
        target.replace(QLatin1Char('/'), QLatin1Char('\\'));
        if (target.size() == 2)
            target += QLatin1Char('\\');
        if (target.isEmpty() || ResolveDrivePath(machineDir, target, &base) != ERROR_SUCCESS)
            return ERROR_BAD_NET_NAME;
    }
    return WalkComponents(base, SplitRest(rest), hostPath);
}

DWORD Resolve(const QString& machine, bool checkMachine, const QString& windowsPath, QString* hostPath)
{
    if (!hostPath)
        return ERROR_INVALID_PARAMETER;
    hostPath->clear();
    if (windowsPath.isEmpty() || windowsPath.contains(QChar(0)) || HasControlCharacter(windowsPath))
        return ERROR_PATH_NOT_FOUND;
    QString path = windowsPath;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));

    if (path.startsWith(QLatin1String("\\\\")))
        return ResolveUnc(path, hostPath);

    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != QLatin1Char(':')
        || path[2] != QLatin1Char('\\'))
        return ERROR_PATH_NOT_FOUND;
    if (checkMachine) {
        if (const DWORD rc = PathAccess(machine))
            return rc;
    }
    const QString machineDir = MachineDir(machine);
    if (machineDir.isEmpty())
        return ERROR_BAD_NETPATH;
    return ResolveDrivePath(machineDir, path, hostPath);
}

QByteArray DefaultMachineJson(const QString& name)
{
    QJsonObject account;
    account.insert(QLatin1String("domain"), name);
    account.insert(QLatin1String("user"), QStringLiteral("Administrator"));
    account.insert(QLatin1String("password"), QString());
    QJsonObject machine;
    machine.insert(QLatin1String("name"), name);
    machine.insert(QLatin1String("domain"), QStringLiteral("WORKGROUP"));
    machine.insert(QLatin1String("comment"), QString());
    machine.insert(QLatin1String("platformMajor"), 5);
    machine.insert(QLatin1String("platformMinor"), 0);
    machine.insert(QLatin1String("olderService"), false);
    machine.insert(QLatin1String("accounts"), QJsonArray{account});
    machine.insert(QLatin1String("shares"), QJsonArray());
    return QJsonDocument(machine).toJson(QJsonDocument::Indented);
}

} // namespace

QString Root()
{
    {
        std::lock_guard<std::mutex> guard(State().lock);
        if (!State().root.isEmpty())
            return State().root;
    }
    QString root = qEnvironmentVariable("VIGIMOR_WORLD");
    if (root.isEmpty()) {
        QString data = qEnvironmentVariable("XDG_DATA_HOME");
        if (data.isEmpty() || !QDir::isAbsolutePath(data))
            data = QDir::homePath() + QStringLiteral("/.local/share");
        root = data + QStringLiteral("/vigimor/world");
    }
    return QDir::cleanPath(QDir(root).absolutePath());
}

void SetRoot(const QString& root)
{
    std::lock_guard<std::mutex> guard(State().lock);
    State().root = root.isEmpty() ? QString() : QDir::cleanPath(QDir(root).absolutePath());
}

QString ComputerName()
{
    {
        std::lock_guard<std::mutex> guard(State().lock);
        if (!State().computerName.isEmpty())
            return State().computerName;
    }
    const QString fromEnv = NameFromOverride(qEnvironmentVariable("VIGIMOR_COMPUTERNAME"));
    if (!fromEnv.isEmpty())
        return fromEnv;
    QString host = SanitizedName(QHostInfo::localHostName().section(QLatin1Char('.'), 0, 0));
    return host.isEmpty() ? QStringLiteral("LOCALHOST") : host;
}

void SetComputerName(const QString& name)
{
    const QString canonical = NameFromOverride(name);
    std::lock_guard<std::mutex> guard(State().lock);
    State().computerName = canonical;
}

bool IsValidMachineName(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return false;
    bool onlyDots = true;
    for (QChar c : name) {
        const ushort u = c.unicode();
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
                        || u == '-' || u == '_' || u == '.';
        if (!ok)
            return false;
        if (u != '.')
            onlyDots = false;
    }
    return !onlyDots;
}

QString CanonicalMachineName(const QString& name)
{
    return IsValidMachineName(name) ? name.toUpper() : QString();
}

bool IsThisComputer(const QString& name)
{
    const QString canonical = CanonicalMachineName(name);
    return !canonical.isEmpty() && canonical == ComputerName();
}

QString MachineDir(const QString& name)
{
    const QString canonical = CanonicalMachineName(name);
    if (canonical.isEmpty())
        return QString();
    const QString dir = Root() + QStringLiteral("/machines/") + canonical;
    if (canonical == ComputerName()) {
        if (!EnsureThisComputer())
            return QString();
        return dir;
    }
    return QFileInfo(dir).isDir() ? dir : QString();
}

bool MachineExists(const QString& name)
{
    return !MachineDir(name).isEmpty();
}

bool EnsureThisComputer()
{
    const QString name = ComputerName();
    if (!IsValidMachineName(name))
        return false;
    const QString dir = Root() + QStringLiteral("/machines/") + name;
    const QString machineJson = dir + QStringLiteral("/machine.json");
    const QString registry = dir + QStringLiteral("/registry.reg");
    const QString windows = dir + QStringLiteral("/drives/C/WINDOWS");
    if (QFileInfo::exists(machineJson) && QFileInfo::exists(registry) && QFileInfo(dir + QStringLiteral("/drives/C")).isDir())
        return true;

    if (!QDir().mkpath(dir))
        return false;
    // drives/C/WINDOWS is only created with a fresh machine; a machine that has drive C
    // already decides for itself where its Windows folder is.
    if (!QFileInfo(dir + QStringLiteral("/drives/C")).isDir() && !QDir().mkpath(windows))
        return false;
    if (!QFileInfo::exists(machineJson)) {
        QSaveFile file(machineJson);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(DefaultMachineJson(name));
        // Another process may have created it meanwhile; both wrote the same defaults.
        if (!file.commit() && !QFileInfo::exists(machineJson))
            return false;
    }
    if (!QFileInfo::exists(registry)) {
        QFile file(registry);
        // NewOnly: never truncate a registry another process has just written.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(registry))
            return false;
    }
    return true;
}

bool ReadMachineJson(const QString& name, QJsonObject* out)
{
    const QString dir = MachineDir(name);
    if (dir.isEmpty() || !out)
        return false;
    QFile file(dir + QStringLiteral("/machine.json"));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxMachineJson)
        return false;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxMachineJson));
    if (!doc.isObject())
        return false;
    *out = doc.object();
    return true;
}

void SetRemoteAccessCheck(AccessCheck check)
{
    std::lock_guard<std::mutex> guard(State().lock);
    State().check = std::move(check);
}

AccessCheck RemoteAccessCheck()
{
    std::lock_guard<std::mutex> guard(State().lock);
    return State().check;
}

DWORD CheckAccess(const QString& machine)
{
    const QString canonical = CanonicalMachineName(machine);
    if (canonical.isEmpty() || !MachineExists(canonical))
        return RPC_S_SERVER_UNAVAILABLE;
    if (canonical == ComputerName() || canonical == LocalMachine().toUpper())
        return ERROR_SUCCESS;
    AccessCheck check;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        check = State().check;
    }
    if (!check)
        return ERROR_SUCCESS;
    return check(canonical) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

QString LocalMachine()
{
    return t_localMachine.isEmpty() ? ComputerName() : t_localMachine;
}

ScopedLocalMachine::ScopedLocalMachine(const QString& machine)
    : m_previous(t_localMachine)
{
    // An invalid name scopes to a machine that resolves nowhere, never to this computer.
    const QString canonical = CanonicalMachineName(machine);
    t_localMachine = canonical.isEmpty() ? QStringLiteral("?") : canonical;
}

ScopedLocalMachine::~ScopedLocalMachine()
{
    t_localMachine = m_previous;
}

DWORD ResolvePath(const QString& windowsPath, QString* hostPath)
{
    return Resolve(LocalMachine(), false, windowsPath, hostPath);
}

DWORD ResolvePathOn(const QString& machine, const QString& windowsPath, QString* hostPath)
{
    if (!IsValidMachineName(machine)) {
        if (hostPath)
            hostPath->clear();
        return ERROR_BAD_NETPATH;
    }
    return Resolve(CanonicalMachineName(machine), true, windowsPath, hostPath);
}

} // namespace World
