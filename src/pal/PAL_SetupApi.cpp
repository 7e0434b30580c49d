#include "pal/PAL_SetupApi.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "pal/PAL_Device.h"
#include "pal/PAL_Driver.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_Module.h"

namespace pal {
namespace {

constexpr DWORD ERROR_INVALID_USER_BUFFER = 1784;

// A snapshot of the bus, taken when the set is made.
struct DeviceInfoSet {
    std::vector<std::string> paths;
};

struct Sets {
    std::mutex mutex;
    std::set<DeviceInfoSet*> live;
};

Sets& TheSets() {
    static Sets sets;
    return sets;
}

HDEVINFO InvalidSet() {
    return reinterpret_cast<HDEVINFO>(static_cast<std::uintptr_t>(-1));
}

// The set's path at index, or false with the last-error value set.
bool PathAt(HDEVINFO set, DWORD index, std::string& path) {
    Sets& sets = TheSets();
    std::lock_guard<std::mutex> lock(sets.mutex);
    auto* info = static_cast<DeviceInfoSet*>(set);
    if (sets.live.count(info) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (index >= info->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return false;
    }
    path = info->paths[index];
    return true;
}

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

template <class F>
FARPROC Proc(F* function) {
    return reinterpret_cast<FARPROC>(function);
}

}  // namespace

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char*, void*, DWORD flags) {
    if (classGuid == nullptr || (flags & DIGCF_DEVICEINTERFACE) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return InvalidSet();
    }
    auto info = std::make_unique<DeviceInfoSet>();
    if (SameGuid(*classGuid, kUnitInterfaceClass)) {
        info->paths = PresentUnitPaths();
    }
    Sets& sets = TheSets();
    std::lock_guard<std::mutex> lock(sets.mutex);
    sets.live.insert(info.get());
    return info.release();
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA*, const GUID* classGuid, DWORD index,
                                 SP_DEVICE_INTERFACE_DATA* data) {
    if (data == nullptr || classGuid == nullptr || data->cbSize != kInterfaceDataSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path;
    if (!PathAt(set, index, path)) {
        return FALSE;
    }
    data->InterfaceClassGuid = *classGuid;
    data->Flags = 1;  // SPINT_ACTIVE
    data->Reserved = index;
    return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                      SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                      DWORD* requiredSize, SP_DEVINFO_DATA*) {
    if (data == nullptr || data->cbSize != kInterfaceDataSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path;
    if (!PathAt(set, data->Reserved, path)) {
        return FALSE;
    }
    const auto required = static_cast<DWORD>(sizeof(DWORD) + path.size() + 1);
    if (requiredSize != nullptr) {
        *requiredSize = required;
    }
    if (detail == nullptr || detailSize < required) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != kDetailFixedSize) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    std::memcpy(reinterpret_cast<char*>(detail) + sizeof(DWORD), path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    Sets& sets = TheSets();
    std::lock_guard<std::mutex> lock(sets.mutex);
    auto* info = static_cast<DeviceInfoSet*>(set);
    if (sets.live.erase(info) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete info;
    return TRUE;
}

void RegisterDeviceModules() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterBuiltinModule("kernel32.dll", {{"CancelIo", Proc(&CancelIo)}});
        RegisterBuiltinModule(
            "setupapi.dll",
            {{"SetupDiGetClassDevsA", Proc(&SetupDiGetClassDevsA)},
             {"SetupDiEnumDeviceInterfaces", Proc(&SetupDiEnumDeviceInterfaces)},
             {"SetupDiGetDeviceInterfaceDetailA", Proc(&SetupDiGetDeviceInterfaceDetailA)},
             {"SetupDiDestroyDeviceInfoList", Proc(&SetupDiDestroyDeviceInfoList)}});
    });
}

}  // namespace pal
