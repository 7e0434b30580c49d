// Device paths: parsing never reads outside the input, and a path that
// parses is the canonical path of its location but for the case of letters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pal/PAL_UsbPath.h"
#include "usb_registry_stub.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto location = pal::ParseUsbUnitPath(text);
    if (!location) {
        return 0;
    }
    if (location->ports.empty() || location->ports.size() > pal::kMaxUsbPortDepth) {
        std::abort();
    }
    const std::string path = pal::UsbUnitPath(*location);
    if (path.size() != size || pal::ParseUsbUnitPath(path) != location) {
        std::abort();
    }
    for (std::size_t i = 0; i < size; ++i) {
        const char c =
            text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != path[i]) {
            std::abort();
        }
    }
    return 0;
}
