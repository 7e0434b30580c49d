// Custom resources of the language resource module: bytes by numeric ID
// and type name ("XSD"; "#5" names the numeric type 5).
#pragma once

#include <cstdint>
#include <string>

namespace win {

struct CustomResource_t {
    const std::uint8_t* bytes;  // valid while the resource module is loaded
    std::uint32_t size;
};

CustomResource_t LoadCustomResource(std::uint16_t id, const std::string& type);

}  // namespace win
