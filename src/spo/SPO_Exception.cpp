#include "spo/SPO_Exception.h"

#include <utility>

#include "pal/PAL_Error.h"
#include "win/WIN_Exception.h"

namespace spo {

Exception_t::Exception_t(const char* file, unsigned line, std::string message_)
    : glo::CommunicationsError_t(file, line, std::move(message_)) {}

namespace {
// Read once, before anything else may change the last-error value.
std::uint32_t LastError() {
    return pal::GetLastError();
}
}  // namespace

CommFileError_t::CommFileError_t(const char* file, unsigned line)
    : Exception_t(file, line, {}), code(LastError()) {
    message = win::ErrorCodeText(code);
    subId = std::to_string(code);
}

}  // namespace spo
