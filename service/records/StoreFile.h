#pragma once
// Safe handling of the files several processes share: an exclusive lock between processes and
// threads, whole-file replacement that never leaves a torn file, and bounded whole-file reads.
#include <QByteArray>
#include <QString>

namespace Records {

// Exclusive lock on a lock file, held while the object lives. Each lock opens its own
// descriptor, so it excludes other threads of the process as well as other processes; the
// system drops it when a holder dies. Taking the same lock twice on one thread deadlocks
// until the time-out: callers take a lock once per operation.
class FileLock {
public:
    explicit FileLock(const QString& lockPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // False when the lock file could not be made or the lock was not had within the time-out
    // (nominal 15 s from Timing, never less than 10 s real).
    bool IsLocked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// The lock that guards a shared data file: ".<name>.lock" beside it.
QString LockPathFor(const QString& hostFile);

// Replaces the file's whole content atomically (temporary file, flush to disk, rename),
// creating missing folders. False when anything fails; the old file is then untouched.
bool ReplaceFile(const QString& hostPath, const QByteArray& bytes);

// What tells one state of a file from another without reading it: a writer that appends
// changes its size and time, one that replaces it (by rename) changes its inode.
struct FileIdentity {
    qint64 size = -1;
    qint64 modifiedNs = -1;
    quint64 inode = 0;
    bool IsKnown() const { return inode != 0; }
    bool operator==(const FileIdentity&) const = default;
};
// False (and out unknown) when the file cannot be examined.
bool IdentifyFile(const QString& hostPath, FileIdentity* out);

// Reads a whole file of at most maxBytes; one that grows meanwhile is read again. False when it
// cannot be read or is larger.
bool ReadWholeFile(const QString& hostPath, qint64 maxBytes, QByteArray* out);

} // namespace Records
