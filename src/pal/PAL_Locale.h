// The system locale, derived from the POSIX environment (LC_ALL, else
// LANG; "C" when neither is set), and code page information. How locale
// names map to language and country abbreviations and code pages:
// docs/locale.md.
#pragma once

#include <string>
#include <string_view>

#include "pal/PAL_Types.h"

namespace pal {

using LCID = DWORD;
using LCTYPE = DWORD;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_CUSTOM_UNSPECIFIED = 0x1000;

constexpr LCTYPE LOCALE_SABBREVLANGNAME = 3;
constexpr LCTYPE LOCALE_SABBREVCTRYNAME = 7;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 4100;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

constexpr UINT MAX_LEADBYTES = 12;
constexpr UINT MAX_DEFAULTCHAR = 2;

struct CPINFO {
    UINT MaxCharSize;
    BYTE DefaultChar[MAX_DEFAULTCHAR];
    BYTE LeadByte[MAX_LEADBYTES];  // pairs of bounds, ended by a zero pair
};

// The locale identifier of the environment's locale (0x1000 for a locale
// this table does not know).
LCID GetSystemDefaultLCID();
// Reads a locale text of the system (or user, the same here) default locale
// or of its identifier. With size 0 returns the size needed, NUL included;
// otherwise the count stored, NUL included. 0 with the last-error value
// set: 87 unknown locale, 1004 unknown type, 122 buffer too small.
int GetLocaleInfoA(LCID locale, LCTYPE type, char* buffer, int size);
// The code page of the environment's locale.
UINT GetACP();
// FALSE with 87 for a code page this table does not know.
BOOL GetCPInfo(UINT codePage, CPINFO* info);

// The name of the environment's locale, as setlocale(LC_ALL, "") reads it.
std::string SystemLocaleName();
// The code page of a codeset name ("UTF-8", "ISO-8859-1", "1252"; case,
// "-" and "_" do not matter); 0 when the name is unknown.
UINT CodePageOfCodeset(std::string_view codeset);

}  // namespace pal
