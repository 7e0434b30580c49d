#include "iou/IOU_Exception.h"

#include <utility>

namespace iou {

Exception_t::Exception_t(const char* file, unsigned line, std::string message_)
    : glo::CommunicationsError_t(file, line, std::move(message_)) {}

FutureApi_t::FutureApi_t(const char* file, unsigned line, std::string message_)
    : Exception_t(file, line, std::move(message_)) {}

}  // namespace iou
