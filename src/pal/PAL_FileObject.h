// The kernel objects behind the handle calls of PAL_File other than
// devices (those go to the device model, PAL_Device.h). Internal to pal.
#pragma once

#include "pal/PAL_File.h"
#include "pal/PAL_Kernel.h"

namespace pal {

// Each call sets the last-error value on failure. The defaults fail with 1
// (invalid function), so a kind of object implements what it supports.
class IoObject : public KernelObject {
public:
    virtual BOOL Read(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped);
    virtual BOOL Write(const void* buffer, DWORD toWrite, DWORD* written, OVERLAPPED* overlapped);
    virtual BOOL GetSize(std::int64_t& size);
    // Moves the position; newPosition receives it.
    virtual BOOL Seek(std::int64_t distance, DWORD method, std::int64_t& newPosition);
    virtual BOOL SetEnd();
    virtual BOOL Flush();
};

}  // namespace pal
