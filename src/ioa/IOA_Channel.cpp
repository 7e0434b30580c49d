#include "ioa/IOA_Channel.h"

#include "glo/GLO_Exception.h"
#include "ioa/IOA_DataRqst.h"
#include "ioa/IOA_Packet.h"
#include "ioa/IOA_ProtocolTable.h"
#include "ioa/IOA_UnitName.h"

namespace ioa {

Channel_t::Channel_t(iol::Link_t& link) : link_(link) {
    link_.Send(iol::Packet_t(kProductRequestId), link_.GetTimeout());
    link_.Receive(productData_, link_.GetTimeout());
    try {
        link_.Receive(protocols_, kProtocolArrayTimeout);
    } catch (const glo::Timeout_t&) {
        // Older units send no array; the tables below stand in for it.
    }
    CompleteProtocols(protocols_.records, productData_.productId, productData_.softwareVersion);
    SendDataRequest();
}

Channel_t::~Channel_t() = default;

void Channel_t::EnableNmea() {
    link_.Send(NmeaSwitch_t(1), link_.GetTimeout());
}

void Channel_t::DisableNmea() {
    link_.Send(NmeaSwitch_t(0), link_.GetTimeout());
}

void Channel_t::SendDataRequest() {
    link_.Send(DataRqst_t(), link_.GetTimeout());
}

bool Channel_t::SupportsUnitName() const {
    return protocols_.Supports({'A', 601});
}

std::string Channel_t::GetUnitName() {
    link_.Send(iol::Packet_t(kUnitNameRequestId), link_.GetTimeout());
    UnitNamePacket_t answer;
    link_.Receive(answer, link_.GetTimeout());
    return answer.name;
}

std::string Channel_t::GetDisplayName(const std::string& suffix) {
    std::string name;
    if (SupportsUnitName()) {
        try {
            name = GetUnitName();
        } catch (...) {
            // No name to be had: the label falls back to the description. A
            // broken link still fails its owner's next operation.
            name.clear();
        }
    }
    if (!name.empty()) {
        return name;
    }
    std::string label = productData_.GetDescription();
    if (!suffix.empty()) {
        label += " (" + suffix + ")";
    }
    return label;
}

}  // namespace ioa
