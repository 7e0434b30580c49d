#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "iol/IOL_Frame.h"

namespace ioatest {

using Bytes = std::vector<std::uint8_t>;

inline iol::Frame_t MakeFrame(std::uint16_t id, const Bytes& bytes) {
    return iol::Frame_t(id, bytes.data(), bytes.size());
}

inline Bytes TextBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

}  // namespace ioatest
