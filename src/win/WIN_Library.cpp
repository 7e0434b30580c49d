#include "win/WIN_Library.h"

#include "win/WIN_Exception.h"

namespace win {

Library_t::Library_t(const std::string& name)
    : name_(name), module_(pal::LoadLibraryA(name.c_str())) {
    if (module_ == nullptr) {
        throw Error_t(__FILE__, 38);
    }
}

Library_t::~Library_t() {
    pal::FreeLibrary(module_);
}

pal::FARPROC Library_t::GetProcAddress(const std::string& name) const {
    const pal::FARPROC procedure = pal::GetProcAddress(module_, name.c_str());
    if (procedure == nullptr) {
        throw Error_t(__FILE__, 89);
    }
    return procedure;
}

}  // namespace win
