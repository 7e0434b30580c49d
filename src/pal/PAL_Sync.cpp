#include "pal/PAL_Sync.h"

#include <unistd.h>

#include "pal/PAL_Kernel.h"

namespace pal {
namespace {

// Owned by at most one thread at a time, recursively; signalled while free.
class Mutex : public Waitable {
public:
    // Called with KernelMutex held by the creator when it asks for ownership.
    void TakeInitialOwnership(ThreadRecord& thread) { Acquire(thread); }

    bool IsSignalledFor(const ThreadRecord& thread) const override {
        return count_ == 0 || owner_ == thread.id;
    }

    bool Acquire(ThreadRecord& thread) override {
        if (count_++ == 0) {
            owner_ = thread.id;
            thread.owned.push_back(std::static_pointer_cast<Waitable>(shared_from_this()));
        }
        const bool abandoned = abandoned_;
        abandoned_ = false;
        return abandoned;
    }

    void OwnerEnded(ThreadRecord& thread) override {
        if (count_ != 0 && owner_ == thread.id) {
            count_ = 0;
            owner_ = 0;
            abandoned_ = true;
            WakeWaiters();
        }
    }

    // KernelMutex held. False when thread is not the owner.
    bool Release(ThreadRecord& thread) {
        if (count_ == 0 || owner_ != thread.id) {
            return false;
        }
        if (--count_ == 0) {
            owner_ = 0;
            std::erase_if(thread.owned, [this](const std::weak_ptr<Waitable>& owned) {
                return owned.lock().get() == this;
            });
            WakeWaiters();
        }
        return true;
    }

private:
    DWORD owner_ = 0;  // thread id; these fields are guarded by KernelMutex
    DWORD count_ = 0;
    bool abandoned_ = false;
};

bool IsCurrentProcess(HANDLE process) {
    return process == CURRENT_PROCESS_HANDLE;
}

// Creates an unnamed object, or opens or creates a named one of type T; the
// last-error value is 183 when it existed, 0 otherwise, 6 for a name taken by
// another kind of object.
template <class T>
HANDLE CreateKernelObject(const char* name, const std::function<std::shared_ptr<T>()>& make,
                          bool& existed) {
    existed = false;
    std::shared_ptr<T> object;
    if (name == nullptr || *name == '\0') {
        object = make();
    } else {
        object = std::dynamic_pointer_cast<T>(FindOrAddNamed(name, make, existed));
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
    }
    const HANDLE handle = InsertHandle(object);
    if (handle != 0) {
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    }
    return handle;
}

}  // namespace

HANDLE GetCurrentProcess() {
    return CURRENT_PROCESS_HANDLE;
}
HANDLE GetCurrentThread() {
    return CURRENT_THREAD_HANDLE;
}
DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(::getpid());
}
DWORD GetCurrentThreadId() {
    return ThreadRecord::Current().Id();
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == CURRENT_PROCESS_HANDLE || handle == CURRENT_THREAD_HANDLE) {
        return TRUE;
    }
    // The reference is dropped here, outside the table's lock.
    return RemoveHandle(handle) ? TRUE : FALSE;
}

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target,
                     DWORD /*desiredAccess*/, BOOL /*inheritHandle*/, DWORD options) {
    if (!IsCurrentProcess(sourceProcess) || !IsCurrentProcess(targetProcess)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (target == nullptr || (options & ~(DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (source == CURRENT_PROCESS_HANDLE) {
        SetLastError(ERROR_NOT_SUPPORTED);  // there is no process object
        return FALSE;
    }
    std::shared_ptr<KernelObject> object = LookupObject(source);
    if (!object) {
        return FALSE;
    }
    const HANDLE duplicate = InsertHandle(object);
    if (duplicate == 0) {
        return FALSE;
    }
    if ((options & DUPLICATE_CLOSE_SOURCE) != 0) {
        CloseHandle(source);
    }
    *target = duplicate;
    return TRUE;
}

HANDLE CreateEventA(const SECURITY_ATTRIBUTES* /*attributes*/, BOOL manualReset, BOOL initialState,
                    const char* name) {
    bool existed = false;
    return CreateKernelObject<Event>(
        name, [&] { return std::make_shared<Event>(manualReset != FALSE, initialState != FALSE); },
        existed);
}

BOOL SetEvent(HANDLE handle) {
    std::shared_ptr<Event> event = LookupHandle<Event>(handle);
    if (!event) {
        return FALSE;
    }
    event->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    std::shared_ptr<Event> event = LookupHandle<Event>(handle);
    if (!event) {
        return FALSE;
    }
    event->Reset();
    return TRUE;
}

HANDLE CreateMutexA(const SECURITY_ATTRIBUTES* /*attributes*/, BOOL initialOwner,
                    const char* name) {
    ThreadRecord& self = ThreadRecord::Current();
    self.Id();
    bool existed = false;
    // Ownership is taken before the name is published; an existing mutex
    // ignores the request.
    return CreateKernelObject<Mutex>(
        name,
        [&] {
            auto made = std::make_shared<Mutex>();
            if (initialOwner) {
                KernelLock lock(KernelMutex());
                made->TakeInitialOwnership(self);
            }
            return made;
        },
        existed);
}

BOOL ReleaseMutex(HANDLE handle) {
    std::shared_ptr<Mutex> mutex = LookupHandle<Mutex>(handle);
    if (!mutex) {
        return FALSE;
    }
    ThreadRecord& self = ThreadRecord::Current();
    self.Id();
    KernelLock lock(KernelMutex());
    if (!mutex->Release(self)) {
        lock.unlock();
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr || waitAll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        std::shared_ptr<Waitable> object = LookupHandle<Waitable>(handles[i]);
        if (!object) {
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }
    return WaitForAny(objects, milliseconds);
}

}  // namespace pal
