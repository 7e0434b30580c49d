#include "pal/PAL_UsbIds.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <set>
#include <string>

#include "pal/PAL_Error.h"
#include "pal/PAL_Registry.h"

namespace pal {
namespace {

bool IsSeparator(char c) {
    return c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// One to four hex digits and nothing else (no sign, no "0x").
bool ParseHex16(std::string_view text, std::uint16_t& value) {
    if (text.empty() || text.size() > 4 || !std::all_of(text.begin(), text.end(), IsHexDigit)) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseEntry(std::string_view entry, UsbId_t& id) {
    const std::size_t colon = entry.find(':');
    return colon != std::string_view::npos && ParseHex16(entry.substr(0, colon), id.vendor) &&
           ParseHex16(entry.substr(colon + 1), id.product);
}

// The registry value's text, or nothing when it is missing or of another type.
std::string RegistryIds() {
    HKEY key = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUsbUnitsKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return {};
    }
    std::string text;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, kUsbIdsValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && size > 0) {
        text.resize(size);
        if (RegQueryValueExA(key, kUsbIdsValue, nullptr, &type,
                             reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS) {
            text.clear();
        }
        text.resize(std::min<std::size_t>(size, text.size()));
    }
    RegCloseKey(key);
    return text;
}

}  // namespace

std::vector<UsbId_t> ParseUsbIds(std::string_view text) {
    std::vector<UsbId_t> ids;
    std::set<UsbId_t> seen;  // a hostile value may hold a great many entries
    std::size_t at = 0;
    while (at < text.size()) {
        if (IsSeparator(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !IsSeparator(text[end])) {
            ++end;
        }
        UsbId_t id;
        if (ParseEntry(text.substr(at, end - at), id) && seen.insert(id).second) {
            ids.push_back(id);
        }
        at = end;
    }
    return ids;
}

std::vector<UsbId_t> ConfiguredUsbIds() {
    if (const char* variable = std::getenv(kUsbIdsVariable)) {
        return ParseUsbIds(variable);
    }
    return ParseUsbIds(RegistryIds());
}

bool IsListedUsbId(const std::vector<UsbId_t>& ids, UsbId_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace pal
