#include "sim/SIM_UsbUnit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "iol/IOL_UsbPacket.h"
#include "pal/PAL_Error.h"

namespace {

std::shared_ptr<pal::DeviceRequest_t> Request(pal::RequestKind_t kind, pal::DWORD code,
                                              std::uint8_t* buffer, pal::DWORD size) {
    return std::make_shared<pal::DeviceRequest_t>(kind, code, std::vector<pal::BYTE>{}, buffer,
                                                  size, nullptr, nullptr);
}

// A request that CancelIo completed a moment ago is still in the unit's
// queue until its Cancelled call comes; it must not take the next transfer.
TEST(UsbUnit, CancelledRequestTakesNoTransfer) {
    struct Case {
        pal::RequestKind_t kind;
        pal::DWORD code;
        bool bulk;
    };
    const Case cases[] = {
        {pal::RequestKind_t::Control, pal::kUsbIoctlInterruptRead, false},
        {pal::RequestKind_t::Read, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bulk ? "bulk" : "interrupt");
        sim::UsbUnit_t unit({});
        unit.Opened();
        const std::uint8_t data[] = {1, 2, 3};
        const std::vector<std::uint8_t> packet = iol::EncodeUsbPacket(20, 99, data, sizeof data);
        if (c.bulk) {
            unit.SendOnBulk(packet);
        } else {
            unit.SendOnInterrupt(packet);
        }
        std::uint8_t lost[4096] = {};
        std::uint8_t kept[4096] = {};
        const pal::DWORD chunk = c.bulk ? sim::kBulkChunk : sim::kInterruptChunk;
        auto cancelled = Request(c.kind, c.code, lost, chunk);
        ASSERT_TRUE(cancelled->Complete(pal::ERROR_OPERATION_ABORTED, nullptr, 0));
        unit.Start(cancelled);
        auto live = Request(c.kind, c.code, kept, chunk);
        unit.Start(live);
        ASSERT_TRUE(live->IsDone());
        EXPECT_EQ(std::vector<std::uint8_t>(kept, kept + packet.size()), packet);
        unit.Closed();
    }
}

}  // namespace
