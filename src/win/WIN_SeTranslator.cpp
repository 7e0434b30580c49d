// Hardware faults become exceptions: on a thread that installed the
// translator, a synchronous SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGTRAP is
// thrown from the signal handler as win::StructuredException_t. The build
// uses -fnon-call-exceptions, so a faulting instruction of our own code can
// be unwound through.
//
// Limit: a fault inside a C library function declared non-throwing (memcpy,
// strlen, ...) cannot be translated; unwinding stops there and the process
// terminates.
//
// Under ThreadSanitizer the handler is still installed, but a fault cannot
// be thrown from it: the sanitizer's signal wrapper expects its handlers to
// return, and reports every later call on that thread as made inside a
// signal handler.
//
// Handlers are process-wide and installed once; whether a fault is
// translated is a per-thread decision. Faults on other threads, and signals
// sent by kill() or raise(), go to the disposition found before ours
// (AddressSanitizer's handler, or the default, which ends the process).
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstddef>
#include <cstdint>
#include <mutex>

#if defined(__aarch64__)
#include <asm/sigcontext.h>
#endif

#include "win/WIN_Exception.h"
#include "win/WIN_SeTranslator.h"

namespace win {
namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP};
constexpr std::size_t kSignalCount = sizeof kFaultSignals / sizeof kFaultSignals[0];
// Room for formatting the text, the stack capture and the unwinder; the
// sanitizers need more than a plain build.
constexpr std::size_t kAltStackSize = 256 * 1024;

struct sigaction previousActions[kSignalCount];
std::once_flag handlersInstalled;

// Per thread: whether faults are translated, and the alternate stack the
// handler runs on. Plain data, so the handler's access needs no lazy
// initialisation.
struct ThreadState_t {
    bool installed;
    bool translating;
    void* altStack;
    stack_t previousStack;
};
constinit thread_local ThreadState_t threadState{};

void UninstallForThisThread() noexcept {
    ThreadState_t& state = threadState;
    if (!state.installed) {
        return;
    }
    state.installed = false;
    if ((state.previousStack.ss_flags & SS_DISABLE) != 0 || state.previousStack.ss_sp == nullptr) {
        stack_t disable{};
        disable.ss_flags = SS_DISABLE;
        sigaltstack(&disable, nullptr);
    } else {
        sigaltstack(&state.previousStack, nullptr);
    }
    munmap(state.altStack, kAltStackSize);
    state.altStack = nullptr;
}

// Its destructor gives the alternate stack up when the thread ends: the
// kernel must not keep pointing at freed memory (AddressSanitizer's own
// thread teardown fails otherwise).
struct ThreadGuard_t {
    ~ThreadGuard_t() { UninstallForThisThread(); }
};
thread_local ThreadGuard_t threadGuard;

void InstallForThisThread() {
    ThreadState_t& state = threadState;
    if (state.installed) {
        return;
    }
    (void)&threadGuard;  // constructs the guard, which registers its destructor
    void* memory =
        mmap(nullptr, kAltStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw Error_t(__FILE__, __LINE__, 8);
    }
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = kAltStackSize;
    if (sigaltstack(&stack, &state.previousStack) != 0) {
        munmap(memory, kAltStackSize);
        throw Error_t(__FILE__, __LINE__, 87);
    }
    state.altStack = memory;
    state.installed = true;
}

std::size_t SignalIndex(int signo) {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        if (kFaultSignals[i] == signo) {
            return i;
        }
    }
    return kSignalCount;
}

// The fault is not ours to translate: hand it to what was there before.
void PassOn(int signo, siginfo_t* info, void* context) {
    const std::size_t index = SignalIndex(signo);
    if (index < kSignalCount) {
        const struct sigaction& previous = previousActions[index];
        const bool isHandler = previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN;
        if (isHandler && (previous.sa_flags & SA_SIGINFO) != 0) {
            previous.sa_sigaction(signo, info, context);
            return;
        }
        if (isHandler) {
            previous.sa_handler(signo);
            return;
        }
    }
    // Default (an ignored hardware fault is fatal too): die by the signal.
    ::signal(signo, SIG_DFL);
    raise(signo);
}

std::uintptr_t InstructionAddress(const ucontext_t* context) {
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(context->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<std::uintptr_t>(context->uc_mcontext.pc);
#else
    (void)context;
    return 0;
#endif
}

bool IsWriteAccess(const ucontext_t* context) {
#if defined(__x86_64__)
    // Page-fault error code: bit 1 set for a write.
    return (context->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#elif defined(__aarch64__)
    // The exception syndrome record follows the general registers; WnR is
    // bit 6 of a data abort's syndrome.
    const auto* reserved = context->uc_mcontext.__reserved;
    std::size_t offset = 0;
    while (offset + sizeof(_aarch64_ctx) <= sizeof context->uc_mcontext.__reserved) {
        const auto* header = reinterpret_cast<const _aarch64_ctx*>(reserved + offset);
        if (header->magic == 0 || header->size == 0) {
            break;
        }
        if (header->magic == ESR_MAGIC) {
            const auto* esr = reinterpret_cast<const esr_context*>(header);
            return (esr->esr & (1u << 6)) != 0;
        }
        offset += header->size;
    }
    return false;
#else
    (void)context;
    return false;
#endif
}

std::uint32_t FaultCode(int signo, const siginfo_t* info) {
    switch (signo) {
        case SIGSEGV:
            return kAccessViolation;
        case SIGBUS:
            return info->si_code == BUS_ADRALN ? 0x80000002u : 0xC0000006u;
        case SIGILL:
            return info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG ? 0xC0000096u
                                                                              : 0xC000001Du;
        case SIGTRAP:
            return info->si_code == TRAP_TRACE ? 0x80000004u : 0x80000003u;
        case SIGFPE:
            switch (info->si_code) {
                case FPE_INTDIV:
                    return kIntegerDivideByZero;
                case FPE_INTOVF:
                    return 0xC0000095u;
                case FPE_FLTDIV:
                    return 0xC000008Eu;
                case FPE_FLTOVF:
                    return 0xC0000091u;
                case FPE_FLTUND:
                    return 0xC0000093u;
                case FPE_FLTRES:
                    return 0xC000008Fu;
                case FPE_FLTSUB:
                    return 0xC000008Cu;
                default:
                    return 0xC0000090u;
            }
        default:
            return 0xC000001Du;
    }
}

void OnFault(int signo, siginfo_t* info, void* context) {
    // Only faults of this thread's own instructions (si_code > 0) are
    // translated, and never a fault while a translation is being made.
    ThreadState_t& state = threadState;
    if (!state.installed || state.translating || info == nullptr || info->si_code <= 0 ||
        context == nullptr) {
        PassOn(signo, info, context);
        return;
    }
    state.translating = true;
    const auto* uc = static_cast<const ucontext_t*>(context);
    ExceptionPointers_t record;
    record.code = FaultCode(signo, info);
    record.instructionAddress = InstructionAddress(uc);
#if defined(__x86_64__)
    if (signo == SIGTRAP && info->si_code != TRAP_TRACE && record.instructionAddress != 0) {
        --record.instructionAddress;  // the kernel reports the address after int3
    }
#endif
    record.context = context;
    if (signo == SIGSEGV || signo == SIGBUS) {
        record.parameters[0] = IsWriteAccess(uc) ? 1 : 0;
        record.parameters[1] = reinterpret_cast<std::uintptr_t>(info->si_addr);
    }
    try {
        ThrowTranslatedFault(record);
    } catch (...) {
        state.translating = false;
        throw;
    }
}

void InstallHandlers() {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        struct sigaction action {};
        action.sa_sigaction = OnFault;
        // SA_NODEFER: the handler is left by throwing, never by returning, so
        // the signal must not stay blocked for the next fault.
        action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(kFaultSignals[i], &action, &previousActions[i]);
    }
}

}  // namespace

void InstallSeTranslator() {
    std::call_once(handlersInstalled, InstallHandlers);
    InstallForThisThread();
}

void UninstallSeTranslator() noexcept {
    UninstallForThisThread();
}

}  // namespace win
