#include "platform/Files.h"

#include "platform/World.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Files {
namespace {

DWORD StatHost(const QString& host, FileStatus* status)
{
    struct stat st {};
    if (::stat(QFile::encodeName(host).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return QFileInfo(QFileInfo(host).absolutePath()).isDir() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return ERROR_ACCESS_DENIED;
    }
    status->size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    status->lastWriteTime = qint64(st.st_mtim.tv_sec);
    status->lastWriteNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    status->directory = S_ISDIR(st.st_mode);
    return ERROR_SUCCESS;
}

bool IsWindowsName(const QString& name)
{
    static const QString reserved = QStringLiteral("<>:\"/\\|?*");
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F || reserved.contains(c);
    });
}

bool Glob(const QString& pattern, int p, const QString& name, int n)
{
    // Iterative match with one backtrack point, linear in practice.
    int starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
                   && (pattern[p] == QLatin1Char('?') || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace

DWORD Stat(const QString& windowsPath, FileStatus* status)
{
    if (!status)
        return ERROR_INVALID_PARAMETER;
    QString host;
    if (const DWORD rc = World::ResolvePath(windowsPath, &host))
        return rc;
    return StatHost(host, status);
}

DWORD GetFileSize(const QString& windowsPath, qint64* size)
{
    FileStatus status;
    const DWORD rc = Stat(windowsPath, &status);
    if (rc == ERROR_SUCCESS && size)
        *size = status.size;
    return rc;
}

DWORD GetLastWriteTime(const QString& windowsPath, qint64* secondsSince1970)
{
    FileStatus status;
    const DWORD rc = Stat(windowsPath, &status);
    if (rc == ERROR_SUCCESS && secondsSince1970)
        *secondsSince1970 = status.lastWriteTime;
    return rc;
}

bool MatchesPattern(const QString& pattern, const QString& name)
{
    if (Glob(pattern, 0, name, 0))
        return true;
    // "X.*" also matches "X" (no extension), as Windows does.
    if (pattern.endsWith(QLatin1String(".*")) && !name.contains(QLatin1Char('.')))
        return Glob(pattern.left(pattern.size() - 2), 0, name, 0);
    return false;
}

DWORD CFindFile::FindFirst(const QString& windowsPattern, FindData* data)
{
    Close();
    if (!data)
        return ERROR_INVALID_PARAMETER;
    QString pattern = windowsPattern;
    pattern.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const int cut = pattern.lastIndexOf(QLatin1Char('\\'));
    if (cut < 0)
        return ERROR_PATH_NOT_FOUND;
    const QString namePattern = pattern.mid(cut + 1);
    QString dirPath = pattern.left(cut + 1);
    if (namePattern.isEmpty() || std::any_of(namePattern.begin(), namePattern.end(), [](QChar c) {
            return c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("<>:\"|").contains(c);
        }))
        return ERROR_INVALID_NAME;
    QString host;
    if (const DWORD rc = World::ResolvePath(dirPath, &host))
        return rc;
    if (!QFileInfo(host).isDir())
        return ERROR_PATH_NOT_FOUND;

    QStringList names = QDir(host).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.erase(std::remove_if(names.begin(), names.end(), [&](const QString& name) {
        return !IsWindowsName(name) || !MatchesPattern(namePattern, name);
    }), names.end());
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    if (names.isEmpty())
        return ERROR_FILE_NOT_FOUND;
    m_dir = host;
    m_names = names;
    m_next = 0;
    return FindNext(data);
}

DWORD CFindFile::FindNext(FindData* data)
{
    if (!data)
        return ERROR_INVALID_PARAMETER;
    while (m_next < m_names.size()) {
        const QString name = m_names[m_next++];
        FileStatus status;
        // A file removed since the listing is skipped.
        if (StatHost(m_dir + QLatin1Char('/') + name, &status) != ERROR_SUCCESS)
            continue;
        data->name = name;
        data->size = status.size;
        data->lastWriteTime = status.lastWriteTime;
        data->directory = status.directory;
        return ERROR_SUCCESS;
    }
    return ERROR_NO_MORE_FILES;
}

void CFindFile::Close()
{
    m_dir.clear();
    m_names.clear();
    m_next = 0;
}

DWORD GetTempFileName(const QString& windowsDir, const QString& prefix, UINT unique,
                      QString* windowsPath, QString* hostPath)
{
    if (!windowsPath)
        return ERROR_INVALID_PARAMETER;
    const QString stem = prefix.left(3);
    if (!stem.isEmpty() && !IsWindowsName(stem))
        return ERROR_INVALID_NAME;
    QString host;
    if (const DWORD rc = World::ResolvePath(windowsDir, &host))
        return rc;
    if (!QFileInfo(host).isDir())
        return ERROR_PATH_NOT_FOUND;
    QString dir = windowsDir;
    while (dir.endsWith(QLatin1Char('\\')) || dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    auto nameFor = [&stem](UINT number) {
        return stem + QStringLiteral("%1.TMP").arg(number & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
    };
    if (unique != 0) {
        *windowsPath = dir + QLatin1Char('\\') + nameFor(unique);
        if (hostPath)
            *hostPath = host + QLatin1Char('/') + nameFor(unique);
        return ERROR_SUCCESS;
    }
    static std::atomic<UINT> counter{UINT(::getpid()) * 7919u};
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        const UINT number = counter.fetch_add(1) & 0xFFFF;
        if (number == 0)
            continue;  // 0 means "choose one"; never a name
        const QString name = nameFor(number);
        // An existing entry of any case is taken, since the folder stands for a Windows one.
        if (!QDir(host).entryList({name}, QDir::AllEntries | QDir::Hidden | QDir::System).isEmpty())
            continue;
        const QString candidate = host + QLatin1Char('/') + name;
        const int fd = ::open(QFile::encodeName(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return ERROR_ACCESS_DENIED;
        }
        ::close(fd);
        *windowsPath = dir + QLatin1Char('\\') + name;
        if (hostPath)
            *hostPath = candidate;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

} // namespace Files
