#include "win/WIN_Exception.h"

#include <iomanip>
#include <sstream>
#include <string>

#include "pal/PAL_Error.h"
#include "win/WIN_SeTranslator.h"

namespace win {
namespace {

constexpr pal::DWORD kMessageBufferSize = 256;
constexpr pal::DWORD kUsEnglish = 1033;
// The location every translated fault reports.
constexpr unsigned kTranslatorLine = 32;

const char* FaultPhrase(std::uint32_t code) {
    switch (code) {
        case 0x80000001u:
            return "Guard page at ";
        case 0x80000002u:
            return "Data type misalignment at ";
        case 0x80000003u:
            return "Breakpoint at ";
        case 0x80000004u:
            return "Single step at ";
        case 0xC0000006u:
            return "In page error at ";
        case 0xC0000008u:
            return "Invalid handle at ";
        case 0xC000001Du:
            return "Illegal instruction at ";
        case 0xC0000025u:
            return "Non-continuable exception at ";
        case 0xC0000026u:
            return "Invalid disposition at ";
        case 0xC000008Cu:
            return "Array bounds exceeded at ";
        case 0xC000008Du:
            return "Float denormal operand at ";
        case 0xC000008Eu:
            return "Float divide by zero at ";
        case 0xC000008Fu:
            return "Float inexact result at ";
        case 0xC0000090u:
            return "Float invalid operation at ";
        case 0xC0000091u:
            return "Float overflow at ";
        case 0xC0000092u:
            return "Float stack check at ";
        case 0xC0000093u:
            return "Float underflow at ";
        case 0xC0000094u:
            return "Integer divide by zero at ";
        case 0xC0000095u:
            return "Integer overflow at ";
        case 0xC0000096u:
            return "Privileged instruction at ";
        case 0xC00000FDu:
            return "Stack overflow at ";
        default:
            return nullptr;
    }
}

std::string EightHexDigits(std::uint32_t value) {
    std::ostringstream text;
    text << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << value;
    return text.str();
}

std::string FaultText(std::uint32_t code, const ExceptionPointers_t& record,
                      std::uint32_t programAddress) {
    std::ostringstream text;
    text << std::hex;
    if (code == kAccessViolation) {
        text << (record.parameters[0] == 0 ? "Read" : "Write")
             << " access violation at data address 0x" << record.parameters[1] << ",\n";
    } else if (const char* phrase = FaultPhrase(code)) {
        text << phrase;
    } else {
        text << "Exception: 0x" << std::uppercase << code << std::nouppercase << " at ";
    }
    text << "program address 0x" << EightHexDigits(programAddress) << ".";
    return text.str();
}

// The system text, or empty; leaves the thread's last-error value alone.
std::string FormattedSystemText(std::uint32_t code, std::uint32_t languageId) {
    const pal::DWORD savedError = pal::GetLastError();
    char buffer[kMessageBufferSize] = {};
    const pal::DWORD length =
        pal::FormatMessageA(pal::FORMAT_MESSAGE_FROM_SYSTEM | pal::FORMAT_MESSAGE_IGNORE_INSERTS,
                            nullptr, code, languageId, buffer, kMessageBufferSize, nullptr);
    pal::SetLastError(savedError);
    return std::string(buffer, length < kMessageBufferSize ? length : kMessageBufferSize - 1);
}

}  // namespace

std::string ErrorCodeText(std::uint32_t code) {
    return "Windows Error Code: " + std::to_string(code) + "\n" +
           FormattedSystemText(code, kUsEnglish);
}

std::string SystemMessageText(std::uint32_t code, std::uint32_t languageId) {
    return FormattedSystemText(code, languageId);
}

Error_t::Error_t(const char* file, unsigned line) : Error_t(file, line, pal::GetLastError()) {}

Error_t::Error_t(const char* file, unsigned line, std::uint32_t code_)
    : glo::Exception_t(file, line, ErrorCodeText(code_), std::to_string(code_)), code(code_) {}

FileError_t::FileError_t(const char* file, unsigned line, const std::string& path)
    : Error_t(file, line) {
    message += "Path: " + path;
}

RegError_t::RegError_t(const char* file, unsigned line, const std::string& valueName,
                       std::uint32_t code_)
    : Error_t(file, line, code_) {
    message += "; Reg name: " + valueName;
}

MappedFileError_t::MappedFileError_t(const char* file, unsigned line) : Error_t(file, line) {}

NoCodePageSpecified_t::NoCodePageSpecified_t(const char* file, unsigned line)
    : glo::Exception_t(file, line, {}, {}) {}

StructuredException_t::StructuredException_t(const char* file, unsigned line, std::uint32_t code_,
                                             const ExceptionPointers_t* pointers_)
    : glo::Exception_t(file, line, {}, {}), code(code_), pointers(pointers_), programAddress(0) {
    const ExceptionPointers_t record = pointers_ != nullptr ? *pointers_ : ExceptionPointers_t{};
    // A module offset, like every address of the stack traces.
    programAddress = glo::ModuleOffset(reinterpret_cast<const void*>(record.instructionAddress));
    message = FaultText(code, record, programAddress);
    subId = "0x" + EightHexDigits(programAddress);
    glo::CaptureStackTrace(record.context, stackTrace);
}

void ThrowTranslatedFault(const ExceptionPointers_t& record) {
    StructuredException_t error(__FILE__, kTranslatorLine, record.code, &record);
    // The record lives in the signal handler's frame: nothing may read it
    // once the exception has left the translator.
    error.pointers = nullptr;
    throw error;
}

}  // namespace win
