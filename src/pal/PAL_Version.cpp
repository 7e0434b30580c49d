#include "pal/PAL_Version.h"

#include <mutex>
#include <optional>

#include "pal/PAL_Error.h"

namespace pal {
namespace {

std::mutex g_mutex;
std::optional<OSVERSIONINFOA> g_override;

OSVERSIONINFOA Reported() {
    OSVERSIONINFOA record;
    record.dwMajorVersion = 5;
    record.dwMinorVersion = 1;
    record.dwBuildNumber = 2600;
    record.dwPlatformId = VER_PLATFORM_WIN32_NT;
    return record;
}

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* record) {
    if (record == nullptr || record->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    *record = g_override ? *g_override : Reported();
    record->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    record->szCSDVersion[sizeof(record->szCSDVersion) - 1] = '\0';
    return TRUE;
}

void SetVersionOverride(const OSVERSIONINFOA* record) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (record != nullptr) {
        g_override = *record;
    } else {
        g_override.reset();
    }
}

}  // namespace pal
