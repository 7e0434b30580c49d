#include <set>
#include <thread>

#include "PalTestSupport.h"

using namespace pal;
using paltest::NewEvent;
using paltest::ScopedHandle;

namespace {

TEST(HandleTest, HandlesAreNeverZeroOrPseudo) {
    std::vector<HANDLE> handles;
    for (int i = 0; i < 100; ++i) {
        handles.push_back(NewEvent(true));
        EXPECT_NE(handles.back(), 0u);
        EXPECT_NE(handles.back(), CURRENT_PROCESS_HANDLE);
        EXPECT_NE(handles.back(), CURRENT_THREAD_HANDLE);
    }
    EXPECT_EQ(std::set<HANDLE>(handles.begin(), handles.end()).size(), handles.size());
    for (HANDLE handle : handles) {
        EXPECT_TRUE(CloseHandle(handle));
    }
}

TEST(HandleTest, InvalidHandlesGive6) {
    const HANDLE closed = NewEvent(true);
    CloseHandle(closed);
    const HANDLE bad[] = {0, INVALID_HANDLE_VALUE, closed, 0x12345678u};
    for (HANDLE handle : bad) {
        SetLastError(0);
        EXPECT_FALSE(SetEvent(handle)) << handle;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(closed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// A closed handle stays invalid when its slot is reused for a new object.
TEST(HandleTest, StaleHandleOfAReusedSlotGives6) {
    const HANDLE stale = NewEvent(true);
    CloseHandle(stale);
    HANDLE reused = 0;
    for (int i = 0; i < 70000 && reused == 0; ++i) {
        const HANDLE handle = NewEvent(true);
        ASSERT_NE(handle, 0u);
        if ((handle & 0xFFFF) == (stale & 0xFFFF)) {
            reused = handle;
        } else {
            CloseHandle(handle);
        }
    }
    ASSERT_NE(reused, 0u);
    ScopedHandle keep(reused);
    EXPECT_NE(reused, stale);
    SetLastError(0);
    EXPECT_FALSE(SetEvent(stale));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(SetEvent(reused));
}

TEST(HandleTest, WrongKindOfObjectGives6) {
    ScopedHandle mutex(CreateMutexA(nullptr, FALSE, nullptr));
    SetLastError(0);
    EXPECT_FALSE(SetEvent(mutex.get()));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(DuplicateHandleTest, DuplicateSharesTheObjectAndOutlivesTheSource) {
    const HANDLE source = NewEvent(true);
    HANDLE copy = 0;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, 0, TRUE,
                                DUPLICATE_SAME_ACCESS));
    ScopedHandle keep(copy);
    EXPECT_NE(copy, source);
    SetEvent(source);
    EXPECT_EQ(WaitForSingleObject(copy, 0), WAIT_OBJECT_0);
    CloseHandle(source);
    EXPECT_TRUE(ResetEvent(copy));
}

TEST(DuplicateHandleTest, CloseSourceClosesTheSource) {
    const HANDLE source = NewEvent(true);
    HANDLE copy = 0;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
    ScopedHandle keep(copy);
    EXPECT_FALSE(CloseHandle(source));
}

TEST(DuplicateHandleTest, FailuresSetTheError) {
    ScopedHandle event(NewEvent(true));
    HANDLE copy = 0;
    const HANDLE self = GetCurrentProcess();
    struct Case {
        HANDLE sourceProcess, source, targetProcess;
        HANDLE* target;
        DWORD options, error;
    };
    const Case cases[] = {
        {event.get(), event.get(), self, &copy, DUPLICATE_SAME_ACCESS, ERROR_INVALID_HANDLE},
        {self, event.get(), 0, &copy, DUPLICATE_SAME_ACCESS, ERROR_INVALID_HANDLE},
        {self, 0, self, &copy, DUPLICATE_SAME_ACCESS, ERROR_INVALID_HANDLE},
        {self, event.get(), self, nullptr, DUPLICATE_SAME_ACCESS, ERROR_INVALID_PARAMETER},
        {self, event.get(), self, &copy, 0x100, ERROR_INVALID_PARAMETER},
    };
    const std::size_t before = testhooks::OpenHandleCount();
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(DuplicateHandle(c.sourceProcess, c.source, c.targetProcess, c.target, 0, FALSE,
                                     c.options));
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(testhooks::OpenHandleCount(), before);
}

TEST(NamedObjectTest, SameNameOpensTheSameEvent) {
    ScopedHandle first(CreateEventA(nullptr, TRUE, FALSE, "quorvel-test-event"));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    ScopedHandle second(CreateEventA(nullptr, FALSE, TRUE, "quorvel-test-event"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_NE(second.get(), 0u);
    EXPECT_NE(first.get(), second.get());
    // The existing object keeps its kind and state: manual reset, unsignalled.
    EXPECT_EQ(WaitForSingleObject(first.get(), 0), WAIT_TIMEOUT);
    SetEvent(second.get());
    EXPECT_EQ(WaitForSingleObject(first.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(first.get(), 0), WAIT_OBJECT_0);
}

TEST(NamedObjectTest, NameIsFreeOnceEveryHandleIsClosed) {
    CloseHandle(CreateEventA(nullptr, TRUE, TRUE, "quorvel-test-transient"));
    ScopedHandle again(CreateEventA(nullptr, TRUE, FALSE, "quorvel-test-transient"));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(WaitForSingleObject(again.get(), 0), WAIT_TIMEOUT);
}

TEST(NamedObjectTest, NameOfAnotherKindGives6) {
    ScopedHandle event(CreateEventA(nullptr, TRUE, FALSE, "quorvel-test-kind"));
    SetLastError(0);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "quorvel-test-kind"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(NamedObjectTest, SameNameOpensTheSameMutex) {
    ScopedHandle first(CreateMutexA(nullptr, TRUE, "quorvel-test-mutex"));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    DWORD fromOther = 0, error = 0;
    std::thread other([&] {
        ScopedHandle second(CreateMutexA(nullptr, TRUE, "quorvel-test-mutex"));
        error = GetLastError();
        fromOther = WaitForSingleObject(second.get(), 0);
    });
    other.join();
    EXPECT_EQ(error, ERROR_ALREADY_EXISTS);
    EXPECT_EQ(fromOther, WAIT_TIMEOUT);  // owned here; the other's request was ignored
    EXPECT_TRUE(ReleaseMutex(first.get()));
}

TEST(MutexTest, OwnershipIsRecursive) {
    ScopedHandle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(mutex.get()));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
}

TEST(MutexTest, OtherThreadsCannotTakeOrReleaseIt) {
    ScopedHandle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    DWORD wait = 0, error = 0;
    BOOL released = TRUE;
    std::thread other([&] {
        wait = WaitForSingleObject(mutex.get(), 0);
        released = ReleaseMutex(mutex.get());
        error = GetLastError();
    });
    other.join();
    EXPECT_EQ(wait, WAIT_TIMEOUT);
    EXPECT_FALSE(released);
    EXPECT_EQ(error, ERROR_NOT_OWNER);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
}

TEST(MutexTest, ReleaseHandsItToAWaiter) {
    ScopedHandle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    ScopedHandle taken(NewEvent(true)), leave(NewEvent(true));
    std::thread other([&] {
        if (WaitForSingleObject(mutex.get(), INFINITE) == WAIT_OBJECT_0) {
            SetEvent(taken.get());
            WaitForSingleObject(leave.get(), INFINITE);
            ReleaseMutex(mutex.get());
        }
    });
    ASSERT_TRUE(paltest::AwaitWaiters(mutex.get(), 1));
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
    EXPECT_EQ(WaitForSingleObject(taken.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_TIMEOUT);
    SetEvent(leave.get());
    other.join();
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
    ReleaseMutex(mutex.get());
}

unsigned TakeAndEnd(void* mutex) {
    return WaitForSingleObject(*static_cast<HANDLE*>(mutex), 0) == WAIT_OBJECT_0 ? 1 : 0;
}

TEST(MutexTest, OwnerEndingAbandonsIt) {
    HANDLE raw = CreateMutexA(nullptr, FALSE, nullptr);
    ScopedHandle mutex(raw);
    ScopedHandle thread(BeginThreadEx(nullptr, 0, TakeAndEnd, &raw, 0, nullptr));
    ASSERT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread.get(), &code);
    ASSERT_EQ(code, 1u);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_ABANDONED_0);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));  // abandonment hands over ownership
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
}

TEST(MutexTest, ForeignThreadEndingAbandonsItToABlockedWaiter) {
    ScopedHandle mutex(CreateMutexA(nullptr, FALSE, nullptr));
    ScopedHandle other(NewEvent(false)), taken(NewEvent(true)), leave(NewEvent(true));
    std::thread owner([&] {
        WaitForSingleObject(mutex.get(), 0);
        SetEvent(taken.get());
        WaitForSingleObject(leave.get(), INFINITE);
    });
    ASSERT_EQ(WaitForSingleObject(taken.get(), 10000), WAIT_OBJECT_0);
    const HANDLE handles[] = {other.get(), mutex.get()};
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] {
        result = WaitForMultipleObjects(2, handles, FALSE, 10000);
        if (result == WAIT_ABANDONED_0 + 1) {
            ReleaseMutex(mutex.get());
        }
    });
    ASSERT_TRUE(paltest::AwaitWaiters(mutex.get(), 1));
    SetEvent(leave.get());
    owner.join();
    waiter.join();
    EXPECT_EQ(result, WAIT_ABANDONED_0 + 1);
}

}  // namespace
