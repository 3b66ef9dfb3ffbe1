// The library's C entry points: argument checks, then the machine's store.
#include "extern/Tarnix.h"

#include "platform/GlobalMemory.h"
#include "platform/Registry.h"
#include "platform/ServiceControl.h"
#include "records/ByteField.h"
#include "records/MethodTable.h"
#include "records/Statistics.h"
#include "tarnix/MachineStore.h"
#include "tarnix/ServiceVersion.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cstring>

using namespace Tarnix;

namespace {

constexpr int32_t kFailed = 0;
constexpr int32_t kDone = 1;
constexpr size_t kAppArgLimit = 16;
constexpr size_t kRegNameLimit = 256;
constexpr size_t kRegTextLimit = 4096;

// Image fields each list's writer owns (offset, size).
constexpr int kTicketHeaderOffset = 0, kTicketHeaderSize = 73;
constexpr int kSubjectOffset = 566, kSubjectSize = 257;
constexpr int kAttachmentCountOffset = 1032;
constexpr int kAttachmentsOffset = 1036, kAttachmentSize = 256, kMaxAttachments = 10;
constexpr int kMailRegionEnd = kAttachmentsOffset + kMaxAttachments * kAttachmentSize;

// Runs a call so that nothing thrown inside escapes the library.
template <typename F>
int32_t Guarded(int32_t onThrow, F&& body)
{
    try {
        return body();
    } catch (...) {
        return onThrow;
    }
}

bool AppArg(const char* app, QByteArray* out)
{
    if (!app)
        return false;
    const size_t n = strnlen(app, kAppArgLimit);
    if (n >= kAppArgLimit)
        return false;
    const QByteArray name(app, static_cast<qsizetype>(n));
    if (!IsValidApplicationName(name))
        return false;
    *out = name;
    return true;
}

// Text fields must end inside their width; a record that runs past one is refused.
bool FieldsTerminated(const char* record, std::initializer_list<std::pair<int, int>> fields)
{
    for (const auto& [offset, width] : fields) {
        if (!Records::FieldTerminated(record + offset, width))
            return false;
    }
    return true;
}

// Subject, count and paths as laid out in a table image (or at the caller's two pointers).
bool MailAttributesValid(const char* subject, const char* countField)
{
    const uint16_t count = Records::U16At(countField);
    if (count > kMaxAttachments || !Records::FieldTerminated(subject, kSubjectSize))
        return false;
    const char* paths = countField + (kAttachmentsOffset - kAttachmentCountOffset);
    for (int i = 0; i < count; ++i) {
        if (!Records::FieldTerminated(paths + i * kAttachmentSize, kAttachmentSize))
            return false;
    }
    return true;
}

// The named table of a known machine, for the calls that answer only 1 or 0.
bool ReadAppTable(const char* machine, const char* app, AltTable* table)
{
    QString m;
    QByteArray a;
    if (CheckMachine(machine, &m) != 0 || !AppArg(app, &a))
        return false;
    return MachineStore(m).ReadTable(a, table) == 0;
}

int32_t GetList(const char* machine, int32_t* count, void** block, const char* app, ListKind kind)
{
    return Guarded(kFailed, [&]() -> int32_t {
        AltTable table;
        if (!count || !block || !ReadAppTable(machine, app, &table))
            return kFailed;
        const QByteArray& records = table.lists[kind];
        void* memory = nullptr;
        if (!records.isEmpty()) {
            memory = GlobalAlloc(GMEM_FIXED, static_cast<size_t>(records.size()));
            if (!memory)
                return kFailed;
            std::memcpy(memory, records.constData(), static_cast<size_t>(records.size()));
        }
        *count = static_cast<int32_t>(table.counts[kind]);
        *block = memory;
        return kDone;
    });
}

enum class ImagePart { None, Mail, TicketHeader };

int32_t SetList(const char* machine, int32_t count, void* block, const void* alStruct, uint8_t nonEmpty,
                const char* app, ListKind kind, ImagePart part)
{
    return Guarded(kFailed, [&]() -> int32_t {
        QString m;
        QByteArray a;
        if (CheckMachine(machine, &m) != 0 || !AppArg(app, &a))
            return kFailed;
        if (count < 0 || static_cast<uint32_t>(count) > kMaxListRecords || (nonEmpty != 0) != (count != 0))
            return kFailed;
        const size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(ListRecordSize(kind));
        if (count > 0 && (!block || GlobalSize(block) < bytes))
            return kFailed;
        QByteArray image;
        if (part != ImagePart::None) {
            if (!alStruct)
                return kFailed;
            image = QByteArray(static_cast<const char*>(alStruct), Records::kAlStructSize);
            const char* p = image.constData();
            if (part == ImagePart::Mail && !MailAttributesValid(p + kSubjectOffset, p + kAttachmentCountOffset))
                return kFailed;
            if (part == ImagePart::TicketHeader && !Records::FieldTerminated(p + kTicketHeaderOffset, kTicketHeaderSize))
                return kFailed;
        }
        const QByteArray records = count > 0 ? QByteArray(static_cast<const char*>(block), static_cast<qsizetype>(bytes))
                                             : QByteArray();
        MachineStore store(m);
        const DWORD rc = store.UpdateTable(a, true, [&](AltTable& table) {
            table.lists[kind] = records;
            table.counts[kind] = static_cast<uint32_t>(count);
            if (part == ImagePart::Mail)
                table.alStruct.replace(kSubjectOffset, kMailRegionEnd - kSubjectOffset,
                                       image.mid(kSubjectOffset, kMailRegionEnd - kSubjectOffset));
            else if (part == ImagePart::TicketHeader)
                table.alStruct.replace(kTicketHeaderOffset, kTicketHeaderSize,
                                       image.mid(kTicketHeaderOffset, kTicketHeaderSize));
            return DWORD(0);
        });
        return rc == 0 ? kDone : kFailed;
    });
}

int32_t GetSettings(const char* machine, void* record, SettingsKind kind)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        if (!record)
            return ERROR_INVALID_PARAMETER;
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        MachineStore store(m);
        QByteArray data;
        const DWORD rc = store.ReadSettings(kind, &data);
        if (rc == ERROR_FILE_NOT_FOUND) {
            std::memset(record, 0, static_cast<size_t>(SettingsSize(kind)));
            return ERROR_FILE_NOT_FOUND;
        }
        if (rc != 0)
            return static_cast<int32_t>(rc);
        std::memcpy(record, data.constData(), static_cast<size_t>(data.size()));
        return 0;
    });
}

bool SettingsRecordValid(const char* r, SettingsKind kind)
{
    switch (kind) {
    case SettingsKind::Account:
        return FieldsTerminated(r, {{0, 48}, {48, 48}, {96, 48}, {144, 48}, {192, 48}});
    case SettingsKind::Notes:
        return FieldsTerminated(r, {{0, 48}, {48, 48}, {96, 256}, {352, 256}, {608, 256}}) &&
               Records::U16At(r + 864) <= 1;
    case SettingsKind::Smtp:
        return FieldsTerminated(r, {{0, 256}, {256, 256}, {512, 256}, {768, 150}, {918, 50}}) &&
               Records::U32At(r + 968) <= 1 && Records::U32At(r + 972) <= 65535 && Records::U32At(r + 976) <= 2;
    }
    return false;
}

int32_t SetSettings(const char* machine, void* record, SettingsKind kind)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        if (!record)
            return ERROR_INVALID_PARAMETER;
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        const char* r = static_cast<const char*>(record);
        if (!SettingsRecordValid(r, kind))
            return ERROR_INVALID_PARAMETER;
        MachineStore store(m);
        return static_cast<int32_t>(store.WriteSettings(kind, QByteArray(r, SettingsSize(kind))));
    });
}

int32_t GetServicePath(const char* machine, char* path512, const char* valueName)
{
    return Guarded(kFailed, [&]() -> int32_t {
        if (!path512)
            return kFailed;
        QString m;
        if (CheckMachine(machine, &m) != 0 || !AlertServiceUp(m))
            return kFailed;
        MachineStore store(m);
        const QByteArray path = store.PathValue(valueName).toUtf8();
        if (path.isEmpty() || path.size() >= 512)
            return kFailed;
        Records::PutField(path512, 512, path);
        return kDone;
    });
}

bool RegNameArg(const char* text, QString* out)
{
    if (!text)
        return false;
    const size_t n = strnlen(text, kRegNameLimit);
    if (n == 0 || n >= kRegNameLimit)
        return false;
    const QString name = QString::fromUtf8(text, static_cast<qsizetype>(n));
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c == QLatin1Char('\\') || c == QLatin1Char('/'))
            return false;
    }
    *out = name;
    return true;
}

QString SectionKey(const QString& section)
{
    return QString::fromLatin1(kProductKey) + QLatin1Char('\\') + section;
}

bool AccountMatches(const QString& machine, const char* r)
{
    const QString domain = Records::FieldText(r, 48);
    const QString user = Records::FieldText(r + 48, 48);
    const QByteArray password = Records::FieldBytes(r + 96, 48);
    if (user.isEmpty())
        return false;
    QJsonObject json;
    if (!World::ReadMachineJson(machine, &json))
        return false;
    const QJsonArray accounts = json.value(QStringLiteral("accounts")).toArray();
    for (const QJsonValue& v : accounts) {
        const QJsonObject account = v.toObject();
        QString accountDomain = account.value(QStringLiteral("domain")).toString();
        // An account without a domain, and the domains "." and the machine's own name, all name
        // the machine's local accounts.
        auto local = [&machine](const QString& d) {
            return d.isEmpty() || d == QLatin1String(".") || d.compare(machine, Qt::CaseInsensitive) == 0;
        };
        const bool domainMatches = (local(domain) && local(accountDomain)) ||
                                   domain.compare(accountDomain, Qt::CaseInsensitive) == 0;
        if (domainMatches && user.compare(account.value(QStringLiteral("user")).toString(), Qt::CaseInsensitive) == 0 &&
            password == account.value(QStringLiteral("password")).toString().toUtf8())
            return true;
    }
    return false;
}

int32_t ControlAlertService(const char* machine, DWORD control)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        SC_HANDLE scm = OpenSCManager(m, SC_MANAGER_CONNECT);
        if (!scm)
            return static_cast<int32_t>(GetLastError());
        const DWORD access = control == 0 ? SERVICE_START
                             : control == SERVICE_CONTROL_STOP ? SERVICE_STOP
                                                               : SERVICE_PAUSE_CONTINUE;
        SC_HANDLE service = Scm::OpenAlertService(scm, access);
        DWORD rc = 0;
        if (!service) {
            rc = GetLastError();
        } else {
            SERVICE_STATUS status;
            const BOOL ok = control == 0 ? StartService(service) : ControlService(service, control, &status);
            if (!ok)
                rc = GetLastError();
            CloseServiceHandle(service);
        }
        CloseServiceHandle(scm);
        return static_cast<int32_t>(rc);
    });
}

} // namespace

extern "C" {

// A list's Get and Set entry points; the lists without image fields differ only by kind.
#define TARNIX_LIST_ENTRIES(Name, kind)                                                                      \
    int32_t AlertGet##Name(const char* machine, int32_t* count, void** block, const char* app)                \
    {                                                                                                         \
        return GetList(machine, count, block, app, kind);                                                     \
    }                                                                                                         \
    int32_t AlertSet##Name(const char* machine, int32_t count, void* block, uint8_t nonEmpty, const char* app) \
    {                                                                                                         \
        return SetList(machine, count, block, nullptr, nonEmpty, app, kind, ImagePart::None);                 \
    }

TARNIX_LIST_ENTRIES(Broadcast, BroadcastList)
TARNIX_LIST_ENTRIES(Pager, PagerList)
TARNIX_LIST_ENTRIES(SMTP, SmtpList)
TARNIX_LIST_ENTRIES(Snmp, SnmpList)
TARNIX_LIST_ENTRIES(EventLog, EventLogList)
TARNIX_LIST_ENTRIES(LotusNotes, NotesList)

#undef TARNIX_LIST_ENTRIES

int32_t AlertGetEMail(const char* machine, int32_t* count, void** block, const char* app)
{
    return GetList(machine, count, block, app, EmailList);
}
int32_t AlertGetTTixPRINTQ_HEADER(const char* machine, int32_t* count, void** block, const char* app)
{
    return GetList(machine, count, block, app, TicketList);
}
int32_t AlertSetEMail(const char* machine, int32_t count, void* block, const void* alStruct, uint8_t nonEmpty,
                      const char* app)
{
    return SetList(machine, count, block, alStruct, nonEmpty, app, EmailList, ImagePart::Mail);
}
int32_t AlertSetTTixPRINTQ_HEADER(const char* machine, int32_t count, void* block, const void* alStruct,
                                  uint8_t nonEmpty, const char* app)
{
    return SetList(machine, count, block, alStruct, nonEmpty, app, TicketList, ImagePart::TicketHeader);
}

int32_t AlertGetAccountInfo(const char* machine, void* record512)
{
    return GetSettings(machine, record512, SettingsKind::Account);
}
int32_t AlertSetAccountInfo(const char* machine, void* record512)
{
    return SetSettings(machine, record512, SettingsKind::Account);
}
int32_t AlertTestAccountInfo(const char* machine, void* record512)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        if (!record512)
            return ERROR_INVALID_PARAMETER;
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        const char* r = static_cast<const char*>(record512);
        if (!SettingsRecordValid(r, SettingsKind::Account))
            return ERROR_INVALID_PARAMETER;
        return AccountMatches(m, r) ? 0 : static_cast<int32_t>(ERROR_LOGON_FAILURE);
    });
}
int32_t AlertGetNotesAccountInfo(const char* machine, void* record912)
{
    return GetSettings(machine, record912, SettingsKind::Notes);
}
int32_t AlertSetNotesAccountInfo(const char* machine, void* record912)
{
    return SetSettings(machine, record912, SettingsKind::Notes);
}
int32_t AlertGetSMTPConfigInfo(const char* machine, void* record1228)
{
    return GetSettings(machine, record1228, SettingsKind::Smtp);
}
int32_t AlertSetSMTPConfigInfo(const char* machine, void* record1228)
{
    return SetSettings(machine, record1228, SettingsKind::Smtp);
}

int32_t AlertGetStatistics(const char* machine, void* record256)
{
    return Guarded(kFailed, [&]() -> int32_t {
        if (!record256)
            return kFailed;
        QString m;
        if (CheckMachine(machine, &m) != 0)
            return kFailed;
        MachineStore store(m);
        QString path;
        Records::Statistics stats;
        if (store.StatisticsFile(&path) != 0 || !Records::ReadStatistics(path, &stats))
            return kFailed;
        const QByteArray data = Records::SerializeStatistics(stats);
        std::memcpy(record256, data.constData(), Records::kStatisticsSize);
        return kDone;
    });
}

int32_t AlertGetMailAttributes(const char* machine, char* subject, uint16_t* attachmentCount, const char* app)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        if (!subject || !attachmentCount)
            return ERROR_INVALID_PARAMETER;
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        QByteArray a;
        if (!AppArg(app, &a))
            return ERROR_INVALID_PARAMETER;
        MachineStore store(m);
        AltTable table;
        if (const DWORD rc = store.ReadTable(a, &table))
            return static_cast<int32_t>(rc);
        const char* image = table.alStruct.constData();
        auto* countField = reinterpret_cast<char*>(attachmentCount);
        std::memcpy(subject, image + kSubjectOffset, kSubjectSize);
        std::memcpy(countField, image + kAttachmentCountOffset, 2);
        std::memcpy(countField + (kAttachmentsOffset - kAttachmentCountOffset), image + kAttachmentsOffset,
                    kMaxAttachments * kAttachmentSize);
        return 0;
    });
}

int32_t AlertSetMailAttributes(const char* machine, char* subject, uint16_t* attachmentCount, const char* app)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        if (!subject || !attachmentCount)
            return ERROR_INVALID_PARAMETER;
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        QByteArray a;
        if (!AppArg(app, &a))
            return ERROR_INVALID_PARAMETER;
        const auto* countField = reinterpret_cast<const char*>(attachmentCount);
        if (!MailAttributesValid(subject, countField))
            return ERROR_INVALID_PARAMETER;
        const QByteArray subjectBytes(subject, kSubjectSize);
        const QByteArray countBytes(countField, 2);
        const QByteArray paths(countField + (kAttachmentsOffset - kAttachmentCountOffset),
                               kMaxAttachments * kAttachmentSize);
        MachineStore store(m);
        return static_cast<int32_t>(store.UpdateTable(a, true, [&](AltTable& table) {
            table.alStruct.replace(kSubjectOffset, kSubjectSize, subjectBytes);
            table.alStruct.replace(kAttachmentCountOffset, 2, countBytes);
            table.alStruct.replace(kAttachmentsOffset, paths.size(), paths);
            return DWORD(0);
        }));
    });
}

int32_t AlertGetHomeDir(const char* machine, char* path512)
{
    return GetServicePath(machine, path512, "Home");
}
int32_t AlertGetHomeEventLog(const char* machine, char* path512)
{
    return GetServicePath(machine, path512, "EventLog");
}
int32_t AlertGetHomeLog(const char* machine, char* path512)
{
    return GetServicePath(machine, path512, "Log");
}

int32_t AlertGetALSTRUCTVer(const char* machine, int32_t* version, const char* app)
{
    return Guarded(kFailed, [&]() -> int32_t {
        AltTable table;
        if (!version || !ReadAppTable(machine, app, &table))
            return kFailed;
        *version = table.version;
        return kDone;
    });
}

int32_t AlertGetApplicationALT(const char* machine, int32_t* count, void** block)
{
    return Guarded(kFailed, [&]() -> int32_t {
        QString m;
        if (!count || !block || CheckMachine(machine, &m) != 0 || !AlertServiceUp(m))
            return kFailed;
        MachineStore store(m);
        QVector<ApplicationEntry> apps;
        if (store.ListApplications(&apps) != 0)
            return kFailed;
        void* memory = nullptr;
        if (!apps.isEmpty()) {
            memory = GlobalAlloc(GPTR, static_cast<size_t>(apps.size()) * TARNIX_APPLICATION_ENTRY);
            if (!memory)
                return kFailed;
            auto* p = static_cast<char*>(memory);
            for (const ApplicationEntry& e : apps) {
                Records::PutField(p, 128, e.name);
                Records::PutField(p + 128, 128, e.displayName);
                p += TARNIX_APPLICATION_ENTRY;
            }
        }
        *count = static_cast<int32_t>(apps.size());
        *block = memory;
        return kDone;
    });
}

int32_t AlertReadEverySetting(const char* machine, void* area12, void* area96, void* alStruct3944, const char* app)
{
    return Guarded(kFailed, [&]() -> int32_t {
        AltTable table;
        if (!alStruct3944 || !ReadAppTable(machine, app, &table))
            return kFailed;
        std::memcpy(alStruct3944, table.alStruct.constData(), Records::kAlStructSize);
        if (area12) {
            auto* p = static_cast<char*>(area12);
            Records::PutI32(p, table.version);
            Records::PutU32(p + 4, table.writeCounter);
            Records::PutU32(p + 8, table.TotalRecipients());
        }
        if (area96)
            Records::PutField(static_cast<char*>(area96), 96, table.displayName);
        return kDone;
    });
}

int32_t AlertGetCFGDate(const char* machine, const char* app, char* text256)
{
    return Guarded(kFailed, [&]() -> int32_t {
        AltTable table;
        if (!text256 || !ReadAppTable(machine, app, &table))
            return kFailed;
        Records::PutField(text256, 256, table.ChangeDate().toUtf8());
        return kDone;
    });
}

int32_t AlertGetServiceVersion(const char* machine, int32_t* major, int32_t* minor, int32_t* third, int32_t* fourth)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        if (!major || !minor || !third || !fourth)
            return ERROR_INVALID_PARAMETER;
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        if (!AlertServiceUp(m))
            return ERROR_SERVICE_NOT_ACTIVE;
        if (IsOlderServiceMachine(m))
            return kErrorNotSupported;
        MachineStore store(m);
        int32_t v[4] = {};
        if (const DWORD rc = ReadServiceVersion(store, v))
            return static_cast<int32_t>(rc);
        *major = v[0];
        *minor = v[1];
        *third = v[2];
        *fourth = v[3];
        return 0;
    });
}

int32_t AlertGetStringFromReg(const char* machine, const char* section, const char* value, char* buffer, int32_t size)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        QString s, v;
        if (!buffer || size <= 0 || !RegNameArg(section, &s) || !RegNameArg(value, &v))
            return ERROR_INVALID_PARAMETER;
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        QString text;
        if (!Registry::GetString(m, SectionKey(s), v, &text))
            return ERROR_FILE_NOT_FOUND;
        const QByteArray bytes = text.toUtf8();
        if (bytes.size() + 1 > size)
            return ERROR_MORE_DATA;
        std::memcpy(buffer, bytes.constData(), static_cast<size_t>(bytes.size()));
        buffer[bytes.size()] = '\0';
        return 0;
    });
}

int32_t AlertSetStringToReg(const char* machine, const char* section, const char* value, const char* text)
{
    return Guarded(ERROR_NOT_ENOUGH_MEMORY, [&]() -> int32_t {
        QString s, v;
        if (!text || !RegNameArg(section, &s) || !RegNameArg(value, &v))
            return ERROR_INVALID_PARAMETER;
        const size_t n = strnlen(text, kRegTextLimit);
        if (n >= kRegTextLimit)
            return ERROR_INVALID_PARAMETER;
        QString m;
        if (const DWORD rc = CheckMachine(machine, &m))
            return static_cast<int32_t>(rc);
        const QString key = SectionKey(s);
        if (const DWORD rc = Registry::CreateKey(m, key, QString()))
            return static_cast<int32_t>(rc);
        return static_cast<int32_t>(
            Registry::PutString(m, key, v, QString::fromUtf8(text, static_cast<qsizetype>(n))));
    });
}

int32_t AlertStartService(const char* machine, int32_t)
{
    return ControlAlertService(machine, 0);
}
int32_t AlertStopService(const char* machine, int32_t)
{
    return ControlAlertService(machine, SERVICE_CONTROL_STOP);
}
int32_t AlertPauseService(const char* machine, int32_t)
{
    return ControlAlertService(machine, SERVICE_CONTROL_PAUSE);
}
int32_t AlertContinueService(const char* machine, int32_t)
{
    return ControlAlertService(machine, SERVICE_CONTROL_CONTINUE);
}

} // extern "C"
