// Failures of the serial port services.
#pragma once

#include <cstdint>
#include <string>

#include "glo/GLO_Exception.h"

namespace spo {

class Exception_t : public glo::CommunicationsError_t {
public:
    Exception_t(const char* file, unsigned line, std::string message);
};

// A comm file call failed; the code is the calling thread's last-error value
// at construction.
class CommFileError_t : public Exception_t {
public:
    CommFileError_t(const char* file, unsigned line);

    std::uint32_t code;
};

}  // namespace spo
