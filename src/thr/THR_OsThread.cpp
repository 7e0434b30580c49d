#include "thr/THR_OsThread.h"

#include "win/WIN_Exception.h"

namespace thr {

OsThread_t::OsThread_t(const pal::SECURITY_ATTRIBUTES* attributes, unsigned stackSize,
                       pal::ThreadStartRoutine start, void* argument, unsigned creationFlags) {
    unsigned id = 0;
    const pal::HANDLE handle =
        pal::BeginThreadEx(attributes, stackSize, start, argument, creationFlags, &id);
    if (handle == 0) {
        throw win::Error_t(__FILE__, 56);
    }
    handle_ = handle;
    id_ = id;
}

void OsThread_t::SetPriority(int priority) {
    if (!pal::SetThreadPriority(GetHandle(), priority)) {
        throw win::Error_t(__FILE__, 134);
    }
}

pal::DWORD OsThread_t::Resume() {
    const pal::DWORD previous = pal::ResumeThread(GetHandle());
    if (previous == 0xFFFFFFFFu) {
        throw win::Error_t(__FILE__, __LINE__);
    }
    return previous;
}

}  // namespace thr
