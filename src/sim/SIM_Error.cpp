#include "sim/SIM_Error.h"

#include <utility>

namespace sim {

Error_t::Error_t(const char* file, unsigned line, std::string message_)
    : glo::Exception_t(file, line, std::move(message_), {}) {}

}  // namespace sim
