#include "sim/SIM_UsbUnit.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "iol/IOL_UsbPacket.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_Sync.h"
#include "sim/SIM_Error.h"

namespace sim {
namespace {

// The answer to 16; the host keeps it less 12.
constexpr std::uint32_t kSecondReplyValue = 4096 + 12;
constexpr std::size_t kQueueTimesKept = 1 << 20;

std::vector<std::uint8_t> LinkPacket(std::uint16_t id, const std::uint32_t* value) {
    std::uint8_t bytes[4] = {};
    if (value != nullptr) {
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<std::uint8_t>(*value >> (8 * i));
        }
    }
    return iol::EncodeUsbPacket(iol::kUsbLinkControl, id, bytes, value != nullptr ? 4 : 0);
}

// The transfers that carry a packet: full chunks, then the rest; a packet
// that fills its last chunk exactly ends with a zero-length transfer.
void Split(const std::vector<std::uint8_t>& packet, std::size_t chunk,
           std::deque<std::vector<std::uint8_t>>& out) {
    std::size_t at = 0;
    for (;;) {
        const std::size_t n = std::min(chunk, packet.size() - at);
        out.emplace_back(packet.begin() + static_cast<std::ptrdiff_t>(at),
                         packet.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        if (n < chunk) {
            return;
        }
    }
}

std::int64_t SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

UsbUnit_t::UsbUnit_t(UsbUnitConfig_t config)
    : config_(std::move(config)),
      unit_(config_.unit, clock_),
      stopEvent_(pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr)) {
    if (stopEvent_ == 0) {
        throw Error_t(__FILE__, __LINE__, "cannot create the simulated unit's stop event");
    }
    pump_ = std::thread([this] { Pump(); });
}

UsbUnit_t::~UsbUnit_t() {
    pal::SetEvent(stopEvent_);
    pump_.join();
    pal::CloseHandle(stopEvent_);
}

void UsbUnit_t::Start(const std::shared_ptr<pal::DeviceRequest_t>& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_) {
        request->Complete(pal::ERROR_DEVICE_NOT_CONNECTED, nullptr, 0);
        return;
    }
    switch (request->Kind()) {
        case pal::RequestKind_t::Write:
            writeSizes_.push_back(request->Input().size());
            request->Complete(0, nullptr, static_cast<pal::DWORD>(request->Input().size()));
            HostWrote(request->Input());
            return;
        case pal::RequestKind_t::Read:
            bulkReads_.push_back(request);
            ServeBulk();
            return;
        case pal::RequestKind_t::Control:
            break;
    }
    switch (request->Code()) {
        case pal::kUsbIoctlDriverVersion:
            request->Complete(0, &config_.usb.driverVersion, 4);
            return;
        case pal::kUsbIoctlPacketSize:
            request->Complete(0, &config_.usb.packetSize, 2);
            return;
        case pal::kUsbIoctlInterruptRead:
            interruptReads_.push_back(request);
            ServeInterrupt();
            return;
        default:
            request->Complete(pal::ERROR_INVALID_FUNCTION, nullptr, 0);
    }
}

void UsbUnit_t::Cancelled(const pal::DeviceRequest_t& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto* queue : {&interruptReads_, &bulkReads_}) {
        queue->erase(std::remove_if(queue->begin(), queue->end(),
                                    [&](const Request_t& r) { return r.get() == &request; }),
                     queue->end());
    }
}

void UsbUnit_t::Opened() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
}

void UsbUnit_t::Closed() {
    // The next host starts from scratch; what a test queued for it stays.
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    started_ = false;
    announced_ = false;
    bulkOut_.clear();
    written_.clear();
}

void UsbUnit_t::SendOnInterrupt(const std::vector<std::uint8_t>& packet) {
    std::lock_guard<std::mutex> lock(mutex_);
    QueueInterruptPacket(packet);
}

void UsbUnit_t::SendOnBulk(const std::vector<std::uint8_t>& packet) {
    std::lock_guard<std::mutex> lock(mutex_);
    QueueBulkPacket(packet);
}

void UsbUnit_t::Unplug() {
    std::lock_guard<std::mutex> lock(mutex_);
    plugged_ = false;
    for (auto* queue : {&interruptReads_, &bulkReads_}) {
        for (const Request_t& request : *queue) {
            request->Complete(pal::ERROR_DEVICE_NOT_CONNECTED, nullptr, 0);
        }
        queue->clear();
    }
}

bool UsbUnit_t::IsPlugged() {
    std::lock_guard<std::mutex> lock(mutex_);
    return plugged_;
}

std::vector<std::size_t> UsbUnit_t::BulkWriteSizes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return writeSizes_;
}

std::vector<std::int64_t> UsbUnit_t::TakeBulkQueueTimes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(queueTimes_, {});
}

void UsbUnit_t::QueueInterruptPacket(const std::vector<std::uint8_t>& packet) {
    Split(packet, kInterruptChunk, interruptOut_);
    ServeInterrupt();
}

void UsbUnit_t::QueueBulkPacket(const std::vector<std::uint8_t>& packet) {
    const std::optional<iol::UsbPacketHeader_t> header =
        iol::ParseUsbPacketHeader(packet.data(), packet.size());
    if (header && header->type == iol::kUsbApplication && queueTimes_.size() < kQueueTimesKept) {
        queueTimes_.push_back(SteadyNanoseconds());
    }
    Split(packet, kBulkChunk, bulkOut_);
    if (!announced_) {
        announced_ = true;
        QueueInterruptPacket(LinkPacket(iol::kUsbDataAvailable, nullptr));
    }
    ServeBulk();
}

void UsbUnit_t::ServeInterrupt() {
    while (!interruptReads_.empty() && !interruptOut_.empty()) {
        const Request_t request = interruptReads_.front();
        interruptReads_.pop_front();
        const Transfer_t& transfer = interruptOut_.front();
        // A request cancelled a moment ago (its Cancelled call still to
        // come) takes nothing: the transfer waits for the next read.
        if (request->Complete(0, transfer.data(), static_cast<pal::DWORD>(transfer.size()))) {
            interruptOut_.pop_front();
        }
    }
}

void UsbUnit_t::ServeBulk() {
    while (!bulkReads_.empty()) {
        const Request_t request = bulkReads_.front();
        bulkReads_.pop_front();
        if (bulkOut_.empty()) {
            // Nothing more to send: the burst ends with an empty transfer,
            // and new data is announced again.
            if (request->Complete(0, nullptr, 0)) {
                announced_ = false;
            }
            continue;
        }
        Transfer_t& transfer = bulkOut_.front();
        const std::size_t n = std::min<std::size_t>(transfer.size(), request->OutputCapacity());
        if (!request->Complete(0, transfer.data(), static_cast<pal::DWORD>(n))) {
            continue;  // cancelled: the bytes stay for the next read
        }
        if (n == transfer.size()) {
            bulkOut_.pop_front();
        } else {
            transfer.erase(transfer.begin(), transfer.begin() + static_cast<std::ptrdiff_t>(n));
        }
    }
}

void UsbUnit_t::HostWrote(const std::vector<std::uint8_t>& bytes) {
    // Packets are cut by their header's size field, so a host that leaves
    // out a zero-length write still gets through; the sizes are recorded
    // for the tests that check the host's rule.
    written_.insert(written_.end(), bytes.begin(), bytes.end());
    for (;;) {
        const auto header = iol::ParseUsbPacketHeader(written_.data(), written_.size());
        if (!header || written_.size() - iol::kUsbHeaderSize < header->dataSize) {
            return;
        }
        const auto end =
            written_.begin() + static_cast<std::ptrdiff_t>(iol::kUsbHeaderSize + header->dataSize);
        const std::vector<std::uint8_t> packet(written_.begin(), end);
        written_.erase(written_.begin(), end);
        HostPacket(packet);
    }
}

void UsbUnit_t::HostPacket(const std::vector<std::uint8_t>& packet) {
    const auto view = iol::ParseUsbPacket(packet.data(), packet.size());
    if (!view) {
        return;
    }
    if (view->header.type == iol::kUsbLinkControl) {
        if (view->header.id == iol::kUsbStartRequest && !config_.usb.noStartConfirmation) {
            started_ = true;
            QueueInterruptPacket(LinkPacket(iol::kUsbStartConfirmation, &config_.unit.unitId));
        } else if (view->header.id == iol::kUsbSecondRequest && started_ &&
                   !config_.usb.noStartReply) {
            QueueInterruptPacket(LinkPacket(iol::kUsbSecondReply, &kSecondReplyValue));
        }
        return;
    }
    if (view->header.type == iol::kUsbApplication && started_) {
        RawFrame_t frame;
        frame.id = view->header.id;
        frame.data.assign(view->data, view->data + view->size);
        unit_.FromHost(frame);  // its answers come through the pump
    }
}

void UsbUnit_t::Pump() {
    for (;;) {
        RawFrame_t frame;
        if (unit_.WaitFrame(pal::INFINITE, stopEvent_, frame) == Unit_t::Wait_t::Cancelled) {
            return;
        }
        std::vector<std::uint8_t> packet = iol::EncodeUsbPacket(
            iol::kUsbApplication, frame.id, frame.data.data(), frame.data.size());
        if (frame.malformed) {
            packet[8] ^= 0x01;  // the size field no longer matches
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (open_ && plugged_ && started_) {
            QueueBulkPacket(packet);
        }
    }
}

}  // namespace sim
