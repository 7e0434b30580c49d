#include "iou/IOU_UsbLink.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "iol/IOL_UsbPacket.h"
#include "pal/PAL_Device.h"
#include "pal/PAL_Driver.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_File.h"
#include "pal/PAL_Sync.h"
#include "win/WIN_Exception.h"
#include "win/WIN_Library.h"

namespace iou {
namespace {

constexpr std::uint32_t kNewestDriverInterface = 1;
constexpr std::uint32_t kMaxWritePiece = 4096;

std::uint32_t Read32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

// The transfer's own event and OVERLAPPED; the event is closed on every path.
struct TransferState {
    TransferState() : event(nullptr, true, false, nullptr) {
        overlapped.hEvent = event.GetHandle();
    }
    thr::Event_t event;
    pal::OVERLAPPED overlapped;
};

std::chrono::steady_clock::time_point DeadlineAfter(std::uint32_t milliseconds) {
    // "More than" the time-out: the first moment past it.
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds + 1);
}

}  // namespace

UsbLink_t::RawBytes_t::RawBytes_t(std::uint32_t chunk_)
    : chunk(chunk_), capacity(chunk_), buffer(new std::uint8_t[chunk_]) {}

void UsbLink_t::RawBytes_t::MakeRoom() {
    if (capacity - used >= chunk) {
        return;
    }
    const std::uint32_t grown = capacity * 4;
    glo::Check(grown > capacity, __FILE__, __LINE__);  // a packet of gigabytes is no packet
    std::unique_ptr<std::uint8_t[]> bigger(new std::uint8_t[grown]);
    std::memcpy(bigger.get(), buffer.get(), used);
    buffer = std::move(bigger);
    capacity = grown;
}

UsbLink_t::UsbLink_t(pal::HANDLE terminateEvent, const std::string& devicePath, bool tolerant)
    : iol::Link_t(terminateEvent),
      frameQueued_(nullptr, true, false, nullptr),
      dataAvailable_(nullptr, true, false, nullptr),
      errorStored_(nullptr, true, false, nullptr),
      tolerant_(tolerant) {
    device_ = pal::CreateFileA(devicePath.c_str(), pal::GENERIC_READ | pal::GENERIC_WRITE, 0,
                               nullptr, pal::OPEN_EXISTING, pal::FILE_FLAG_OVERLAPPED, 0);
    if (!device_.IsValid()) {
        throw Exception_t(__FILE__, 48, {});
    }
    std::uint32_t version = 0;
    if (QuerySetup(pal::kUsbIoctlDriverVersion, &version, sizeof version) != sizeof version) {
        throw Exception_t(__FILE__, 60, {});
    }
    if (version > kNewestDriverInterface) {
        throw FutureApi_t(__FILE__, 65, {});
    }
    if (QuerySetup(pal::kUsbIoctlPacketSize, &packetSize_, sizeof packetSize_) !=
        sizeof packetSize_) {
        throw Exception_t(__FILE__, 75, {});
    }
    bulkReader_.Reset(new thr::WorkerThread_t(&BulkReader, this, false));
    interruptReader_.Reset(new thr::WorkerThread_t(&InterruptReader, this, false));
    bulkReader_->SetPriority(pal::THREAD_PRIORITY_TIME_CRITICAL);
    interruptReader_->SetPriority(pal::THREAD_PRIORITY_TIME_CRITICAL);
    pal::Sleep(0);

    SendPacket(iol::kUsbLinkControl, iol::kUsbStartRequest, nullptr, 0, GetTimeout());
    WaitForStart();
    SendPacket(iol::kUsbLinkControl, iol::kUsbSecondRequest, nullptr, 0, GetTimeout());
    WaitForStartupReply();
}

UsbLink_t::~UsbLink_t() {
    // Explicitly in this order; the members would go the same way.
    interruptReader_.Reset();
    bulkReader_.Reset();
    device_.Close();
    storedError_.Reset();
    queue_.clear();
}

std::uint32_t UsbLink_t::GetUnitId() const {
    std::lock_guard<std::mutex> lock(unitIdMutex_);
    return unitId_;
}

std::uint32_t UsbLink_t::GetStartupReply() const {
    std::lock_guard<std::mutex> lock(replyMutex_);
    return startupReply_;
}

void UsbLink_t::WaitForStart() {
    std::unique_lock<std::mutex> lock(startMutex_);
    if (!startChanged_.wait_until(lock, DeadlineAfter(GetTimeout()), [this] { return started_; })) {
        throw glo::Timeout_t(__FILE__, 105);
    }
}

void UsbLink_t::WaitForStartupReply() {
    std::unique_lock<std::mutex> lock(replyMutex_);
    if (!replyChanged_.wait_until(lock, DeadlineAfter(GetTimeout()),
                                  [this] { return startupReply_ != 0; })) {
        startupReply_ = kNoStartupReply;  // not an error: the link goes on
    }
}

std::uint32_t UsbLink_t::QuerySetup(pal::DWORD code, void* output, pal::DWORD size) {
    TransferState transfer;
    pal::DWORD returned = 0;
    if (pal::DeviceIoControl(device_.GetHandle(), code, nullptr, 0, output, size, &returned,
                             &transfer.overlapped)) {
        return returned;
    }
    if (pal::GetLastError() == pal::ERROR_IO_PENDING) {
        // Not done at once counts as failed; the request must not outlive
        // the output buffer.
        CancelTransfers();
        throw Exception_t(__FILE__, 574, {});
    }
    return 0;
}

void UsbLink_t::SendPacket(std::uint8_t type, std::uint16_t id, const std::uint8_t* data,
                           std::size_t size, std::uint32_t timeout) {
    RaiseStoredError();
    std::vector<std::uint8_t> packet = iol::EncodeUsbPacket(type, id, data, size);
    std::size_t at = 0;
    std::size_t remaining = packet.size();
    for (;;) {
        const std::size_t before = remaining;
        const auto piece = static_cast<pal::DWORD>(std::min<std::size_t>(before, kMaxWritePiece));
        const pal::DWORD written =
            Transfer(Op_t::Write, packet.data() + at, piece, GetTerminateEvent(), timeout);
        if (written == 0 && piece > 0) {
            // A driver that takes nothing would keep us here for ever.
            throw Exception_t(__FILE__, __LINE__, "the driver accepted no bytes");
        }
        const std::size_t advance = std::min<std::size_t>(written, remaining);
        at += advance;
        remaining -= advance;
        if (before <= kMaxWritePiece) {
            break;
        }
    }
    // The unit sees the end of a transfer in a short packet; a zero packet
    // size (a broken driver) sends no zero-length transfer rather than
    // dividing by it.
    if (packetSize_ != 0 && packet.size() % packetSize_ == 0) {
        Transfer(Op_t::Write, packet.data(), 0, GetTerminateEvent(), timeout);
    }
}

void UsbLink_t::WriteFrame(const iol::Frame_t& frame, std::uint32_t timeout) {
    SendPacket(iol::kUsbApplication, frame.GetId(), frame.Bytes(), frame.Size(), timeout);
}

iol::Frame_t UsbLink_t::ReadFrame(std::uint32_t timeout) {
    RaiseStoredError();
    frameQueued_.Reset();
    Raw_t raw;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (!queue_.empty()) {
            raw = queue_.front();
            queue_.pop_front();
        }
    }
    if (!raw) {
        const pal::HANDLE objects[] = {GetTerminateEvent(), errorStored_.GetHandle(),
                                       frameQueued_.GetHandle()};
        const pal::DWORD result = pal::WaitForMultipleObjects(3, objects, pal::FALSE, timeout);
        switch (result) {
            case pal::WAIT_OBJECT_0:
                throw glo::Terminate_t(__FILE__, 191);
            case pal::WAIT_OBJECT_0 + 1:
                RaiseStoredError();
                glo::Check(false, __FILE__, 195);
                break;
            case pal::WAIT_OBJECT_0 + 2: {
                std::lock_guard<std::mutex> lock(queueMutex_);
                glo::Check(!queue_.empty(), __FILE__, 201);
                raw = queue_.front();
                queue_.pop_front();
                break;
            }
            case pal::WAIT_TIMEOUT:
                throw glo::Timeout_t(__FILE__, 217);
            default:
                throw win::Error_t(__FILE__, 220);
        }
    }
    const auto header = iol::ParseUsbPacketHeader(raw->buffer.get(), raw->used);
    glo::Check(header.has_value(), __FILE__, __LINE__);  // checked by the reader
    return iol::Frame_t(header->id, raw->buffer.get() + iol::kUsbHeaderSize, header->dataSize);
}

unsigned UsbLink_t::BulkReader(void* context) {
    auto* worker = static_cast<thr::WorkerContext_t*>(context);
    auto* link = static_cast<UsbLink_t*>(worker->user);
    try {
        win::Handle_t stop;
        worker->stopEvent->Duplicate(stop);
        link->ReadBulk(stop.GetHandle());
    } catch (const glo::Terminate_t&) {
    } catch (const glo::Exception_t& error) {
        link->StoreError(Exception_t(error.SourceFile(), error.SourceLine(), error.what()));
    } catch (...) {
        link->StoreError(Exception_t(__FILE__, 390, {}));
    }
    return 0;
}

unsigned UsbLink_t::InterruptReader(void* context) {
    auto* worker = static_cast<thr::WorkerContext_t*>(context);
    auto* link = static_cast<UsbLink_t*>(worker->user);
    try {
        win::Handle_t stop;
        worker->stopEvent->Duplicate(stop);
        link->ReadInterrupt(stop.GetHandle());
    } catch (const glo::Terminate_t&) {
    } catch (const glo::Exception_t& error) {
        link->StoreError(Exception_t(error.SourceFile(), error.SourceLine(), error.what()));
    } catch (...) {
        link->StoreError(Exception_t(__FILE__, 456, {}));
    }
    return 0;
}

void UsbLink_t::ReadBulk(pal::HANDLE stopEvent) {
    for (;;) {
        const pal::HANDLE objects[] = {stopEvent, dataAvailable_.GetHandle()};
        const pal::DWORD result =
            pal::WaitForMultipleObjects(2, objects, pal::FALSE, pal::INFINITE);
        if (result == pal::WAIT_OBJECT_0) {
            throw glo::Terminate_t(__FILE__, 336);
        }
        if (result != pal::WAIT_OBJECT_0 + 1) {
            throw win::Error_t(__FILE__, 376);
        }
        dataAvailable_.Reset();
        // Packets until a read brings nothing; a packet longer than one read
        // comes in consecutive full reads.
        for (;;) {
            Raw_t raw(new RawBytes_t(kBulkChunk));
            pal::DWORD count = 0;
            do {
                raw->MakeRoom();
                count = Transfer(Op_t::Read, raw->Free(), kBulkChunk, stopEvent, pal::INFINITE);
                raw->used += count;
            } while (count == kBulkChunk);
            if (raw->used == 0) {
                break;
            }
            ProcessPacket(raw);
        }
    }
}

void UsbLink_t::ReadInterrupt(pal::HANDLE stopEvent) {
    for (;;) {
        Raw_t raw(new RawBytes_t(kInterruptChunk));
        pal::DWORD count = 0;
        do {
            raw->MakeRoom();
            count =
                Transfer(Op_t::Interrupt, raw->Free(), kInterruptChunk, stopEvent, pal::INFINITE);
            raw->used += count;
        } while (count == kInterruptChunk);
        ProcessPacket(raw);
    }
}

void UsbLink_t::ProcessPacket(Raw_t& raw) {
    const auto header = iol::ParseUsbPacketHeader(raw->buffer.get(), raw->used);
    if (!header) {
        if (tolerant_) {
            return;
        }
        throw Exception_t(__FILE__, 475, {});
    }
    if (header->dataSize != raw->used - iol::kUsbHeaderSize) {
        if (tolerant_) {
            return;
        }
        throw Exception_t(__FILE__, 490, {});
    }
    const bool started = [this] {
        std::lock_guard<std::mutex> lock(startMutex_);
        return started_;
    }();
    if (header->type == iol::kUsbApplication) {
        if (started) {
            {
                // The hand-over: our reference goes under the lock too, so
                // the count never changes on two threads at once.
                std::lock_guard<std::mutex> lock(queueMutex_);
                queue_.push_back(raw);
                raw = Raw_t();
                // Set under the lock: set after it, the owner could take
                // this packet and reset the event first, and the late signal
                // would then wake it to an empty queue.
                frameQueued_.Set();
            }
        }
        return;
    }
    if (header->type != iol::kUsbLinkControl) {
        return;
    }
    const std::uint8_t* data = raw->buffer.get() + iol::kUsbHeaderSize;
    switch (header->id) {
        case iol::kUsbDataAvailable:
            if (started) {
                if (header->dataSize != 0) {
                    throw Exception_t(__FILE__, 516, {});
                }
                dataAvailable_.Set();
            }
            break;
        case iol::kUsbSecondReply:
            if (started) {
                if (header->dataSize != 4) {
                    throw Exception_t(__FILE__, 526, {});
                }
                {
                    std::lock_guard<std::mutex> lock(replyMutex_);
                    startupReply_ = Read32(data) - 12;
                }
                replyChanged_.notify_all();
            }
            break;
        case iol::kUsbStartConfirmation: {
            if (header->dataSize != 4) {
                throw Exception_t(__FILE__, 538, {});
            }
            {
                std::lock_guard<std::mutex> lock(startMutex_);
                started_ = true;
            }
            startChanged_.notify_all();
            std::lock_guard<std::mutex> lock(unitIdMutex_);
            unitId_ = Read32(data);
            break;
        }
        default:
            break;
    }
}

void UsbLink_t::StoreError(const Exception_t& error) {
    {
        std::lock_guard<std::mutex> lock(errorMutex_);
        if (storedError_) {
            return;
        }
        storedError_ = error;
    }
    try {
        errorStored_.Set();
    } catch (...) {
        // The owner still finds the error at its next call.
    }
}

void UsbLink_t::RaiseStoredError() {
    std::lock_guard<std::mutex> lock(errorMutex_);
    if (storedError_) {
        errorStored_.Reset();
        throw Exception_t(*storedError_);
    }
}

pal::DWORD UsbLink_t::Transfer(Op_t op, void* buffer, pal::DWORD size, pal::HANDLE callerEvent,
                               pal::DWORD limit) {
    TransferState transfer;
    pal::DWORD count = 0;
    const pal::HANDLE device = device_.GetHandle();
    pal::BOOL done = pal::FALSE;
    switch (op) {
        case Op_t::Read:
            done = pal::ReadFile(device, buffer, size, &count, &transfer.overlapped);
            break;
        case Op_t::Write:
            done = pal::WriteFile(device, buffer, size, &count, &transfer.overlapped);
            break;
        case Op_t::Interrupt:
            done = pal::DeviceIoControl(device, pal::kUsbIoctlInterruptRead, nullptr, 0, buffer,
                                        size, &count, &transfer.overlapped);
            break;
    }
    if (done) {
        return count;
    }
    if (pal::GetLastError() != pal::ERROR_IO_PENDING) {
        throw Exception_t(__FILE__, 692, {});
    }
    const pal::HANDLE objects[] = {callerEvent, transfer.event.GetHandle()};
    const pal::DWORD result = pal::WaitForMultipleObjects(2, objects, pal::FALSE, limit);
    switch (result) {
        case pal::WAIT_OBJECT_0:
            CancelTransfers();
            throw glo::Terminate_t(__FILE__, 715);
        case pal::WAIT_OBJECT_0 + 1:
            if (!pal::GetOverlappedResult(device, &transfer.overlapped, &count, pal::FALSE)) {
                const pal::DWORD code = pal::GetLastError();
                throw Exception_t(__FILE__, 740,
                                  std::to_string(code) + " : " +
                                      win::SystemMessageText(code, pal::LANG_ENGLISH_US));
            }
            return count;
        case pal::WAIT_TIMEOUT:
            CancelTransfers();
            throw glo::Timeout_t(__FILE__, 747);
        default: {
            const pal::DWORD code = pal::GetLastError();
            CancelTransfers();  // the request must not outlive its buffer
            throw win::Error_t(__FILE__, 750, code);
        }
    }
}

void UsbLink_t::CancelTransfers() {
    pal::Sleep(25);
    try {
        // Bound late, as on the systems that lack it.
        const win::Library_t kernel("kernel32.dll");
        using CancelIo_t = pal::BOOL (*)(pal::HANDLE);
        kernel.GetProc<CancelIo_t>("CancelIo")(device_.GetHandle());
    } catch (...) {
        // The binding failed, yet a pending request must not outlive its
        // buffer: cancel it directly before reporting the failure.
        pal::CancelIo(device_.GetHandle());
        throw;
    }
}

}  // namespace iou
