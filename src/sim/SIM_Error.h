#pragma once

#include <string>

#include "glo/GLO_Exception.h"

namespace sim {

// A simulation that cannot be set up: bad configuration text, an unreadable
// replay file. The message says what and where.
class Error_t : public glo::Exception_t {
public:
    Error_t(const char* file, unsigned line, std::string message);
};

}  // namespace sim
