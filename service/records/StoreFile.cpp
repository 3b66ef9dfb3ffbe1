#include "records/StoreFile.h"

#include "platform/Timing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Records {

namespace {
constexpr DWORD kLockTimeoutMs = 15000;
constexpr DWORD kLockPollMs = 5;
// A holder that is merely slow (a loaded disk) must not make a writer give up and lose its
// write, however much the timing policy shrinks intervals: the time-out never drops below this.
constexpr uint64_t kLockTimeoutFloorMs = 10000;
constexpr int kGrowthRereads = 3;
}

FileLock::FileLock(const QString& lockPath)
{
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    const QByteArray native = QFile::encodeName(lockPath);
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const uint64_t start = Timing::TickCount();
    const uint64_t limit = std::max<uint64_t>(Timing::Scaled(kLockTimeoutMs), kLockTimeoutFloorMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            break;
        if (Timing::TickCount() - start >= limit)
            break;
        Timing::Sleep(kLockPollMs);
    }
    ::close(fd);
}

FileLock::~FileLock()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

QString LockPathFor(const QString& hostFile)
{
    const QFileInfo info(hostFile);
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".lock"));
}

bool ReplaceFile(const QString& hostPath, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(hostPath).absolutePath()))
        return false;
    QSaveFile file(hostPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();   // flushes to disk before the rename
}

bool IdentifyFile(const QString& hostPath, FileIdentity* out)
{
    *out = FileIdentity();
    struct stat st;
    if (::stat(QFile::encodeName(hostPath).constData(), &st) != 0)
        return false;
    out->size = qint64(st.st_size);
    out->modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    out->inode = quint64(st.st_ino);
    return true;
}

bool ReadWholeFile(const QString& hostPath, qint64 maxBytes, QByteArray* out)
{
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // A file another process appends to may grow while it is read: it is read again from the
    // start. One that keeps growing gives the bytes it had when its size was taken; appenders
    // write the header last, so that prefix is a file as it once was.
    for (int attempt = 0;; ++attempt) {
        const qint64 size = file.size();
        if (size < 0 || size > maxBytes || !file.seek(0))
            return false;
        QByteArray data = file.read(size);
        if (data.size() != size)
            return false;
        if (file.atEnd() || attempt >= kGrowthRereads) {
            *out = data;
            return true;
        }
    }
}

} // namespace Records
