#include "ioa/IOA_UnitName.h"
#include "ioa_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzDecode<ioa::UnitNamePacket_t>(data, size, [](const ioa::UnitNamePacket_t& packet) {
        if (packet.name.find('\0') != std::string::npos) {
            __builtin_trap();
        }
    });
    return 0;
}
