#include "iou/IOU_Utilities.h"

#include <memory>
#include <vector>

#include "ioa/IOA_Channel.h"
#include "iou/IOU_Exception.h"
#include "iou/IOU_UsbLink.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_Module.h"
#include "pal/PAL_SetupApi.h"
#include "pal/PAL_Version.h"
#include "thr/THR_Event.h"
#include "win/WIN_Exception.h"

namespace iou {
namespace {

using GetClassDevs_t = decltype(&pal::SetupDiGetClassDevsA);
using EnumInterfaces_t = decltype(&pal::SetupDiEnumDeviceInterfaces);
using GetDetail_t = decltype(&pal::SetupDiGetDeviceInterfaceDetailA);
using DestroyList_t = decltype(&pal::SetupDiDestroyDeviceInfoList);

// The setup API, bound late: loaded on first use and kept.
struct SetupApi_t {
    GetClassDevs_t getClassDevs = nullptr;
    EnumInterfaces_t enumInterfaces = nullptr;
    GetDetail_t getDetail = nullptr;
    DestroyList_t destroyList = nullptr;
};

template <class F>
F Bind(pal::HMODULE module, const char* name) {
    const pal::FARPROC proc = pal::GetProcAddress(module, name);
    if (proc == nullptr) {
        throw win::Error_t(__FILE__, __LINE__);
    }
    return reinterpret_cast<F>(proc);
}

const SetupApi_t& SetupApi() {
    static const SetupApi_t api = [] {
        const pal::HMODULE module = pal::LoadLibraryA("setupapi.dll");
        if (module == nullptr) {
            throw win::Error_t(__FILE__, __LINE__);
        }
        SetupApi_t bound;
        bound.getClassDevs = Bind<GetClassDevs_t>(module, "SetupDiGetClassDevsA");
        bound.enumInterfaces = Bind<EnumInterfaces_t>(module, "SetupDiEnumDeviceInterfaces");
        bound.getDetail = Bind<GetDetail_t>(module, "SetupDiGetDeviceInterfaceDetailA");
        bound.destroyList = Bind<DestroyList_t>(module, "SetupDiDestroyDeviceInfoList");
        return bound;
    }();
    return api;
}

bool SetupApiPresent() {
    const pal::HMODULE module = pal::LoadLibraryA("setupapi.dll");
    if (module == nullptr) {
        return false;
    }
    pal::FreeLibrary(module);
    return true;
}

bool VersionPasses(const pal::OSVERSIONINFOA& record) {
    switch (record.dwPlatformId) {
        case pal::VER_PLATFORM_WIN32_NT:
            return record.dwMajorVersion >= 5;
        case pal::VER_PLATFORM_WIN32_WINDOWS:
            return record.dwMajorVersion >= 4 && record.dwMinorVersion >= 10;
        default:
            return true;
    }
}

// Read once per process and kept.
bool SystemIsRecentEnough() {
    static const bool passes = [] {
        pal::OSVERSIONINFOA record;
        return pal::GetVersionExA(&record) && VersionPasses(record);
    }();
    return passes;
}

// Releases the set on every way out.
class InfoSet_t {
public:
    explicit InfoSet_t(pal::HDEVINFO set) : set_(set) {}
    ~InfoSet_t() { SetupApi().destroyList(set_); }
    InfoSet_t(const InfoSet_t&) = delete;
    InfoSet_t& operator=(const InfoSet_t&) = delete;
    pal::HDEVINFO Get() const { return set_; }

private:
    pal::HDEVINFO set_;
};

bool InvalidSet(pal::HDEVINFO set) {
    return set == reinterpret_cast<pal::HDEVINFO>(static_cast<std::uintptr_t>(-1));
}

// The device path of the interface, or empty when the detail query fails.
std::string DevicePathOf(pal::HDEVINFO set, pal::SP_DEVICE_INTERFACE_DATA& interface) {
    pal::DWORD required = 0;
    SetupApi().getDetail(set, &interface, nullptr, 0, &required, nullptr);
    if (required <= sizeof(pal::DWORD)) {
        return {};
    }
    std::vector<char> buffer(required, 0);
    auto* detail = reinterpret_cast<pal::SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = pal::kDetailFixedSize;
    pal::SP_DEVINFO_DATA device{};
    device.cbSize = pal::kInterfaceDataSize;
    if (!SetupApi().getDetail(set, &interface, detail, required, nullptr, &device)) {
        return {};
    }
    buffer.back() = '\0';  // whatever the API left there
    return std::string(buffer.data() + sizeof(pal::DWORD));
}

void Identify(const std::string& devicePath, UnitMap_t& units) {
    thr::Event_t neverSignalled(nullptr, true, false, nullptr);
    UsbLink_t link(neverSignalled.GetHandle(), devicePath, false);
    ioa::Channel_t channel(link);
    const std::uint32_t unitId = link.GetUnitId();
    const std::string suffix = "Unit ID " + std::to_string(unitId);
    UnitEntry_t entry{devicePath, channel.GetDisplayName(suffix), channel.GetProtocols(),
                      channel.GetProductData()};
    units.insert_or_assign(unitId, std::move(entry));
}

}  // namespace

UnitMap_t EnumerateUnits() {
    UnitMap_t units;
    if (!SetupApiPresent() || !SystemIsRecentEnough()) {
        return units;
    }
    const SetupApi_t& api = SetupApi();
    const pal::HDEVINFO handle = api.getClassDevs(&pal::kUnitInterfaceClass, nullptr, nullptr,
                                                  pal::DIGCF_PRESENT | pal::DIGCF_DEVICEINTERFACE);
    if (InvalidSet(handle)) {
        throw win::Error_t(__FILE__, 40);
    }
    const InfoSet_t set(handle);
    for (pal::DWORD index = 0;; ++index) {
        pal::SP_DEVICE_INTERFACE_DATA interface {};
        interface.cbSize = pal::kInterfaceDataSize;
        if (!api.enumInterfaces(set.Get(), nullptr, &pal::kUnitInterfaceClass, index, &interface)) {
            if (pal::GetLastError() == pal::ERROR_NO_MORE_ITEMS) {
                break;
            }
            throw win::Error_t(__FILE__, 109);
        }
        const std::string devicePath = DevicePathOf(set.Get(), interface);
        if (devicePath.empty()) {
            continue;
        }
        try {
            Identify(devicePath, units);
        } catch (const FutureApi_t&) {
            throw;
        } catch (...) {
            // The unit is left out: held by another link, silent, broken.
        }
    }
    return units;
}

}  // namespace iou
