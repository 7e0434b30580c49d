// The registry as the id list's module sees it in a fuzz target: empty.
#pragma once

#include "pal/PAL_Error.h"
#include "pal/PAL_Registry.h"

namespace pal {

LONG RegOpenKeyExA(HKEY, const char*, DWORD, REGSAM, HKEY*) {
    return ERROR_FILE_NOT_FOUND;
}
LONG RegQueryValueExA(HKEY, const char*, DWORD*, DWORD*, BYTE*, DWORD*) {
    return ERROR_FILE_NOT_FOUND;
}
LONG RegCloseKey(HKEY) {
    return ERROR_SUCCESS;
}

}  // namespace pal
