// Windows errors, structured (hardware) exceptions and their texts.
#pragma once

#include <cstdint>
#include <string>

#include "glo/GLO_Exception.h"

namespace win {

// "Windows Error Code: ", the decimal code, "\n", then the system text.
std::string ErrorCodeText(std::uint32_t code);
// The bare system text of a code in a language (at most 255 characters).
std::string SystemMessageText(std::uint32_t code, std::uint32_t languageId);

class Error_t : public glo::Exception_t {
public:
    // The code is the calling thread's last-error value at construction.
    Error_t(const char* file, unsigned line);
    Error_t(const char* file, unsigned line, std::uint32_t code);

    std::uint32_t code;
};

class FileError_t : public Error_t {
public:
    FileError_t(const char* file, unsigned line, const std::string& path);
};

class RegError_t : public Error_t {
public:
    RegError_t(const char* file, unsigned line, const std::string& valueName, std::uint32_t code);
};

class MappedFileError_t : public Error_t {
public:
    MappedFileError_t(const char* file, unsigned line);
};

class NoCodePageSpecified_t : public glo::Exception_t {
public:
    NoCodePageSpecified_t(const char* file, unsigned line);
};

// Exception codes of hardware faults, as the system numbers them.
constexpr std::uint32_t kAccessViolation = 0xC0000005u;
constexpr std::uint32_t kIntegerDivideByZero = 0xC0000094u;

// The fault record handed to the constructor: what the signal handler
// learnt from the kernel. Borrowed for the duration of the translation only.
struct ExceptionPointers_t {
    std::uint32_t code = 0;
    // For access violations: [0] is 0 for a read, 1 for a write; [1] is the
    // data address.
    std::uintptr_t parameters[2] = {0, 0};
    std::uintptr_t instructionAddress = 0;
    const void* context = nullptr;  // ucontext_t of the fault, may be null
};

class StructuredException_t : public glo::Exception_t {
public:
    StructuredException_t(const char* file, unsigned line, std::uint32_t code,
                          const ExceptionPointers_t* pointers);

    std::uint32_t code;
    const ExceptionPointers_t* pointers;  // valid only while translating
    std::uint32_t programAddress;
};

// Installs the fault translator for the calling thread: from now on a
// synchronous hardware fault on this thread arrives as a thrown
// StructuredException_t. Threads that do not call it get no translation.
void InstallSeTranslator();
// Undoes InstallSeTranslator for the calling thread (also done at thread end).
void UninstallSeTranslator() noexcept;

}  // namespace win
