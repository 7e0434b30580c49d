// An event object owned through its handle.
#pragma once

#include "pal/PAL_Types.h"
#include "win/WIN_Handle.h"

namespace thr {

class Event_t : public win::Handle_t {
public:
    // Throws win::Error_t; a failed construction holds no handle.
    Event_t(const pal::SECURITY_ATTRIBUTES* attributes, bool manualReset, bool initiallySet,
            const char* name);

    void Set();
    void Reset();
    // True when signalled, tested by a wait of 0 ms (which consumes the
    // signal of an auto-reset event).
    bool IsSet() const;
};

}  // namespace thr
