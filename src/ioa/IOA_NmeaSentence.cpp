#include "ioa/IOA_NmeaSentence.h"

#include <vector>

#include "glo/GLO_Exception.h"
#include "iol/IOL_Exception.h"
#include "iol/IOL_FrameStream.h"

namespace ioa {

void NmeaSentence_t::FromFrame(const iol::Frame_t& frame) {
    glo::Check(frame.GetId() == GetId(), __FILE__, 68);
    const std::size_t size = frame.Size();
    std::vector<char> text(size + 1, '\0');
    iol::FrameStream_t stream(frame);
    stream.read(text.data(), static_cast<std::streamsize>(size));
    sentence_.assign(text.data());  // up to the first NUL; text[size] is one
    if (stream.fail()) {
        throw iol::BadFrame_t(frame, __FILE__, 81);
    }
}

iol::Frame_t NmeaSentence_t::ToFrame() const {
    iol::FrameStream_t stream;
    stream << sentence_;
    glo::Check(stream.good(), __FILE__, 95);
    return iol::Frame_t(GetId(), &stream);
}

}  // namespace ioa
