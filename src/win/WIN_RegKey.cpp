#include "win/WIN_RegKey.h"

#include <algorithm>
#include <vector>

#include "pal/PAL_Error.h"
#include "win/WIN_Exception.h"

namespace win {

RegKeyHandle_t::~RegKeyHandle_t() {
    pal::RegCloseKey(key_);
}

pal::HKEY RegKey_t::KeyReader_t::Open(pal::HKEY parent, const std::string& component) const {
    pal::HKEY key = 0;
    const pal::LONG result = pal::RegOpenKeyExA(parent, component.c_str(), 0, pal::KEY_READ, &key);
    if (result != pal::ERROR_SUCCESS) {
        throw RegError_t(__FILE__, 644, component, static_cast<std::uint32_t>(result));
    }
    return key;
}

RegKey_t::RegKey_t(pal::HKEY key, std::string name)
    : handle_(new RegKeyHandle_t(key)), name_(std::move(name)) {}

RegKey_t::RegKey_t(const RegKey_t& parent, const std::string& path,
                   const KeyInitializer_t& initializer) {
    pal::HKEY parentKey = parent.Handle();
    glo::SmartPtr_t<RegKeyHandle_t> intermediate;  // closed as soon as the next one is open
    std::string rest = path;
    while (true) {
        const std::size_t separator = rest.find('\\');
        const std::string component = rest.substr(0, separator);
        glo::Check(!component.empty(), __FILE__, 231);
        glo::SmartPtr_t<RegKeyHandle_t> next(
            new RegKeyHandle_t(initializer.Open(parentKey, component)));
        rest = separator == std::string::npos ? std::string() : rest.substr(separator + 1);
        if (rest.empty()) {
            handle_ = next;
            name_ = component;
            return;
        }
        intermediate = next;
        parentKey = intermediate->Get();
    }
}

bool RegKey_t::HasSubKey(const std::string& path) const {
    try {
        const RegKey_t key(*this, path);
        return true;
    } catch (const RegError_t& error) {
        if (error.code == pal::ERROR_FILE_NOT_FOUND) {
            return false;
        }
        throw;
    }
}

unsigned RegKey_t::ValueCount() const {
    pal::DWORD values = 0;
    const pal::LONG result =
        pal::RegQueryInfoKeyA(Handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr);
    if (result != pal::ERROR_SUCCESS) {
        throw RegError_t(__FILE__, 243, name_, static_cast<std::uint32_t>(result));
    }
    return values;
}

std::string RegKey_t::ValueName(unsigned index) const {
    glo::Check(index < ValueCount(), __FILE__, 257);
    pal::DWORD longest = 0;
    pal::LONG result = pal::RegQueryInfoKeyA(Handle(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, nullptr, &longest, nullptr, nullptr, nullptr);
    if (result != pal::ERROR_SUCCESS) {
        throw RegError_t(__FILE__, 266, name_, static_cast<std::uint32_t>(result));
    }
    std::vector<char> buffer(2 * static_cast<std::size_t>(longest) + 2, '\0');
    pal::DWORD size = static_cast<pal::DWORD>(buffer.size());
    result = pal::RegEnumValueA(Handle(), index, buffer.data(), &size, nullptr, nullptr, nullptr,
                                nullptr);
    if (result != pal::ERROR_SUCCESS) {
        throw RegError_t(__FILE__, __LINE__, name_, static_cast<std::uint32_t>(result));
    }
    return std::string(buffer.begin(), std::find(buffer.begin(), buffer.end(), '\0'));
}

std::string RegKey_t::ReadString(const std::string& valueName) const {
    pal::DWORD type = 0;
    pal::DWORD size = 0;
    pal::LONG result =
        pal::RegQueryValueExA(Handle(), valueName.c_str(), nullptr, &type, nullptr, &size);
    if (result != pal::ERROR_SUCCESS) {
        throw RegError_t(__FILE__, 302, valueName, static_cast<std::uint32_t>(result));
    }
    // The store bounds sizes (pal::kMaxValueSize), so this allocation is too.
    std::vector<pal::BYTE> data(size);
    pal::DWORD read = size;
    result = pal::RegQueryValueExA(Handle(), valueName.c_str(), nullptr, &type, data.data(), &read);
    if (result != pal::ERROR_SUCCESS || type != pal::REG_SZ || read != size) {
        throw RegError_t(__FILE__, 318, valueName, static_cast<std::uint32_t>(result));
    }
    // Up to the first NUL; data without one is taken whole.
    const auto end = std::find(data.begin(), data.end(), pal::BYTE{0});
    return std::string(data.begin(), end);
}

const RegKey_t& LocalMachineKey() {
    static const RegKey_t key(pal::HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE");
    return key;
}

const RegKey_t& MakerKey() {
    static const RegKey_t key(LocalMachineKey(), "Software\\Halvex\\");
    return key;
}

}  // namespace win
