#include "win/WIN_LoadCustomResource.h"

#include "pal/PAL_Resource.h"
#include "win/WIN_Exception.h"
#include "win/WIN_Utilities.h"

namespace win {

CustomResource_t LoadCustomResource(std::uint16_t id, const std::string& type) {
    const pal::HMODULE module = ResourceModule();
    const pal::HRSRC found = pal::FindResourceA(module, pal::MAKEINTRESOURCEA(id), type.c_str());
    if (found == nullptr) {
        throw Error_t(__FILE__, 29);
    }
    const pal::HGLOBAL loaded = pal::LoadResource(module, found);
    if (loaded == nullptr) {
        throw Error_t(__FILE__, 35);
    }
    const void* bytes = pal::LockResource(loaded);
    if (bytes == nullptr) {
        throw Error_t(__FILE__, 41);
    }
    const pal::DWORD size = pal::SizeofResource(module, found);
    if (size == 0) {
        throw Error_t(__FILE__, 48);
    }
    return {static_cast<const std::uint8_t*>(bytes), size};
}

}  // namespace win
