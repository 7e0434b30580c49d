#pragma once

#include <string>

#include "iol/IOL_Exception.h"

namespace ioa {

// A failure of the application protocol itself.
class Exception_t : public iol::Exception_t {
public:
    Exception_t(const char* file, unsigned line, std::string message);
};

}  // namespace ioa
