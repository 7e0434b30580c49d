#pragma once

#include <string>

#include "glo/GLO_Exception.h"

namespace iol {

class Frame_t;

class Exception_t : public glo::CommunicationsError_t {
public:
    Exception_t(const char* file, unsigned line, std::string message);
};

// A frame that could not be decoded; the message is the frame dump.
class BadFrame_t : public Exception_t {
public:
    BadFrame_t(const Frame_t& frame, const char* file, unsigned line);
};

}  // namespace iol
