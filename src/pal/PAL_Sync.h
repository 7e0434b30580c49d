// Handles, events, mutexes, waits, threads and ticks: the call-shaped edge of
// the event kernel. Every function sets the last-error value on failure.
#pragma once

#include "pal/PAL_Types.h"

namespace pal {

// Pseudo-handles, as the system defines them.
constexpr HANDLE CURRENT_PROCESS_HANDLE = 0xFFFFFFFFu;
constexpr HANDLE CURRENT_THREAD_HANDLE = 0xFFFFFFFEu;
HANDLE GetCurrentProcess();
HANDLE GetCurrentThread();
DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();

BOOL CloseHandle(HANDLE handle);

constexpr DWORD DUPLICATE_CLOSE_SOURCE = 0x1;
constexpr DWORD DUPLICATE_SAME_ACCESS = 0x2;
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target,
                     DWORD desiredAccess, BOOL inheritHandle, DWORD options);

HANDLE CreateEventA(const SECURITY_ATTRIBUTES* attributes, BOOL manualReset, BOOL initialState,
                    const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

HANDLE CreateMutexA(const SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, const char* name);
BOOL ReleaseMutex(HANDLE mutex);

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Wait-any only (waitAll must be FALSE, else 87): among the signalled objects
// the lowest index in the caller's list wins and only that one is consumed.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Threads. The start routine takes one pointer and returns a 32-bit code; the
// thread handle becomes signalled when the routine returns.
using ThreadStartRoutine = unsigned (*)(void*);
constexpr DWORD CREATE_SUSPENDED = 0x4;
constexpr DWORD STILL_ACTIVE = 259;
// Like the runtime library's thread start: returns the handle, 0 on failure.
HANDLE BeginThreadEx(const SECURITY_ATTRIBUTES* attributes, unsigned stackSize,
                     ThreadStartRoutine start, void* argument, unsigned creationFlags,
                     unsigned* threadId);
DWORD ResumeThread(HANDLE thread);  // previous suspend count, 0xFFFFFFFF on failure
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
BOOL SetThreadPriority(HANDLE thread, int priority);  // best effort on Linux
int GetThreadPriority(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);

void Sleep(DWORD milliseconds);
DWORD GetTickCount();  // milliseconds on the monotonic clock, 32-bit, wrapping

}  // namespace pal
