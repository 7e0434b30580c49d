// Resources of a module: a resource module exports a directory that maps
// (type, numeric id) to bytes; the resource calls and LoadStringA read it.
// Strings are resources of type RT_STRING, one per string ID, stored
// without a terminator.
#pragma once

#include <cstdint>

#include "pal/PAL_Types.h"

namespace pal {

// The directory a resource module exports under kResourceDirectorySymbol.
// A named type (such as "XSD") has typeId 0 and its name in typeName.
struct ResourceEntry_t {
    std::uint16_t typeId;
    const char* typeName;
    std::uint16_t id;
    const std::uint8_t* data;
    std::uint32_t size;
};

struct ResourceDirectory_t {
    std::uint32_t magic;    // kResourceDirectoryMagic
    std::uint32_t version;  // kResourceDirectoryVersion
    std::uint32_t count;
    const ResourceEntry_t* entries;
};

constexpr const char* kResourceDirectorySymbol = "QuorvelResourceDirectory";
constexpr std::uint32_t kResourceDirectoryMagic = 0x51524431u;  // "QRD1"
constexpr std::uint32_t kResourceDirectoryVersion = 1;
constexpr std::uint32_t kMaxResourceEntries = 1u << 16;
constexpr std::uint32_t kMaxResourceSize = 64u << 20;

// Resource types, as the system numbers them.
constexpr std::uint16_t RT_BITMAP = 2;
constexpr std::uint16_t RT_ICON = 3;
constexpr std::uint16_t RT_DIALOG = 5;
constexpr std::uint16_t RT_STRING = 6;

using HRSRC = const ResourceEntry_t*;
using HGLOBAL = const void*;

inline const char* MAKEINTRESOURCEA(std::uint16_t id) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(const char* name) {
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}

// name: MAKEINTRESOURCEA(id) or "#id"; type: MAKEINTRESOURCEA(id), "#id" or
// a type name (compared without regard to ASCII case). Null with 1813 (no
// such type), 1814 (no such name) or 6 (not a resource module).
HRSRC FindResourceA(HMODULE module, const char* name, const char* type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// Copies at most size - 1 characters of string id and a NUL into buffer and
// returns their count; 0 with 1814 when the module has no such string.
int LoadStringA(HMODULE module, UINT id, char* buffer, int size);

}  // namespace pal
