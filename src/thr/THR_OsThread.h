// A system thread started through the runtime's thread start.
#pragma once

#include "glo/GLO_NonCopyable.h"
#include "pal/PAL_Sync.h"
#include "win/WIN_Handle.h"

namespace thr {

class OsThread_t : private glo::NonCopyable_t {
public:
    // Starts the thread (suspended with CREATE_SUSPENDED). Throws
    // win::Error_t; a failed start holds no handle.
    OsThread_t(const pal::SECURITY_ATTRIBUTES* attributes, unsigned stackSize,
               pal::ThreadStartRoutine start, void* argument, unsigned creationFlags);

    // The handle is signalled once the thread has ended.
    pal::HANDLE GetHandle() const { return handle_.GetHandle(); }
    pal::DWORD GetId() const { return id_; }

    // A system thread priority (-15 to 15). Throws win::Error_t.
    void SetPriority(int priority);
    // Lets a suspended thread run; returns the previous suspend count.
    // Throws win::Error_t.
    pal::DWORD Resume();

private:
    win::Handle_t handle_;
    pal::DWORD id_ = 0;
};

}  // namespace thr
