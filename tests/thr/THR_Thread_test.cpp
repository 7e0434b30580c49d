#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "glo/GLO_Exception.h"
#include "pal/PAL_Kernel.h"
#include "pal/PAL_Sync.h"
#include "thr/THR_OsThread.h"
#include "thr/THR_Wait.h"
#include "thr/THR_WorkerThread.h"
#include "win/WIN_Exception.h"

using pal::testhooks::OpenHandleCount;
using Clock = std::chrono::steady_clock;

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What a test body shares with its test; lives longer than the worker.
struct Probe {
    thr::Event_t started{nullptr, true, false, nullptr};
    thr::Event_t release{nullptr, true, false, nullptr};
    thr::Event_t finished{nullptr, true, false, nullptr};
    thr::WorkerContext_t seen{};
    bool terminated = false;
};

Probe& ProbeOf(void* context) {
    return *static_cast<Probe*>(static_cast<thr::WorkerContext_t*>(context)->user);
}

// Follows the stop rule: waits for its release or its stop event.
unsigned ObedientBody(void* context) {
    Probe& probe = ProbeOf(context);
    probe.seen = *static_cast<thr::WorkerContext_t*>(context);
    probe.started.Set();
    try {
        thr::WaitOrStop(probe.seen.stopEvent->GetHandle(), {probe.release.GetHandle()},
                        pal::INFINITE, __FILE__, __LINE__);
    } catch (const glo::Terminate_t&) {
        probe.terminated = true;
        return 0;
    }
    return 7;
}

// Ignores its stop event; uses no context after its start.
unsigned StubbornBody(void* context) {
    Probe& probe = ProbeOf(context);
    probe.started.Set();
    pal::WaitForSingleObject(probe.release.GetHandle(), pal::INFINITE);
    probe.finished.Set();
    return 0;
}

unsigned QuickBody(void* context) {
    ProbeOf(context).started.Set();
    return 0;
}

TEST(WorkerThreadTest, ContextCarriesBothEventsAndTheUserPointer) {
    Probe probe;
    thr::WorkerThread_t worker(ObedientBody, &probe, false);
    ASSERT_EQ(pal::WaitForSingleObject(probe.started.GetHandle(), 10000), pal::WAIT_OBJECT_0);
    EXPECT_EQ(probe.seen.stopEvent, &worker.StopEvent());
    EXPECT_EQ(probe.seen.secondEvent, &worker.SecondEvent());
    EXPECT_EQ(probe.seen.user, &probe);
    EXPECT_FALSE(worker.SecondEvent().IsSet());
    EXPECT_NE(worker.GetThreadId(), 0u);
}

TEST(WorkerThreadTest, StopEndsAnObedientThread) {
    Probe probe;
    thr::WorkerThread_t worker(ObedientBody, &probe, false);
    ASSERT_EQ(pal::WaitForSingleObject(probe.started.GetHandle(), 10000), pal::WAIT_OBJECT_0);
    EXPECT_TRUE(worker.Stop(3000));
    EXPECT_TRUE(probe.terminated);
    EXPECT_TRUE(worker.StopEvent().IsSet());
    pal::DWORD code = 1;
    pal::GetExitCodeThread(worker.GetThreadHandle(), &code);
    EXPECT_EQ(code, 0u);
}

TEST(WorkerThreadTest, StopOfAnEndedThreadLeavesTheStopEventAlone) {
    Probe probe;
    thr::WorkerThread_t worker(QuickBody, &probe, false);
    ASSERT_EQ(pal::WaitForSingleObject(worker.GetThreadHandle(), 10000), pal::WAIT_OBJECT_0);
    EXPECT_TRUE(worker.Stop(0));
    EXPECT_FALSE(worker.StopEvent().IsSet());
}

TEST(WorkerThreadTest, StopGivesUpOnAThreadThatIgnoresItsEvent) {
    Probe probe;
    thr::WorkerThread_t worker(StubbornBody, &probe, false);
    ASSERT_EQ(pal::WaitForSingleObject(probe.started.GetHandle(), 10000), pal::WAIT_OBJECT_0);
    const auto start = Clock::now();
    EXPECT_FALSE(worker.Stop(100));
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(90));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
    EXPECT_TRUE(worker.StopEvent().IsSet());
    probe.release.Set();
    EXPECT_TRUE(worker.Stop(10000));
}

// The one long case: the destructor waits 3000 ms, then leaves the thread
// running rather than killing it.
TEST(WorkerThreadTest, DestructorGivesUpAfterItsLimitAndKillsNothing) {
    Probe probe;
    auto start = Clock::now();
    {
        thr::WorkerThread_t worker(StubbornBody, &probe, false);
        ASSERT_EQ(pal::WaitForSingleObject(probe.started.GetHandle(), 10000), pal::WAIT_OBJECT_0);
        start = Clock::now();
    }
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(2900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(10000));
    EXPECT_FALSE(probe.finished.IsSet());
    probe.release.Set();
    EXPECT_EQ(pal::WaitForSingleObject(probe.finished.GetHandle(), 10000), pal::WAIT_OBJECT_0);
}

TEST(WorkerThreadTest, SuspendedStartRunsOnResume) {
    Probe probe;
    thr::WorkerThread_t worker(QuickBody, &probe, true);
    EXPECT_EQ(pal::WaitForSingleObject(probe.started.GetHandle(), 50), pal::WAIT_TIMEOUT);
    worker.Resume();
    EXPECT_EQ(pal::WaitForSingleObject(probe.started.GetHandle(), 10000), pal::WAIT_OBJECT_0);
    EXPECT_TRUE(worker.Stop(3000));
}

TEST(WorkerThreadTest, StopOfANeverResumedThreadLetsItEndByTheStopRule) {
    Probe probe;
    thr::WorkerThread_t worker(ObedientBody, &probe, true);
    EXPECT_TRUE(worker.Stop(3000));
    EXPECT_TRUE(probe.terminated);
}

TEST(WorkerThreadTest, PriorityFailureThrowsAtItsLine) {
    Probe probe;
    thr::WorkerThread_t worker(ObedientBody, &probe, false);
    EXPECT_NO_THROW(worker.SetPriority(pal::THREAD_PRIORITY_TIME_CRITICAL));
    try {
        worker.SetPriority(99);
        ADD_FAILURE() << "no exception";
    } catch (const win::Error_t& error) {
        EXPECT_EQ(error.SourceLine(), 134);
        EXPECT_TRUE(EndsWith(error.SourceFile(), "THR_OsThread.cpp"));
        EXPECT_EQ(error.code, pal::ERROR_INVALID_PARAMETER);
    }
}

TEST(OsThreadTest, RefusedStartThrowsAndLeavesNothingOpen) {
    Probe probe;
    const std::size_t before = OpenHandleCount();
    pal::testhooks::FailThreadStarts(2, pal::ERROR_NOT_ENOUGH_MEMORY);
    try {
        thr::OsThread_t thread(nullptr, 0, QuickBody, nullptr, 0);
        ADD_FAILURE() << "no exception";
    } catch (const win::Error_t& error) {
        EXPECT_EQ(error.SourceLine(), 56);
        EXPECT_TRUE(EndsWith(error.SourceFile(), "THR_OsThread.cpp"));
        EXPECT_EQ(error.code, pal::ERROR_NOT_ENOUGH_MEMORY);
    }
    EXPECT_EQ(OpenHandleCount(), before);
    EXPECT_THROW(thr::WorkerThread_t(QuickBody, &probe, false), win::Error_t);
    EXPECT_EQ(OpenHandleCount(), before);  // both events closed again
}

TEST(OsThreadTest, HandleIsSignalledWhenTheThreadEnds) {
    Probe probe;
    thr::WorkerContext_t context{nullptr, nullptr, &probe};
    thr::OsThread_t thread(nullptr, 0, QuickBody, &context, 0);
    EXPECT_NE(thread.GetId(), 0u);
    EXPECT_EQ(pal::WaitForSingleObject(thread.GetHandle(), 10000), pal::WAIT_OBJECT_0);
}

class WaitOrStopTest : public ::testing::Test {
protected:
    thr::Event_t stop{nullptr, true, false, nullptr};
    thr::Event_t first{nullptr, true, false, nullptr};
    thr::Event_t second{nullptr, false, false, nullptr};

    pal::DWORD Wait(pal::DWORD ms) {
        return thr::WaitOrStop(stop.GetHandle(), {first.GetHandle(), second.GetHandle()}, ms,
                               "THR_Test", 77);
    }
};

TEST_F(WaitOrStopTest, ReturnsTheIndexOfTheSignalledObject) {
    second.Set();
    EXPECT_EQ(Wait(0), 1u);
    first.Set();
    EXPECT_EQ(Wait(pal::INFINITE), 0u);
}

TEST_F(WaitOrStopTest, StopWinsEvenWhenAnObjectIsSignalled) {
    first.Set();
    stop.Set();
    try {
        Wait(pal::INFINITE);
        ADD_FAILURE() << "no exception";
    } catch (const glo::Terminate_t& terminate) {
        EXPECT_EQ(terminate.SourceLine(), 77);
        EXPECT_STREQ(terminate.SourceFile(), "THR_Test");
    }
}

TEST_F(WaitOrStopTest, TimeoutAndFailureThrow) {
    EXPECT_THROW(Wait(20), glo::Timeout_t);
    second.Close();
    try {
        Wait(0);
        ADD_FAILURE() << "no exception";
    } catch (const win::Error_t& error) {
        EXPECT_EQ(error.SourceLine(), 77);
        EXPECT_EQ(error.code, pal::ERROR_INVALID_HANDLE);
    }
}

}  // namespace
