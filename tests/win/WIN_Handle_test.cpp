#include "win/WIN_Handle.h"

#include <gtest/gtest.h>

#include <string>

#include "pal/PAL_Kernel.h"
#include "pal/PAL_Sync.h"
#include "win/WIN_Exception.h"

using pal::testhooks::OpenHandleCount;

namespace {

pal::HANDLE NewEvent() {
    return pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(HandleTest, CloseWithoutAHandleMakesNoCall) {
    win::Handle_t handle;
    EXPECT_FALSE(handle.IsValid());
    pal::SetLastError(1234);
    EXPECT_EQ(handle.Close(), win::Handle_t::kNothingClosed);
    EXPECT_EQ(handle.Close(), -1);
    EXPECT_EQ(pal::GetLastError(), 1234u);
}

TEST(HandleTest, CloseReturnsTheSystemsResultOnce) {
    const std::size_t before = OpenHandleCount();
    win::Handle_t handle(NewEvent());
    EXPECT_EQ(OpenHandleCount(), before + 1);
    EXPECT_EQ(handle.Close(), pal::TRUE);
    EXPECT_EQ(OpenHandleCount(), before);
    EXPECT_FALSE(handle.IsValid());
    EXPECT_EQ(handle.Close(), win::Handle_t::kNothingClosed);
}

TEST(HandleTest, CloseOfADeadHandleReportsTheFailure) {
    const pal::HANDLE raw = NewEvent();
    pal::CloseHandle(raw);
    win::Handle_t handle(raw);
    EXPECT_EQ(handle.Close(), pal::FALSE);
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_INVALID_HANDLE);
}

TEST(HandleTest, DestructorCloses) {
    const std::size_t before = OpenHandleCount();
    { win::Handle_t handle(NewEvent()); }
    EXPECT_EQ(OpenHandleCount(), before);
    {
        const pal::HANDLE raw = NewEvent();
        pal::CloseHandle(raw);
        win::Handle_t dead(raw);  // its failing close must not escape
    }
}

TEST(HandleTest, AssigningAnotherHandleClosesTheHeldOne) {
    const std::size_t before = OpenHandleCount();
    win::Handle_t handle(NewEvent());
    const pal::HANDLE first = handle.GetHandle();
    handle = NewEvent();
    EXPECT_EQ(OpenHandleCount(), before + 1);
    EXPECT_NE(handle.GetHandle(), first);
    EXPECT_FALSE(pal::SetEvent(first));

    const pal::HANDLE second = handle.GetHandle();
    handle = second;  // the same handle: kept open
    EXPECT_TRUE(pal::SetEvent(second));
    handle = win::Handle_t::kNoHandle;
    EXPECT_EQ(OpenHandleCount(), before);
}

TEST(HandleTest, DuplicateSharesTheObjectAndReplacesTheTargetsHandle) {
    const std::size_t before = OpenHandleCount();
    win::Handle_t source(NewEvent());
    win::Handle_t target(NewEvent());
    const pal::HANDLE old = target.GetHandle();
    source.Duplicate(target);
    EXPECT_EQ(OpenHandleCount(), before + 2);
    EXPECT_NE(target.GetHandle(), source.GetHandle());
    EXPECT_FALSE(pal::SetEvent(old));
    pal::SetEvent(source.GetHandle());
    EXPECT_EQ(pal::WaitForSingleObject(target.GetHandle(), 0), pal::WAIT_OBJECT_0);
    source.Close();
    EXPECT_TRUE(pal::ResetEvent(target.GetHandle()));
}

TEST(HandleTest, FailedDuplicateThrowsAtItsLine) {
    const pal::HANDLE raw = NewEvent();
    pal::CloseHandle(raw);
    win::Handle_t dead(raw);
    win::Handle_t none;
    for (win::Handle_t* source : {&dead, &none}) {
        win::Handle_t target;
        try {
            source->Duplicate(target);
            ADD_FAILURE() << "no exception";
        } catch (const win::Error_t& error) {
            EXPECT_EQ(error.code, pal::ERROR_INVALID_HANDLE);
            EXPECT_EQ(error.SourceLine(), 144);
            EXPECT_TRUE(EndsWith(error.SourceFile(), "WIN_Handle.cpp")) << error.SourceFile();
        }
        EXPECT_FALSE(target.IsValid());
    }
}

TEST(HandleTest, ReleaseGivesUpOwnership) {
    win::Handle_t handle(NewEvent());
    const pal::HANDLE raw = handle.Release();
    EXPECT_FALSE(handle.IsValid());
    EXPECT_TRUE(pal::CloseHandle(raw));
}

}  // namespace
