#include "win/WIN_Handle.h"

#include "pal/PAL_Error.h"
#include "pal/PAL_Sync.h"
#include "win/WIN_Exception.h"

namespace win {

Handle_t::~Handle_t() {
    try {
        Close();
    } catch (...) {
        // A destructor never throws.
    }
}

pal::BOOL Handle_t::Close() {
    if (handle_ == kNoHandle) {
        return kNothingClosed;
    }
    const pal::HANDLE handle = handle_;
    handle_ = kNoHandle;
    return pal::CloseHandle(handle);
}

void Handle_t::Duplicate(Handle_t& target) const {
    pal::HANDLE duplicate = kNoHandle;
    // Without a handle there is nothing to duplicate (the all-bits-set value
    // would otherwise name the current process).
    if (handle_ == kNoHandle) {
        pal::SetLastError(pal::ERROR_INVALID_HANDLE);
        throw Error_t(__FILE__, 144);
    }
    if (!pal::DuplicateHandle(pal::GetCurrentProcess(), handle_, pal::GetCurrentProcess(),
                              &duplicate, 0, pal::TRUE, pal::DUPLICATE_SAME_ACCESS)) {
        throw Error_t(__FILE__, 144);
    }
    target = duplicate;
}

Handle_t& Handle_t::operator=(pal::HANDLE handle) {
    if (handle != handle_) {
        Close();
        handle_ = handle;
    }
    return *this;
}

pal::HANDLE Handle_t::Release() {
    const pal::HANDLE handle = handle_;
    handle_ = kNoHandle;
    return handle;
}

}  // namespace win
