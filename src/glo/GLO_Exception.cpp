#include "glo/GLO_Exception.h"

#include <utility>

namespace glo {

Exception_t::Exception_t(const char* file, unsigned line, std::string message_, std::string subId_)
    : message(std::move(message_)),
      subId(std::move(subId_)),
      file_(file),
      line_(static_cast<std::uint16_t>(line)) {}

Assert_t::Assert_t(const char* file, unsigned line) : Exception_t(file, line, {}, {}) {
    CaptureStackTrace(nullptr, stackTrace);
}

OutOfRange_t::OutOfRange_t(const char* file, unsigned line, std::string message_)
    : Exception_t(file, line, std::move(message_), {}) {}

CommunicationsError_t::CommunicationsError_t(const char* file, unsigned line, std::string message_)
    : Exception_t(file, line, std::move(message_), {}) {}

Timeout_t::Timeout_t(const char* file, unsigned line) : CommunicationsError_t(file, line, {}) {}

Terminate_t::Terminate_t(const char* file, unsigned line) : Exception_t(file, line, {}, {}) {}

LocaleDoesNotExist_t::LocaleDoesNotExist_t(const char* file, unsigned line, std::string message_)
    : Exception_t(file, line, std::move(message_), {}) {}

bool Check(bool condition, const char* file, unsigned line) {
    if (!condition) {
        throw Assert_t(file, line);
    }
    return condition;
}

}  // namespace glo
