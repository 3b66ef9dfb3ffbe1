#include "tarnix/MachineStore.h"

#include "platform/Registry.h"
#include "platform/ServiceControl.h"
#include "records/ByteField.h"
#include "records/StoreFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <algorithm>
#include <cstring>

namespace Tarnix {

namespace {

constexpr qsizetype kMachineArgLimit = 64;

QString SettingsFileName(SettingsKind kind)
{
    switch (kind) {
    case SettingsKind::Account: return QStringLiteral("ALACCT.DAT");
    case SettingsKind::Notes: return QStringLiteral("ALNOTES.DAT");
    case SettingsKind::Smtp: return QStringLiteral("ALSMTP.DAT");
    }
    return QString();
}

QString TableFileName(const QByteArray& app)
{
    return QString::fromLatin1(app.toUpper()) + QStringLiteral(".ALT");
}

} // namespace

DWORD CheckMachine(const QString& machine, QString* canonical)
{
    const QString name = World::CanonicalMachineName(machine);
    if (name.isEmpty() || !World::MachineExists(name))
        return RPC_S_SERVER_UNAVAILABLE;
    const DWORD access = World::CheckAccess(name);
    if (access != 0)
        return access;
    *canonical = name;
    return 0;
}

DWORD CheckMachine(const char* machine, QString* canonical)
{
    if (!machine)
        return RPC_S_SERVER_UNAVAILABLE;
    const size_t n = strnlen(machine, kMachineArgLimit);
    if (n == 0 || n >= static_cast<size_t>(kMachineArgLimit))
        return RPC_S_SERVER_UNAVAILABLE;
    return CheckMachine(QString::fromUtf8(machine, static_cast<qsizetype>(n)), canonical);
}

bool IsValidApplicationName(const QByteArray& app)
{
    if (app.isEmpty() || app.size() > 8)
        return false;
    return std::all_of(app.cbegin(), app.cend(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

bool IsValidApplicationName(const QString& app)
{
    if (app.isEmpty() || app.size() > 8)
        return false;
    return std::all_of(app.cbegin(), app.cend(), [](QChar c) { return c.unicode() < 0x80; }) &&
           IsValidApplicationName(app.toLatin1());
}

int SettingsSize(SettingsKind kind)
{
    switch (kind) {
    case SettingsKind::Account: return 512;
    case SettingsKind::Notes: return 912;
    case SettingsKind::Smtp: return 1228;
    }
    return 0;
}

MachineStore::MachineStore(const QString& canonicalMachine)
    : m_machine(canonicalMachine)
    , m_scope(std::make_unique<World::ScopedLocalMachine>(canonicalMachine))
{
}

DWORD MachineStore::WindowsFile(const QString& fileName, QString* hostPath) const
{
    return World::ResolvePathOn(m_machine, QStringLiteral("C:\\WINDOWS\\") + fileName, hostPath);
}

DWORD MachineStore::ReadTable(const QByteArray& app, AltTable* out) const
{
    if (!IsValidApplicationName(app))
        return ERROR_INVALID_PARAMETER;
    QString path;
    if (const DWORD rc = WindowsFile(TableFileName(app), &path))
        return rc;
    if (!QFileInfo(path).isFile())
        return ERROR_FILE_NOT_FOUND;
    QByteArray data;
    if (!Records::ReadWholeFile(path, kMaxAltFileSize, &data))
        return ERROR_INVALID_DATA;
    return ParseAltTable(data, out) == ParseResult::Ok ? 0 : ERROR_INVALID_DATA;
}

DWORD MachineStore::UpdateTable(const QByteArray& app, bool createMissing,
                                const std::function<DWORD(AltTable&)>& change) const
{
    if (!IsValidApplicationName(app))
        return ERROR_INVALID_PARAMETER;
    QString path;
    if (const DWORD rc = WindowsFile(TableFileName(app), &path))
        return rc;
    Records::FileLock lock(Records::LockPathFor(path));
    if (!lock.IsLocked())
        return ERROR_BUSY;
    AltTable table;
    const DWORD read = ReadTable(app, &table);
    if (read == ERROR_FILE_NOT_FOUND) {
        if (!createMissing)
            return read;
        table = AltTable();
    } else if (read != 0) {
        return read;
    }
    if (const DWORD rc = change(table))
        return rc;
    ++table.writeCounter;
    table.writtenMs = QDateTime::currentMSecsSinceEpoch();
    return Records::ReplaceFile(path, SerializeAltTable(table)) ? 0 : ERROR_ACCESS_DENIED;
}

DWORD MachineStore::WriteTable(const QByteArray& app, AltTable table) const
{
    return UpdateTable(app, true, [&table](AltTable& stored) {
        const uint32_t counter = stored.writeCounter;
        stored = table;
        stored.writeCounter = counter;
        return DWORD(0);
    });
}

DWORD MachineStore::ListApplications(QVector<ApplicationEntry>* out) const
{
    QString dirPath;
    if (const DWORD rc = WindowsFile(QString(), &dirPath))
        return rc;
    QVector<ApplicationEntry> list;
    const QDir dir(dirPath);
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& file : files) {
        if (!file.endsWith(QStringLiteral(".ALT"), Qt::CaseInsensitive))
            continue;
        const QByteArray app = file.left(file.size() - 4).toLatin1();
        if (!IsValidApplicationName(app) || app.compare(kDefaultApplication, Qt::CaseInsensitive) == 0)
            continue;
        AltTable table;
        if (ReadTable(app, &table) != 0)
            continue;   // a damaged table is not offered
        list.append({app.toUpper(), table.displayName});
    }
    std::sort(list.begin(), list.end(), [](const ApplicationEntry& a, const ApplicationEntry& b) {
        return a.name < b.name;
    });
    *out = list;
    return 0;
}

DWORD ParseSettingsFile(SettingsKind kind, const QByteArray& data, QByteArray* record)
{
    const int size = SettingsSize(kind);
    if (size <= 0 || data.size() != 12 + size + 4)
        return ERROR_INVALID_DATA;
    const char* p = data.constData();
    if (!data.startsWith("VSET") || Records::U16At(p + 4) != static_cast<uint16_t>(kind) ||
        Records::U16At(p + 6) != 0 || Records::U32At(p + 8) != static_cast<uint32_t>(size) ||
        Records::Crc32(p, 12 + size) != Records::U32At(p + 12 + size))
        return ERROR_INVALID_DATA;
    *record = data.mid(12, size);
    return 0;
}

QByteArray SerializeSettingsFile(SettingsKind kind, const QByteArray& record)
{
    QByteArray data(12, '\0');
    std::copy_n("VSET", 4, data.data());
    Records::PutU16(data.data() + 4, static_cast<uint16_t>(kind));
    Records::PutU32(data.data() + 8, static_cast<uint32_t>(record.size()));
    data += record;
    QByteArray crc(4, '\0');
    Records::PutU32(crc.data(), Records::Crc32(data.constData(), data.size()));
    return data + crc;
}

DWORD MachineStore::ReadSettings(SettingsKind kind, QByteArray* record) const
{
    QString path;
    if (const DWORD rc = WindowsFile(SettingsFileName(kind), &path))
        return rc;
    if (!QFileInfo(path).isFile())
        return ERROR_FILE_NOT_FOUND;
    QByteArray data;
    if (!Records::ReadWholeFile(path, 12 + SettingsSize(kind) + 4, &data))
        return ERROR_INVALID_DATA;
    return ParseSettingsFile(kind, data, record);
}

DWORD MachineStore::WriteSettings(SettingsKind kind, const QByteArray& record) const
{
    const int size = SettingsSize(kind);
    if (record.size() != size)
        return ERROR_INVALID_PARAMETER;
    QString path;
    if (const DWORD rc = WindowsFile(SettingsFileName(kind), &path))
        return rc;
    const QByteArray data = SerializeSettingsFile(kind, record);
    Records::FileLock lock(Records::LockPathFor(path));
    if (!lock.IsLocked())
        return ERROR_BUSY;
    return Records::ReplaceFile(path, data) ? 0 : ERROR_ACCESS_DENIED;
}

DWORD MachineStore::StatisticsFile(QString* hostPath) const
{
    return WindowsFile(QStringLiteral("ALSTATS.DAT"), hostPath);
}

QString MachineStore::PathValue(const char* name) const
{
    QString value;
    if (!Registry::GetString(m_machine, QString::fromLatin1(kProductKey) + QStringLiteral("\\Path"),
                             QString::fromLatin1(name), &value))
        return QString();
    return value;
}

DWORD QueryAlertServiceState(const QString& machine, DWORD* state)
{
    SC_HANDLE scm = OpenSCManager(machine, SC_MANAGER_CONNECT);
    if (!scm)
        return GetLastError();
    SC_HANDLE service = Scm::OpenAlertService(scm, SERVICE_QUERY_STATUS);
    DWORD rc = 0;
    if (!service) {
        rc = GetLastError();
    } else {
        SERVICE_STATUS status;
        if (QueryServiceStatus(service, &status))
            *state = status.dwCurrentState;
        else
            rc = GetLastError();
        CloseServiceHandle(service);
    }
    CloseServiceHandle(scm);
    return rc;
}

bool AlertServiceUp(const QString& machine)
{
    DWORD state = 0;
    return QueryAlertServiceState(machine, &state) == 0 && (state == SERVICE_RUNNING || state == SERVICE_PAUSED);
}

bool IsOlderServiceMachine(const QString& machine)
{
    QJsonObject json;
    return World::ReadMachineJson(machine, &json) && json.value(QStringLiteral("olderService")).toBool(false);
}

} // namespace Tarnix
