#include "ioa/IOA_ProductData.h"

#include "glo/GLO_Exception.h"
#include "iol/IOL_Exception.h"
#include "iol/IOL_FrameStream.h"

namespace ioa {

void ProductData_t::FromFrame(const iol::Frame_t& frame) {
    glo::Check(frame.GetId() == GetId(), __FILE__, 95);
    iol::FrameStream_t stream(frame);
    stream >> productId >> softwareVersion;
    if (stream.fail()) {
        throw iol::BadFrame_t(frame, __FILE__, 102);
    }
    for (;;) {
        std::string text;
        stream >> text;
        if (stream.fail()) {
            break;  // end of data, or a last text without its NUL
        }
        strings.push_back(std::move(text));
    }
}

iol::Frame_t ProductData_t::ToFrame() const {
    iol::FrameStream_t stream;
    stream << productId << softwareVersion;
    for (const std::string& text : strings) {
        stream << text;
    }
    glo::Check(stream.good(), __FILE__, 135);
    return iol::Frame_t(GetId(), &stream);
}

std::string ProductData_t::GetDescription() const {
    if (strings.empty()) {
        return {};
    }
    const std::string& first = strings.front();
    std::string::size_type cut = first.find(" Software");
    if (cut == std::string::npos) {
        cut = first.find(" software");
    }
    return first.substr(0, cut);
}

}  // namespace ioa
