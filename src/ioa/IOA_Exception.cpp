#include "ioa/IOA_Exception.h"

#include <utility>

namespace ioa {

Exception_t::Exception_t(const char* file, unsigned line, std::string message_)
    : iol::Exception_t(file, line, std::move(message_)) {}

}  // namespace ioa
