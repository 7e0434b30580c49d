// The stop rule for thread bodies: every blocking wait of a worker waits on
// its stop event together with its own objects.
#pragma once

#include <initializer_list>

#include "pal/PAL_Sync.h"

namespace thr {

// Waits until one of objects (at most 63) or the stop event is signalled,
// for at most milliseconds (INFINITE allowed). The stop event is waited on
// first, so it wins when both are signalled. Returns the index in objects of
// the one signalled (an abandoned mutex counts as signalled). Throws, with
// file and line: glo::Terminate_t when the stop event is signalled,
// glo::Timeout_t when the time runs out, win::Error_t when the wait fails.
pal::DWORD WaitOrStop(pal::HANDLE stopEvent, std::initializer_list<pal::HANDLE> objects,
                      pal::DWORD milliseconds, const char* file, unsigned line);

}  // namespace thr
