// Stack capture with the C library's backtrace(). Each address is stored as
// a 32-bit offset from its module's base: the fields are 32-bit, and module
// offsets stay meaningful across runs despite address randomisation.
#include <dlfcn.h>
#include <execinfo.h>
#include <ucontext.h>

#include <cstdint>

#include "glo/GLO_Exception.h"

namespace glo {
namespace {

// backtrace() loads the unwinder on first use, which allocates; doing it
// once at start keeps a capture inside a fault handler from being the first.
const bool warmedUp = [] {
    void* frames[4];
    return backtrace(frames, 4) > 0;
}();

std::uintptr_t FaultInstruction(const void* context) {
#if defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    return static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
#else
    (void)context;
    return 0;
#endif
}

}  // namespace

std::uint32_t ModuleOffset(const void* address) noexcept {
    Dl_info info{};
    const auto value = reinterpret_cast<std::uintptr_t>(address);
    if (dladdr(address, &info) != 0 && info.dli_fbase != nullptr) {
        return static_cast<std::uint32_t>(value - reinterpret_cast<std::uintptr_t>(info.dli_fbase));
    }
    return static_cast<std::uint32_t>(value);
}

void CaptureStackTrace(const void* context, StackTrace_t& trace) noexcept {
    (void)warmedUp;
    trace.clear();
    constexpr int kRoom = static_cast<int>(kMaxStackTraceDepth) + 32;
    void* frames[kRoom];
    const int count = backtrace(frames, kRoom);
    int first = 0;
    if (context != nullptr) {
        // Start at the faulting instruction: skip the handler's own frames.
        const std::uintptr_t pc = FaultInstruction(context);
        for (int i = 0; i < count; ++i) {
            const auto address = reinterpret_cast<std::uintptr_t>(frames[i]);
            if (pc != 0 && address >= pc && address - pc <= 1) {
                first = i;
                break;
            }
        }
    }
    try {
        trace.reserve(kMaxStackTraceDepth);
        for (int i = first; i < count && trace.size() < kMaxStackTraceDepth; ++i) {
            trace.push_back(ModuleOffset(frames[i]));
        }
    } catch (...) {
        trace.clear();
    }
}

}  // namespace glo
