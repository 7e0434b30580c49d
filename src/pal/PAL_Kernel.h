// The event kernel behind the call-shaped edge of PAL_Sync: kernel objects,
// the handle table, waitable objects with waiter lists and the per-thread
// wait block. Internal to pal and to the pal modules that add object kinds
// (files, devices, registry keys, windows); the program above pal uses the
// Win32-shaped functions only.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pal/PAL_Error.h"
#include "pal/PAL_Types.h"

namespace pal {

// Anything a handle can refer to. Objects live as long as a handle or any
// other reference (a wait in progress, a driver's pending request) holds them.
class KernelObject : public std::enable_shared_from_this<KernelObject> {
public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;
};

// Handle table. A handle is a slot index plus the slot's generation, so a
// closed handle stays invalid after its slot is reused. Never 0 and never one
// of the pseudo-handles.
// Returns 0 with last-error 4 when the table is full.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);
// The object behind a handle, or null with last-error 6. The pseudo-handle of
// the current thread yields the calling thread's thread object.
std::shared_ptr<KernelObject> LookupObject(HANDLE handle);
// Takes the handle out of the table and returns its object (null with
// last-error 6). The caller drops the reference outside any kernel lock.
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

// The object of type T behind a handle, or null with last-error 6 when the
// handle is invalid or refers to another kind of object.
template <class T>
std::shared_ptr<T> LookupHandle(HANDLE handle) {
    std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(LookupObject(handle));
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return object;
}

// Named objects (one namespace per process, names compared exactly). Returns
// the live object of that name, setting existed, or the one make returns,
// which then carries the name until it is destroyed.
std::shared_ptr<KernelObject> FindOrAddNamed(
    const std::string& name, const std::function<std::shared_ptr<KernelObject>()>& make,
    bool& existed);

// The one lock over every waitable's signal state and waiter list, and over
// every thread record's wait block and owned list. One lock because a wait
// spans several objects; it is held only for short state changes.
std::mutex& KernelMutex();
using KernelLock = std::unique_lock<std::mutex>;

class Waitable;
class ThreadObject;
namespace testhooks {
std::size_t WaiterCount(HANDLE handle);
}

// The wait block of one thread: armed while the thread blocks in WaitForAny.
// Once fired it refuses further firings, so a signal it did not take stays
// with its object for the next waiter.
struct WaitBlock {
    std::condition_variable wake;
    bool fired = false;
    DWORD result = 0;
};

// Per-thread kernel state, one per thread that ever touches the kernel
// (threads of BeginThreadEx and foreign ones alike). Fields are guarded by
// KernelMutex, except id, which only its own thread assigns.
class ThreadRecord {
public:
    static ThreadRecord& Current();
    DWORD Id();  // assigned at first use, stable for the thread's life

    // Ends the thread for the kernel: abandons what it owns and signals its
    // thread object with the exit code. Runs once; again at thread exit.
    void Finish(DWORD exitCode);

    ~ThreadRecord();

    WaitBlock wait;
    std::vector<std::weak_ptr<Waitable>> owned;  // objects this thread owns (mutexes)
    std::shared_ptr<ThreadObject> object;        // made on demand for foreign threads
    DWORD id = 0;
    bool finished = false;
};

// An object with a signal state that threads wait on. Every hook runs with
// KernelMutex held.
class Waitable : public KernelObject {
public:
    // True when a wait of thread would be satisfied now.
    virtual bool IsSignalledFor(const ThreadRecord& thread) const = 0;
    // Takes the signal for thread: an auto-reset event is consumed, a mutex
    // becomes owned. Returns true when the object was abandoned.
    virtual bool Acquire(ThreadRecord& thread) = 0;
    // The owning thread ended while owning the object.
    virtual void OwnerEnded(ThreadRecord& /*thread*/) {}

protected:
    // KernelMutex held: after the state changed, offers the signal to the
    // waiters in arrival order; each armed waiter that may take it does.
    void WakeWaiters();

private:
    friend DWORD WaitForAny(const std::vector<std::shared_ptr<Waitable>>&, DWORD);
    friend std::size_t testhooks::WaiterCount(HANDLE);
    struct Link {
        ThreadRecord* thread;
        DWORD index;
    };
    std::vector<Link> waiters_;
};

// Wait-any: returns WAIT_OBJECT_0 + i (or WAIT_ABANDONED_0 + i) for the
// lowest index i whose object is signalled, consuming only that one, or
// WAIT_TIMEOUT. The caller's references keep the objects alive meanwhile.
DWORD WaitForAny(const std::vector<std::shared_ptr<Waitable>>& objects, DWORD milliseconds);

class Event : public Waitable {
public:
    Event(bool manualReset, bool initiallySet) : manual_(manualReset), set_(initiallySet) {}
    // Any thread, any time (driver threads completing requests included).
    void Set();
    void Reset();
    bool IsSet() const;

    bool IsSignalledFor(const ThreadRecord& thread) const override;
    bool Acquire(ThreadRecord& thread) override;

private:
    const bool manual_;
    bool set_;  // KernelMutex
};

// The calling thread's thread object (made on demand for foreign threads).
std::shared_ptr<Waitable> CurrentThreadObject();

// Signals an event held by reference, from any thread.
inline void SignalEvent(Event& event) {
    event.Set();
}

namespace testhooks {
// Handles currently in the table.
std::size_t OpenHandleCount();
// Threads blocked in a wait on the object behind handle.
std::size_t WaiterCount(HANDLE handle);
// The next count thread starts fail with error, as if the system refused.
void FailThreadStarts(unsigned count, DWORD error);
// Added to GetTickCount, to move the tick count next to its wrap.
void SetTickOffset(DWORD offset);
}  // namespace testhooks

}  // namespace pal
