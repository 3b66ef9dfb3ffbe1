// The UI-thread message queue: order, removal of one target's messages, posts from workers,
// synchronous sends.
#include "framework/Messages.h"

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include "WaitUntil.h"
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

struct Recorder {
    QObject owner;
    std::vector<QueuedMessage> got;
    std::thread::id handlerThread;
    CMessageQueue queue{&owner, [this](UINT m, WPARAM w, LPARAM l) {
                            got.push_back({m, w, l});
                            handlerThread = std::this_thread::get_id();
                            return LRESULT(w * 10 + 1);
                        }};
};

std::vector<LPARAM> LParams(const std::vector<QueuedMessage>& v)
{
    std::vector<LPARAM> out;
    for (const auto& m : v)
        out.push_back(m.lParam);
    return out;
}

TEST(Messages, PostedMessagesArriveInOrderThroughTheEventLoop)
{
    Recorder r;
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(r.queue.Post(0x0401, WPARAM(i), LPARAM(100 + i)));
    EXPECT_TRUE(r.got.empty()) << "posting must not deliver synchronously";
    ASSERT_TRUE(WaitUntil([&] { return r.got.size() == size_t(5); }));
    EXPECT_EQ(LParams(r.got), (std::vector<LPARAM>{100, 101, 102, 103, 104}));
}

TEST(Messages, RemovingOneTargetsMessagesKeepsTheOthersInOrder)
{
    Recorder r;
    // Two leaves (lParam 1 and 2) interleaved, two kinds of message.
    r.queue.Post(0x0401, 0, 1);
    r.queue.Post(0x0401, 0, 2);
    r.queue.Post(0x0402, 0, 1);
    r.queue.Post(0x0401, 0, 1);
    r.queue.Post(0x0402, 0, 2);
    r.queue.Post(0x0401, 0, 2);
    EXPECT_EQ(r.queue.Remove(0x0401, 1), 2);
    const auto pending = r.queue.Pending();
    ASSERT_EQ(pending.size(), 4u);
    EXPECT_EQ(pending[0].message, 0x0401u);
    EXPECT_EQ(pending[0].lParam, 2);
    EXPECT_EQ(pending[1].message, 0x0402u);
    EXPECT_EQ(pending[1].lParam, 1);
    EXPECT_EQ(pending[2].message, 0x0402u);
    EXPECT_EQ(pending[3].message, 0x0401u);
    EXPECT_EQ(r.queue.Remove(0x0402, 1), 1);
    ASSERT_TRUE(WaitUntil([&] { return r.got.size() == size_t(3); }));
    // Extra wake-ups of removed messages deliver nothing twice.
    QCoreApplication::processEvents();
    ASSERT_EQ(r.got.size(), 3u);
    EXPECT_EQ(r.got[0].message, 0x0401u);
    EXPECT_EQ(r.got[1].message, 0x0402u);
    EXPECT_EQ(r.got[2].message, 0x0401u);
    EXPECT_EQ(LParams(r.got), (std::vector<LPARAM>{2, 2, 2}));
}

TEST(Messages, WorkerPostsRunOnTheOwnersThread)
{
    Recorder r;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            r.queue.Post(0x0402, 0, LPARAM(i));
    });
    worker.join();
    ASSERT_TRUE(WaitUntil([&] { return r.got.size() == size_t(50); }));
    EXPECT_EQ(r.handlerThread, std::this_thread::get_id());
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(r.got[size_t(i)].lParam, i);
}

TEST(Messages, SendIsDirectOnTheSameThreadAndBlockingFromAnother)
{
    Recorder r;
    EXPECT_EQ(r.queue.Send(0x0403, 4, 9), 41);
    ASSERT_EQ(r.got.size(), 1u);
    LRESULT fromWorker = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        fromWorker = r.queue.Send(0x0403, 7, 9);
        done = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(fromWorker, 71);
    EXPECT_EQ(r.got.size(), 2u);
    EXPECT_EQ(r.handlerThread, std::this_thread::get_id());
}

TEST(Messages, ClosedQueueRefusesAndDropsPending)
{
    Recorder r;
    r.queue.Post(0x0401, 0, 1);
    r.queue.Close();
    EXPECT_FALSE(r.queue.Post(0x0401, 0, 2));
    EXPECT_EQ(r.queue.Send(0x0401, 0, 3), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(r.got.empty());
}

TEST(Messages, HandlerMayPostAndDispatchPendingDrains)
{
    QObject owner;
    std::vector<LPARAM> got;
    CMessageQueue* self = nullptr;
    CMessageQueue queue(&owner, [&](UINT, WPARAM, LPARAM l) {
        got.push_back(l);
        if (l == 1)
            self->Post(0x0401, 0, 3);
        return LRESULT(0);
    });
    self = &queue;
    queue.Post(0x0401, 0, 1);
    queue.Post(0x0401, 0, 2);
    EXPECT_TRUE(queue.HasPending(0x0401));
    queue.DispatchPending();
    EXPECT_EQ(got, (std::vector<LPARAM>{1, 2, 3}));
    EXPECT_FALSE(queue.HasPending(0x0401));
}

TEST(Messages, PackedPoints)
{
    const LPARAM l = MakeLParam(-5, 700);
    EXPECT_EQ(LParamX(l), -5);
    EXPECT_EQ(LParamY(l), 700);
}

} // namespace
