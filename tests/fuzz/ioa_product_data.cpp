#include "ioa/IOA_ProductData.h"
#include "ioa_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzDecode<ioa::ProductData_t>(data, size, [](const ioa::ProductData_t& packet) {
        volatile std::size_t length = packet.GetDescription().size();
        (void)length;
        ioa::ProductData_t again;
        again.FromFrame(packet.ToFrame());
    });
    return 0;
}
