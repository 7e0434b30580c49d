// The device model: the caller's side. CreateFileA hands device paths here
// ("\\.\NAME", "//./NAME" and the unit paths "\\?\..." of the unit bus); the
// driver that serves the path answers the handle's requests, at once or
// later from any of its threads (PAL_Driver.h).
#pragma once

#include <cstdint>
#include <string>

#include "pal/PAL_Types.h"

namespace pal {

// Internal holds the request's state: ERROR_IO_PENDING (997) while it runs,
// then its Windows error code (0 for success); InternalHigh the byte count.
// Both are written under the device model's lock; read them only through
// GetOverlappedResult.
struct OVERLAPPED {
    std::uintptr_t Internal = 0;
    std::uintptr_t InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = 0;
};

constexpr DWORD FILE_DEVICE_UNKNOWN = 0x22;
constexpr DWORD METHOD_BUFFERED = 0;
constexpr DWORD FILE_ANY_ACCESS = 0;
constexpr DWORD CtlCode(DWORD deviceType, DWORD function, DWORD method, DWORD access) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

bool IsDevicePath(const std::string& path);
// Opens a device; INVALID_HANDLE_VALUE with the last-error value set: 2 when
// no driver serves the path, 32 when the device is held without sharing, or
// sharing is refused because it is already open.
HANDLE CreateDeviceFile(const std::string& path, DWORD desiredAccess, DWORD shareMode,
                        DWORD creationDisposition, DWORD flagsAndAttributes);
// True when handle refers to an open device.
bool IsDeviceHandle(HANDLE handle);

// The device half of ReadFile and WriteFile. With an OVERLAPPED: TRUE when
// the request completed at once, else FALSE with 997 (completion later sets
// the OVERLAPPED's event) or with the error the driver refused it with.
// Without one the call blocks until the request completes.
BOOL ReadDevice(HANDLE device, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped);
BOOL WriteDevice(HANDLE device, const void* buffer, DWORD toWrite, DWORD* written,
                 OVERLAPPED* overlapped);

BOOL DeviceIoControl(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                     DWORD outputSize, DWORD* returned, OVERLAPPED* overlapped);
// 996 while the request runs and wait is FALSE; with wait TRUE blocks on the
// OVERLAPPED's event. A failed request gives FALSE with its code.
BOOL GetOverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait);
// Completes with 995 every request that the calling thread issued on this
// handle and that has not completed yet; the driver is told to drop them.
BOOL CancelIo(HANDLE device);

}  // namespace pal
