#include "framework/Messages.h"

#include <QMetaObject>
#include <QThread>
#include <deque>
#include <mutex>

struct CMessageQueue::State {
    QObject* owner = nullptr;
    Handler handler;
    mutable std::mutex mutex;
    std::deque<QueuedMessage> queue;
    bool closed = false;
};

// Takes the oldest pending message (if any) and hands it to the handler outside the lock, so
// the handler may post, send or remove.
bool CMessageQueue::DeliverOne(const std::shared_ptr<State>& state)
{
    QueuedMessage m;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->closed || state->queue.empty())
            return false;
        m = state->queue.front();
        state->queue.pop_front();
    }
    if (state->handler)
        state->handler(m.message, m.wParam, m.lParam);
    return true;
}

CMessageQueue::CMessageQueue(QObject* owner, Handler handler)
    : m_state(std::make_shared<State>())
{
    m_state->owner = owner;
    m_state->handler = std::move(handler);
}

CMessageQueue::~CMessageQueue()
{
    Close();
}

bool CMessageQueue::Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->closed || !m_state->owner)
        return false;
    m_state->queue.push_back(QueuedMessage{message, wParam, lParam});
    // One wake-up per message: each delivers the oldest pending one, so the order holds even
    // when messages were removed in between. Posted under the lock so that Close (taken by
    // the owner's destructor) cannot race with it.
    std::weak_ptr<State> weak = m_state;
    QMetaObject::invokeMethod(
        m_state->owner, [weak] {
            if (auto state = weak.lock())
                DeliverOne(state);
        },
        Qt::QueuedConnection);
    return true;
}

LRESULT CMessageQueue::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<State> state = m_state;
    QObject* owner = nullptr;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->closed || !state->owner || !state->handler)
            return 0;
        owner = state->owner;
    }
    if (QThread::currentThread() == owner->thread())
        return state->handler(message, wParam, lParam);
    LRESULT result = 0;
    QMetaObject::invokeMethod(
        owner, [state, message, wParam, lParam, &result] {
            bool closed;
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                closed = state->closed;
            }
            if (!closed && state->handler)
                result = state->handler(message, wParam, lParam);
        },
        Qt::BlockingQueuedConnection);
    return result;
}

int CMessageQueue::Remove(UINT message, LPARAM lParam)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const auto before = m_state->queue.size();
    std::erase_if(m_state->queue, [&](const QueuedMessage& m) {
        return m.message == message && m.lParam == lParam;
    });
    return int(before - m_state->queue.size());
}

int CMessageQueue::RemoveAll(UINT message)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const auto before = m_state->queue.size();
    std::erase_if(m_state->queue, [&](const QueuedMessage& m) { return m.message == message; });
    return int(before - m_state->queue.size());
}

std::vector<QueuedMessage> CMessageQueue::Pending() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return std::vector<QueuedMessage>(m_state->queue.begin(), m_state->queue.end());
}

bool CMessageQueue::HasPending(UINT message) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    for (const QueuedMessage& m : m_state->queue) {
        if (m.message == message)
            return true;
    }
    return false;
}

void CMessageQueue::DispatchPending()
{
    while (DeliverOne(m_state)) {
    }
}

void CMessageQueue::Close()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->closed = true;
    m_state->queue.clear();
}
