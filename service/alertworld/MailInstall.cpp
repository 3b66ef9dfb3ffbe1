#include "alertworld/MailInstall.h"

#include "platform/MailWorld.h"
#include "platform/Registry.h"
#include "platform/World.h"
#include "records/ByteField.h"
#include "records/StoreFile.h"
#include "tarnix/MachineStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace WorldTool {
namespace {

constexpr qint64 kMaxBookBytes = 1 << 20;
constexpr int kNotesSize = 912;
constexpr int kNotesPathOffset = 96;
constexpr int kNotesPathSize = 256;
constexpr int kNotesFlagOffset = 864;

// The stand-ins are built into lib/plugins beside the tools' bin folder; the package puts them
// in lib/vigimor/plugins.
QString BuildOf(const char* file)
{
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                     : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const QString base = QFileInfo(dir).isDir() ? dir : QFileInfo(dir).absolutePath();
    const QString built = QDir::cleanPath(base + QStringLiteral("/../lib/plugins/") + QString::fromLatin1(file));
    const QString packaged = QDir::cleanPath(base + QStringLiteral("/../lib/vigimor/plugins/") + QString::fromLatin1(file));
    return QFileInfo::exists(built) || !QFileInfo::exists(packaged) ? built : packaged;
}

DWORD HostPathOn(const QString& machine, const QString& windowsPath, QString* host, QString* error)
{
    if (const DWORD rc = World::ResolvePathOn(machine, windowsPath, host)) {
        *error = QStringLiteral("cannot reach %1 on %2 [%3]").arg(windowsPath, machine).arg(rc);
        return rc;
    }
    return 0;
}

DWORD Install(const QString& machine, const char* build, const char* windowsPath, QString* error)
{
    const QString from = BuildOf(build);
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the library %1 is not built").arg(from);
        return ERROR_FILE_NOT_FOUND;
    }
    QString to;
    if (const DWORD rc = HostPathOn(machine, QString::fromLatin1(windowsPath), &to, error))
        return rc;
    QDir().mkpath(QFileInfo(to).absolutePath());
    if (!Records::ReplaceFile(to, source.readAll())) {
        *error = QStringLiteral("cannot write %1").arg(to);
        return ERROR_ACCESS_DENIED;
    }
    return 0;
}

// Creates an empty book; an existing one is kept.
DWORD MakeBook(const QString& machine, const QString& windowsPath, QString* error)
{
    QString host;
    if (const DWORD rc = HostPathOn(machine, windowsPath, &host, error))
        return rc;
    if (QFileInfo::exists(host))
        return 0;
    QDir().mkpath(QFileInfo(host).absolutePath());
    if (!Records::ReplaceFile(host, QByteArray())) {
        *error = QStringLiteral("cannot write %1").arg(host);
        return ERROR_ACCESS_DENIED;
    }
    return 0;
}

QString NotesInstallPath(const QString& machine)
{
    QByteArray record;
    if (Tarnix::MachineStore(machine).ReadSettings(Tarnix::SettingsKind::Notes, &record) != 0 ||
        record.size() < kNotesSize)
        return QString();
    return Records::FieldText(record.constData() + kNotesPathOffset, kNotesPathSize).trimmed();
}

QString NotesBook(const QString& installPath)
{
    QString path = installPath;
    if (!path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    return path + QString::fromLatin1(MailWorld::kNotesBookFile);
}

QString OneLine(const QString& text)
{
    QString s = text;
    for (QChar& c : s) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    return s.trimmed();
}

bool Exists(const QString& machine, const QString& windowsPath)
{
    QString host;
    return World::ResolvePathOn(machine, windowsPath, &host) == 0 && QFileInfo(host).isFile();
}

} // namespace

DWORD InstallMailClient(const QString& machine, const MailClientOptions& options, QString* error)
{
    const World::ScopedLocalMachine scope(machine);
    const char* build = options.extended ? (options.exchange ? MailWorld::kExtendedExchangeBuild
                                                             : MailWorld::kExtendedMailBuild)
                                         : (options.exchange ? MailWorld::kSimpleExchangeBuild
                                                             : MailWorld::kSimpleMailBuild);
    if (const DWORD rc = Install(machine, build, MailWorld::kMailLibrary, error))
        return rc;
    if (const DWORD rc = MakeBook(machine, QString::fromLatin1(MailWorld::kMailBook), error))
        return rc;
    const QString key = QString::fromLatin1(MailWorld::kExchangeClientKey);
    const DWORD rc = options.exchange ? Registry::CreateKey(machine, key, QString())
                                      : (Registry::OpenKey(machine, key) == 0 ? Registry::DeleteKey(machine, key) : 0);
    if (rc != 0)
        *error = QStringLiteral("cannot change the registry of %1 [%2]").arg(machine).arg(rc);
    return rc;
}

DWORD InstallNotesClient(const QString& machine, const QString& installPath, QString* error)
{
    const World::ScopedLocalMachine scope(machine);
    const QString path = OneLine(installPath);
    if (path.isEmpty() || path.toUtf8().size() >= kNotesPathSize) {
        *error = QStringLiteral("bad installation path");
        return ERROR_INVALID_PARAMETER;
    }
    if (const DWORD rc = Install(machine, MailWorld::kNotesBuild, MailWorld::kNotesLibrary, error))
        return rc;
    if (const DWORD rc = MakeBook(machine, NotesBook(path), error))
        return rc;
    const Tarnix::MachineStore store(machine);
    QByteArray record;
    if (store.ReadSettings(Tarnix::SettingsKind::Notes, &record) != 0 || record.size() != kNotesSize) {
        // New settings mail with the client's own account.
        record = QByteArray(kNotesSize, '\0');
        Records::PutU16(record.data() + kNotesFlagOffset, 1);
    }
    Records::PutField(record.data() + kNotesPathOffset, kNotesPathSize, path.toUtf8());
    if (const DWORD rc = store.WriteSettings(Tarnix::SettingsKind::Notes, record)) {
        *error = QStringLiteral("cannot write the Notes settings of %1 [%2]").arg(machine).arg(rc);
        return rc;
    }
    return 0;
}

DWORD AddAddress(const QString& machine, const QString& book, const QString& name, const QString& address,
                 QString* error)
{
    const World::ScopedLocalMachine scope(machine);
    QString windowsPath;
    if (book == QLatin1String("mail")) {
        windowsPath = QString::fromLatin1(MailWorld::kMailBook);
    } else if (book == QLatin1String("notes")) {
        const QString install = NotesInstallPath(machine);
        if (install.isEmpty()) {
            *error = QStringLiteral("%1 has no Notes installation path").arg(machine);
            return ERROR_FILE_NOT_FOUND;
        }
        windowsPath = NotesBook(install);
    } else {
        *error = QStringLiteral("the book is mail or notes");
        return ERROR_INVALID_PARAMETER;
    }
    const QString n = OneLine(name);
    if (n.isEmpty() || n.startsWith(QLatin1Char('#'))) {
        *error = QStringLiteral("an entry needs a name");
        return ERROR_INVALID_PARAMETER;
    }
    QString host;
    if (const DWORD rc = HostPathOn(machine, windowsPath, &host, error))
        return rc;
    Records::FileLock lock(Records::LockPathFor(host));
    QByteArray data;
    QFile old(host);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly) || old.size() > kMaxBookBytes) {
            *error = QStringLiteral("cannot read %1").arg(host);
            return ERROR_INVALID_DATA;
        }
        data = old.readAll();
        if (!data.isEmpty() && !data.endsWith('\n'))
            data += '\n';
    }
    data += n.toUtf8() + '\t' + OneLine(address).toUtf8() + '\n';
    QDir().mkpath(QFileInfo(host).absolutePath());
    if (!lock.IsLocked() || !Records::ReplaceFile(host, data)) {
        *error = QStringLiteral("cannot write %1").arg(host);
        return ERROR_ACCESS_DENIED;
    }
    return 0;
}

QString DescribeMailClients(const QString& machine)
{
    const World::ScopedLocalMachine scope(machine);
    QString text;
    QTextStream out(&text);
    if (Exists(machine, QString::fromLatin1(MailWorld::kMailLibrary)))
        out << "Mail client installed"
            << (Registry::OpenKey(machine, QString::fromLatin1(MailWorld::kExchangeClientKey)) == 0 ? " (Exchange)" : "")
            << '\n';
    if (Exists(machine, QString::fromLatin1(MailWorld::kNotesLibrary))) {
        const QString install = NotesInstallPath(machine);
        out << "Notes client installed; installation "
            << (install.isEmpty() ? QStringLiteral("(none)") : install)
            << (!install.isEmpty() && Exists(machine, NotesBook(install)) ? "" : " (no address book there)") << '\n';
    }
    return text;
}

} // namespace WorldTool
