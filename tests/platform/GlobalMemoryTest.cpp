#include "platform/GlobalMemory.h"

#include <gtest/gtest.h>
#include <cstring>
#include <thread>
#include <vector>

TEST(GlobalMemory, BlocksAreCountedSizedAndZeroed)
{
    const long before = GlobalLiveBlocks();
    HGLOBAL a = GlobalAlloc(GHND, 100);
    HGLOBAL b = GlobalAlloc(GMEM_FIXED, 7);
    HGLOBAL empty = GlobalAlloc(GHND, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(a, empty);
    EXPECT_EQ(GlobalLiveBlocks(), before + 3);
    EXPECT_EQ(GlobalSize(a), 100u);
    EXPECT_EQ(GlobalSize(b), 7u);
    EXPECT_EQ(GlobalSize(empty), 0u);

    auto* bytes = static_cast<unsigned char*>(GlobalLock(b));
    ASSERT_EQ(bytes, b);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    std::memset(bytes, 0xAB, 7);
    EXPECT_FALSE(GlobalUnlock(b));

    EXPECT_EQ(GlobalFree(a), nullptr);
    EXPECT_EQ(GlobalFree(b), nullptr);
    EXPECT_EQ(GlobalFree(empty), nullptr);
    EXPECT_EQ(GlobalLiveBlocks(), before);
}

TEST(GlobalMemory, ForeignAndFreedHandlesAreRefused)
{
    const long before = GlobalLiveBlocks();
    int onStack = 0;
    HGLOBAL block = GlobalAlloc(GHND, 16);
    ASSERT_NE(block, nullptr);
    HGLOBAL inside = static_cast<char*>(block) + 4;
    for (HGLOBAL foreign : {static_cast<HGLOBAL>(&onStack), inside}) {
        EXPECT_EQ(GlobalLock(foreign), nullptr);
        EXPECT_FALSE(GlobalUnlock(foreign));
        EXPECT_EQ(GlobalSize(foreign), 0u);
        EXPECT_EQ(GlobalFree(foreign), foreign);
    }
    EXPECT_EQ(GlobalLiveBlocks(), before + 1);
    EXPECT_EQ(GlobalFree(block), nullptr);
    // A second free is refused and leaves the count alone.
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GlobalLiveBlocks(), before);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMemory, LockCountNests)
{
    HGLOBAL block = GlobalAlloc(GHND, 8);
    ASSERT_NE(block, nullptr);
    EXPECT_FALSE(GlobalUnlock(block));  // not locked
    GlobalLock(block);
    GlobalLock(block);
    EXPECT_TRUE(GlobalUnlock(block));   // still locked once
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemory, CountIsExactUnderConcurrentUse)
{
    const long before = GlobalLiveBlocks();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            std::vector<HGLOBAL> mine;
            for (int i = 0; i < 2000; ++i) {
                mine.push_back(GlobalAlloc(GHND, size_t(i % 64)));
                if (i % 3 == 0) {
                    GlobalFree(mine.back());
                    mine.pop_back();
                }
            }
            for (HGLOBAL h : mine)
                GlobalFree(h);
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(GlobalLiveBlocks(), before);
}
