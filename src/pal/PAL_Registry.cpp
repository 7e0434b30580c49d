#include "pal/PAL_Registry.h"

#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "pal/PAL_Error.h"
#include "pal/PAL_Locations.h"
#include "pal/PAL_RegistryStore.h"

namespace pal {
namespace {

using registry::KeyId;
using registry::Path_t;
using registry::Store_t;

constexpr REGSAM kReadRights = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | READ_CONTROL;
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE;

struct OpenKey_t {
    std::shared_ptr<Store_t> store;  // a key stays in the file it was opened in
    KeyId id = registry::kRootKey;
    REGSAM access = 0;
};

// Every registry call runs under this one lock: the handle table and the
// stores (an SQLite connection is used by one thread at a time).
std::mutex g_mutex;
std::map<HKEY, OpenKey_t> g_keys;
std::map<std::string, std::shared_ptr<Store_t>> g_stores;
HKEY g_nextKey = 0x100;

// The store of the current location; QUORVEL_ROOT may change between calls.
std::shared_ptr<Store_t> CurrentStore() {
    const std::string path = RegistryFilePath();
    for (auto it = g_stores.begin(); it != g_stores.end();) {
        if (it->first != path && it->second.use_count() == 1) {
            it = g_stores.erase(it);
        } else {
            ++it;
        }
    }
    std::shared_ptr<Store_t>& store = g_stores[path];
    if (!store) {
        store = std::make_shared<Store_t>(path);
    }
    return store;
}

DWORD Lookup(HKEY key, OpenKey_t& open) {
    if (key == HKEY_LOCAL_MACHINE) {
        open = {CurrentStore(), registry::kRootKey, KEY_ALL_ACCESS};
        return ERROR_SUCCESS;
    }
    const auto it = g_keys.find(key);
    if (it == g_keys.end()) {
        return ERROR_INVALID_HANDLE;
    }
    open = it->second;
    return ERROR_SUCCESS;
}

HKEY AddKey(const OpenKey_t& open) {
    while (g_keys.count(g_nextKey) != 0 || g_nextKey == 0 || g_nextKey >= 0x80000000u) {
        g_nextKey = g_nextKey >= 0x80000000u ? 0x100 : g_nextKey + 4;
    }
    const HKEY key = g_nextKey;
    g_nextKey += 4;
    g_keys[key] = open;
    return key;
}

// Rights are the handle's; root reads everything, others not what is denied.
bool Refused(bool readDenied, REGSAM access) {
    return readDenied && (access & kReadRights) != 0 && ::geteuid() != 0;
}

DWORD ValueName(const char* name, std::string& result) {
    result = name != nullptr ? name : "";
    return result.size() > kMaxValueNameLength ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

// Copies a name with its NUL into a buffer of size characters.
LONG CopyName(const std::string& name, char* buffer, DWORD* size) {
    if (buffer == nullptr || size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (*size <= name.size()) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

LONG OpenOrCreate(HKEY key, const char* subKey, REGSAM access, HKEY* result, DWORD* disposition,
                  bool create) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = 0;
    Path_t path;
    LONG status = static_cast<LONG>(registry::SplitPath(subKey, path));
    if (status != ERROR_SUCCESS) {
        return status;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    OpenKey_t parent;
    status = static_cast<LONG>(Lookup(key, parent));
    if (status != ERROR_SUCCESS) {
        return status;
    }
    OpenKey_t opened{parent.store, 0, access};
    bool readDenied = false;
    bool created = false;
    if (create) {
        status = static_cast<LONG>(parent.store->OpenPath(parent.id, path, opened.id, readDenied));
        if (status == ERROR_FILE_NOT_FOUND) {
            if ((parent.access & KEY_CREATE_SUB_KEY) == 0) {
                return ERROR_ACCESS_DENIED;
            }
            status = static_cast<LONG>(
                parent.store->CreatePath(parent.id, path, opened.id, readDenied, created));
        }
    } else {
        status = static_cast<LONG>(parent.store->OpenPath(parent.id, path, opened.id, readDenied));
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (Refused(readDenied, access)) {
        return ERROR_ACCESS_DENIED;
    }
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *result = AddKey(opened);
    return ERROR_SUCCESS;
}

// Looks the handle up and checks that it carries one of the rights.
LONG Use(HKEY key, REGSAM rights, OpenKey_t& open) {
    const LONG status = static_cast<LONG>(Lookup(key, open));
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return (open.access & rights) != 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Runs call(open) under the lock once the handle is known to carry one of
// the rights.
template <typename Call>
LONG WithKey(HKEY key, REGSAM rights, Call call) {
    std::lock_guard<std::mutex> lock(g_mutex);
    OpenKey_t open;
    const LONG status = Use(key, rights, open);
    return status != ERROR_SUCCESS ? status : static_cast<LONG>(call(open));
}

// As WithKey, for calls that name a value; the name is checked first.
template <typename Call>
LONG WithValue(HKEY key, const char* valueName, REGSAM rights, Call call) {
    std::string name;
    const LONG status = static_cast<LONG>(ValueName(valueName, name));
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return WithKey(key, rights, [&](const OpenKey_t& open) { return call(open, name); });
}

LONG DeleteKey(HKEY key, const char* subKey, bool tree) {
    Path_t path;
    LONG status = static_cast<LONG>(registry::SplitPath(subKey, path));
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return WithKey(key, kWriteRights, [&](const OpenKey_t& open) {
        return open.store->DeleteKey(open.id, path, tree);
    });
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD /*options*/, REGSAM access, HKEY* result) {
    return OpenOrCreate(key, subKey, access, result, nullptr, false);
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD /*reserved*/, char* /*keyClass*/,
                     DWORD /*options*/, REGSAM access, const SECURITY_ATTRIBUTES* /*security*/,
                     HKEY* result, DWORD* disposition) {
    if (subKey == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return OpenOrCreate(key, subKey, access, result, disposition, true);
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) {
        return ERROR_SUCCESS;
    }
    std::shared_ptr<Store_t> store;  // released after the lock
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = g_keys.find(key);
    if (it == g_keys.end()) {
        return ERROR_INVALID_HANDLE;
    }
    store = it->second.store;
    g_keys.erase(it);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                      DWORD* dataSize) {
    if (data != nullptr && dataSize == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return WithValue(
        key, valueName, KEY_QUERY_VALUE,
        [&](const OpenKey_t& open, const std::string& name) -> LONG {
            DWORD storedType = REG_NONE;
            DWORD size = 0;
            const DWORD bufferSize = dataSize != nullptr ? *dataSize : 0;
            const LONG status = static_cast<LONG>(open.store->QueryValue(
                open.id, name, storedType, size, data, data != nullptr ? bufferSize : 0));
            if (status != ERROR_SUCCESS) {
                return status;
            }
            if (type != nullptr) {
                *type = storedType;
            }
            if (dataSize != nullptr) {
                *dataSize = size;
            }
            return data != nullptr && bufferSize < size ? ERROR_MORE_DATA : ERROR_SUCCESS;
        });
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD /*reserved*/, DWORD type,
                    const BYTE* data, DWORD dataSize) {
    if ((data == nullptr && dataSize != 0) || dataSize > kMaxValueSize) {
        return ERROR_INVALID_PARAMETER;
    }
    return WithValue(key, valueName, KEY_SET_VALUE,
                     [&](const OpenKey_t& open, const std::string& name) {
                         return open.store->SetValue(open.id, name, type, data, dataSize);
                     });
}

LONG RegDeleteValueA(HKEY key, const char* valueName) {
    return WithValue(key, valueName, KEY_SET_VALUE,
                     [&](const OpenKey_t& open, const std::string& name) {
                         return open.store->DeleteValue(open.id, name);
                     });
}

LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameSize,
                   DWORD* /*reserved*/, DWORD* type, BYTE* data, DWORD* dataSize) {
    if (valueName == nullptr || valueNameSize == nullptr ||
        (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    return WithKey(key, KEY_QUERY_VALUE, [&](const OpenKey_t& open) -> LONG {
        registry::ValueHead_t head;
        LONG status = static_cast<LONG>(open.store->ValueAt(open.id, index, head));
        if (status != ERROR_SUCCESS) {
            return status;
        }
        status = CopyName(head.name, valueName, valueNameSize);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        if (type != nullptr) {
            *type = head.type;
        }
        if (dataSize == nullptr) {
            return ERROR_SUCCESS;
        }
        DWORD size = head.size;
        if (data != nullptr && *dataSize >= head.size) {
            DWORD storedType = REG_NONE;
            status = static_cast<LONG>(
                open.store->QueryValue(open.id, head.name, storedType, size, data, *dataSize));
            if (status != ERROR_SUCCESS) {
                return status;
            }
        }
        const bool tooSmall = data != nullptr && *dataSize < size;
        *dataSize = size;
        return tooSmall ? ERROR_MORE_DATA : ERROR_SUCCESS;
    });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* /*reserved*/,
                   char* keyClass, DWORD* keyClassSize, void* /*lastWriteTime*/) {
    if (name == nullptr || nameSize == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return WithKey(key, KEY_ENUMERATE_SUB_KEYS, [&](const OpenKey_t& open) -> LONG {
        std::string subKey;
        LONG status = static_cast<LONG>(open.store->SubKeyAt(open.id, index, subKey));
        if (status != ERROR_SUCCESS) {
            return status;
        }
        status = CopyName(subKey, name, nameSize);
        if (status == ERROR_SUCCESS && keyClass != nullptr && keyClassSize != nullptr &&
            *keyClassSize > 0) {
            keyClass[0] = '\0';
            *keyClassSize = 0;
        }
        return status;
    });
}

LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassSize, DWORD* /*reserved*/,
                      DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values,
                      DWORD* maxValueNameLength, DWORD* maxValueLength,
                      DWORD* securityDescriptorSize, void* /*lastWriteTime*/) {
    return WithKey(key, KEY_QUERY_VALUE, [&](const OpenKey_t& open) -> LONG {
        registry::KeyInfo_t info;
        const LONG status = static_cast<LONG>(open.store->QueryInfo(open.id, info));
        if (status != ERROR_SUCCESS) {
            return status;
        }
        if (keyClass != nullptr && keyClassSize != nullptr && *keyClassSize > 0) {
            keyClass[0] = '\0';
        }
        if (keyClassSize != nullptr) {
            *keyClassSize = 0;
        }
        const auto store = [](DWORD* target, DWORD value) {
            if (target != nullptr) {
                *target = value;
            }
        };
        store(subKeys, info.subKeys);
        store(maxSubKeyLength, info.maxSubKeyLength);
        store(maxClassLength, 0);
        store(values, info.values);
        store(maxValueNameLength, info.maxValueNameLength);
        store(maxValueLength, info.maxValueLength);
        store(securityDescriptorSize, 0);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
    return DeleteKey(key, subKey, false);
}

LONG RegDeleteTreeA(HKEY key, const char* subKey) {
    return DeleteKey(key, subKey, true);
}

LONG RegSetKeyReadDenied(HKEY key, BOOL denied) {
    return WithKey(key, kWriteRights, [&](const OpenKey_t& open) {
        return open.store->SetReadDenied(open.id, denied != FALSE);
    });
}

LONG RegGetKeyReadDenied(HKEY key, BOOL* denied) {
    if (denied == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    OpenKey_t open;
    LONG status = static_cast<LONG>(Lookup(key, open));
    if (status != ERROR_SUCCESS) {
        return status;
    }
    bool readDenied = false;
    status = static_cast<LONG>(open.store->CheckKey(open.id, readDenied));
    *denied = readDenied ? TRUE : FALSE;
    return status;
}

LONG RegApplyEdits(const std::vector<RegEdit_t>& edits, std::size_t* failedEdit) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::size_t failed = 0;
    const LONG status = static_cast<LONG>(CurrentStore()->Apply(edits, failed));
    if (failedEdit != nullptr) {
        *failedEdit = failed;
    }
    return status;
}

}  // namespace pal
