#include <atomic>
#include <chrono>
#include <thread>

#include "pal/PAL_Kernel.h"
#include "pal/PAL_Sync.h"

namespace pal {
namespace {
std::atomic<DWORD> tickOffset{0};
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else if (milliseconds == INFINITE) {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::hours(24));
        }
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

DWORD GetTickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<DWORD>(ms) + tickOffset.load(std::memory_order_relaxed);
}

namespace testhooks {
void SetTickOffset(DWORD offset) {
    tickOffset.store(offset, std::memory_order_relaxed);
}
}  // namespace testhooks

}  // namespace pal
