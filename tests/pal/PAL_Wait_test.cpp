#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "PalTestSupport.h"

using namespace pal;
using paltest::AwaitWaiters;
using paltest::NewEvent;
using paltest::ScopedHandle;

namespace {

bool IsSignalled(HANDLE handle) {
    return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

TEST(EventTest, ManualResetStaysSetUntilReset) {
    ScopedHandle event(NewEvent(true));
    ASSERT_NE(event.get(), 0u);
    EXPECT_FALSE(IsSignalled(event.get()));
    ASSERT_TRUE(SetEvent(event.get()));
    EXPECT_TRUE(IsSignalled(event.get()));
    EXPECT_TRUE(IsSignalled(event.get()));
    ASSERT_TRUE(ResetEvent(event.get()));
    EXPECT_FALSE(IsSignalled(event.get()));
}

TEST(EventTest, AutoResetIsConsumedByOneWait) {
    ScopedHandle event(NewEvent(false, true));
    EXPECT_TRUE(IsSignalled(event.get()));
    EXPECT_FALSE(IsSignalled(event.get()));
    SetEvent(event.get());
    SetEvent(event.get());  // a second set of a set event adds nothing
    EXPECT_TRUE(IsSignalled(event.get()));
    EXPECT_FALSE(IsSignalled(event.get()));
}

TEST(EventTest, ManualResetReleasesEveryWaiter) {
    ScopedHandle event(NewEvent(true));
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            if (WaitForSingleObject(event.get(), INFINITE) == WAIT_OBJECT_0) {
                ++woken;
            }
        });
    }
    ASSERT_TRUE(AwaitWaiters(event.get(), 4));
    SetEvent(event.get());
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(woken, 4);
    EXPECT_TRUE(IsSignalled(event.get()));
}

TEST(EventTest, AutoResetReleasesOneWaiterPerSet) {
    ScopedHandle event(NewEvent(false));
    ScopedHandle done(NewEvent(false));
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (WaitForSingleObject(event.get(), INFINITE) == WAIT_OBJECT_0) {
                ++woken;
                SetEvent(done.get());
            }
        });
    }
    ASSERT_TRUE(AwaitWaiters(event.get(), 3));
    for (int i = 1; i <= 3; ++i) {
        SetEvent(event.get());
        ASSERT_EQ(WaitForSingleObject(done.get(), 10000), WAIT_OBJECT_0);
        EXPECT_EQ(woken, i);
    }
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_FALSE(IsSignalled(event.get()));
}

TEST(WaitTest, LowestSignalledIndexWinsAndOnlyItIsConsumed) {
    ScopedHandle a(NewEvent(false)), b(NewEvent(false)), c(NewEvent(false));
    const HANDLE handles[] = {a.get(), b.get(), c.get()};
    SetEvent(c.get());
    SetEvent(b.get());
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_FALSE(IsSignalled(b.get()));
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_TIMEOUT);
}

TEST(WaitTest, BlockedWaiterReportsTheIndexThatFired) {
    ScopedHandle a(NewEvent(false)), b(NewEvent(true));
    const HANDLE handles[] = {a.get(), b.get()};
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForMultipleObjects(2, handles, FALSE, INFINITE); });
    ASSERT_TRUE(AwaitWaiters(b.get(), 1));
    SetEvent(b.get());
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0 + 1);
    EXPECT_TRUE(IsSignalled(b.get()));
}

// A waiter on two auto-reset events takes exactly one signal; the other must
// stay with its event, whether the waiter was blocked or not.
TEST(WaitTest, FiredWaiterLeavesTheSecondSignalInPlace) {
    ScopedHandle a(NewEvent(false)), b(NewEvent(false));
    const HANDLE handles[] = {a.get(), b.get()};
    for (int round = 0; round < 200; ++round) {
        DWORD result = WAIT_FAILED;
        std::thread waiter([&] { result = WaitForMultipleObjects(2, handles, FALSE, 10000); });
        SetEvent(a.get());
        SetEvent(b.get());
        waiter.join();
        ASSERT_TRUE(result == WAIT_OBJECT_0 || result == WAIT_OBJECT_0 + 1) << result;
        const int left = (IsSignalled(a.get()) ? 1 : 0) + (IsSignalled(b.get()) ? 1 : 0);
        ASSERT_EQ(left, 1) << "round " << round;
    }
}

TEST(WaitTest, ZeroTimeoutReturnsAtOnce) {
    ScopedHandle event(NewEvent(true));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
}

TEST(WaitTest, TimedWaitRunsOutAfterItsTime) {
    ScopedHandle event(NewEvent(false));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event.get(), 100), WAIT_TIMEOUT);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(90));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
}

TEST(WaitTest, InfiniteWaitEndsWhenSignalled) {
    ScopedHandle event(NewEvent(false));
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForSingleObject(event.get(), INFINITE); });
    ASSERT_TRUE(AwaitWaiters(event.get(), 1));
    SetEvent(event.get());
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
}

TEST(WaitTest, ClosingAHandleDuringAWaitIsSafe) {
    const HANDLE original = NewEvent(false);
    HANDLE duplicate = 0;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), original, GetCurrentProcess(), &duplicate, 0,
                                FALSE, DUPLICATE_SAME_ACCESS));
    ScopedHandle keep(duplicate);
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForSingleObject(original, INFINITE); });
    ASSERT_TRUE(AwaitWaiters(duplicate, 1));
    ASSERT_TRUE(CloseHandle(original));
    SetEvent(duplicate);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
}

TEST(WaitTest, ClosingTheLastHandleLeavesATimedWaitToRunOut) {
    const HANDLE event = NewEvent(false);
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForSingleObject(event, 200); });
    ASSERT_TRUE(AwaitWaiters(event, 1));
    ASSERT_TRUE(CloseHandle(event));
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
}

TEST(WaitTest, BadArgumentsFail) {
    ScopedHandle event(NewEvent(true, true));
    const HANDLE handles[MAXIMUM_WAIT_OBJECTS + 1] = {event.get()};
    struct Case {
        DWORD count;
        BOOL waitAll;
        DWORD error;
    };
    const Case cases[] = {
        {0, FALSE, ERROR_INVALID_PARAMETER},
        {MAXIMUM_WAIT_OBJECTS + 1, FALSE, ERROR_INVALID_PARAMETER},
        {1, TRUE, ERROR_INVALID_PARAMETER},
        {2, FALSE, ERROR_INVALID_HANDLE},  // the second handle is 0
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(WaitForMultipleObjects(c.count, handles, c.waitAll, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), c.error) << c.count;
    }
}

// Producers and consumers pass one token back and forth: a producer sets the
// work event only after taking the token, a consumer returns the token after
// each wake-up. Every set must then wake exactly one consumer; a lost signal
// stalls the exchange and a doubled one breaks the count.
TEST(WaitStressTest, NoAutoResetSignalIsLost) {
    constexpr int kProducers = 4, kConsumers = 4, kRounds = 500;
    ScopedHandle work(NewEvent(false)), token(NewEvent(false, true)), stop(NewEvent(true));
    std::atomic<int> consumed{0};
    std::atomic<bool> stalled{false};
    std::vector<std::thread> threads;
    for (int c = 0; c < kConsumers; ++c) {
        threads.emplace_back([&] {
            const HANDLE handles[] = {stop.get(), work.get()};
            for (;;) {
                const DWORD result = WaitForMultipleObjects(2, handles, FALSE, 20000);
                if (result != WAIT_OBJECT_0 + 1) {
                    stalled = stalled || result != WAIT_OBJECT_0;
                    return;
                }
                ++consumed;
                SetEvent(token.get());
            }
        });
    }
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                if (WaitForSingleObject(token.get(), 20000) != WAIT_OBJECT_0) {
                    stalled = true;
                    return;
                }
                SetEvent(work.get());
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    EXPECT_EQ(WaitForSingleObject(token.get(), 20000), WAIT_OBJECT_0);  // the last one back
    SetEvent(stop.get());
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_FALSE(stalled);
    EXPECT_EQ(consumed, kProducers * kRounds);
}

}  // namespace
