// A frame: a packet id and immutable data bytes shared by all copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "bin/BIN_Stream.h"
#include "glo/GLO_SmartPtr.h"

namespace iol {

class Frame_t {
public:
    class Data_t : public glo::RefCounter_t {
    public:
        std::vector<std::uint8_t> bytes;
    };

    explicit Frame_t(std::uint16_t id);
    // Every byte from the stream's read position to its end; a null or failed
    // stream gives empty data. More than 32 bits' worth raises iol::Exception_t.
    Frame_t(std::uint16_t id, bin::istream* stream);
    Frame_t(std::uint16_t id, const void* bytes, std::size_t count);

    std::uint16_t GetId() const { return id_; }
    const std::vector<std::uint8_t>& GetData() const { return data_->bytes; }
    const std::uint8_t* Bytes() const { return data_->bytes.data(); }
    std::size_t Size() const { return data_->bytes.size(); }

    // The frame dump; leaves the stream's base and fill changed.
    void Dump(std::ostream& out) const;

private:
    std::uint16_t id_;
    glo::SmartPtr_t<Data_t> data_;
};

}  // namespace iol
