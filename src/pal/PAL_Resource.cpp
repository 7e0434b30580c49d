#include "pal/PAL_Resource.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "pal/PAL_Error.h"
#include "pal/PAL_Module.h"

namespace pal {
namespace {

// The directory of a module, checked before use: it is data of a file that
// lies next to the program and may be stale or damaged.
const ResourceDirectory_t* DirectoryOf(HMODULE module) {
    void* object = SharedObjectOf(module);
    if (object == nullptr) {
        return nullptr;
    }
    ::dlerror();
    const auto* directory =
        static_cast<const ResourceDirectory_t*>(::dlsym(object, kResourceDirectorySymbol));
    if (directory == nullptr || directory->magic != kResourceDirectoryMagic ||
        directory->version != kResourceDirectoryVersion || directory->count > kMaxResourceEntries ||
        (directory->count > 0 && directory->entries == nullptr)) {
        return nullptr;
    }
    return directory;
}

struct Key_t {
    std::uint16_t id = 0;
    std::string_view name;  // empty for a numeric key
};

std::optional<Key_t> ParseKey(const char* key) {
    if (key == nullptr) {
        return std::nullopt;
    }
    if (IS_INTRESOURCE(key)) {
        return Key_t{static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(key)), {}};
    }
    const std::string_view text(key);
    if (text.empty()) {
        return std::nullopt;
    }
    if (text[0] == '#') {
        unsigned value = 0;
        if (text.size() < 2 || text.size() > 6) {
            return std::nullopt;
        }
        for (char c : text.substr(1)) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value > 0xFFFF) {
            return std::nullopt;
        }
        return Key_t{static_cast<std::uint16_t>(value), {}};
    }
    return Key_t{0, text};
}

bool SameNoCase(std::string_view a, const char* b) {
    if (b == nullptr) {
        return false;
    }
    const std::string_view other(b);
    return a.size() == other.size() &&
           std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool TypeMatches(const ResourceEntry_t& entry, const Key_t& type) {
    if (type.name.empty()) {
        return entry.typeId != 0 && entry.typeId == type.id;
    }
    return entry.typeId == 0 && SameNoCase(type.name, entry.typeName);
}

bool IsUsable(const ResourceEntry_t& entry) {
    return entry.size <= kMaxResourceSize && (entry.size == 0 || entry.data != nullptr);
}

// The entry, or null with the last-error value set.
HRSRC Find(HMODULE module, const Key_t& name, const Key_t& type) {
    const ResourceDirectory_t* directory = DirectoryOf(module);
    if (directory == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    bool typeSeen = false;
    for (std::uint32_t i = 0; i < directory->count; ++i) {
        const ResourceEntry_t& entry = directory->entries[i];
        if (!TypeMatches(entry, type)) {
            continue;
        }
        typeSeen = true;
        if (name.name.empty() && entry.id == name.id && IsUsable(entry)) {
            return &entry;
        }
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

}  // namespace

HRSRC FindResourceA(HMODULE module, const char* name, const char* type) {
    const std::optional<Key_t> nameKey = ParseKey(name);
    const std::optional<Key_t> typeKey = ParseKey(type);
    if (!nameKey || !typeKey) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (module == nullptr) {
        module = GetModuleHandleA(nullptr);
    }
    return Find(module, *nameKey, *typeKey);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    if (resource == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // An empty resource has no bytes to point at; hand out its entry so that
    // the call still succeeds, as it does for the system.
    return resource->size == 0 ? static_cast<const void*>(resource) : resource->data;
}

void* LockResource(HGLOBAL data) {
    return const_cast<void*>(data);
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    if (resource == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return resource->size;
}

int LoadStringA(HMODULE module, UINT id, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = '\0';
    if (id > 0xFFFF) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    if (module == nullptr) {
        module = GetModuleHandleA(nullptr);
    }
    const HRSRC entry =
        Find(module, Key_t{static_cast<std::uint16_t>(id), {}}, Key_t{RT_STRING, {}});
    if (entry == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    // A string stops at an embedded NUL, as a C string does.
    const auto* text = reinterpret_cast<const char*>(entry->data);
    const std::size_t length = entry->size == 0 ? 0 : ::strnlen(text, entry->size);
    const std::size_t copied = std::min<std::size_t>(length, static_cast<std::size_t>(size) - 1);
    if (copied > 0) {
        std::memcpy(buffer, text, copied);
    }
    buffer[copied] = '\0';
    if (copied == 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    return static_cast<int>(copied);
}

}  // namespace pal
