#include "ioa/IOA_Protocols.h"
#include "ioa/IOA_Exception.h"
#include "ioa_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzDecode<ioa::Protocols_t>(data, size, [](const ioa::Protocols_t& packet) {
        // Ask about each record with up to two data-type sets.
        for (const ioa::ProtocolRecord_t& record : packet.records) {
            try {
                packet.Supports(record, {{record.number}, {0, 1}});
            } catch (const ioa::Exception_t&) {
            }
        }
        if (packet.ToFrame().Size() != packet.records.size() * 3) {
            __builtin_trap();
        }
    });
    return 0;
}
