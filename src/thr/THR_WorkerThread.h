// A worker thread with the stop rule: the owner signals the worker's
// manual-reset stop event and waits a bounded time for the thread to end;
// the worker's waits include the stop event (see THR_Wait.h) and end the
// body with glo::Terminate_t, which its top level catches to return 0.
#pragma once

#include "glo/GLO_AutoPtr.h"
#include "glo/GLO_NonCopyable.h"
#include "pal/PAL_Sync.h"
#include "thr/THR_Event.h"
#include "thr/THR_OsThread.h"

namespace thr {

// What the start routine receives (its address). Valid while the owner
// waits for the thread: a body must not use it once Stop has given up.
struct WorkerContext_t {
    Event_t* stopEvent;
    Event_t* secondEvent;  // handed to the body; never signalled by the owner
    void* user;
};

// Owned and driven by one thread (the owner); the events may be used from
// any thread.
class WorkerThread_t : private glo::NonCopyable_t {
public:
    static constexpr pal::DWORD kDestructorStopLimit = 3000;

    // Creates both events (manual reset, unsignalled) and starts the thread
    // on the context's address, suspended when asked. Throws win::Error_t;
    // nothing stays open when it does.
    WorkerThread_t(pal::ThreadStartRoutine start, void* user, bool startSuspended);
    // Stop(3000), failures dropped; never kills a thread that does not end.
    ~WorkerThread_t();

    // True when the thread has ended. A thread that has already ended (or
    // whose handle cannot be waited on) leaves the stop event alone;
    // otherwise the stop event is set and the thread gets limit ms to end.
    // Throws win::Error_t when the stop event cannot be set.
    bool Stop(pal::DWORD limit);
    void SetPriority(int priority);
    // Lets a thread started suspended run.
    void Resume();

    Event_t& StopEvent() { return stopEvent_; }
    Event_t& SecondEvent() { return secondEvent_; }
    pal::HANDLE GetThreadHandle() const { return thread_->GetHandle(); }
    pal::DWORD GetThreadId() const { return thread_->GetId(); }

private:
    Event_t stopEvent_;
    Event_t secondEvent_;
    WorkerContext_t context_;
    glo::AutoPtr_t<OsThread_t> thread_;
    bool suspended_;
};

}  // namespace thr
