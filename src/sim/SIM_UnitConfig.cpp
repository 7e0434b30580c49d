#include "sim/SIM_UnitConfig.h"

#include <cmath>

#include "glo/GLO_Exception.h"

namespace sim {

ioa::ProtocolRecords_t UnitConfig_t::DefaultProtocols() {
    ioa::ProtocolRecords_t records;
    glo::Check(ioa::ParseProtocolRecords("P000 L001 A010 A100 D110 A201 D202 D110 D210 A500 D501 "
                                         "A600 D600 A601 A700 D700 A800 D800 A1010",
                                         records),
               __FILE__, __LINE__);
    return records;
}

std::uint32_t UnitConfig_t::PeriodMs() const {
    if (!(rate > 0) || !std::isfinite(rate)) {
        return 1000;
    }
    const double period = std::round(1000.0 / rate);
    return period < 1 ? 1 : period > 3600000 ? 3600000 : static_cast<std::uint32_t>(period);
}

}  // namespace sim
