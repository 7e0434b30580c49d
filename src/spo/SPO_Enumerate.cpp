#include "spo/SPO_Enumerate.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <optional>

#include "glo/GLO_NoCase.h"
#include "pal/PAL_Version.h"
#include "win/WIN_Exception.h"
#include "win/WIN_RegKey.h"

namespace spo {
namespace {

// Enumeration runs on the user-interface thread; the lock only guards the
// test seams against a stray second caller.
std::mutex g_mutex;
std::string g_sysfsRoot = "/sys";
std::optional<pal::OSVERSIONINFOA> g_version;

pal::OSVERSIONINFOA SystemVersion() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_version) {
        pal::OSVERSIONINFOA record;
        if (!pal::GetVersionExA(&record)) {
            record = pal::OSVERSIONINFOA{};
        }
        g_version = record;
    }
    return *g_version;
}

std::string SysfsRoot() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_sysfsRoot;
}

// Sorted, each name once; names the comparison cannot measure (not UTF-8,
// from a damaged registry) are dropped rather than failing the check.
PortNames_t Sorted(PortNames_t names) {
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& name) { return !glo::IsMeasurable(name); }),
                names.end());
    std::stable_sort(names.begin(), names.end(), glo::NoCaseLess_t());
    names.erase(std::unique(names.begin(), names.end(), glo::EqualNoCase), names.end());
    return names;
}

PortNames_t SerialCommMap() {
    PortNames_t names;
    try {
        const char* const path = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
        if (!win::LocalMachineKey().HasSubKey(path)) {
            return names;
        }
        const win::RegKey_t key(win::LocalMachineKey(), path);
        const unsigned count = key.ValueCount();
        for (unsigned i = 0; i < count; ++i) {
            const std::string valueName = key.ValueName(i);
            try {
                names.push_back(key.ReadString(valueName));
            } catch (const win::RegError_t&) {
                // Not a string: skipped.
            }
        }
    } catch (const win::RegError_t&) {
    } catch (const glo::Assert_t&) {
        // The key changed while we read it.
    }
    return names;
}

bool Present(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// The serial driver registers ports that have no hardware behind them; it
// reports those with type 0.
bool Phantom(const std::string& ttyDirectory) {
    std::ifstream type(ttyDirectory + "/type");
    int value = -1;
    return type >> value && value == 0;
}

// The machine's own serial devices: ttys with a device behind them, listed
// by their Linux names; printer ports are left out.
PortNames_t DeviceClass() {
    PortNames_t names;
    const std::string classDirectory = SysfsRoot() + "/class/tty";
    DIR* directory = ::opendir(classDirectory.c_str());
    if (directory == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string tty = classDirectory + "/" + name;
        if (!Present(tty + "/device") || Phantom(tty)) {
            continue;
        }
        if (name.size() >= 3 && glo::IsMeasurable(name.substr(0, 3)) &&
            glo::EqualNoCase(name.substr(0, 3), "LPT")) {
            continue;
        }
        names.push_back(name);
    }
    ::closedir(directory);
    return names;
}

PortNames_t MakerSpecification() {
    PortNames_t names;
    try {
        const win::RegKey_t key(win::MakerKey(), "SerialPortSpecification");
        const unsigned count = key.ValueCount();
        for (unsigned i = 0; i < count; ++i) {
            names.push_back(key.ValueName(i));
        }
    } catch (const win::RegError_t&) {
    } catch (const glo::Assert_t&) {
    }
    return names;
}

}  // namespace

PortNames_t MergePortNames(const PortNames_t& sorted, const PortNames_t& more) {
    PortNames_t merged;
    merged.reserve(sorted.size() + more.size());
    auto left = sorted.begin();
    auto right = more.begin();
    while (left != sorted.end() || right != more.end()) {
        if (right == more.end()) {
            merged.push_back(*left++);
        } else if (left == sorted.end()) {
            merged.push_back(*right++);
        } else {
            const int order = glo::CompareNoCase(*left, *right);
            if (order <= 0) {
                merged.push_back(*left++);
                if (order == 0) {
                    ++right;
                }
            } else {
                merged.push_back(*right++);
            }
        }
    }
    return merged;
}

PortNames_t EnumerateSerialPorts() {
    PortNames_t names;
    for (int i = 1; i <= 8; ++i) {
        names.push_back("COM" + std::to_string(i));
    }
    names = Sorted(names);

    const pal::OSVERSIONINFOA version = SystemVersion();
    const bool nineX = version.dwPlatformId == pal::VER_PLATFORM_WIN32_WINDOWS;
    if (nineX && (version.dwMajorVersion < 4 || version.dwMinorVersion < 10)) {
        return names;
    }
    names = MergePortNames(names, Sorted(SerialCommMap()));
    const bool oldNt =
        version.dwPlatformId == pal::VER_PLATFORM_WIN32_NT && version.dwMajorVersion < 5;
    if (!oldNt) {
        names = MergePortNames(names, Sorted(DeviceClass()));
    }
    return MergePortNames(names, Sorted(MakerSpecification()));
}

void SetSysfsRoot(const std::string& root) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sysfsRoot = root;
}

void ForgetSystemVersion() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_version.reset();
}

}  // namespace spo
