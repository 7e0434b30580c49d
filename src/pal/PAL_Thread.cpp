#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>

#include "pal/PAL_Kernel.h"
#include "pal/PAL_Sync.h"

namespace pal {

// A thread as a waitable object: signalled once its routine has returned.
class ThreadObject : public Waitable {
public:
    ThreadObject(DWORD threadId, DWORD suspendCount) : id(threadId), suspended(suspendCount) {}

    bool IsSignalledFor(const ThreadRecord& /*thread*/) const override { return ended; }
    bool Acquire(ThreadRecord& /*thread*/) override { return false; }

    // KernelMutex held.
    void End(DWORD code) {
        exitCode = code;
        ended = true;
        WakeWaiters();
    }

    const DWORD id;
    // Guarded by KernelMutex.
    DWORD suspended;
    DWORD exitCode = STILL_ACTIVE;
    bool ended = false;
    int priority = THREAD_PRIORITY_NORMAL;
    pid_t systemId = 0;  // the kernel's thread id, known once the thread runs
    std::condition_variable resumed;
};

namespace {

std::atomic<DWORD> nextThreadId{4};
std::atomic<unsigned> failingStarts{0};
std::atomic<DWORD> failingStartError{0};

DWORD NewThreadId() {
    // Multiples of four, as the system hands them out; never 0.
    DWORD id;
    do {
        id = nextThreadId.fetch_add(4);
    } while (id == 0);
    return id;
}

// Nice values for the system's priorities; unprivileged processes may only
// lower their threads, and a refusal is not an error (best effort).
int NiceFor(int priority) {
    if (priority >= THREAD_PRIORITY_TIME_CRITICAL) {
        return -20;
    }
    if (priority <= -15) {
        return 19;
    }
    return std::clamp(-5 * priority, -19, 18);
}

void ApplyPriority(pid_t systemId, int priority) {
    if (systemId != 0) {
        (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(systemId), NiceFor(priority));
    }
}

struct StartRecord {
    std::shared_ptr<ThreadObject> object;
    ThreadStartRoutine routine;
    void* argument;
};

void* RunThread(void* raw) {
    std::unique_ptr<StartRecord> start(static_cast<StartRecord*>(raw));
    ThreadRecord& self = ThreadRecord::Current();
    self.id = start->object->id;
    int priority;
    {
        KernelLock lock(KernelMutex());
        self.object = start->object;
        self.object->systemId = ::gettid();
        priority = self.object->priority;
        self.object->resumed.wait(lock, [&] { return self.object->suspended == 0; });
    }
    if (priority != THREAD_PRIORITY_NORMAL) {
        ApplyPriority(::gettid(), priority);
    }
    const unsigned code = start->routine(start->argument);
    self.Finish(code);
    return nullptr;
}

}  // namespace

ThreadRecord& ThreadRecord::Current() {
    thread_local ThreadRecord record;
    return record;
}

DWORD ThreadRecord::Id() {
    if (id == 0) {
        id = NewThreadId();
    }
    return id;
}

void ThreadRecord::Finish(DWORD exitCode) {
    KernelLock lock(KernelMutex());
    if (finished) {
        return;
    }
    finished = true;
    std::vector<std::weak_ptr<Waitable>> owning;
    owning.swap(owned);
    for (const std::weak_ptr<Waitable>& weak : owning) {
        if (std::shared_ptr<Waitable> held = weak.lock()) {
            held->OwnerEnded(*this);
        }
    }
    if (object) {
        object->End(exitCode);
    }
}

ThreadRecord::~ThreadRecord() {
    // A foreign thread (not started by BeginThreadEx) ends here.
    Finish(0);
}

std::shared_ptr<Waitable> CurrentThreadObject() {
    ThreadRecord& self = ThreadRecord::Current();
    const DWORD id = self.Id();
    KernelLock lock(KernelMutex());
    if (!self.object) {
        self.object = std::make_shared<ThreadObject>(id, 0);
        self.object->systemId = ::gettid();
    }
    return self.object;
}

HANDLE BeginThreadEx(const SECURITY_ATTRIBUTES* /*attributes*/, unsigned stackSize,
                     ThreadStartRoutine start, void* argument, unsigned creationFlags,
                     unsigned* threadId) {
    constexpr unsigned kStackSizeIsReservation = 0x10000;
    if (start == nullptr || (creationFlags & ~(CREATE_SUSPENDED | kStackSizeIsReservation)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (unsigned left = failingStarts.load(); left != 0;) {
        if (failingStarts.compare_exchange_weak(left, left - 1)) {
            SetLastError(failingStartError.load());
            return 0;
        }
    }

    const DWORD id = NewThreadId();
    auto object = std::make_shared<ThreadObject>(id, (creationFlags & CREATE_SUSPENDED) ? 1 : 0);
    const HANDLE handle = InsertHandle(object);
    if (handle == 0) {
        return 0;
    }

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (stackSize != 0) {
        const long page = ::sysconf(_SC_PAGESIZE);
        std::size_t size = std::max<std::size_t>(stackSize, PTHREAD_STACK_MIN);
        size = (size + page - 1) / page * page;
        pthread_attr_setstacksize(&attr, size);
    }
    auto* record = new StartRecord{object, start, argument};
    pthread_t thread;
    const int error = pthread_create(&thread, &attr, RunThread, record);
    pthread_attr_destroy(&attr);
    if (error != 0) {
        delete record;
        RemoveHandle(handle);
        SetLastError(error == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (threadId != nullptr) {
        *threadId = id;
    }
    return handle;
}

DWORD ResumeThread(HANDLE handle) {
    std::shared_ptr<ThreadObject> thread = LookupHandle<ThreadObject>(handle);
    if (!thread) {
        return 0xFFFFFFFFu;
    }
    KernelLock lock(KernelMutex());
    const DWORD previous = thread->suspended;
    if (previous != 0 && --thread->suspended == 0) {
        thread->resumed.notify_all();
    }
    return previous;
}

BOOL SetThreadPriority(HANDLE handle, int priority) {
    std::shared_ptr<ThreadObject> thread = LookupHandle<ThreadObject>(handle);
    if (!thread) {
        return FALSE;
    }
    if (priority < -15 || priority > THREAD_PRIORITY_TIME_CRITICAL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pid_t systemId;
    {
        KernelLock lock(KernelMutex());
        thread->priority = priority;
        // A thread that has not run yet applies its priority when it starts.
        systemId = thread->ended ? 0 : thread->systemId;
    }
    ApplyPriority(systemId, priority);
    return TRUE;
}

int GetThreadPriority(HANDLE handle) {
    constexpr int kPriorityErrorReturn = 0x7FFFFFFF;
    std::shared_ptr<ThreadObject> thread = LookupHandle<ThreadObject>(handle);
    if (!thread) {
        return kPriorityErrorReturn;
    }
    KernelLock lock(KernelMutex());
    return thread->priority;
}

BOOL GetExitCodeThread(HANDLE handle, DWORD* exitCode) {
    std::shared_ptr<ThreadObject> thread = LookupHandle<ThreadObject>(handle);
    if (!thread) {
        return FALSE;
    }
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    KernelLock lock(KernelMutex());
    *exitCode = thread->exitCode;
    return TRUE;
}

namespace testhooks {
void FailThreadStarts(unsigned count, DWORD error) {
    failingStartError.store(error);
    failingStarts.store(count);
}
}  // namespace testhooks

}  // namespace pal
