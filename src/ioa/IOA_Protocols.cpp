#include "ioa/IOA_Protocols.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "glo/GLO_Exception.h"
#include "ioa/IOA_Exception.h"
#include "iol/IOL_FrameStream.h"

namespace ioa {

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool ParseProtocolRecords(std::string_view text, ProtocolRecords_t& records) {
    ProtocolRecords_t parsed;
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && IsSpace(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            break;
        }
        ProtocolRecord_t record;
        record.tag = text[i++];
        if (IsDigit(record.tag)) {
            return false;
        }
        while (i < text.size() && IsSpace(text[i])) {
            ++i;
        }
        if (i == text.size() || !IsDigit(text[i])) {
            return false;
        }
        std::uint32_t number = 0;
        while (i < text.size() && IsDigit(text[i])) {
            number = number * 10 + static_cast<std::uint32_t>(text[i++] - '0');
            if (number > 0xFFFFu) {
                return false;
            }
        }
        record.number = static_cast<std::uint16_t>(number);
        parsed.push_back(record);
    }
    records.insert(records.end(), parsed.begin(), parsed.end());
    return true;
}

std::string FormatProtocolRecords(const ProtocolRecords_t& records) {
    std::string text;
    for (const ProtocolRecord_t& record : records) {
        char number[8];
        std::snprintf(number, sizeof number, "%03u", static_cast<unsigned>(record.number));
        if (!text.empty()) {
            text += ' ';
        }
        text += record.tag;
        text += number;
    }
    return text;
}

void Protocols_t::FromFrame(const iol::Frame_t& frame) {
    glo::Check(frame.GetId() == GetId(), __FILE__, 82);
    iol::FrameStream_t stream(frame);
    for (;;) {
        ProtocolRecord_t record;
        stream.get(record.tag);
        stream >> record.number;
        if (stream.fail()) {
            break;
        }
        records.push_back(record);
    }
}

iol::Frame_t Protocols_t::ToFrame() const {
    iol::FrameStream_t stream;
    for (const ProtocolRecord_t& record : records) {
        stream.put(record.tag);
        stream << record.number;
    }
    glo::Check(stream.good(), __FILE__, 118);
    return iol::Frame_t(GetId(), &stream);
}

bool Protocols_t::Contains(const ProtocolRecord_t& record) const {
    return std::find(records.begin(), records.end(), record) != records.end();
}

bool Protocols_t::Supports(const ProtocolRecord_t& protocol,
                           const std::vector<DataTypeSet_t>& dataTypeSets) const {
    const auto found = std::find(records.begin(), records.end(), protocol);
    if (found == records.end()) {
        return false;
    }
    const std::size_t at = static_cast<std::size_t>(found - records.begin());
    for (std::size_t k = 0; k < dataTypeSets.size(); ++k) {
        const std::size_t dataType = at + k + 1;
        if (dataType >= records.size() || records[dataType].tag != 'D') {
            throw Exception_t(__FILE__, 164, {});
        }
        if (dataTypeSets[k].count(records[dataType].number) == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace ioa
