#pragma once
// Kernel objects: the named single-instance mutex, the window-message handshake between
// console processes, named manual-reset events and unnamed events for threads.
//
// Named objects live in a runtime folder of the user and the world
// ($XDG_RUNTIME_DIR/vigimor/<hash of the world root>, else /tmp/vigimor-<uid>/<hash>), so
// consoles of different worlds (and parallel tests) never meet. Every wait is in nominal
// milliseconds scaled by Timing; INFINITE waits for ever.
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace Kernel {

// The runtime folder of this user and world, created 0700 on first use; empty when it
// cannot be made safely (not a folder, or not ours).
QString RuntimeDir();

// The same id for the same name (ignoring case) in every process: 0xC000-0xFFFF; 0 for an
// empty name.
UINT RegisterWindowMessage(const QString& name);

// The live top-level windows (CTopLevelWindow endpoints) of every process in this world.
QStringList EnumTopLevelWindows();
// Sends a message to a window and waits at most nominalTimeoutMs for its answer.
// 0 with *result set; ERROR_INVALID_WINDOW_HANDLE when the window is gone; ERROR_TIMEOUT
// when it does not answer in time (a hung console). A window of this process is called
// directly when it belongs to the calling thread.
DWORD SendMessageTimeout(const QString& window, UINT message, WPARAM wParam, LPARAM lParam,
                         DWORD nominalTimeoutMs, LRESULT* result);
// Sends the message to each top-level window in turn (each with the time-out) and stops at
// the first one that answers `expected`. 0 with *window set, or ERROR_FILE_NOT_FOUND when
// none did.
DWORD FindAnsweringWindow(UINT message, WPARAM wParam, LPARAM lParam, LRESULT expected,
                          DWORD nominalTimeoutMs, QString* window = nullptr);

} // namespace Kernel

// A top-level window as other processes see it: an endpoint that answers messages through
// a handler. The handler runs on the thread that called Listen (the UI thread), from its
// event loop, so a console whose UI thread hangs does not answer.
class CTopLevelWindow {
public:
    using Handler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

    CTopLevelWindow();
    ~CTopLevelWindow();
    CTopLevelWindow(const CTopLevelWindow&) = delete;
    CTopLevelWindow& operator=(const CTopLevelWindow&) = delete;

    // Starts answering; false when the endpoint cannot be created.
    bool Listen(Handler handler);
    void Close();
    // The id other processes enumerate and send to; empty while closed.
    QString Id() const;

    struct Private;

private:
    std::unique_ptr<Private> d;
};

// Named mutex. Ownership belongs to the handle (not the thread) and nests; it ends with
// Release, Close or the end of the process, so a crashed owner never blocks the next one.
class CNamedMutex {
public:
    CNamedMutex() = default;
    ~CNamedMutex() { Close(); }
    CNamedMutex(const CNamedMutex&) = delete;
    CNamedMutex& operator=(const CNamedMutex&) = delete;

    // Creates or opens the mutex. With initialOwner, ownership is taken when nobody else
    // owns it; AlreadyExisted() tells that somebody did. false with *error set on failure.
    bool Create(const QString& name, bool initialOwner, DWORD* error = nullptr);
    bool AlreadyExisted() const { return m_existed; }
    // WAIT_OBJECT_0 when owned (again), WAIT_TIMEOUT, WAIT_FAILED when not open.
    DWORD Wait(DWORD nominalMs);
    // false (ERROR_NOT_OWNER) when this handle does not own it.
    bool Release();
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    unsigned m_owned = 0;
    bool m_existed = false;
};

// Named manual-reset event, shared by every process of the user and world. Like the kernel
// object it stands for, it exists only while some handle is open: the first handle created
// when nobody holds one starts from the initial state, whatever an earlier holder left.
class CNamedEvent {
public:
    CNamedEvent() = default;
    ~CNamedEvent() { Close(); }
    CNamedEvent(const CNamedEvent&) = delete;
    CNamedEvent& operator=(const CNamedEvent&) = delete;

    // Creates or opens the event (initialState applies only when it is created).
    bool Create(const QString& name, bool initialState = false, DWORD* error = nullptr);
    // Opens the event only when another handle holds it (else ERROR_FILE_NOT_FOUND).
    bool Open(const QString& name, DWORD* error = nullptr);
    bool AlreadyExisted() const { return m_existed; }
    bool Set();
    bool Reset();
    // WAIT_OBJECT_0 when signalled (it stays signalled), WAIT_TIMEOUT, WAIT_FAILED.
    DWORD Wait(DWORD nominalMs);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

private:
    bool Write(char state);
    bool Signalled() const;

    int m_fd = -1;
    bool m_existed = false;
};

// Unnamed event for the threads of one process. An auto-reset event lets one waiter through
// per Set; a manual-reset event stays signalled until Reset.
class CEvent {
public:
    explicit CEvent(bool manualReset = false, bool initialState = false);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void Set();
    void Reset();
    // WAIT_OBJECT_0 or WAIT_TIMEOUT.
    DWORD Wait(DWORD nominalMs);

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    const bool m_manualReset;
    bool m_signalled;
};
