// One string value read when the object is made; whether it was there can be
// asked, and reading a missing one fails then.
#pragma once

#include <string>

#include "glo/GLO_Optional.h"
#include "win/WIN_RegKey.h"

namespace win {

template <typename T>
class ConstRegValue_t;

template <>
class ConstRegValue_t<std::string> {
public:
    ConstRegValue_t(const RegKey_t& key, const std::string& valueName);
    virtual ~ConstRegValue_t() = default;

    bool HasValue() const { return value_.HasValue(); }
    // RegError_t with code 2 when the value did not exist.
    const std::string& Get() const;

private:
    RegKey_t key_;
    std::string valueName_;
    glo::Optional_t<std::string> value_;
};

}  // namespace win
