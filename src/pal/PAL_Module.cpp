#include "pal/PAL_Module.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include "pal/PAL_Error.h"

namespace pal {
namespace {

struct Builtin_t {
    std::string name;
    std::map<std::string, FARPROC> symbols;
};

std::string Folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Built-in modules are never removed, so their addresses serve as handles.
class Builtins_t {
public:
    Builtin_t* Find(const std::string& name) {
        const std::lock_guard lock(mutex_);
        return FindLocked(Folded(name));
    }
    bool Contains(const void* handle) {
        const std::lock_guard lock(mutex_);
        return std::any_of(modules_.begin(), modules_.end(),
                           [&](const Builtin_t& m) { return &m == handle; });
    }
    void Register(const std::string& name, const BuiltinSymbols_t& symbols) {
        const std::lock_guard lock(mutex_);
        Builtin_t* module = FindLocked(Folded(name));
        if (module == nullptr) {
            module = &modules_.emplace_back();
            module->name = name;
        }
        for (const auto& [symbol, address] : symbols) {
            module->symbols[symbol] = address;
        }
    }
    FARPROC Symbol(const void* handle, const char* name) {
        const std::lock_guard lock(mutex_);
        for (const Builtin_t& m : modules_) {
            if (&m == handle) {
                const auto it = m.symbols.find(name);
                return it == m.symbols.end() ? nullptr : it->second;
            }
        }
        return nullptr;
    }
    std::string NameOf(const void* handle) {
        const std::lock_guard lock(mutex_);
        for (const Builtin_t& m : modules_) {
            if (&m == handle) {
                return m.name;
            }
        }
        return {};
    }

private:
    Builtin_t* FindLocked(const std::string& folded) {
        for (Builtin_t& m : modules_) {
            if (Folded(m.name) == folded) {
                return &m;
            }
        }
        return nullptr;
    }

    std::mutex mutex_;
    std::deque<Builtin_t> modules_;
};

Builtins_t& Builtins() {
    static Builtins_t builtins;
    return builtins;
}

void* ProgramHandle() {
    static void* const handle = ::dlopen(nullptr, RTLD_NOW);
    return handle;
}

std::string ExecutablePath() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string SharedObjectPath(void* handle) {
    link_map* map = nullptr;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
        return {};
    }
    return map->l_name;
}

bool IsBuiltin(HMODULE module) {
    return module != nullptr && Builtins().Contains(module);
}

}  // namespace

HMODULE GetModuleHandleA(const char* name) {
    if (name == nullptr) {
        return ProgramHandle();
    }
    if (Builtin_t* builtin = Builtins().Find(name)) {
        return builtin;
    }
    void* handle = ::dlopen(name, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ::dlclose(handle);  // RTLD_NOLOAD took a reference of its own
    return handle;
}

DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) {
    if (buffer == nullptr && size > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path;
    if (module == nullptr || module == ProgramHandle()) {
        path = ExecutablePath();
    } else if (IsBuiltin(module)) {
        path = Builtins().NameOf(module);
    } else {
        path = SharedObjectPath(module);
    }
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
    std::memcpy(buffer, path.data(), copied);
    buffer[copied] = '\0';
    if (copied < path.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return static_cast<DWORD>(copied);
}

HMODULE LoadLibraryA(const char* name) {
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (Builtin_t* builtin = Builtins().Find(name)) {
        return builtin;
    }
    void* handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        struct stat st {};
        const bool exists = std::strchr(name, '/') != nullptr && ::stat(name, &st) == 0;
        SetLastError(exists ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return handle;
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Lookups by ordinal are not supported: no module of ours exports any.
    if (name == nullptr || reinterpret_cast<std::uintptr_t>(name) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (IsBuiltin(module)) {
        FARPROC address = Builtins().Symbol(module, name);
        if (address == nullptr) {
            SetLastError(ERROR_PROC_NOT_FOUND);
        }
        return address;
    }
    ::dlerror();
    void* symbol = ::dlsym(module, name);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (IsBuiltin(module) || module == ProgramHandle()) {
        return TRUE;
    }
    if (::dlclose(module) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

void RegisterBuiltinModule(const std::string& name, const BuiltinSymbols_t& symbols) {
    Builtins().Register(name, symbols);
}

void* SharedObjectOf(HMODULE module) {
    if (module == nullptr || IsBuiltin(module)) {
        return nullptr;
    }
    return module;
}

}  // namespace pal
