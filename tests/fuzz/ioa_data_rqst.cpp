#include "ioa/IOA_DataRqst.h"
#include "ioa_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzDecode<ioa::DataRqst_t>(data, size, [](const ioa::DataRqst_t& packet) {
        if (!packet.GetNumbers().empty() && *packet.GetNumbers().rbegin() > 12) {
            __builtin_trap();
        }
        packet.ToFrame();
    });
    return 0;
}
