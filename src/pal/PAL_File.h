// Plain files on POSIX, with the Windows semantics the program relies on:
// share mode 0 is exclusive (a second open fails with 32), the read-only
// attribute is the absence of the write bits, reads and writes are
// synchronous. Device paths go to the device model (PAL_Device.h).
#pragma once

#include <cstdint>

#include "pal/PAL_Types.h"

namespace pal {

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

struct OVERLAPPED;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    std::int64_t QuadPart;
};

// INVALID_HANDLE_VALUE on failure: 2 no such file, 3 no such directory,
// 5 access denied (also a directory opened as a file), 32 sharing violation,
// 80 exists (CREATE_NEW), 87 bad arguments, 123 bad name. CREATE_ALWAYS and
// OPEN_ALWAYS on an existing file set 183 and succeed. A new file created
// with FILE_ATTRIBUTE_READONLY has no write bits.
HANDLE CreateFileA(const char* path, DWORD desiredAccess, DWORD shareMode,
                   const SECURITY_ATTRIBUTES* security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);

// Synchronous for plain files (overlapped must be null; 87 otherwise). A
// handle not opened for the direction fails with 5.
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               OVERLAPPED* overlapped);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition,
                      DWORD method);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

// Path operations. 2/3 when the file or its directory is missing, 5 when
// not permitted, 183 when the directory exists, 145 when it is not empty,
// 267 when a directory call meets a file.
BOOL DeleteFileA(const char* path);
BOOL CreateDirectoryA(const char* path, const SECURITY_ATTRIBUTES* security);
BOOL RemoveDirectoryA(const char* path);
DWORD GetFileAttributesA(const char* path);
// Only FILE_ATTRIBUTE_READONLY has an effect: it clears or restores the
// write bits.
BOOL SetFileAttributesA(const char* path, DWORD attributes);

// The temporary directory of the runtime locations, ending in "/". Returns
// the length stored (without the NUL), or the size needed (with the NUL)
// when the buffer is too small.
DWORD GetTempPathA(DWORD size, char* buffer);

// The errno of a failed POSIX call as a Windows error number.
DWORD ErrorFromErrno(int error);

}  // namespace pal
