// The owner of one system handle.
#pragma once

#include <cstdint>

#include "glo/GLO_NonCopyable.h"
#include "pal/PAL_Types.h"

namespace win {

class Handle_t : private glo::NonCopyable_t {
public:
    // All bits set: no handle is held.
    static constexpr pal::HANDLE kNoHandle = 0xFFFFFFFFu;
    // What Close returns when no handle is held (all bits set).
    static constexpr pal::BOOL kNothingClosed = -1;

    Handle_t() = default;
    explicit Handle_t(pal::HANDLE handle) : handle_(handle) {}
    // Closes the handle; failures are dropped.
    ~Handle_t();

    // Closes the held handle (the system's result) or, without one, returns
    // kNothingClosed without a call.
    pal::BOOL Close();
    // Makes target hold a duplicate of this handle (same process, same
    // access, inheritable). Throws win::Error_t.
    void Duplicate(Handle_t& target) const;
    // Takes over handle, closing the held one first when it differs.
    Handle_t& operator=(pal::HANDLE handle);

    pal::HANDLE GetHandle() const { return handle_; }
    bool IsValid() const { return handle_ != kNoHandle; }
    // Gives up ownership without closing.
    pal::HANDLE Release();

private:
    pal::HANDLE handle_ = kNoHandle;
};

}  // namespace win
