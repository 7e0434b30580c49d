#include "win/WIN_Utilities.h"

#include <mutex>
#include <string_view>

#include "pal/PAL_Error.h"
#include "pal/PAL_File.h"
#include "pal/PAL_Module.h"
#include "win/WIN_Exception.h"
#include "win/WIN_FileMetaData.h"
#include "win/WIN_Locale.h"

namespace win {
namespace {

// The values remembered once per process; the mutex makes a first use on
// two threads at once harmless.
struct Remembered_t {
    std::mutex mutex;
    std::string tempDirectory;
    pal::HMODULE resourceModule = nullptr;
    bool languageKnown = false;
    std::uint16_t language = 0;
};

Remembered_t& Remembered() {
    static Remembered_t remembered;
    return remembered;
}

bool IsRoot(const std::string& path) {
    return path.find_first_not_of('/') == std::string::npos;
}

FileMetaData_t ProgramMetaData() {
    return FileMetaData_t(ModuleFileName(ModuleHandle()));
}

}  // namespace

pal::HMODULE ModuleHandle() {
    pal::HMODULE module = pal::GetModuleHandleA(nullptr);
    if (module == nullptr) {
        throw Error_t(__FILE__, 714);
    }
    return module;
}

std::string ModuleFileName(pal::HMODULE module) {
    // A Linux path may be longer than the system's 260 characters; grow until
    // it fits rather than hand out a cut path.
    std::string buffer(pal::MAX_PATH, '\0');
    for (;;) {
        const pal::DWORD length =
            pal::GetModuleFileNameA(module, buffer.data(), static_cast<pal::DWORD>(buffer.size()));
        if (length == 0) {
            throw Error_t(__FILE__, 732);
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProgramDirectory() {
    const std::string file = ModuleFileName(ModuleHandle());
    return file.substr(0, file.rfind('/') + 1);
}

std::string TempDirectory() {
    Remembered_t& r = Remembered();
    std::string path;
    {
        const std::lock_guard lock(r.mutex);
        if (r.tempDirectory.empty()) {
            const pal::DWORD length = pal::GetTempPathA(0, nullptr);
            if (length == 0) {
                throw Error_t(__FILE__, 247);
            }
            std::string buffer(2 * (length + 1), '\0');
            const pal::DWORD stored =
                pal::GetTempPathA(static_cast<pal::DWORD>(buffer.size()), buffer.data());
            if (stored == 0 || stored >= buffer.size()) {
                throw Error_t(__FILE__, 260);
            }
            buffer.resize(stored);
            r.tempDirectory = buffer;
        }
        path = r.tempDirectory;
    }
    EnsureDirectory(path);
    return path;
}

bool EnsureDirectory(const std::string& path) {
    glo::Check(!path.empty(), __FILE__, 317);
    if (IsRoot(path)) {
        return true;
    }
    if (pal::CreateDirectoryA(path.c_str(), nullptr)) {
        return true;
    }
    const pal::DWORD error = pal::GetLastError();
    if (error == pal::ERROR_ACCESS_DENIED) {
        throw FileError_t(__FILE__, 329, path);
    }
    if (error != pal::ERROR_ALREADY_EXISTS) {
        throw Error_t(__FILE__, 333);
    }
    const pal::DWORD attributes = pal::GetFileAttributesA(path.c_str());
    if (attributes != pal::INVALID_FILE_ATTRIBUTES &&
        (attributes & pal::FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    std::string file = path;
    if (file.size() > 1 && file.back() == '/') {
        file.pop_back();
    }
    if (!pal::DeleteFileA(file.c_str())) {
        throw Error_t(__FILE__, 347);
    }
    if (!pal::CreateDirectoryA(path.c_str(), nullptr)) {
        throw Error_t(__FILE__, 351);
    }
    return true;
}

glo::Optional_t<std::string> ResourceFileName() {
    const FileMetaData_t program = ProgramMetaData();
    try {
        return program.GetString("ResourceFilename");
    } catch (const Error_t&) {
        return {};
    }
}

glo::Optional_t<std::string> ResourceModulePath() {
    const glo::Optional_t<std::string> name = ResourceFileName();
    if (!name) {
        return {};
    }
    // Narrow text passes the program-wide locale unchanged; making that
    // locale is where a missing system locale first shows.
    ProgramLocale();
    return ProgramDirectory() + *name;
}

pal::HMODULE ResourceModule() {
    Remembered_t& r = Remembered();
    const std::lock_guard lock(r.mutex);
    if (r.resourceModule != nullptr) {
        return r.resourceModule;
    }
    const FileMetaData_t program = ProgramMetaData();
    const glo::Optional_t<std::string> path = ResourceModulePath();
    if (!path) {
        throw Error_t(__FILE__, 752);
    }
    const FileMetaData_t module(*path);
    if (!(module.FileVersion() == program.FileVersion())) {
        throw Error_t(__FILE__, 758);
    }
    pal::HMODULE handle = pal::LoadLibraryA(path->c_str());
    if (handle == nullptr) {
        throw Error_t(__FILE__, 764);
    }
    r.resourceModule = handle;
    return handle;
}

std::uint16_t ResourceLanguage() {
    Remembered_t& r = Remembered();
    const std::lock_guard lock(r.mutex);
    if (!r.languageKnown) {
        const glo::Optional_t<std::string> path = ResourceModulePath();
        r.language = path ? static_cast<std::uint16_t>(FileMetaData_t(*path).Translation() & 0xFFFF)
                          : std::uint16_t{0x409};
        r.languageKnown = true;
    }
    return r.language;
}

}  // namespace win
