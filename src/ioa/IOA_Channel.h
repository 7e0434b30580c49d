// The application-protocol view of one open unit.
#pragma once

#include <string>

#include "glo/GLO_NonCopyable.h"
#include "ioa/IOA_ProductData.h"
#include "ioa/IOA_Protocols.h"
#include "iol/IOL_Link.h"

namespace ioa {

// Used only by the thread that owns the link; the link is borrowed and must
// outlive the channel.
class Channel_t : private glo::NonCopyable_t {
public:
    static constexpr std::uint16_t kProductRequestId = 254;
    static constexpr std::uint32_t kProtocolArrayTimeout = 1000;

    // Identifies the unit: product request, product data, protocol array
    // (a time-out there is normal), completion, empty data request.
    explicit Channel_t(iol::Link_t& link);
    // Sends nothing: switching NMEA off is the caller's explicit step.
    virtual ~Channel_t();

    const ProductData_t& GetProductData() const { return productData_; }
    const Protocols_t& GetProtocols() const { return protocols_; }
    iol::Link_t& GetLink() const { return link_; }

    void EnableNmea();
    void DisableNmea();
    void SendDataRequest();

    bool SupportsUnitName() const;
    std::string GetUnitName();
    // The unit name when it has one it will tell, else the description
    // followed by " (suffix)" when the suffix is not empty. Never throws for
    // the unit's sake: a failed name request falls back to the description.
    std::string GetDisplayName(const std::string& suffix);

private:
    iol::Link_t& link_;
    ProductData_t productData_;
    Protocols_t protocols_;
};

}  // namespace ioa
