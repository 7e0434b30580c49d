#include "ioa/IOA_NmeaSentence.h"
#include "ioa_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzDecode<ioa::NmeaSentence_t>(data, size, [](const ioa::NmeaSentence_t& packet) {
        ioa::NmeaSentence_t again;
        again.FromFrame(packet.ToFrame());
        if (again.GetSentence() != packet.GetSentence()) {
            __builtin_trap();
        }
    });
    return 0;
}
