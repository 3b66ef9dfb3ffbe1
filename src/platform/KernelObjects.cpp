#include "platform/KernelObjects.h"

#include "platform/Timing.h"
#include "platform/World.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <map>
#include <thread>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Longest folder that still leaves room for a socket name within the 108 bytes of sun_path.
constexpr int kMaxRuntimeDirLength = 80;
constexpr DWORD kNamedPollMs = 50;

const QByteArray kRequestTag("VMSG");
const QByteArray kReplyTag("VRES");
constexpr int kRequestSize = 24;
constexpr int kReplySize = 12;

// A folder of ours only: created 0700, never a link, owned by this user.
bool EnsurePrivateDir(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

QString BaseDir()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg) && QDir(xdg).exists()
        && xdg.size() + 30 <= kMaxRuntimeDirLength)
        return QDir::cleanPath(xdg) + QStringLiteral("/vigimor");
    return QStringLiteral("/tmp/vigimor-%1").arg(::geteuid());
}

// Kernel object names may hold any character; file names get the name when it is plain,
// else its UTF-8 bytes in hex.
QString FileNameFor(const QString& kind, const QString& name)
{
    const bool plain = name.size() <= 64 && std::all_of(name.begin(), name.end(), [](QChar c) {
        const ushort u = c.unicode();
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '_';
    });
    if (plain)
        return kind + QLatin1Char('-') + name;
    return kind + QStringLiteral("-x") + QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex());
}

int OpenObjectFile(const QString& kind, const QString& name, bool create, DWORD* error)
{
    auto fail = [error](DWORD code) {
        if (error)
            *error = code;
        SetLastError(code);
        return -1;
    };
    if (name.isEmpty() || name.contains(QChar(0)))
        return fail(ERROR_INVALID_PARAMETER);
    const QString dir = Kernel::RuntimeDir();
    if (dir.isEmpty())
        return fail(ERROR_ACCESS_DENIED);
    const QByteArray path = QFile::encodeName(dir + QLatin1Char('/') + FileNameFor(kind, name));
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
    const int fd = ::open(path.constData(), flags, 0600);
    if (fd < 0)
        return fail(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return fd;
}

int FlockRetry(int fd, int operation)
{
    int rc;
    do {
        rc = ::flock(fd, operation);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// Wakes waiters of this process at once when a handle of this process sets a named event;
// other processes' sets are seen by polling.
struct NamedWake {
    std::mutex lock;
    std::condition_variable changed;
    uint64_t generation = 0;
};

NamedWake& Wake()
{
    static NamedWake* wake = new NamedWake;
    return *wake;
}

// ---- window endpoints ------------------------------------------------------------------

QString WindowsDir()
{
    const QString dir = Kernel::RuntimeDir();
    if (dir.isEmpty())
        return QString();
    const QString windows = dir + QStringLiteral("/windows");
    return EnsurePrivateDir(windows) ? windows : QString();
}

struct LocalWindows {
    std::mutex lock;
    std::map<QString, CTopLevelWindow::Private*> windows;
};

LocalWindows& Locals()
{
    static LocalWindows* locals = new LocalWindows;
    return *locals;
}

void PutLe(QByteArray* out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out->append(char((value >> (8 * i)) & 0xFF));
}

uint64_t GetLe(const QByteArray& in, int offset, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint64_t(uchar(in[offset + i])) << (8 * i);
    return value;
}

bool ProcessAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

struct CTopLevelWindow::Private {
    QLocalServer* server = nullptr;  // owned; lives on the listening thread
    Handler handler;
    QString id;
    QString path;
    QThread* thread = nullptr;

    void Serve(QLocalSocket* socket)
    {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (socket->bytesAvailable() < kRequestSize)
                return;
            const QByteArray request = socket->read(kRequestSize);
            if (!request.startsWith(kRequestTag)) {
                socket->abort();
                return;
            }
            const UINT message = UINT(GetLe(request, 4, 4));
            const WPARAM wParam = WPARAM(GetLe(request, 8, 8));
            const LPARAM lParam = LPARAM(GetLe(request, 16, 8));
            const LRESULT result = handler ? handler(message, wParam, lParam) : 0;
            QByteArray reply = kReplyTag;
            PutLe(&reply, uint64_t(result), 8);
            socket->write(reply);
            socket->flush();
            socket->disconnectFromServer();
        });
    }
};

CTopLevelWindow::CTopLevelWindow() : d(std::make_unique<Private>()) {}

CTopLevelWindow::~CTopLevelWindow()
{
    Close();
}

// Listen and Close belong to the thread whose event loop serves the window.
bool CTopLevelWindow::Listen(Handler handler)
{
    Close();
    static std::atomic<unsigned> sequence{0};
    const QString dir = WindowsDir();
    if (dir.isEmpty())
        return false;
    d->id = QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(sequence.fetch_add(1));
    d->path = dir + QLatin1Char('/') + d->id;
    d->handler = std::move(handler);
    d->server = new QLocalServer;
    d->server->setSocketOptions(QLocalServer::UserAccessOption);
    // A file of this name can only be a leftover of an earlier process with our pid.
    QLocalServer::removeServer(d->path);
    if (!d->server->listen(d->path)) {
        delete d->server;
        d->server = nullptr;
        d->id.clear();
        return false;
    }
    d->thread = QThread::currentThread();
    Private* p = d.get();
    QObject::connect(d->server, &QLocalServer::newConnection, d->server, [p] {
        while (QLocalSocket* socket = p->server->nextPendingConnection())
            p->Serve(socket);
    });
    std::lock_guard<std::mutex> guard(Locals().lock);
    Locals().windows[d->id] = p;
    return true;
}

void CTopLevelWindow::Close()
{
    if (!d->server)
        return;
    {
        std::lock_guard<std::mutex> guard(Locals().lock);
        Locals().windows.erase(d->id);
    }
    d->server->close();
    delete d->server;
    d->server = nullptr;
    QFile::remove(d->path);
    d->id.clear();
    d->path.clear();
}

QString CTopLevelWindow::Id() const
{
    return d->id;
}

namespace Kernel {

QString RuntimeDir()
{
    QString base = BaseDir();
    if (!EnsurePrivateDir(base))
        return QString();
    const QByteArray root = World::Root().toUtf8();
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(root, QCryptographicHash::Sha1).toHex().left(12));
    const QString dir = base + QLatin1Char('/') + hash;
    return EnsurePrivateDir(dir) ? dir : QString();
}

UINT RegisterWindowMessage(const QString& name)
{
    if (name.isEmpty())
        return 0;
    // FNV-1a of the upper-cased name: stable across processes and runs.
    uint32_t hash = 2166136261u;
    for (char c : name.toUpper().toUtf8()) {
        hash ^= uchar(c);
        hash *= 16777619u;
    }
    return 0xC000u + (hash % 0x4000u);
}

QStringList EnumTopLevelWindows()
{
    const QString dir = WindowsDir();
    if (dir.isEmpty())
        return {};
    QStringList windows;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString id = entry.fileName();
        const qint64 pid = id.section(QLatin1Char('-'), 0, 0).toLongLong();
        if (!ProcessAlive(pid)) {
            QFile::remove(entry.filePath());  // the process ended without closing it
            continue;
        }
        windows << id;
    }
    return windows;
}

DWORD SendMessageTimeout(const QString& window, UINT message, WPARAM wParam, LPARAM lParam,
                         DWORD nominalTimeoutMs, LRESULT* result)
{
    if (window.isEmpty() || window.contains(QLatin1Char('/')) || window.startsWith(QLatin1Char('.')))
        return ERROR_INVALID_WINDOW_HANDLE;
    {
        std::unique_lock<std::mutex> guard(Locals().lock);
        auto it = Locals().windows.find(window);
        if (it != Locals().windows.end() && it->second->thread == QThread::currentThread()) {
            CTopLevelWindow::Handler handler = it->second->handler;
            guard.unlock();
            const LRESULT answer = handler ? handler(message, wParam, lParam) : 0;
            if (result)
                *result = answer;
            return ERROR_SUCCESS;
        }
    }
    const QString dir = WindowsDir();
    if (dir.isEmpty())
        return ERROR_INVALID_WINDOW_HANDLE;

    const uint64_t limit = nominalTimeoutMs == INFINITE ? UINT64_MAX : Timing::Scaled(nominalTimeoutMs);
    const uint64_t start = Timing::TickCount();
    auto remaining = [&]() -> int {
        if (limit == UINT64_MAX)
            return -1;
        const uint64_t spent = Timing::TickCount() - start;
        return spent >= limit ? 0 : int(std::min<uint64_t>(limit - spent, INT32_MAX));
    };

    QLocalSocket socket;
    socket.connectToServer(dir + QLatin1Char('/') + window);
    const int connectWait = remaining();
    if (!socket.waitForConnected(connectWait < 0 ? -1 : std::max(connectWait, 1))
        && socket.state() != QLocalSocket::ConnectedState)
        return socket.error() == QLocalSocket::SocketTimeoutError ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE;
    QByteArray request = kRequestTag;
    PutLe(&request, message, 4);
    PutLe(&request, uint64_t(wParam), 8);
    PutLe(&request, uint64_t(lParam), 8);
    socket.write(request);
    while (socket.bytesToWrite() > 0) {
        const int wait = remaining();
        if (wait == 0 || !socket.waitForBytesWritten(wait))
            return socket.state() == QLocalSocket::ConnectedState ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE;
    }
    while (socket.bytesAvailable() < kReplySize) {
        const int wait = remaining();
        if (wait == 0)
            return ERROR_TIMEOUT;
        if (!socket.waitForReadyRead(wait)) {
            if (socket.bytesAvailable() >= kReplySize)
                break;
            return socket.state() == QLocalSocket::ConnectedState ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE;
        }
    }
    const QByteArray reply = socket.read(kReplySize);
    if (!reply.startsWith(kReplyTag))
        return ERROR_INVALID_WINDOW_HANDLE;
    if (result)
        *result = LRESULT(GetLe(reply, 4, 8));
    return ERROR_SUCCESS;
}

DWORD FindAnsweringWindow(UINT message, WPARAM wParam, LPARAM lParam, LRESULT expected,
                          DWORD nominalTimeoutMs, QString* window)
{
    for (const QString& candidate : EnumTopLevelWindows()) {
        LRESULT answer = 0;
        if (SendMessageTimeout(candidate, message, wParam, lParam, nominalTimeoutMs, &answer) == ERROR_SUCCESS
            && answer == expected) {
            if (window)
                *window = candidate;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

} // namespace Kernel

// ---- named mutex -------------------------------------------------------------------------

bool CNamedMutex::Create(const QString& name, bool initialOwner, DWORD* error)
{
    Close();
    m_fd = OpenObjectFile(QStringLiteral("mutex"), name, true, error);
    if (m_fd < 0)
        return false;
    m_existed = false;
    if (initialOwner) {
        if (FlockRetry(m_fd, LOCK_EX | LOCK_NB) == 0)
            m_owned = 1;
        else
            m_existed = true;
    }
    if (error)
        *error = ERROR_SUCCESS;
    return true;
}

DWORD CNamedMutex::Wait(DWORD nominalMs)
{
    if (m_fd < 0)
        return WAIT_FAILED;
    if (m_owned > 0) {
        ++m_owned;
        return WAIT_OBJECT_0;
    }
    if (nominalMs == INFINITE) {
        if (FlockRetry(m_fd, LOCK_EX) != 0)
            return WAIT_FAILED;
        m_owned = 1;
        return WAIT_OBJECT_0;
    }
    const uint64_t deadline = Timing::TickCount() + Timing::Scaled(nominalMs);
    const DWORD poll = std::max<DWORD>(1, Timing::Scaled(10));
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_owned = 1;
            return WAIT_OBJECT_0;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return WAIT_FAILED;
        const uint64_t now = Timing::TickCount();
        if (now >= deadline)
            return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint64_t>(poll, deadline - now)));
    }
}

bool CNamedMutex::Release()
{
    if (m_fd < 0 || m_owned == 0) {
        SetLastError(ERROR_NOT_OWNER);
        return false;
    }
    if (--m_owned == 0)
        ::flock(m_fd, LOCK_UN);
    return true;
}

void CNamedMutex::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);  // also ends ownership
    m_fd = -1;
    m_owned = 0;
}

// ---- named event ---------------------------------------------------------------------------

bool CNamedEvent::Create(const QString& name, bool initialState, DWORD* error)
{
    Close();
    m_fd = OpenObjectFile(QStringLiteral("event"), name, true, error);
    if (m_fd < 0)
        return false;
    // Holders keep a shared lock on the file. Whoever gets it exclusively is alone: the event
    // is new, whatever state an earlier generation of holders left in the file.
    if (FlockRetry(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_existed = false;
        const bool written = Write(initialState ? '1' : '0');
        if (!written || FlockRetry(m_fd, LOCK_SH) != 0) {
            Close();
            if (error)
                *error = ERROR_ACCESS_DENIED;
            return false;
        }
    } else {
        m_existed = true;
        if (FlockRetry(m_fd, LOCK_SH) != 0) {
            Close();
            if (error)
                *error = ERROR_ACCESS_DENIED;
            return false;
        }
    }
    if (error)
        *error = ERROR_SUCCESS;
    return true;
}

bool CNamedEvent::Open(const QString& name, DWORD* error)
{
    Close();
    m_fd = OpenObjectFile(QStringLiteral("event"), name, false, error);
    if (m_fd < 0)
        return false;
    if (FlockRetry(m_fd, LOCK_EX | LOCK_NB) == 0) {
        // Nobody holds it: the event does not exist.
        Close();
        if (error)
            *error = ERROR_FILE_NOT_FOUND;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (FlockRetry(m_fd, LOCK_SH) != 0) {
        Close();
        if (error)
            *error = ERROR_ACCESS_DENIED;
        return false;
    }
    m_existed = true;
    if (error)
        *error = ERROR_SUCCESS;
    return true;
}

bool CNamedEvent::Write(char state)
{
    ssize_t n;
    do {
        n = ::pwrite(m_fd, &state, 1, 0);
    } while (n < 0 && errno == EINTR);
    return n == 1;
}

bool CNamedEvent::Signalled() const
{
    char state = '0';
    ssize_t n;
    do {
        n = ::pread(m_fd, &state, 1, 0);
    } while (n < 0 && errno == EINTR);
    return n == 1 && state == '1';
}

bool CNamedEvent::Set()
{
    if (m_fd < 0 || !Write('1'))
        return false;
    NamedWake& wake = Wake();
    {
        std::lock_guard<std::mutex> guard(wake.lock);
        ++wake.generation;
    }
    wake.changed.notify_all();
    return true;
}

bool CNamedEvent::Reset()
{
    return m_fd >= 0 && Write('0');
}

DWORD CNamedEvent::Wait(DWORD nominalMs)
{
    if (m_fd < 0)
        return WAIT_FAILED;
    const bool forever = nominalMs == INFINITE;
    const uint64_t deadline = forever ? 0 : Timing::TickCount() + Timing::Scaled(nominalMs);
    const auto poll = Timing::ScaledDuration(kNamedPollMs);
    NamedWake& wake = Wake();
    for (;;) {
        uint64_t seen;
        {
            std::lock_guard<std::mutex> guard(wake.lock);
            seen = wake.generation;
        }
        if (Signalled())
            return WAIT_OBJECT_0;
        auto slice = poll;
        if (!forever) {
            const uint64_t now = Timing::TickCount();
            if (now >= deadline)
                return WAIT_TIMEOUT;
            slice = std::min(slice, std::chrono::milliseconds(deadline - now));
        }
        std::unique_lock<std::mutex> guard(wake.lock);
        wake.changed.wait_for(guard, slice, [&] { return wake.generation != seen; });
    }
}

void CNamedEvent::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

// ---- unnamed event ---------------------------------------------------------------------------

CEvent::CEvent(bool manualReset, bool initialState)
    : m_manualReset(manualReset), m_signalled(initialState)
{
}

void CEvent::Set()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_signalled = true;
    }
    if (m_manualReset)
        m_changed.notify_all();
    else
        m_changed.notify_one();
}

void CEvent::Reset()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_signalled = false;
}

DWORD CEvent::Wait(DWORD nominalMs)
{
    std::unique_lock<std::mutex> guard(m_lock);
    auto ready = [this] { return m_signalled; };
    if (nominalMs == INFINITE)
        m_changed.wait(guard, ready);
    else if (!m_changed.wait_for(guard, Timing::ScaledDuration(nominalMs), ready))
        return WAIT_TIMEOUT;
    if (!m_manualReset)
        m_signalled = false;
    return WAIT_OBJECT_0;
}
