// The link to a GPS unit on USB, through the unit's driver: two reader
// threads (bulk and interrupt pipe), the type-0 start-up exchange, frames
// as type-20 packets.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "glo/GLO_AutoPtr.h"
#include "glo/GLO_Optional.h"
#include "glo/GLO_SmartPtr.h"
#include "iol/IOL_Link.h"
#include "iou/IOU_Exception.h"
#include "pal/PAL_Device.h"
#include "thr/THR_Event.h"
#include "thr/THR_WorkerThread.h"
#include "win/WIN_Handle.h"

namespace iou {

// Owned by one thread (constructs, reads, writes, destroys); the readers
// are the link's own threads. Each lock guards its one field; no path holds
// two.
class UsbLink_t final : public iol::Link_t {
public:
    // One received USB packet, assembled from transfers by one reader and
    // then handed to the queue (the count is not atomic: every change of it
    // after the hand-over happens under the queue lock or on the owner).
    class RawBytes_t : public glo::RefCounter_t {
    public:
        explicit RawBytes_t(std::uint32_t chunk);
        // Grows the buffer fourfold while fewer than chunk bytes are free.
        void MakeRoom();
        std::uint8_t* Free() { return buffer.get() + used; }

        std::uint32_t chunk;
        std::uint32_t used = 0;
        std::uint32_t capacity;
        std::unique_ptr<std::uint8_t[]> buffer;
    };

    static constexpr std::uint32_t kBulkChunk = 4096;
    static constexpr std::uint32_t kInterruptChunk = 64;
    static constexpr std::uint32_t kNoStartupReply = 255;

    // Opens the unit and starts the link; see the failures in the .cpp. A
    // constructor that throws has released everything, readers included.
    UsbLink_t(pal::HANDLE terminateEvent, const std::string& devicePath, bool tolerant);
    ~UsbLink_t() override;

    iol::Frame_t ReadFrame(std::uint32_t timeout) override;
    void WriteFrame(const iol::Frame_t& frame, std::uint32_t timeout) override;

    std::uint32_t GetUnitId() const;
    std::uint32_t GetStartupReply() const;
    std::uint16_t GetPacketSize() const { return packetSize_; }

private:
    using Raw_t = glo::SmartPtr_t<RawBytes_t>;

    static unsigned BulkReader(void* context);
    static unsigned InterruptReader(void* context);
    void ReadBulk(pal::HANDLE stopEvent);
    void ReadInterrupt(pal::HANDLE stopEvent);
    void ProcessPacket(Raw_t& raw);
    void StoreError(const Exception_t& error);
    void RaiseStoredError();

    std::uint32_t QuerySetup(pal::DWORD code, void* output, pal::DWORD size);
    void SendPacket(std::uint8_t type, std::uint16_t id, const std::uint8_t* data, std::size_t size,
                    std::uint32_t timeout);
    void WaitForStart();
    void WaitForStartupReply();

    enum class Op_t { Read, Write, Interrupt };
    pal::DWORD Transfer(Op_t op, void* buffer, pal::DWORD size, pal::HANDLE callerEvent,
                        pal::DWORD limit);
    void CancelTransfers();

    // Declared in reverse order of destruction: the readers go first, then
    // the device, the stored error, the queue and the events.
    thr::Event_t frameQueued_;
    thr::Event_t dataAvailable_;
    thr::Event_t errorStored_;
    const bool tolerant_;

    mutable std::mutex queueMutex_;
    std::deque<Raw_t> queue_;
    mutable std::mutex startMutex_;
    std::condition_variable startChanged_;
    bool started_ = false;
    mutable std::mutex replyMutex_;
    std::condition_variable replyChanged_;
    std::uint32_t startupReply_ = 0;
    mutable std::mutex unitIdMutex_;
    std::uint32_t unitId_ = 0;
    mutable std::mutex errorMutex_;
    glo::Optional_t<Exception_t> storedError_;

    win::Handle_t device_;
    std::uint16_t packetSize_ = 0;  // set before the readers start
    glo::AutoPtr_t<thr::WorkerThread_t> bulkReader_;
    glo::AutoPtr_t<thr::WorkerThread_t> interruptReader_;
};

}  // namespace iou
