#include <atomic>
#include <thread>

#include "PalTestSupport.h"

using namespace pal;
using paltest::NewEvent;
using paltest::ScopedHandle;

namespace {

struct Gate {
    HANDLE started;
    HANDLE release;
    DWORD idInside = 0;
    DWORD idAgain = 0;
};

unsigned WaitAtGate(void* raw) {
    auto* gate = static_cast<Gate*>(raw);
    gate->idInside = GetCurrentThreadId();
    SetEvent(gate->started);
    WaitForSingleObject(gate->release, INFINITE);
    gate->idAgain = GetCurrentThreadId();
    return 42;
}

class ThreadTest : public ::testing::Test {
protected:
    ScopedHandle started{NewEvent(true)};
    ScopedHandle release{NewEvent(true)};
    Gate gate{started.get(), release.get()};
};

TEST_F(ThreadTest, RunsAndReportsItsExitCode) {
    unsigned id = 0;
    ScopedHandle thread(BeginThreadEx(nullptr, 0, WaitAtGate, &gate, 0, &id));
    ASSERT_NE(thread.get(), 0u);
    ASSERT_EQ(WaitForSingleObject(started.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread.get(), &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread.get(), 0), WAIT_TIMEOUT);

    SetEvent(release.get());
    ASSERT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(thread.get(), &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(WaitForSingleObject(thread.get(), 0), WAIT_OBJECT_0);  // stays signalled

    EXPECT_NE(id, 0u);
    EXPECT_EQ(gate.idInside, id);
    EXPECT_EQ(gate.idAgain, id);
    EXPECT_NE(GetCurrentThreadId(), id);
}

TEST_F(ThreadTest, SuspendedThreadRunsOnlyWhenResumed) {
    ScopedHandle thread(
        BeginThreadEx(nullptr, 64 * 1024, WaitAtGate, &gate, CREATE_SUSPENDED, nullptr));
    ASSERT_NE(thread.get(), 0u);
    EXPECT_EQ(WaitForSingleObject(started.get(), 50), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(thread.get()), 1u);
    EXPECT_EQ(WaitForSingleObject(started.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ResumeThread(thread.get()), 0u);
    SetEvent(release.get());
    EXPECT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
}

TEST_F(ThreadTest, ClosingAHandleLeavesTheThreadRunning) {
    const HANDLE first = BeginThreadEx(nullptr, 0, WaitAtGate, &gate, 0, nullptr);
    HANDLE second = 0;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), first, GetCurrentProcess(), &second, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    ScopedHandle keep(second);
    CloseHandle(first);
    ASSERT_EQ(WaitForSingleObject(started.get(), 10000), WAIT_OBJECT_0);
    SetEvent(release.get());
    ASSERT_EQ(WaitForSingleObject(second, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(gate.idAgain, gate.idInside);
}

TEST_F(ThreadTest, PriorityAcceptsTheSystemValuesEvenWhenLinuxRefuses) {
    ScopedHandle thread(BeginThreadEx(nullptr, 0, WaitAtGate, &gate, CREATE_SUSPENDED, nullptr));
    EXPECT_TRUE(SetThreadPriority(thread.get(), THREAD_PRIORITY_TIME_CRITICAL));  // before it runs
    EXPECT_EQ(GetThreadPriority(thread.get()), THREAD_PRIORITY_TIME_CRITICAL);
    ResumeThread(thread.get());
    ASSERT_EQ(WaitForSingleObject(started.get(), 10000), WAIT_OBJECT_0);
    for (int priority : {-15, -2, -1, 0, 1, 2, 15}) {
        EXPECT_TRUE(SetThreadPriority(thread.get(), priority)) << priority;
        EXPECT_EQ(GetThreadPriority(thread.get()), priority);
    }
    for (int priority : {-16, 16, 31}) {
        SetLastError(0);
        EXPECT_FALSE(SetThreadPriority(thread.get(), priority));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    SetEvent(release.get());
    ASSERT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(SetThreadPriority(thread.get(), 2));  // an ended thread is still a thread
    SetLastError(0);
    EXPECT_FALSE(SetThreadPriority(started.get(), 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(ThreadStartTest, BadArgumentsAndRefusedStartsReturnNoHandle) {
    const std::size_t before = testhooks::OpenHandleCount();
    SetLastError(0);
    EXPECT_EQ(BeginThreadEx(nullptr, 0, nullptr, nullptr, 0, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    testhooks::FailThreadStarts(1, ERROR_NOT_ENOUGH_MEMORY);
    unsigned id = 7;
    EXPECT_EQ(BeginThreadEx(nullptr, 0, WaitAtGate, nullptr, 0, &id), 0u);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(id, 7u);
    EXPECT_EQ(testhooks::OpenHandleCount(), before);
}

TEST(CurrentThreadTest, PseudoHandleDuplicatesToTheThreadItself) {
    HANDLE self = 0;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self,
                                0, FALSE, DUPLICATE_SAME_ACCESS));
    ScopedHandle keep(self);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(self, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(self, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(GetCurrentThread()));  // closing a pseudo-handle does nothing
}

TEST(CurrentThreadTest, ForeignThreadHandleIsSignalledWhenItEnds) {
    HANDLE handle = 0;
    DWORD id = 0;
    std::thread foreign([&] {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &handle, 0,
                        FALSE, DUPLICATE_SAME_ACCESS);
        id = GetCurrentThreadId();
    });
    foreign.join();
    ScopedHandle keep(handle);
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_OBJECT_0);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_NE(id, 0u);
}

TEST(CurrentThreadTest, LastErrorIsPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen = 1;
    std::thread other([&] {
        seen = GetLastError();
        SetLastError(ERROR_INVALID_NAME);
    });
    other.join();
    EXPECT_EQ(seen, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(TickTest, CountsMillisecondsAcrossTheWrap) {
    const DWORD now = GetTickCount();
    testhooks::SetTickOffset(0xFFFFFFFFu - now - 20);  // 20 ms before the wrap
    const DWORD before = GetTickCount();
    Sleep(60);
    const DWORD after = GetTickCount();
    testhooks::SetTickOffset(0);
    EXPECT_GT(before, 0xFFFFFF00u);
    EXPECT_LT(after, before);  // wrapped
    const DWORD elapsed = after - before;
    EXPECT_GE(elapsed, 55u);
    EXPECT_LT(elapsed, 2000u);
}

}  // namespace
