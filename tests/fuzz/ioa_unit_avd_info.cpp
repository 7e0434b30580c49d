#include "ioa/IOA_UnitAVDInfo.h"
#include "ioa_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzDecode<ioa::UnitAVDInfo_t>(data, size, [](const ioa::UnitAVDInfo_t& packet) {
        if (packet.block.size() != ioa::UnitAVDInfo_t::kBlockSize || packet.finalByte > 255) {
            __builtin_trap();
        }
        packet.ToFrame();
    });
    return 0;
}
