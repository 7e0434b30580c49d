// Basic types and constants of the Windows subset that the program calls.
// The numbers are the documented values; nothing is taken from a header.
#pragma once

#include <cstdint>

namespace pal {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using UINT = unsigned int;
using HANDLE = std::uint32_t;  // handle table index and generation; see PAL_Handle
using HMODULE = void*;
using HKEY = std::uint32_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr HANDLE INVALID_HANDLE_VALUE = 0xFFFFFFFFu;
constexpr DWORD INFINITE = 0xFFFFFFFFu;

struct SECURITY_ATTRIBUTES {
    DWORD nLength = sizeof(SECURITY_ATTRIBUTES);
    void* lpSecurityDescriptor = nullptr;
    BOOL bInheritHandle = FALSE;
};

}  // namespace pal
