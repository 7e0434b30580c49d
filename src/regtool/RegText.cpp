#include "regtool/RegText.h"

#include <cstdio>

#include "pal/PAL_Error.h"

namespace regtool {
namespace {

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE";

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::string Quoted(const std::string& text) {
    std::string result = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            result += '\\';
        }
        result += c;
    }
    return result + "\"";
}

std::string Hex(const std::vector<pal::BYTE>& data) {
    std::string result;
    char byte[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(byte, sizeof(byte), "%02x", data[i]);
        result += (i == 0 ? "" : ",") + std::string(byte);
    }
    return result;
}

// A string that reads back the same when written as "...".
bool PlainString(const std::vector<pal::BYTE>& data) {
    if (data.empty() || data.back() != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] < 0x20 || data[i] == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string ValueText(pal::DWORD type, const std::vector<pal::BYTE>& data) {
    if (type == pal::REG_SZ && PlainString(data)) {
        return Quoted(std::string(data.begin(), data.end() - 1));
    }
    if (type == pal::REG_DWORD && data.size() == 4) {
        char number[16];
        const pal::DWORD value =
            data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<pal::DWORD>(data[3]) << 24);
        std::snprintf(number, sizeof(number), "dword:%08x", value);
        return number;
    }
    if (type == pal::REG_BINARY) {
        return "hex:" + Hex(data);
    }
    char prefix[24];
    std::snprintf(prefix, sizeof(prefix), "hex(%x):", type);
    return prefix + Hex(data);
}

pal::LONG ExportKey(pal::HKEY key, const std::string& path, std::string& text) {
    text += "\n[" + std::string(kRoot) + (path.empty() ? "" : "\\" + path) + "]\n";
    for (pal::DWORD i = 0;; ++i) {
        char name[pal::kMaxValueNameLength + 1];
        pal::DWORD nameSize = sizeof(name);
        pal::DWORD type = 0;
        pal::DWORD size = 0;
        pal::LONG status =
            pal::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size);
        if (status == pal::ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != pal::ERROR_SUCCESS) {
            return status;
        }
        std::vector<pal::BYTE> data(size);
        status = pal::RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
        if (status != pal::ERROR_SUCCESS) {
            return status;
        }
        data.resize(size);
        const std::string valueName(name, nameSize);
        text += (valueName.empty() ? "@" : Quoted(valueName)) + "=" + ValueText(type, data) + "\n";
    }
    for (pal::DWORD i = 0;; ++i) {
        char name[pal::kMaxKeyNameLength + 1];
        pal::DWORD nameSize = sizeof(name);
        pal::LONG status =
            pal::RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (status == pal::ERROR_NO_MORE_ITEMS) {
            return pal::ERROR_SUCCESS;
        }
        if (status != pal::ERROR_SUCCESS) {
            return status;
        }
        pal::HKEY child = 0;
        status = pal::RegOpenKeyExA(key, name, 0, pal::KEY_READ, &child);
        if (status != pal::ERROR_SUCCESS) {
            return status;
        }
        const std::string childName(name, nameSize);
        status = ExportKey(child, path.empty() ? childName : path + "\\" + childName, text);
        pal::RegCloseKey(child);
        if (status != pal::ERROR_SUCCESS) {
            return status;
        }
    }
}

class Parser_t {
public:
    Parser_t(Import_t& result, std::string& error) : result_(result), error_(error) {}

    bool Line(const std::string& line, std::size_t number) {
        number_ = number;
        if (line.empty() || line[0] == ';' || (number == 1 && line == kHeader)) {
            return true;
        }
        if (line[0] == '[') {
            return KeyLine(line);
        }
        if (line[0] == '"' || line[0] == '@') {
            return ValueLine(line);
        }
        return Fail("expected a [key] or a \"name\"=value line");
    }

private:
    bool Fail(const std::string& message) {
        error_ = "line " + std::to_string(number_) + ": " + message;
        return false;
    }

    bool KeyLine(const std::string& line) {
        if (line.back() != ']') {
            return Fail("a key line ends with ]");
        }
        std::string inner = line.substr(1, line.size() - 2);
        const bool remove = !inner.empty() && inner[0] == '-';
        if (remove) {
            inner.erase(0, 1);
        }
        if (!KeyPathOfArgument(inner, key_)) {
            return Fail("keys are below HKEY_LOCAL_MACHINE");
        }
        if (!ValidPath(key_)) {
            return Fail("empty or over-long key name in the path");
        }
        if (remove && key_.empty()) {
            return Fail("HKEY_LOCAL_MACHINE itself cannot be deleted");
        }
        haveKey_ = !remove;
        Add({remove ? pal::RegEdit_t::Kind::DeleteTree : pal::RegEdit_t::Kind::CreateKey,
             key_,
             "",
             pal::REG_NONE,
             {}});
        return true;
    }

    static bool ValidPath(const std::string& path) {
        if (path.empty()) {
            return true;
        }
        std::size_t start = 0;
        while (true) {
            const std::size_t end = path.find('\\', start);
            const std::size_t length = (end == std::string::npos ? path.size() : end) - start;
            if (length == 0 || length > pal::kMaxKeyNameLength) {
                return false;
            }
            if (end == std::string::npos) {
                return true;
            }
            start = end + 1;
        }
    }

    // A quoted text from position; advances past the closing quote.
    bool QuotedText(const std::string& line, std::size_t& position, std::string& text) {
        text.clear();
        for (++position; position < line.size(); ++position) {
            const char c = line[position];
            if (c == '"') {
                ++position;
                return true;
            }
            if (c == '\\') {
                if (++position == line.size() ||
                    (line[position] != '\\' && line[position] != '"')) {
                    return false;
                }
            }
            text += line[position];
        }
        return false;
    }

    bool ValueLine(const std::string& line) {
        if (!haveKey_) {
            return Fail("a value before any [key] line");
        }
        std::size_t position = 0;
        std::string name;
        if (line[0] == '@') {
            position = 1;
        } else if (!QuotedText(line, position, name)) {
            return Fail("unterminated or badly escaped value name");
        }
        if (name.size() > pal::kMaxValueNameLength) {
            return Fail("value name too long");
        }
        if (position >= line.size() || line[position] != '=') {
            return Fail("expected = after the value name");
        }
        const std::string data = line.substr(position + 1);
        pal::RegEdit_t edit{pal::RegEdit_t::Kind::SetValue, key_, name, pal::REG_NONE, {}};
        if (data == "-") {
            edit.kind = pal::RegEdit_t::Kind::DeleteValue;
        } else if (!Data(data, edit)) {
            return false;
        }
        if (edit.data.size() > pal::kMaxValueSize) {
            return Fail("value larger than 1 MiB");
        }
        Add(edit);
        return true;
    }

    bool Data(const std::string& data, pal::RegEdit_t& edit) {
        if (!data.empty() && data[0] == '"') {
            std::size_t position = 0;
            std::string text;
            if (!QuotedText(data, position, text) || position != data.size()) {
                return Fail("unterminated or badly escaped string");
            }
            edit.type = pal::REG_SZ;
            edit.data.assign(text.begin(), text.end());
            edit.data.push_back(0);
            return true;
        }
        if (StartsWithNoCase(data, "dword:")) {
            const std::string digits = data.substr(6);
            pal::DWORD value = 0;
            if (digits.empty() || digits.size() > 8 || !HexNumber(digits, value)) {
                return Fail("dword: takes 1 to 8 hex digits");
            }
            edit.type = pal::REG_DWORD;
            edit.data = {static_cast<pal::BYTE>(value), static_cast<pal::BYTE>(value >> 8),
                         static_cast<pal::BYTE>(value >> 16), static_cast<pal::BYTE>(value >> 24)};
            return true;
        }
        std::string bytes;
        if (StartsWithNoCase(data, "hex:")) {
            edit.type = pal::REG_BINARY;
            bytes = data.substr(4);
        } else if (StartsWithNoCase(data, "hex(")) {
            const std::size_t close = data.find("):");
            if (close == std::string::npos || close == 4 || close > 12 ||
                !HexNumber(data.substr(4, close - 4), edit.type)) {
                return Fail("hex(type): takes a hex type number");
            }
            bytes = data.substr(close + 2);
        } else {
            return Fail("unknown value data; use \"text\", dword:, hex: or hex(type):");
        }
        return HexBytes(bytes, edit.data) ? true : Fail("hex bytes are pairs of digits and commas");
    }

    static bool HexNumber(const std::string& digits, pal::DWORD& value) {
        value = 0;
        for (const char c : digits) {
            int digit = -1;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return false;
            }
            value = value * 16 + static_cast<pal::DWORD>(digit);
        }
        return true;
    }

    static bool HexBytes(const std::string& text, std::vector<pal::BYTE>& data) {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find(',', start);
            if (end == std::string::npos) {
                end = text.size();
            }
            std::string item = text.substr(start, end - start);
            while (!item.empty() && item.front() == ' ') {
                item.erase(0, 1);
            }
            pal::DWORD value = 0;
            if (item.empty() || item.size() > 2 || !HexNumber(item, value)) {
                return false;
            }
            data.push_back(static_cast<pal::BYTE>(value));
            start = end + 1;
            if (end + 1 == text.size()) {
                return false;  // a trailing comma
            }
        }
        return true;
    }

    void Add(const pal::RegEdit_t& edit) {
        result_.edits.push_back(edit);
        result_.lines.push_back(number_);
    }

    Import_t& result_;
    std::string& error_;
    std::string key_;
    bool haveKey_ = false;
    std::size_t number_ = 0;
};

}  // namespace

bool KeyPathOfArgument(const std::string& argument, std::string& keyPath) {
    std::string path = argument;
    if (StartsWithNoCase(path, kRoot)) {
        path.erase(0, std::string(kRoot).size());
        if (!path.empty() && path[0] != '\\') {
            return false;
        }
        if (!path.empty()) {
            path.erase(0, 1);
        }
    } else if (StartsWithNoCase(path, "HKEY_")) {
        return false;
    }
    keyPath = path;
    return true;
}

pal::LONG ExportText(const std::string& keyPath, std::string& text) {
    pal::HKEY key = 0;
    pal::LONG status =
        pal::RegOpenKeyExA(pal::HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, pal::KEY_READ, &key);
    if (status != pal::ERROR_SUCCESS) {
        return status;
    }
    text = std::string(kHeader) + "\n";
    status = ExportKey(key, keyPath, text);
    pal::RegCloseKey(key);
    return status;
}

bool ParseText(const std::string& text, Import_t& result, std::string& error) {
    result = {};
    Parser_t parser(result, error);
    std::size_t number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        const std::size_t first = number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        // A line ending in "\" goes on in the next (long hex data).
        while (!line.empty() && line.back() == '\\' && line[0] != '[' && start <= text.size()) {
            end = text.find('\n', start);
            if (end == std::string::npos) {
                end = text.size();
            }
            std::string next = text.substr(start, end - start);
            start = end + 1;
            ++number;
            if (!next.empty() && next.back() == '\r') {
                next.pop_back();
            }
            line.pop_back();
            line += next.substr(next.find_first_not_of(' ') == std::string::npos
                                    ? next.size()
                                    : next.find_first_not_of(' '));
        }
        if (!parser.Line(line, first)) {
            return false;
        }
    }
    return true;
}

}  // namespace regtool
