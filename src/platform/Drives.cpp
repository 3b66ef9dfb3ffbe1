#include "platform/Drives.h"

#include "platform/World.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QStringList>

namespace Files {

UINT GetDriveTypeOn(const QString& machine, const QString& rootPath)
{
    if (rootPath.size() != 3 || !rootPath[0].isLetter() || rootPath[0].unicode() > 0x7F ||
        rootPath[1] != QLatin1Char(':') || (rootPath[2] != QLatin1Char('\\') && rootPath[2] != QLatin1Char('/')))
        return DRIVE_NO_ROOT_DIR;
    if (World::CheckAccess(machine) != ERROR_SUCCESS)
        return DRIVE_UNKNOWN;
    const QString letter = rootPath.left(1).toUpper();
    QJsonObject info;
    World::ReadMachineJson(machine, &info);
    const QJsonObject types = info.value(QLatin1String("driveTypes")).toObject();
    for (auto it = types.begin(); it != types.end(); ++it) {
        if (it.key().compare(letter, Qt::CaseInsensitive) != 0)
            continue;
        static const QStringList names{QStringLiteral("unknown"), QStringLiteral("none"),
                                       QStringLiteral("removable"), QStringLiteral("fixed"),
                                       QStringLiteral("remote"), QStringLiteral("cdrom"),
                                       QStringLiteral("ramdisk")};
        const qsizetype type = names.indexOf(it.value().toString().toLower());
        return type < 0 ? DRIVE_UNKNOWN : UINT(type);
    }
    QString host;
    return World::ResolvePathOn(machine, letter + QStringLiteral(":\\"), &host) == 0 && QFileInfo(host).isDir()
               ? DRIVE_FIXED
               : DRIVE_NO_ROOT_DIR;
}

} // namespace Files

namespace World {

bool WindowsPathOf(const QString& machine, const QString& hostPath, QString* windowsPath)
{
    const QString dir = MachineDir(machine);
    if (dir.isEmpty() || hostPath.isEmpty())
        return false;
    const QString drives = QFileInfo(dir + QStringLiteral("/drives")).canonicalFilePath();
    const QString file = QFileInfo(hostPath).absoluteFilePath();
    const QString canonicalDir = QFileInfo(QFileInfo(file).absolutePath()).canonicalFilePath();
    if (drives.isEmpty() || canonicalDir.isEmpty())
        return false;
    const QString full = canonicalDir + QLatin1Char('/') + QFileInfo(file).fileName();
    if (!full.startsWith(drives + QLatin1Char('/')))
        return false;
    QStringList parts = full.mid(drives.size() + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.first().size() != 1 || !parts.first().at(0).isLetter() ||
        parts.first().at(0).unicode() >= 0x80)
        return false;
    // Names a Windows path could not carry have no Windows path.
    static const QString reserved = QStringLiteral("<>:\"|?*\\");
    for (const QString& part : parts.mid(1)) {
        for (QChar c : part) {
            if (c.unicode() < 0x20 || reserved.contains(c))
                return false;
        }
        if (part.endsWith(QLatin1Char('.')) || part.endsWith(QLatin1Char(' ')))
            return false;
    }
    const QString letter = parts.takeFirst().toUpper();
    if (windowsPath)
        *windowsPath = letter + QStringLiteral(":\\") + parts.join(QLatin1Char('\\'));
    return true;
}

} // namespace World
