// The registry calls the program makes, over one SQLite database file that
// holds HKEY_LOCAL_MACHINE (pal::RegistryFilePath()). Key and value names
// compare without regard to ASCII case and keep the spelling they were
// created with. Every call returns 0 or a Windows error number (registry
// calls do not touch the last-error value). All calls are thread-safe; several
// processes may share one store.
#pragma once

#include <string>
#include <vector>

#include "pal/PAL_Types.h"

namespace pal {

using REGSAM = DWORD;

constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// Access rights.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM READ_CONTROL = 0x00020000;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

// RegCreateKeyExA options and dispositions.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Limits of the standard registry format: longer names are refused with 87,
// as are values over 1 MiB (a value that size found in a damaged store reads
// as ERROR_REGISTRY_CORRUPT).
constexpr DWORD kMaxKeyNameLength = 255;
constexpr DWORD kMaxValueNameLength = 16383;
constexpr DWORD kMaxValueSize = 1u << 20;

// Paths are components separated by "\"; one trailing "\" is ignored, other
// empty components give 87. A null or empty path names the key itself.
LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                     REGSAM access, const SECURITY_ATTRIBUTES* security, HKEY* result,
                     DWORD* disposition);
LONG RegCloseKey(HKEY key);

// A null or empty value name is the key's default value.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize);
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);
LONG RegDeleteValueA(HKEY key, const char* valueName);

// Values are enumerated in the order they were first set, subkeys by name.
// nameSize is in characters including the NUL on entry and without it on
// return. The last-write time is not kept; its argument is ignored.
LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameSize, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* dataSize);
LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                   char* keyClass, DWORD* keyClassSize, void* lastWriteTime);
LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassSize, DWORD* reserved,
                      DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values,
                      DWORD* maxValueNameLength, DWORD* maxValueLength,
                      DWORD* securityDescriptorSize, void* lastWriteTime);

// Deletes a key without subkeys (5 when it has some, as on NT). An empty
// path deletes the key itself.
LONG RegDeleteKeyA(HKEY key, const char* subKey);
// Deletes a key with all its subkeys and values, in one transaction.
LONG RegDeleteTreeA(HKEY key, const char* subKey);

// Quorvel's own: the per-key read right. A key whose reading is denied
// refuses to open with read access (5) for every user but root; root may
// read and write everything. The store file's own permissions are the
// boundary between users: root creates it readable by all, writable by root.
LONG RegSetKeyReadDenied(HKEY key, BOOL denied);
LONG RegGetKeyReadDenied(HKEY key, BOOL* denied);

// Quorvel's own: a list of edits below HKEY_LOCAL_MACHINE applied all or
// nothing (used by the import of quorvel-reg). On failure, failedEdit (when
// given) receives the index of the edit that failed.
struct RegEdit_t {
    enum class Kind { CreateKey, DeleteTree, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    std::string keyPath;  // below HKEY_LOCAL_MACHINE, "\"-separated
    std::string valueName;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
LONG RegApplyEdits(const std::vector<RegEdit_t>& edits, std::size_t* failedEdit = nullptr);

}  // namespace pal
