#include "platform/ServiceControl.h"

#include "platform/Timing.h"
#include "platform/World.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// Files of a machine's service control manager (machines/<M>/scm/):
//   services.json          {"services":[{"name","displayName","binaryPath","startType",
//                           "account","type"}]}, replaced atomically under services.lock
//   <svc>.state            {"state","pid","controls","exitCode","specificExitCode",
//                           "checkPoint","waitHint","heartbeatEvery","staleAfter","ack",
//                           "writer"}; the file's modification time is the heartbeat
//   <svc>.control          {"control","token"}: one pending request
//   <svc>.lock             serialises state writes and StartService
//   <svc>.ctl.lock         serialises control requests
//   <svc>.instance         held (flock) by the running service process for its whole life

namespace {

constexpr qint64 kMaxJsonBytes = 1 << 20;
constexpr int kMaxServiceNameLength = 80;
// Nominal bounds; the launch floor is real time because starting a process is not scaled.
constexpr DWORD kLaunchStaleNominalMs = 30000;
constexpr qint64 kLaunchStaleFloorMs = 5000;
constexpr DWORD kControlAckNominalMs = 30000;
constexpr DWORD kControlPollNominalMs = 10;

struct HandleEntry {
    bool isService = false;
    QString machine;    // canonical
    QString service;    // installed name
    DWORD access = 0;
};

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<quintptr, HandleEntry> entries;
    quintptr next = 1;
};

HandleTable& Handles()
{
    static HandleTable table;
    return table;
}

BOOL Fail(DWORD code)
{
    SetLastError(code);
    return BOOL(0);
}

bool LookupHandle(SC_HANDLE handle, HandleEntry* out)
{
    auto& t = Handles();
    std::lock_guard lock(t.mutex);
    auto it = t.entries.find(reinterpret_cast<quintptr>(handle));
    if (it == t.entries.end())
        return false;
    *out = it->second;
    return true;
}

SC_HANDLE NewHandle(HandleEntry entry)
{
    auto& t = Handles();
    std::lock_guard lock(t.mutex);
    const quintptr id = t.next++;
    t.entries.emplace(id, std::move(entry));
    return reinterpret_cast<SC_HANDLE>(id);
}

// "", "NAME" or "\\NAME" -> canonical name of an existing machine, or empty.
QString ResolveMachine(const QString& given)
{
    QString name = given;
    if (name.startsWith(QLatin1String("\\\\"))) {
        name = name.mid(2);
        if (name.isEmpty())
            return QString();
    }
    if (name.isEmpty())
        name = World::ComputerName();
    const QString canonical = World::CanonicalMachineName(name);
    if (canonical.isEmpty())
        return QString();
    if (World::IsThisComputer(canonical))
        World::EnsureThisComputer();
    return World::MachineExists(canonical) ? canonical : QString();
}

QString ScmDir(const QString& machine)
{
    const QString dir = World::MachineDir(machine);
    return dir.isEmpty() ? QString() : dir + QLatin1String("/scm");
}

bool IsValidServiceName(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxServiceNameLength)
        return false;
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == u'/' || c == u'\\')
            return false;
    }
    return true;
}

// File-safe key of an installed service name.
QString FileKey(const QString& name)
{
    QString key;
    for (char byte : name.toUtf8()) {
        const auto b = static_cast<unsigned char>(byte);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_'
            || b == '-')
            key += QChar(b);
        else
            key += QStringLiteral("%%1").arg(uint(b), 2, 16, QLatin1Char('0')).toUpper();
    }
    return key;
}

QByteArray ReadSmallFile(const QString& path, bool* exists = nullptr)
{
    QFile f(path);
    if (exists)
        *exists = f.exists();
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxJsonBytes)
        return QByteArray();
    return f.read(kMaxJsonBytes);
}

bool WriteAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

// An exclusive flock on a lock file, released when it goes out of scope.
class FileLock {
public:
    explicit FileLock(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Held() const { return m_fd >= 0; }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

// ---- services.json ----------------------------------------------------------------------

std::vector<Scm::ServiceDefinition> ParseServices(const QByteArray& bytes, bool* valid)
{
    std::vector<Scm::ServiceDefinition> out;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    *valid = error.error == QJsonParseError::NoError && doc.isObject();
    if (!*valid)
        return out;
    const QJsonValue list = doc.object().value(QLatin1String("services"));
    if (!list.isArray()) {
        *valid = list.isUndefined();
        return out;
    }
    for (const QJsonValue& v : list.toArray()) {
        if (!v.isObject())
            continue;
        const QJsonObject o = v.toObject();
        Scm::ServiceDefinition d;
        d.name = o.value(QLatin1String("name")).toString();
        if (!IsValidServiceName(d.name))
            continue;
        d.displayName = o.value(QLatin1String("displayName")).toString(d.name);
        d.binaryPath = o.value(QLatin1String("binaryPath")).toString();
        const int start = o.value(QLatin1String("startType")).toInt(int(SERVICE_DEMAND_START));
        d.startType = start >= 0 && start <= int(SERVICE_DISABLED) ? DWORD(start) : SERVICE_DEMAND_START;
        d.account = o.value(QLatin1String("account")).toString(QStringLiteral("LocalSystem"));
        out.push_back(std::move(d));
    }
    return out;
}

QByteArray SerializeServices(const std::vector<Scm::ServiceDefinition>& services)
{
    QJsonArray list;
    for (const auto& d : services) {
        QJsonObject o;
        o.insert(QLatin1String("name"), d.name);
        o.insert(QLatin1String("displayName"), d.displayName);
        o.insert(QLatin1String("binaryPath"), d.binaryPath);
        o.insert(QLatin1String("startType"), int(d.startType));
        o.insert(QLatin1String("account"), d.account);
        o.insert(QLatin1String("type"), int(SERVICE_WIN32_OWN_PROCESS));
        list.append(o);
    }
    QJsonObject root;
    root.insert(QLatin1String("services"), list);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::vector<Scm::ServiceDefinition> LoadServices(const QString& machine)
{
    bool valid = false;
    return ParseServices(ReadSmallFile(ScmDir(machine) + QLatin1String("/services.json")), &valid);
}

bool FindService(const QString& machine, const QString& name, Scm::ServiceDefinition* out)
{
    for (auto& d : LoadServices(machine)) {
        if (d.name.compare(name, Qt::CaseInsensitive) == 0) {
            *out = std::move(d);
            return true;
        }
    }
    return false;
}

// ---- state files ------------------------------------------------------------------------

QString StatePath(const QString& machine, const QString& service)
{
    return ScmDir(machine) + QLatin1Char('/') + FileKey(service) + QLatin1String(".state");
}
QString ControlPath(const QString& machine, const QString& service)
{
    return ScmDir(machine) + QLatin1Char('/') + FileKey(service) + QLatin1String(".control");
}
QString StateLockPath(const QString& machine, const QString& service)
{
    return ScmDir(machine) + QLatin1Char('/') + FileKey(service) + QLatin1String(".lock");
}
QString ControlLockPath(const QString& machine, const QString& service)
{
    return ScmDir(machine) + QLatin1Char('/') + FileKey(service) + QLatin1String(".ctl.lock");
}
QString InstancePath(const QString& machine, const QString& service)
{
    return ScmDir(machine) + QLatin1Char('/') + FileKey(service) + QLatin1String(".instance");
}

qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

bool ProcessAlive(qint64 pid)
{
    if (pid <= 0 || pid > 0x3FFFFFFF)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    // A zombie has ended; only its parent has not reaped it yet.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.read(512);
    const int close = text.lastIndexOf(')');
    if (close < 0 || close + 2 >= text.size())
        return true;
    const char state = text.at(close + 2);
    return state != 'Z' && state != 'X';
}

struct StoredState {
    SERVICE_STATUS status;
    QString ack;
};

SERVICE_STATUS StoppedStatus(DWORD exitCode)
{
    SERVICE_STATUS s;
    s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    s.dwCurrentState = SERVICE_STOPPED;
    s.dwWin32ExitCode = exitCode;
    return s;
}

// The status a reader sees: what the service wrote, unless its process is gone.
StoredState ReadState(const QString& machine, const QString& service)
{
    StoredState out{StoppedStatus(0), QString()};
    const QByteArray path = QFile::encodeName(StatePath(machine, service));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return out;
    struct stat st {};
    QByteArray bytes;
    if (::fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size <= 16384) {
        bytes.resize(qsizetype(st.st_size));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got);
    }
    ::close(fd);

    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return out;
    const QJsonObject o = doc.object();
    auto dword = [&o](const char* key) {
        const double v = o.value(QLatin1String(key)).toDouble(0);
        return v >= 0 && v <= 4294967295.0 ? DWORD(v) : DWORD(0);
    };
    const DWORD state = dword("state");
    if (state < SERVICE_STOPPED || state > SERVICE_PAUSED)
        return out;
    out.ack = o.value(QLatin1String("ack")).toString();
    if (state == SERVICE_STOPPED) {
        out.status.dwWin32ExitCode = dword("exitCode");
        out.status.dwServiceSpecificExitCode = dword("specificExitCode");
        return out;
    }

    const qint64 pid = qint64(o.value(QLatin1String("pid")).toDouble(0));
    const bool launcher = o.value(QLatin1String("writer")).toString() == QLatin1String("launcher");
    if (pid == 0 ? !launcher : !ProcessAlive(pid))
        return {StoppedStatus(ERROR_PROCESS_ABORTED), out.ack};
    const qint64 beat = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    const qint64 staleAfter = std::max<qint64>(qint64(o.value(QLatin1String("staleAfter")).toDouble(0)), 1000);
    const qint64 age = NowMs() - beat;
    if (age > staleAfter || age < -staleAfter)
        return {StoppedStatus(ERROR_PROCESS_ABORTED), out.ack};

    out.status.dwCurrentState = state;
    out.status.dwControlsAccepted = dword("controls") & (SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE);
    out.status.dwWin32ExitCode = dword("exitCode");
    out.status.dwServiceSpecificExitCode = dword("specificExitCode");
    out.status.dwCheckPoint = dword("checkPoint");
    out.status.dwWaitHint = dword("waitHint");
    return out;
}

bool WriteState(const QString& machine, const QString& service, const SERVICE_STATUS& s,
                qint64 pid, qint64 staleAfter, DWORD heartbeatEvery, const QString& writer,
                const QString& ack)
{
    QJsonObject o;
    o.insert(QLatin1String("state"), double(s.dwCurrentState));
    o.insert(QLatin1String("pid"), double(pid));
    o.insert(QLatin1String("controls"), double(s.dwControlsAccepted));
    o.insert(QLatin1String("exitCode"), double(s.dwWin32ExitCode));
    o.insert(QLatin1String("specificExitCode"), double(s.dwServiceSpecificExitCode));
    o.insert(QLatin1String("checkPoint"), double(s.dwCheckPoint));
    o.insert(QLatin1String("waitHint"), double(s.dwWaitHint));
    o.insert(QLatin1String("heartbeatEvery"), double(heartbeatEvery));
    o.insert(QLatin1String("staleAfter"), double(staleAfter));
    o.insert(QLatin1String("writer"), writer);
    if (!ack.isEmpty())
        o.insert(QLatin1String("ack"), ack);
    // No folder is created here: a machine removed from the world stays removed.
    return WriteAtomically(StatePath(machine, service), QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QString ExecutableDir()
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    return QFileInfo(self.canonicalFilePath()).absolutePath();
}

bool IsExecutableFile(const QString& path)
{
    const QFileInfo fi(path);
    return fi.isFile() && fi.isExecutable();
}

} // namespace

// ---- the manager ------------------------------------------------------------------------

SC_HANDLE OpenSCManager(const QString& machine, DWORD desiredAccess)
{
    const QString canonical = ResolveMachine(machine);
    if (canonical.isEmpty()) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return nullptr;
    }
    if (const DWORD access = World::CheckAccess(canonical); access != 0) {
        SetLastError(access);
        return nullptr;
    }
    HandleEntry e;
    e.machine = canonical;
    e.access = desiredAccess;
    SetLastError(0);
    return NewHandle(std::move(e));
}

SC_HANDLE OpenService(SC_HANDLE scManager, const QString& serviceName, DWORD desiredAccess)
{
    HandleEntry manager;
    if (!LookupHandle(scManager, &manager) || manager.isService) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!IsValidServiceName(serviceName)) {
        SetLastError(serviceName.isEmpty() ? ERROR_INVALID_NAME : ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    Scm::ServiceDefinition d;
    if (!FindService(manager.machine, serviceName, &d)) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    HandleEntry e;
    e.isService = true;
    e.machine = manager.machine;
    e.service = d.name;
    e.access = desiredAccess;
    SetLastError(0);
    return NewHandle(std::move(e));
}

BOOL CloseServiceHandle(SC_HANDLE handle)
{
    auto& t = Handles();
    std::lock_guard lock(t.mutex);
    if (t.entries.erase(reinterpret_cast<quintptr>(handle)) == 0)
        return Fail(ERROR_INVALID_HANDLE);
    SetLastError(0);
    return BOOL(1);
}

namespace {

bool ServiceHandle(SC_HANDLE handle, DWORD needed, HandleEntry* out)
{
    if (!LookupHandle(handle, out) || !out->isService) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if ((out->access & needed) != needed) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

} // namespace

BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status)
{
    HandleEntry e;
    if (!ServiceHandle(service, SERVICE_QUERY_STATUS, &e))
        return BOOL(0);
    if (!status)
        return Fail(ERROR_INVALID_PARAMETER);
    *status = ReadState(e.machine, e.service).status;
    SetLastError(0);
    return BOOL(1);
}

BOOL QueryServiceConfig(SC_HANDLE service, QUERY_SERVICE_CONFIG* config, DWORD bufSize,
                        DWORD* bytesNeeded)
{
    HandleEntry e;
    if (!ServiceHandle(service, SERVICE_QUERY_CONFIG, &e))
        return BOOL(0);
    if (!bytesNeeded)
        return Fail(ERROR_INVALID_PARAMETER);
    Scm::ServiceDefinition d;
    if (!FindService(e.machine, e.service, &d))
        return Fail(ERROR_SERVICE_DOES_NOT_EXIST);

    const QByteArray binary = d.binaryPath.toUtf8();
    const QByteArray account = d.account.toUtf8();
    const QByteArray display = d.displayName.toUtf8();
    // Texts follow the record: binary, group "", dependencies "" + list end, account, display.
    const size_t textBytes = size_t(binary.size()) + 1 + 1 + 2 + size_t(account.size()) + 1
                             + size_t(display.size()) + 1;
    const size_t needed = sizeof(QUERY_SERVICE_CONFIG) + textBytes;
    *bytesNeeded = DWORD(needed);
    if (!config || bufSize < needed)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (reinterpret_cast<uintptr_t>(config) % alignof(QUERY_SERVICE_CONFIG) != 0)
        return Fail(ERROR_INVALID_PARAMETER);

    char* text = reinterpret_cast<char*>(config) + sizeof(QUERY_SERVICE_CONFIG);
    auto put = [&text](const QByteArray& s, size_t extraNuls) {
        char* start = text;
        std::memcpy(text, s.constData(), size_t(s.size()));
        text += s.size();
        for (size_t i = 0; i < 1 + extraNuls; ++i)
            *text++ = '\0';
        return start;
    };
    config->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    config->dwStartType = d.startType;
    config->dwErrorControl = SERVICE_ERROR_NORMAL;
    config->dwTagId = 0;
    config->lpBinaryPathName = put(binary, 0);
    config->lpLoadOrderGroup = put(QByteArray(), 0);
    config->lpDependencies = put(QByteArray(), 1);
    config->lpServiceStartName = put(account, 0);
    config->lpDisplayName = put(display, 0);
    SetLastError(0);
    return BOOL(1);
}

BOOL StartService(SC_HANDLE service, DWORD, const char**)
{
    HandleEntry e;
    if (!ServiceHandle(service, SERVICE_START, &e))
        return BOOL(0);
    Scm::ServiceDefinition d;
    if (!FindService(e.machine, e.service, &d))
        return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
    if (d.startType == SERVICE_DISABLED)
        return Fail(ERROR_SERVICE_DISABLED);

    QDir().mkpath(ScmDir(e.machine));
    FileLock lock(StateLockPath(e.machine, e.service));
    if (!lock.Held())
        return Fail(ERROR_ACCESS_DENIED);
    if (ReadState(e.machine, e.service).status.dwCurrentState != SERVICE_STOPPED)
        return Fail(ERROR_SERVICE_ALREADY_RUNNING);
    const QString program = Scm::ServiceProgram();
    if (program.isEmpty())
        return Fail(ERROR_FILE_NOT_FOUND);

    // A request left by an instance that died must not reach the new one.
    QFile::remove(ControlPath(e.machine, e.service));

    SERVICE_STATUS pending;
    pending.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    pending.dwCurrentState = SERVICE_START_PENDING;
    pending.dwWaitHint = Timing::Scaled(kLaunchStaleNominalMs);
    const qint64 staleAfter = std::max<qint64>(Timing::Scaled(kLaunchStaleNominalMs), kLaunchStaleFloorMs);
    const QString launcher = QStringLiteral("launcher");
    if (!WriteState(e.machine, e.service, pending, 0, staleAfter, 0, launcher, QString()))
        return Fail(ERROR_ACCESS_DENIED);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIGIMOR_WORLD"), World::Root());
    env.insert(QStringLiteral("VIGIMOR_COMPUTERNAME"), e.machine);
    env.insert(QStringLiteral("VIGIMOR_TIME_SCALE"), QString::number(Timing::Scale(), 'g', 17));
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("--world"), World::Root(), QStringLiteral("--machine"),
                          e.machine, QStringLiteral("--service"), e.service});
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(World::Root());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid) || pid <= 0) {
        WriteState(e.machine, e.service, StoppedStatus(ERROR_FILE_NOT_FOUND), 0, 0, 0, launcher, QString());
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    WriteState(e.machine, e.service, pending, pid, staleAfter, 0, launcher, QString());
    SetLastError(0);
    return BOOL(1);
}

BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status)
{
    DWORD needed = 0;
    switch (control) {
    case SERVICE_CONTROL_STOP: needed = SERVICE_STOP; break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE: needed = SERVICE_PAUSE_CONTINUE; break;
    case SERVICE_CONTROL_INTERROGATE: needed = SERVICE_INTERROGATE; break;
    default: return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!status)
        return Fail(ERROR_INVALID_PARAMETER);
    HandleEntry e;
    if (!ServiceHandle(service, needed, &e))
        return BOOL(0);

    // One request at a time per service, across processes: a second one would replace the
    // first before the service took it.
    QDir().mkpath(ScmDir(e.machine));
    FileLock controlLock(ControlLockPath(e.machine, e.service));
    StoredState current = ReadState(e.machine, e.service);
    *status = current.status;
    switch (current.status.dwCurrentState) {
    case SERVICE_STOPPED: return Fail(ERROR_SERVICE_NOT_ACTIVE);
    case SERVICE_START_PENDING:
    case SERVICE_STOP_PENDING: return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    default: break;
    }
    if (control == SERVICE_CONTROL_INTERROGATE) {
        SetLastError(0);
        return BOOL(1);
    }
    const DWORD acceptBit = control == SERVICE_CONTROL_STOP ? SERVICE_ACCEPT_STOP : SERVICE_ACCEPT_PAUSE_CONTINUE;
    if (!(current.status.dwControlsAccepted & acceptBit))
        return Fail(ERROR_INVALID_SERVICE_CONTROL);

    const QString token = QString::number(QRandomGenerator::global()->generate64(), 16);
    QJsonObject request;
    request.insert(QLatin1String("control"), double(control));
    request.insert(QLatin1String("token"), token);
    const QString controlPath = ControlPath(e.machine, e.service);
    if (!WriteAtomically(controlPath, QJsonDocument(request).toJson(QJsonDocument::Compact)))
        return Fail(ERROR_ACCESS_DENIED);

    // The service acknowledges a request by writing its token with the status it reports
    // for it (the pending state of the transition).
    const uint64_t deadline = Timing::TickCount() + Timing::Scaled(kControlAckNominalMs);
    for (;;) {
        current = ReadState(e.machine, e.service);
        if (current.ack == token) {
            *status = current.status;
            SetLastError(0);
            return BOOL(1);
        }
        if (current.status.dwCurrentState == SERVICE_STOPPED) {
            *status = current.status;
            QFile::remove(controlPath);
            return Fail(ERROR_SERVICE_NOT_ACTIVE);
        }
        if (Timing::TickCount() >= deadline)
            break;
        Timing::Sleep(kControlPollNominalMs);
    }
    // Withdraw the request if it is still ours, so it does not act after we reported failure.
    const QJsonDocument left = QJsonDocument::fromJson(ReadSmallFile(controlPath));
    if (left.isObject() && left.object().value(QLatin1String("token")).toString() == token)
        QFile::remove(controlPath);
    *status = current.status;
    return Fail(ERROR_SERVICE_REQUEST_TIMEOUT);
}

namespace Scm {

SC_HANDLE OpenAlertService(SC_HANDLE scm, DWORD access)
{
    SC_HANDLE service = OpenService(scm, QString::fromLatin1(kAlertServiceName), access);
    if (!service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
        service = OpenService(scm, QString::fromLatin1(kAlertServiceFallbackName), access);
    return service;
}

// ---- world administration ---------------------------------------------------------------

DWORD InstallService(const QString& machine, const ServiceDefinition& definition)
{
    const QString canonical = ResolveMachine(machine);
    if (canonical.isEmpty())
        return RPC_S_SERVER_UNAVAILABLE;
    if (!IsValidServiceName(definition.name))
        return ERROR_INVALID_NAME;
    if (definition.startType > SERVICE_DISABLED)
        return ERROR_INVALID_PARAMETER;
    const QString dir = ScmDir(canonical);
    if (!QDir().mkpath(dir))
        return ERROR_ACCESS_DENIED;
    FileLock lock(dir + QLatin1String("/services.lock"));
    if (!lock.Held())
        return ERROR_ACCESS_DENIED;
    const QString path = dir + QLatin1String("/services.json");
    bool exists = false;
    const QByteArray bytes = ReadSmallFile(path, &exists);
    bool valid = false;
    std::vector<ServiceDefinition> services = ParseServices(bytes, &valid);
    if (exists && !valid) {
        // Keep what could not be read instead of silently writing over it.
        for (int n = 1; n < 1000; ++n) {
            const QString keep = path + QStringLiteral(".unreadable-%1").arg(n);
            if (!QFile::exists(keep)) {
                QFile::rename(path, keep);
                break;
            }
        }
    }
    for (const auto& d : services) {
        if (d.name.compare(definition.name, Qt::CaseInsensitive) == 0)
            return ERROR_SERVICE_EXISTS;
    }
    ServiceDefinition added = definition;
    if (added.displayName.isEmpty())
        added.displayName = added.name;
    services.push_back(added);
    return WriteAtomically(path, SerializeServices(services)) ? 0 : ERROR_ACCESS_DENIED;
}

DWORD RemoveService(const QString& machine, const QString& serviceName)
{
    const QString canonical = ResolveMachine(machine);
    if (canonical.isEmpty())
        return RPC_S_SERVER_UNAVAILABLE;
    const QString dir = ScmDir(canonical);
    FileLock lock(dir + QLatin1String("/services.lock"));
    if (!lock.Held())
        return ERROR_SERVICE_DOES_NOT_EXIST;
    std::vector<ServiceDefinition> services = LoadServices(canonical);
    auto it = std::find_if(services.begin(), services.end(), [&](const ServiceDefinition& d) {
        return d.name.compare(serviceName, Qt::CaseInsensitive) == 0;
    });
    if (it == services.end())
        return ERROR_SERVICE_DOES_NOT_EXIST;
    const QString name = it->name;
    if (ReadState(canonical, name).status.dwCurrentState != SERVICE_STOPPED)
        return ERROR_BUSY;
    services.erase(it);
    if (!WriteAtomically(dir + QLatin1String("/services.json"), SerializeServices(services)))
        return ERROR_ACCESS_DENIED;
    QFile::remove(StatePath(canonical, name));
    QFile::remove(ControlPath(canonical, name));
    return 0;
}

QString ServiceProgram()
{
    const QString given = qEnvironmentVariable("VIGIMOR_ALERTSVC");
    if (!given.isEmpty())
        return IsExecutableFile(given) ? QFileInfo(given).absoluteFilePath() : QString();
    const QString dir = ExecutableDir();
    for (const QString& candidate : {dir + QLatin1String("/alertsvc"), dir + QLatin1String("/../bin/alertsvc")}) {
        if (IsExecutableFile(candidate))
            return QFileInfo(candidate).canonicalFilePath();
    }
    return QString();
}

// ---- the service process's side ---------------------------------------------------------

struct ServiceInstance {
    QString machine;
    QString service;
    int lockFd = -1;
    QString lastToken;
};

SERVICE_STATUS_HANDLE RegisterServiceInstance(const QString& machine, const QString& serviceName)
{
    const QString canonical = ResolveMachine(machine);
    if (canonical.isEmpty()) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return nullptr;
    }
    ServiceDefinition d;
    if (!IsValidServiceName(serviceName) || !FindService(canonical, serviceName, &d)) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    QDir().mkpath(ScmDir(canonical));
    const QByteArray path = QFile::encodeName(InstancePath(canonical, d.name));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    int rc;
    while ((rc = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        ::close(fd);
        SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
        return nullptr;
    }
    auto* instance = new ServiceInstance{canonical, d.name, fd, QString()};
    SetLastError(0);
    return instance;
}

BOOL SetServiceStatus(SERVICE_STATUS_HANDLE instance, const SERVICE_STATUS* status,
                      DWORD heartbeatEveryMs)
{
    if (!instance || !status)
        return Fail(ERROR_INVALID_PARAMETER);
    if (status->dwCurrentState < SERVICE_STOPPED || status->dwCurrentState > SERVICE_PAUSED)
        return Fail(ERROR_INVALID_DATA);
    const qint64 staleAfter = std::max<qint64>(qint64(heartbeatEveryMs) * 20, 3000);
    FileLock lock(StateLockPath(instance->machine, instance->service));
    const bool ok = WriteState(instance->machine, instance->service, *status, qint64(::getpid()),
                               staleAfter, heartbeatEveryMs, QStringLiteral("service"),
                               instance->lastToken);
    return ok ? (SetLastError(0), BOOL(1)) : Fail(ERROR_ACCESS_DENIED);
}

BOOL ServiceHeartbeat(SERVICE_STATUS_HANDLE instance)
{
    if (!instance)
        return Fail(ERROR_INVALID_PARAMETER);
    const QByteArray path = QFile::encodeName(StatePath(instance->machine, instance->service));
    if (::utimensat(AT_FDCWD, path.constData(), nullptr, 0) != 0)
        return Fail(ERROR_FILE_NOT_FOUND);
    SetLastError(0);
    return BOOL(1);
}

DWORD TakeServiceControl(SERVICE_STATUS_HANDLE instance)
{
    if (!instance)
        return 0;
    const QString path = ControlPath(instance->machine, instance->service);
    // Renaming takes exactly the request that is there; one written later stays queued.
    const QString taken = path + QStringLiteral(".taken-%1").arg(::getpid());
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(taken).constData()) != 0)
        return 0;
    const QJsonDocument doc = QJsonDocument::fromJson(ReadSmallFile(taken));
    QFile::remove(taken);
    if (!doc.isObject())
        return 0;
    const double control = doc.object().value(QLatin1String("control")).toDouble(0);
    if (control < SERVICE_CONTROL_STOP || control > SERVICE_CONTROL_INTERROGATE)
        return 0;
    instance->lastToken = doc.object().value(QLatin1String("token")).toString().left(64);
    return DWORD(control);
}

void CloseServiceInstance(SERVICE_STATUS_HANDLE instance)
{
    if (!instance)
        return;
    if (instance->lockFd >= 0)
        ::close(instance->lockFd);
    delete instance;
}

} // namespace Scm
