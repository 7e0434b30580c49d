#include "win/WIN_FileMetaData.h"

#include <cstdio>
#include <cstring>

#include "glo/GLO_Exception.h"
#include "pal/PAL_VersionInfo.h"
#include "win/WIN_Exception.h"

namespace win {

FileMetaData_t::FileMetaData_t(const std::string& path) : path_(path) {
    pal::DWORD handle = 0;
    const pal::DWORD size = pal::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) {
        throw Error_t(__FILE__, 30);
    }
    block_.resize(size);
    if (!pal::GetFileVersionInfoA(path.c_str(), handle, size, block_.data())) {
        throw Error_t(__FILE__, 38);
    }
    void* fixed = nullptr;
    pal::UINT length = 0;
    glo::Check(pal::VerQueryValueA(block_.data(), "\\", &fixed, &length) &&
                   length >= sizeof(pal::VS_FIXEDFILEINFO),
               __FILE__, __LINE__);
    pal::VS_FIXEDFILEINFO info{};
    std::memcpy(&info, fixed, sizeof info);
    version_ = Version_t(info);
}

std::uint32_t FileMetaData_t::Translation() const {
    void* entry = nullptr;
    pal::UINT length = 0;
    const bool found =
        pal::VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation", &entry, &length);
    glo::Check(found && entry != nullptr, __FILE__, 59);
    glo::Check(length >= 4 && length <= 7, __FILE__, 62);
    std::uint32_t translation = 0;
    std::memcpy(&translation, entry, sizeof translation);
    return translation;
}

std::string FileMetaData_t::GetString(const std::string& name) const {
    void* value = nullptr;
    pal::UINT length = 0;
    if (!pal::VerQueryValueA(block_.data(), StringSubBlock(Translation(), name).c_str(), &value,
                             &length) ||
        value == nullptr) {
        throw Error_t(__FILE__, 93);
    }
    // The block's parser made sure the value ends in its NUL.
    return std::string(static_cast<const char*>(value), length > 0 ? length - 1 : 0);
}

std::string StringSubBlock(std::uint32_t translation, const std::string& name) {
    char block[9];
    std::snprintf(block, sizeof block, "%04x%04x", translation & 0xFFFFu, translation >> 16);
    return std::string("\\StringFileInfo\\") + block + "\\" + name;
}

}  // namespace win
