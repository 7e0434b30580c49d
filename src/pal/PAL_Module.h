// Modules: the running program, shared objects loaded with dlopen, and
// built-in pseudo-modules that stand in for system libraries the program
// binds late (their functions registered by the parts that implement them).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pal/PAL_Types.h"

namespace pal {

using FARPROC = void (*)();

constexpr DWORD MAX_PATH = 260;

// The module of the running program for nullptr; otherwise a module already
// loaded (a built-in one or a shared object), else null with 126.
HMODULE GetModuleHandleA(const char* name);
// The module's file: the executable (from /proc/self/exe) for null or the
// program's handle, the shared object's file for a loaded library, the name
// for a built-in module. Copies at most size - 1 characters and a NUL and
// returns their count; a path cut short returns size with 122. 0 on failure.
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);
// A built-in module by name (case-insensitive), else dlopen. Failure: null
// with 126 (not found) or 193 (a file that is no loadable library).
HMODULE LoadLibraryA(const char* name);
// Null with 127 when the module has no such symbol; 6 for a bad handle.
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// Makes a pseudo-module available to LoadLibraryA and GetModuleHandleA.
// Registering a name again adds or replaces symbols; the handle stays the
// same for the life of the process. Thread-safe.
using BuiltinSymbols_t = std::vector<std::pair<std::string, FARPROC>>;
void RegisterBuiltinModule(const std::string& name, const BuiltinSymbols_t& symbols);

// The dlopen handle behind a module, or null for a built-in module or a
// handle that is none of ours (used by the resource calls).
void* SharedObjectOf(HMODULE module);

}  // namespace pal
