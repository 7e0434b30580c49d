#include "thr/THR_Event.h"

#include "pal/PAL_Sync.h"
#include "win/WIN_Exception.h"

namespace thr {
namespace {

pal::HANDLE CreateEventOrThrow(const pal::SECURITY_ATTRIBUTES* attributes, bool manualReset,
                               bool initiallySet, const char* name) {
    const pal::HANDLE handle = pal::CreateEventA(attributes, manualReset ? pal::TRUE : pal::FALSE,
                                                 initiallySet ? pal::TRUE : pal::FALSE, name);
    if (handle == 0) {
        throw win::Error_t(__FILE__, 40);
    }
    return handle;
}

}  // namespace

Event_t::Event_t(const pal::SECURITY_ATTRIBUTES* attributes, bool manualReset, bool initiallySet,
                 const char* name)
    : win::Handle_t(CreateEventOrThrow(attributes, manualReset, initiallySet, name)) {}

void Event_t::Set() {
    if (!pal::SetEvent(GetHandle())) {
        throw win::Error_t(__FILE__, 53);
    }
}

void Event_t::Reset() {
    if (!pal::ResetEvent(GetHandle())) {
        throw win::Error_t(__FILE__, 66);
    }
}

bool Event_t::IsSet() const {
    const pal::DWORD result = pal::WaitForSingleObject(GetHandle(), 0);
    if (result == pal::WAIT_OBJECT_0) {
        return true;
    }
    if (result == pal::WAIT_TIMEOUT) {
        return false;
    }
    throw win::Error_t(__FILE__, 121);
}

}  // namespace thr
