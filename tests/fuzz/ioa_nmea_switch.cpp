#include "ioa/IOA_Packet.h"
#include "ioa_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzDecode<ioa::NmeaSwitch_t>(data, size, [](const ioa::NmeaSwitch_t& packet) {
        if (packet.ToFrame().Size() != 1) {
            __builtin_trap();
        }
    });
    return 0;
}
