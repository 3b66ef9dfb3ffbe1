#pragma once
// One machine's configuration store, as the library, the service and the world tool reach it.
// Files, all in the machine's Windows directory (C:\WINDOWS):
//   <APP>.ALT     application tables (AltTable.h); the default table is ALERT.ALT
//   ALACCT.DAT    the service account record (512 bytes)
//   ALNOTES.DAT   the Lotus Notes settings record (912 bytes)
//   ALSMTP.DAT    the SMTP settings record (1228 bytes)
//   ALSTATS.DAT   the statistics record (256 bytes, records/Statistics.h)
// The three settings files are "VSET", kind (uint16), 0 (uint16), size (uint32), the record,
// CRC-32. Every write takes the file's lock (records/StoreFile.h) and replaces it atomically.
#include "platform/WinTypes.h"
#include "platform/World.h"
#include "tarnix/AltTable.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

namespace Tarnix {

constexpr const char* kDefaultApplication = "Alert";
constexpr const char* kProductKey = "SOFTWARE\\Korvane\\ALERT\\CurrentVersion";

// Checks a machine argument: 0 with *canonical set, 1722 when missing, invalid or unknown,
// 5 when it is remote and this process holds no connection to it.
DWORD CheckMachine(const char* machine, QString* canonical);
DWORD CheckMachine(const QString& machine, QString* canonical);

// 1-8 characters of A-Z a-z 0-9 _ - ; compared without case.
bool IsValidApplicationName(const QByteArray& app);
bool IsValidApplicationName(const QString& app);

enum class SettingsKind : uint16_t { Account = 1, Notes = 2, Smtp = 3 };
int SettingsSize(SettingsKind kind);
// A settings file's bytes: 0 with the record, 13 when they are not a sound file of the kind.
DWORD ParseSettingsFile(SettingsKind kind, const QByteArray& data, QByteArray* record);
// The file around a record of the kind's size.
QByteArray SerializeSettingsFile(SettingsKind kind, const QByteArray& record);

struct ApplicationEntry {
    QByteArray name;          // upper case, as the table's file is named
    QByteArray displayName;
};

// Works on one machine that CheckMachine accepted; "C:\" means that machine's drive while the
// object lives.
class MachineStore {
public:
    explicit MachineStore(const QString& canonicalMachine);
    const QString& Machine() const { return m_machine; }

    // Host path of a file in the machine's Windows directory.
    DWORD WindowsFile(const QString& fileName, QString* hostPath) const;

    // 0, 2 when the table does not exist, 13 when it is damaged, 87 for a bad name.
    DWORD ReadTable(const QByteArray& app, AltTable* out) const;
    // Read-modify-write under the table's lock: change answers 0 to have the table written
    // (counter raised, time set) or a code to leave it alone. A missing table is created
    // (version 3, zero image) only when createMissing is set; else 2. A damaged table is never
    // overwritten (13).
    DWORD UpdateTable(const QByteArray& app, bool createMissing, const std::function<DWORD(AltTable&)>& change) const;
    // Writes a whole table (the world tool's installer); the counter continues from a readable
    // table already there.
    DWORD WriteTable(const QByteArray& app, AltTable table) const;
    // Every readable table but the default, sorted by name.
    DWORD ListApplications(QVector<ApplicationEntry>* out) const;

    // 0 with the record, 2 when nothing is stored, 13 when damaged.
    DWORD ReadSettings(SettingsKind kind, QByteArray* record) const;
    DWORD WriteSettings(SettingsKind kind, const QByteArray& record) const;

    DWORD StatisticsFile(QString* hostPath) const;

    // Directory values under <product key>\Path of the machine's registry ("Home", "EventLog",
    // "Log"); empty when missing.
    QString PathValue(const char* name) const;

private:
    QString m_machine;
    std::unique_ptr<World::ScopedLocalMachine> m_scope;
};

// State of the machine's alert service (either of its two names): 0 with *state, or the
// service control manager's code.
DWORD QueryAlertServiceState(const QString& machine, DWORD* state);
// Running or paused: the service process is up and answers.
bool AlertServiceUp(const QString& machine);
// machine.json's "olderService".
bool IsOlderServiceMachine(const QString& machine);

} // namespace Tarnix
