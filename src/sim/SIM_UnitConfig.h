// What a simulated unit is and how it misbehaves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ioa/IOA_Protocols.h"
#include "sim/SIM_NmeaGenerator.h"

namespace sim {

enum class ProtocolArray_t {
    AfterProductData,   // as units normally answer the product request
    BeforeProductData,  // lost by a host that waits for the product data first
    None,               // an older unit without the array
};

struct Faults_t {
    // No more sentences once this many have been sent.
    std::optional<std::size_t> silenceAfter;
    // A frame of this id before every answer and after every sentence.
    std::optional<std::uint16_t> noiseId;
    // The product data holds only 3 bytes.
    bool shortProductData = false;
    // The unit name request goes unanswered.
    bool noNameAnswer = false;
    // After this many sentences one garbled packet, which a link reports as
    // a frame error.
    std::optional<std::size_t> malformedAfter;
};

struct UnitConfig_t {
    std::uint16_t productId = 77;
    std::int16_t softwareVersion = 350;
    std::vector<std::string> strings{"Simulated Unit Software Version 3.50"};
    ProtocolArray_t protocolArray = ProtocolArray_t::AfterProductData;
    ioa::ProtocolRecords_t protocols = DefaultProtocols();
    // Answered to the name request (526) with 525; none: no answer.
    std::optional<std::string> unitName = std::string("Simulated Unit");
    std::uint32_t unitId = 1;

    double rate = 1.0;  // fixes per second
    GeneratorConfig_t generator;
    std::string replayPath;  // set: replay this file instead of generating
    bool replayLoop = true;

    Faults_t faults;
    // Frames kept in the transcript (the latest ones).
    std::size_t transcriptLimit = 4096;

    // A current unit: it names itself (A601) and streams NMEA (A1010).
    static ioa::ProtocolRecords_t DefaultProtocols();
    // 1000 / rate, at least 1.
    std::uint32_t PeriodMs() const;
};

}  // namespace sim
