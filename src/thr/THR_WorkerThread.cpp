#include "thr/THR_WorkerThread.h"

namespace thr {

WorkerThread_t::WorkerThread_t(pal::ThreadStartRoutine start, void* user, bool startSuspended)
    : stopEvent_(nullptr, true, false, nullptr),
      secondEvent_(nullptr, true, false, nullptr),
      context_{&stopEvent_, &secondEvent_, user},
      thread_(
          new OsThread_t(nullptr, 0, start, &context_, startSuspended ? pal::CREATE_SUSPENDED : 0)),
      suspended_(startSuspended) {}

WorkerThread_t::~WorkerThread_t() {
    try {
        Stop(kDestructorStopLimit);
    } catch (...) {
        // A destructor never throws; the thread is left to end on its own.
    }
}

bool WorkerThread_t::Stop(pal::DWORD limit) {
    if (pal::WaitForSingleObject(thread_->GetHandle(), 0) != pal::WAIT_TIMEOUT) {
        return true;
    }
    stopEvent_.Set();
    // A thread that never ran would otherwise wait suspended for ever; it
    // now starts with its stop event set and ends at its first wait.
    if (suspended_) {
        Resume();
    }
    return pal::WaitForSingleObject(thread_->GetHandle(), limit) == pal::WAIT_OBJECT_0;
}

void WorkerThread_t::SetPriority(int priority) {
    thread_->SetPriority(priority);
}

void WorkerThread_t::Resume() {
    thread_->Resume();
    suspended_ = false;
}

}  // namespace thr
