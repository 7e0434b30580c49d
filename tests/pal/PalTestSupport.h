// Helpers shared by the platform-layer tests.
#pragma once

#include <gtest/gtest.h>

#include "pal/PAL_Kernel.h"
#include "pal/PAL_Sync.h"

namespace paltest {

// Closes the handle it holds when the test leaves its scope.
class ScopedHandle {
public:
    explicit ScopedHandle(pal::HANDLE handle = 0) : handle_(handle) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() {
        if (handle_ != 0) {
            pal::CloseHandle(handle_);
        }
    }
    pal::HANDLE get() const { return handle_; }
    pal::HANDLE release() {
        const pal::HANDLE handle = handle_;
        handle_ = 0;
        return handle;
    }

private:
    pal::HANDLE handle_;
};

inline pal::HANDLE NewEvent(bool manual, bool set = false) {
    return pal::CreateEventA(nullptr, manual ? pal::TRUE : pal::FALSE, set ? pal::TRUE : pal::FALSE,
                             nullptr);
}

// Blocks until count waits are registered on the object behind handle, so
// a test acts on a waiter that really blocks. Polls: the kernel has no
// notification for this, and tests only.
inline bool AwaitWaiters(pal::HANDLE handle, std::size_t count) {
    for (int i = 0; i < 20000; ++i) {
        if (pal::testhooks::WaiterCount(handle) >= count) {
            return true;
        }
        pal::Sleep(1);
    }
    return false;
}

}  // namespace paltest
