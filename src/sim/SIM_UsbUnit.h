// The USB layer of a simulated unit: what the unit's USB driver would show
// the host. A pal device serving the unit driver interface (version, packet
// size, interrupt transfers, bulk reads and writes) over a frame-level
// sim::Unit_t: the type-0 start-up packets on the interrupt pipe, data
// announcements there, application packets on the bulk pipe.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "pal/PAL_Driver.h"
#include "sim/SIM_Clock.h"
#include "sim/SIM_Unit.h"

namespace sim {

// The unit driver interface.
constexpr std::size_t kInterruptChunk = 64;
constexpr std::size_t kBulkChunk = 4096;

struct UsbFaults_t {
    bool noStartConfirmation = false;  // the start request (5) goes unanswered
    bool noStartReply = false;         // confirms, but 16 goes unanswered
    std::uint32_t driverVersion = 1;
    std::uint16_t packetSize = 64;
};

struct UsbUnitConfig_t {
    UnitConfig_t unit;
    UsbFaults_t usb;
};

// Thread-safe. Lives as long as the driver that lists it, and as any handle
// open on it (the device model holds it by reference).
class UsbUnit_t final : public pal::Device_t {
public:
    explicit UsbUnit_t(UsbUnitConfig_t config);
    ~UsbUnit_t() override;

    void Start(const std::shared_ptr<pal::DeviceRequest_t>& request) override;
    void Cancelled(const pal::DeviceRequest_t& request) override;
    void Opened() override;
    void Closed() override;

    // Faults a test sets off at a moment of its choosing. Bytes go out as
    // they stand, so they may be any malformed packet; a bulk packet is
    // announced first.
    void SendOnInterrupt(const std::vector<std::uint8_t>& packet);
    void SendOnBulk(const std::vector<std::uint8_t>& packet);
    // From now on every request fails with 1167, pending ones included.
    void Unplug();
    bool IsPlugged();

    // The length of every bulk write the host made, zero-length ones included.
    std::vector<std::size_t> BulkWriteSizes();
    // The moment (steady clock, ns) each bulk packet of type 20 was queued,
    // in order; for latency measurements.
    std::vector<std::int64_t> TakeBulkQueueTimes();
    Unit_t& GetUnit() { return unit_; }
    const UsbUnitConfig_t& GetConfig() const { return config_; }

private:
    using Request_t = std::shared_ptr<pal::DeviceRequest_t>;
    using Transfer_t = std::vector<std::uint8_t>;

    // All with mutex_ held.
    void QueueInterruptPacket(const std::vector<std::uint8_t>& packet);
    void QueueBulkPacket(const std::vector<std::uint8_t>& packet);
    void ServeInterrupt();
    void ServeBulk();
    void HostWrote(const std::vector<std::uint8_t>& bytes);
    void HostPacket(const std::vector<std::uint8_t>& packet);

    void Pump();  // the unit's frames onto the bulk pipe; own thread

    const UsbUnitConfig_t config_;
    RealClock_t clock_;
    Unit_t unit_;
    pal::HANDLE stopEvent_;

    std::mutex mutex_;
    bool plugged_ = true;
    bool open_ = false;
    bool started_ = false;    // the host's start request was confirmed
    bool announced_ = false;  // announcement out, bulk burst not yet ended
    std::deque<Transfer_t> interruptOut_;
    std::deque<Transfer_t> bulkOut_;
    std::deque<Request_t> interruptReads_;
    std::deque<Request_t> bulkReads_;
    std::vector<std::uint8_t> written_;  // host bytes of a packet in progress
    std::vector<std::size_t> writeSizes_;
    std::vector<std::int64_t> queueTimes_;

    std::thread pump_;
};

}  // namespace sim
