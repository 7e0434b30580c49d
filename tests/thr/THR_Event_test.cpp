#include "thr/THR_Event.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "pal/PAL_Kernel.h"
#include "pal/PAL_Sync.h"
#include "win/WIN_Exception.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void ExpectError(const std::function<void()>& action, unsigned line, pal::DWORD code) {
    try {
        action();
        ADD_FAILURE() << "no exception for line " << line;
    } catch (const win::Error_t& error) {
        EXPECT_EQ(error.SourceLine(), line);
        EXPECT_TRUE(EndsWith(error.SourceFile(), "THR_Event.cpp")) << error.SourceFile();
        EXPECT_EQ(error.code, code);
    }
}

TEST(EventTest, ManualResetIsSetUntilReset) {
    thr::Event_t event(nullptr, true, false, nullptr);
    EXPECT_FALSE(event.IsSet());
    event.Set();
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}

TEST(EventTest, AutoResetIsConsumedByIsSet) {
    thr::Event_t event(nullptr, false, true, nullptr);
    EXPECT_TRUE(event.IsSet());
    EXPECT_FALSE(event.IsSet());
}

TEST(EventTest, SameNameGivesTheSameEvent) {
    thr::Event_t first(nullptr, true, false, "thr-test-event");
    thr::Event_t second(nullptr, true, false, "thr-test-event");
    first.Set();
    EXPECT_TRUE(second.IsSet());
}

TEST(EventTest, FailuresThrowAtTheirLines) {
    pal::HANDLE mutex = pal::CreateMutexA(nullptr, pal::FALSE, "thr-test-taken");
    const std::size_t before = pal::testhooks::OpenHandleCount();
    ExpectError([] { thr::Event_t event(nullptr, true, false, "thr-test-taken"); }, 40,
                pal::ERROR_INVALID_HANDLE);
    EXPECT_EQ(pal::testhooks::OpenHandleCount(), before);
    pal::CloseHandle(mutex);

    thr::Event_t closed(nullptr, true, false, nullptr);
    closed.Close();
    ExpectError([&] { closed.Set(); }, 53, pal::ERROR_INVALID_HANDLE);
    ExpectError([&] { closed.Reset(); }, 66, pal::ERROR_INVALID_HANDLE);
    ExpectError([&] { (void)closed.IsSet(); }, 121, pal::ERROR_INVALID_HANDLE);
}

TEST(EventTest, DuplicateSeesTheSameSignal) {
    thr::Event_t event(nullptr, true, false, nullptr);
    win::Handle_t copy;
    event.Duplicate(copy);
    event.Set();
    EXPECT_EQ(pal::WaitForSingleObject(copy.GetHandle(), 0), pal::WAIT_OBJECT_0);
}

}  // namespace
