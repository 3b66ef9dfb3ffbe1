#pragma once
// Messages to an object on the user-interface thread: {message, wParam, lParam}.
//
// A receiver owns one CMessageQueue. Any thread may Post to it: messages are kept in the
// queue's own list, in order, and handed to the receiver's handler one at a time on the
// thread the owner object lives in. Because the list is ours, pending messages can be
// inspected and removed: a server leaf that goes away removes its own pending 0x0401/0x0402
// while the messages for other leaves stay queued in their order.
//
// Send calls the handler at once on the owner's thread; from another thread it blocks until
// the owner's thread has handled it (so the owner's thread must not be waiting for the
// sender at that time).
#include "platform/WinTypes.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

struct QueuedMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class CMessageQueue {
public:
    using Handler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

    // owner: the object whose thread runs the handler; the queue must not outlive it.
    CMessageQueue(QObject* owner, Handler handler);
    ~CMessageQueue();
    CMessageQueue(const CMessageQueue&) = delete;
    CMessageQueue& operator=(const CMessageQueue&) = delete;

    // Thread-safe; false once the queue is closed.
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Handler result; 0 when the queue is closed.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Removes pending messages of the given kind whose lParam equals lParam; the others keep
    // their order. Returns how many were removed. Thread-safe.
    int Remove(UINT message, LPARAM lParam);
    // Removes pending messages of the given kind whatever their parameters.
    int RemoveAll(UINT message);
    // Copies of the pending messages, oldest first.
    std::vector<QueuedMessage> Pending() const;
    bool HasPending(UINT message) const;

    // Hands every pending message to the handler now (on the owner's thread).
    void DispatchPending();

    // Discards pending messages and refuses further posts and sends.
    void Close();

private:
    struct State;
    static bool DeliverOne(const std::shared_ptr<State>& state);
    std::shared_ptr<State> m_state;
};

// The inverse of the usual packing of a pointer into a message parameter.
template <class T>
inline LPARAM PtrToLParam(T* p) { return reinterpret_cast<LPARAM>(p); }
template <class T>
inline T* LParamToPtr(LPARAM l) { return reinterpret_cast<T*>(l); }
// Screen point packed as x in the low 16 bits and y in the high 16 bits.
inline LPARAM MakeLParam(int low, int high) { return LPARAM(uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16)); }
inline int LParamX(LPARAM l) { return int(int16_t(uint16_t(uint32_t(l) & 0xFFFF))); }
inline int LParamY(LPARAM l) { return int(int16_t(uint16_t((uint32_t(l) >> 16) & 0xFFFF))); }
