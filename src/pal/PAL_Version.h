// The operating-system version record. The program tells the NT family
// (platform 2) from the 9x family (platform 1); on Linux we report NT 5.1.
#pragma once

#include "pal/PAL_Types.h"

namespace pal {

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    char szCSDVersion[128] = {};
};

// FALSE with last error 87 when the record's size field is wrong.
BOOL GetVersionExA(OSVERSIONINFOA* record);

// For tests: present another record (the 9x family, Windows 95) until
// called again with null. Thread-safe.
void SetVersionOverride(const OSVERSIONINFOA* record);

}  // namespace pal
