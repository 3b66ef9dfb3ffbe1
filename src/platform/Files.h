#pragma once
// Files by Windows path: size and last-write time, find-first/find-next over "*.EXE"-style
// patterns and temporary file names. Paths resolve in the world (World::ResolvePath), so
// remote files are reached through their shares and the remote-access rule.
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

namespace Files {

struct FileStatus {
    qint64 size = 0;
    qint64 lastWriteTime = 0;  // seconds since 1970 (UTC), as the C runtime's st_mtime
    qint64 lastWriteNs = 0;    // the same instant in nanoseconds, to tell apart writes within a second
    bool directory = false;
};

// 0; ERROR_FILE_NOT_FOUND when the file is missing, ERROR_PATH_NOT_FOUND when its folder is;
// or the code of the path's resolution (3, 5, 53, 67).
DWORD Stat(const QString& windowsPath, FileStatus* status);
DWORD GetFileSize(const QString& windowsPath, qint64* size);
DWORD GetLastWriteTime(const QString& windowsPath, qint64* secondsSince1970);

// Windows wildcard match of one name, ignoring case: '*' any run, '?' one character;
// a pattern ending in ".*" also matches names without an extension ("*.*" matches all).
bool MatchesPattern(const QString& pattern, const QString& name);

struct FindData {
    QString name;  // as stored
    qint64 size = 0;
    qint64 lastWriteTime = 0;
    bool directory = false;
};

// Find-first/find-next over "C:\ALERT\*.EXE": wildcards only in the last component.
// Entries come in name order (ignoring case); "." and ".." and host names that are not
// valid Windows names are never listed.
class CFindFile {
public:
    // 0 with the first match; ERROR_FILE_NOT_FOUND when nothing matches; ERROR_PATH_NOT_FOUND
    // when the folder is missing; ERROR_INVALID_NAME for a bad pattern; resolution codes.
    DWORD FindFirst(const QString& windowsPattern, FindData* data);
    // 0 with the next match, ERROR_NO_MORE_FILES at the end.
    DWORD FindNext(FindData* data);
    void Close();

private:
    QString m_dir;
    QStringList m_names;
    int m_next = 0;
};

// GetTempFileName: "<dir>\<up to 3 prefix characters><4 hex digits>.TMP". With unique 0 a
// free number is chosen and the file is created empty (exclusively); otherwise the name is
// only formed. 0 with the Windows path (and host path) set, or an error code.
DWORD GetTempFileName(const QString& windowsDir, const QString& prefix, UINT unique,
                      QString* windowsPath, QString* hostPath = nullptr);

} // namespace Files
