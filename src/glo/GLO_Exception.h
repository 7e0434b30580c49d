// The root of the program's exception tree and the internal check.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace glo {

// Return addresses, each a 32-bit offset from the base of its module.
using StackTrace_t = std::vector<std::uint32_t>;
constexpr std::size_t kMaxStackTraceDepth = 50;

class Exception_t : public std::exception {
public:
    Exception_t(const char* file, unsigned line, std::string message, std::string subId);
    Exception_t(const Exception_t&) = default;
    Exception_t& operator=(const Exception_t&) = default;
    ~Exception_t() override = default;

    const char* what() const noexcept override { return message.c_str(); }
    const char* SourceFile() const { return file_; }
    std::uint16_t SourceLine() const { return line_; }

    std::string message;  // reported as "Extra"
    std::string subId;    // reported as "SubId"
    StackTrace_t stackTrace;

private:
    const char* file_;  // static text, never copied or freed
    std::uint16_t line_;
};

// An internal check failed. Message and sub-identifier stay empty; the stack
// at the check is captured.
class Assert_t : public Exception_t {
public:
    Assert_t(const char* file, unsigned line);
};

class OutOfRange_t : public Exception_t {
public:
    OutOfRange_t(const char* file, unsigned line, std::string message);
};

class CommunicationsError_t : public Exception_t {
public:
    CommunicationsError_t(const char* file, unsigned line, std::string message);
};

class Timeout_t : public CommunicationsError_t {
public:
    Timeout_t(const char* file, unsigned line);
};

class Terminate_t : public Exception_t {
public:
    Terminate_t(const char* file, unsigned line);
};

class LocaleDoesNotExist_t : public Exception_t {
public:
    LocaleDoesNotExist_t(const char* file, unsigned line, std::string message);
};

// Returns the condition when true; otherwise throws Assert_t for file and line.
bool Check(bool condition, const char* file, unsigned line);

// Fills trace with at most 50 return addresses, starting from the fault
// context when one is given (a ucontext_t), else from the caller. Never throws.
void CaptureStackTrace(const void* context, StackTrace_t& trace) noexcept;

// A code address as the traces store it: the 32-bit offset from the base of
// the module that holds it (the address itself when no module does).
std::uint32_t ModuleOffset(const void* address) noexcept;

}  // namespace glo
