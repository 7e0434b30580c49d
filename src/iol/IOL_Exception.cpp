#include "iol/IOL_Exception.h"

#include <sstream>
#include <utility>

#include "iol/IOL_Frame.h"

namespace iol {

Exception_t::Exception_t(const char* file, unsigned line, std::string message_)
    : glo::CommunicationsError_t(file, line, std::move(message_)) {}

BadFrame_t::BadFrame_t(const Frame_t& frame, const char* file, unsigned line)
    : Exception_t(file, line, {}) {
    std::ostringstream dump;
    frame.Dump(dump);
    message = dump.str();
}

}  // namespace iol
