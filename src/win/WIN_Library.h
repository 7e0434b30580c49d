// A loaded library: loaded when made, released when destroyed. Used for the
// system functions the program binds late.
#pragma once

#include <string>

#include "glo/GLO_NonCopyable.h"
#include "pal/PAL_Module.h"

namespace win {

class Library_t : private glo::NonCopyable_t {
public:
    // Throws win::Error_t (line 38) when the library cannot be loaded.
    explicit Library_t(const std::string& name);
    // Releases the library; failures are dropped.
    ~Library_t();

    // Throws win::Error_t (line 89) when the library has no such procedure.
    pal::FARPROC GetProcAddress(const std::string& name) const;

    // The procedure as a function pointer of the caller's type.
    template <typename Function_t>
    Function_t GetProc(const std::string& name) const {
        return reinterpret_cast<Function_t>(GetProcAddress(name));
    }

    pal::HMODULE GetHandle() const { return module_; }
    const std::string& GetName() const { return name_; }

private:
    std::string name_;
    pal::HMODULE module_;
};

}  // namespace win
