#pragma once
// The drives of a world's machines: their types, and host paths inside them named the way the
// machine names them.
#include "platform/WinTypes.h"

#include <QString>

namespace Files {

// Drive types as GetDriveType answers them.
constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

// The type of a drive root ("C:\\") of a machine. A letter listed in the machine's
// machine.json under "driveTypes" ({"A": "removable", "Z": "remote", "E": "cdrom",
// "R": "ramdisk", "D": "fixed"}) has that type; any other letter with a folder under drives/
// is fixed; the rest, and anything that is not a drive root, has no root directory. A machine
// this process may not reach (or does not know) answers DRIVE_UNKNOWN.
UINT GetDriveTypeOn(const QString& machine, const QString& rootPath);

} // namespace Files

namespace World {

// The Windows path ("C:\\X\\Y") on machine of a host path inside one of its drives (as a
// host's file dialog answers). False for anything outside them.
bool WindowsPathOf(const QString& machine, const QString& hostPath, QString* windowsPath);

} // namespace World
