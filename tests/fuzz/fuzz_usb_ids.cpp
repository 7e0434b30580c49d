// The user's id list: parsing never reads outside the input, keeps every id
// once, and reading its own listing back gives the same ids.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "pal/PAL_UsbIds.h"
#include "usb_registry_stub.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto ids = pal::ParseUsbIds(std::string_view(reinterpret_cast<const char*>(data), size));
    if (std::set<pal::UsbId_t>(ids.begin(), ids.end()).size() != ids.size()) {
        std::abort();
    }
    std::string listing;
    for (const pal::UsbId_t& id : ids) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%x:%X,", id.vendor, id.product);
        listing += entry;
    }
    if (pal::ParseUsbIds(listing) != ids) {
        std::abort();
    }
    return 0;
}
