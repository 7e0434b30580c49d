// Failures of the USB link and of discovery.
#pragma once

#include <string>

#include "glo/GLO_Exception.h"

namespace iou {

class Exception_t : public glo::CommunicationsError_t {
public:
    Exception_t(const char* file, unsigned line, std::string message);
};

// The unit's driver speaks a newer interface than this program knows.
class FutureApi_t : public Exception_t {
public:
    FutureApi_t(const char* file, unsigned line, std::string message);
};

}  // namespace iou
