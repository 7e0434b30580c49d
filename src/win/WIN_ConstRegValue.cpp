#include "win/WIN_ConstRegValue.h"

#include "pal/PAL_Error.h"
#include "win/WIN_Exception.h"

namespace win {

ConstRegValue_t<std::string>::ConstRegValue_t(const RegKey_t& key, const std::string& valueName)
    : key_(key), valueName_(valueName) {
    // Only "not found" means absent; any other failure is reported by the read.
    const pal::LONG exists = pal::RegQueryValueExA(key_.Handle(), valueName_.c_str(), nullptr,
                                                   nullptr, nullptr, nullptr);
    if (exists != pal::ERROR_FILE_NOT_FOUND) {
        value_ = key_.ReadString(valueName_);
    }
}

const std::string& ConstRegValue_t<std::string>::Get() const {
    if (!value_.HasValue()) {
        throw RegError_t(__FILE__, 95, valueName_, pal::ERROR_FILE_NOT_FOUND);
    }
    return value_.Get();
}

}  // namespace win
