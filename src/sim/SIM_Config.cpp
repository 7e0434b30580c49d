#include "sim/SIM_Config.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "sim/SIM_Error.h"

namespace sim {

namespace {

// A value as it may appear in a message: short and printable.
std::string Quoted(std::string_view value) {
    std::string text = "\"";
    for (std::size_t i = 0; i < value.size() && i < 40; ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        text += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    return text + (value.size() > 40 ? "...\"" : "\"");
}

class UnitParser_t {
public:
    UnitParser_t(std::size_t index, UnitConfig_t& unit) : index_(index), unit_(unit) {}

    void Setting(std::string_view setting) {
        const std::size_t equals = setting.find('=');
        const std::string key(TrimSetting(setting.substr(0, equals)));
        value_ = equals == std::string_view::npos ? std::string_view()
                                                  : TrimSetting(setting.substr(equals + 1));
        key_ = key;
        if (key.empty()) {
            Fail("empty setting");
        }
        if (!seen_.insert(key).second) {
            Fail("'" + key + "' is given twice");
        }
        const auto handler = Handlers().find(key);
        if (handler == Handlers().end()) {
            Fail("unknown setting '" + Printable(key) + "'");
        }
        const bool isFlag = handler->second.first;
        if (isFlag != (equals == std::string_view::npos)) {
            Fail(isFlag ? "'" + key + "' takes no value" : "'" + key + "' needs a value");
        }
        handler->second.second(*this);
    }

private:
    using Handler_t = std::function<void(UnitParser_t&)>;
    // Setting name to (is a flag, handler).
    static const std::map<std::string, std::pair<bool, Handler_t>>& Handlers() {
        static const std::map<std::string, std::pair<bool, Handler_t>> handlers = {
            {"product",
             {false,
              [](UnitParser_t& p) { p.unit_.productId = p.Whole<std::uint16_t>(0, 65535); }}},
            {"version",
             {false,
              [](UnitParser_t& p) {
                  p.unit_.softwareVersion = p.Whole<std::int16_t>(-32768, 32767);
              }}},
            {"description", {false, [](UnitParser_t& p) { p.unit_.strings = {p.Text()}; }}},
            {"name", {false, [](UnitParser_t& p) { p.unit_.unitName = p.Text(); }}},
            {"noname", {true, [](UnitParser_t& p) { p.unit_.unitName.reset(); }}},
            {"unitid",
             {false,
              [](UnitParser_t& p) { p.unit_.unitId = p.Whole<std::uint32_t>(0, 4294967295LL); }}},
            {"rate", {false, [](UnitParser_t& p) { p.unit_.rate = p.Decimal(0.01, 50); }}},
            {"protocols", {false, [](UnitParser_t& p) { p.Protocols(); }}},
            {"array", {false, [](UnitParser_t& p) { p.Array(); }}},
            {"replay",
             {false,
              [](UnitParser_t& p) {
                  p.unit_.replayPath = p.Text();
                  p.NonEmpty();
              }}},
            {"noloop", {true, [](UnitParser_t& p) { p.unit_.replayLoop = false; }}},
            {"lat",
             {false, [](UnitParser_t& p) { p.unit_.generator.latitude = p.Decimal(-89, 89); }}},
            {"lon",
             {false, [](UnitParser_t& p) { p.unit_.generator.longitude = p.Decimal(-180, 180); }}},
            {"alt",
             {false,
              [](UnitParser_t& p) { p.unit_.generator.altitude = p.Decimal(-1000, 20000); }}},
            {"speed",
             {false, [](UnitParser_t& p) { p.unit_.generator.speed = p.Decimal(0, 500); }}},
            {"course",
             {false, [](UnitParser_t& p) { p.unit_.generator.course = p.Decimal(0, 360); }}},
            {"turn",
             {false, [](UnitParser_t& p) { p.unit_.generator.turnRate = p.Decimal(-90, 90); }}},
            {"time",
             {false,
              [](UnitParser_t& p) {
                  p.unit_.generator.startTime = p.Whole<std::int64_t>(0, 4102444800LL);
              }}},
            {"silence",
             {false,
              [](UnitParser_t& p) {
                  p.unit_.faults.silenceAfter = p.Whole<std::size_t>(0, 1000000000);
              }}},
            {"garble",
             {false,
              [](UnitParser_t& p) {
                  p.unit_.faults.malformedAfter = p.Whole<std::size_t>(0, 1000000000);
              }}},
            {"noise", {false, [](UnitParser_t& p) { p.Noise(); }}},
            {"shortproduct",
             {true, [](UnitParser_t& p) { p.unit_.faults.shortProductData = true; }}},
            {"ignorename", {true, [](UnitParser_t& p) { p.unit_.faults.noNameAnswer = true; }}},
        };
        return handlers;
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw Error_t(
            __FILE__, __LINE__,
            std::string(kSimulateVariable) + ": unit " + std::to_string(index_ + 1) + ": " + what);
    }
    [[noreturn]] void BadValue(const std::string& expected) const {
        Fail("'" + key_ + "' must be " + expected + ", not " + Quoted(value_));
    }

    static std::string Printable(std::string_view text) {
        const std::string quoted = Quoted(text);
        return quoted.substr(1, quoted.size() - 2);
    }

    template <typename T>
    T Whole(long long lowest, long long highest) const {
        long long number = 0;
        const char* end = value_.data() + value_.size();
        const auto [at, error] = std::from_chars(value_.data(), end, number);
        if (value_.empty() || error != std::errc() || at != end || number < lowest ||
            number > highest) {
            BadValue("a whole number from " + std::to_string(lowest) + " to " +
                     std::to_string(highest));
        }
        return static_cast<T>(number);
    }

    double Decimal(double lowest, double highest) const {
        double number = 0;
        const char* end = value_.data() + value_.size();
        const auto [at, error] =
            std::from_chars(value_.data(), end, number, std::chars_format::fixed);
        if (value_.empty() || error != std::errc() || at != end || !std::isfinite(number) ||
            number < lowest || number > highest) {
            char range[64];
            std::snprintf(range, sizeof range, "a number from %g to %g", lowest, highest);
            BadValue(range);
        }
        return number;
    }

    std::string Text() const {
        for (char c : value_) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F) {
                BadValue("text without control characters");
            }
        }
        if (value_.size() > 255) {
            BadValue("at most 255 bytes long");
        }
        return std::string(value_);
    }

    void NonEmpty() const {
        if (value_.empty()) {
            BadValue("a file path");
        }
    }

    void Protocols() {
        ioa::ProtocolRecords_t records;
        if (!ioa::ParseProtocolRecords(value_, records)) {
            BadValue("protocol records such as \"L001 A010 A601\"");
        }
        for (const ioa::ProtocolRecord_t& record : records) {
            if (record.tag < 'A' || record.tag > 'Z') {
                BadValue("protocol records with upper-case tags");
            }
        }
        unit_.protocols = std::move(records);
    }

    void Array() {
        if (value_ == "after") {
            unit_.protocolArray = ProtocolArray_t::AfterProductData;
        } else if (value_ == "before") {
            unit_.protocolArray = ProtocolArray_t::BeforeProductData;
        } else if (value_ == "none") {
            unit_.protocolArray = ProtocolArray_t::None;
        } else {
            BadValue("after, before or none");
        }
    }

    void Noise() {
        const auto id = Whole<std::uint16_t>(0, 65535);
        // Frames of the ids the host waits for would not be noise.
        if (id == 180 || id == 253 || id == 255 || id == 525) {
            BadValue("an id other than 180, 253, 255 and 525");
        }
        unit_.faults.noiseId = id;
    }

    std::size_t index_;
    UnitConfig_t& unit_;
    std::string key_;
    std::string_view value_;
    std::set<std::string> seen_;
};

bool IsAllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::vector<UnitConfig_t> ParseSimulation(std::string_view text) {
    const auto fail = [](const std::string& what) {
        throw Error_t(__FILE__, __LINE__, std::string(kSimulateVariable) + ": " + what);
    };
    if (text.size() > kMaxConfigLength) {
        fail("longer than " + std::to_string(kMaxConfigLength) + " bytes");
    }
    text = TrimSetting(text);
    std::vector<UnitConfig_t> units;
    if (text.empty()) {
        return units;
    }
    if (IsAllDigits(text)) {
        if (text.size() > 2 || std::stoul(std::string(text)) > kMaxSimulatedUnits) {
            fail("at most " + std::to_string(kMaxSimulatedUnits) + " units, not " + Quoted(text));
        }
        units.resize(std::stoul(std::string(text)));
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i].unitId = static_cast<std::uint32_t>(i + 1);
        }
        return units;
    }
    std::vector<std::string_view> parts = SplitSettings(text, ';');
    if (TrimSetting(parts.back()).empty()) {
        parts.pop_back();  // a trailing ";"
    }
    if (parts.size() > kMaxSimulatedUnits) {
        fail("at most " + std::to_string(kMaxSimulatedUnits) + " units");
    }
    std::set<std::uint32_t> unitIds;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        UnitConfig_t unit;
        unit.unitId = static_cast<std::uint32_t>(i + 1);
        if (!TrimSetting(parts[i]).empty()) {
            UnitParser_t parser(i, unit);
            for (std::string_view setting : SplitSettings(parts[i], ',')) {
                parser.Setting(setting);
            }
        }
        if (!unitIds.insert(unit.unitId).second) {
            fail("unit " + std::to_string(i + 1) + ": unit ID " + std::to_string(unit.unitId) +
                 " is already taken");
        }
        units.push_back(std::move(unit));
    }
    return units;
}

std::string_view TrimSetting(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> SplitSettings(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

std::vector<UnitConfig_t> SimulationFromEnvironment() {
    const char* text = std::getenv(kSimulateVariable);
    return text == nullptr ? std::vector<UnitConfig_t>{} : ParseSimulation(text);
}

}  // namespace sim
