#include "pal/PAL_UsbDriver.h"

#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "pal/PAL_Error.h"
#include "pal/PAL_UsbError.h"
#include "pal/PAL_UsbIds.h"
#include "pal/PAL_UsbPath.h"

namespace pal {
namespace {

constexpr std::uint32_t kDriverVersion = 1;

std::atomic<bool> failInit{false};

// The libusb context and the one thread that handles its events, so runs
// every transfer's completion. Held by the driver and by each open unit, so
// the thread outlives the last transfer.
class UsbContext_t {
public:
    static std::shared_ptr<UsbContext_t> Create() {
        libusb_context* context = nullptr;
        if (failInit || libusb_init(&context) != LIBUSB_SUCCESS) {
            return nullptr;
        }
        return std::make_shared<UsbContext_t>(context);
    }

    explicit UsbContext_t(libusb_context* context) : context_(context) {
        events_ = std::thread([this] { HandleEvents(); });
    }

    ~UsbContext_t() {
        stopping_ = true;
        libusb_interrupt_event_handler(context_);  // stays pending if not yet waiting
        events_.join();
        libusb_exit(context_);
    }

    UsbContext_t(const UsbContext_t&) = delete;
    UsbContext_t& operator=(const UsbContext_t&) = delete;

    libusb_context* Get() const { return context_; }

private:
    void HandleEvents() {
        while (!stopping_) {
            const int result = libusb_handle_events(context_);
            if (result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_INTERRUPTED && !stopping_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));  // no spinning
            }
        }
    }

    libusb_context* const context_;
    std::atomic<bool> stopping_{false};
    std::thread events_;
};

// The devices of one enumeration of the bus, released with it.
class DeviceList_t {
public:
    explicit DeviceList_t(libusb_context* context)
        : count_(std::max<ssize_t>(libusb_get_device_list(context, &list_), 0)) {}
    ~DeviceList_t() {
        if (list_ != nullptr) {
            libusb_free_device_list(list_, 1);
        }
    }
    DeviceList_t(const DeviceList_t&) = delete;
    DeviceList_t& operator=(const DeviceList_t&) = delete;

    libusb_device* const* begin() const { return list_; }
    libusb_device* const* end() const { return list_ + count_; }

private:
    libusb_device** list_ = nullptr;
    const ssize_t count_;
};

// A listed device's unit interface, as the active configuration shows it.
std::optional<UsbUnitInterface_t> UnitInterfaceOf(libusb_device* device) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS) {
        return std::nullopt;
    }
    const std::optional<UsbUnitInterface_t> unit = FindUnitInterface(*config);
    libusb_free_config_descriptor(config);
    return unit;
}

std::optional<UsbUnitLocation_t> LocationOf(libusb_device* device) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) {
        return std::nullopt;
    }
    std::uint8_t ports[kMaxUsbPortDepth];
    const int depth = libusb_get_port_numbers(device, ports, kMaxUsbPortDepth);
    if (depth <= 0) {
        return std::nullopt;  // a root hub
    }
    return UsbUnitLocation_t{{descriptor.idVendor, descriptor.idProduct},
                             libusb_get_bus_number(device),
                             {ports, ports + depth}};
}

// An open unit. Its transfers complete on the event thread; everything else
// runs on the threads that issue, cancel and close.
class UsbUnitDevice_t final : public Device_t {
public:
    UsbUnitDevice_t(std::shared_ptr<UsbContext_t> context, libusb_device_handle* handle,
                    const UsbUnitInterface_t& unit)
        : context_(std::move(context)), handle_(handle), unit_(unit) {}

    // The last handle is gone: whatever is still in flight is cancelled and
    // waited for (libusb completes every transfer, a vanished device's too)
    // before the interface is given back.
    ~UsbUnitDevice_t() override {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            for (auto& entry : inFlight_) {
                libusb_cancel_transfer(entry.second->transfer);
            }
            idle_.wait(lock, [this] { return inFlight_.empty(); });
        }
        libusb_release_interface(handle_, unit_.number);
        libusb_close(handle_);
    }

    UsbUnitDevice_t(const UsbUnitDevice_t&) = delete;
    UsbUnitDevice_t& operator=(const UsbUnitDevice_t&) = delete;

    void Start(const std::shared_ptr<DeviceRequest_t>& request) override {
        if (Vanished()) {
            request->Complete(ERROR_DEVICE_NOT_CONNECTED, nullptr, 0);
            return;
        }
        const UsbRequestPlan_t plan = PlanUsbRequest(*request, unit_);
        switch (plan.action) {
            case UsbRequestPlan_t::Action_t::Answer:
                request->Complete(ERROR_SUCCESS, plan.answer.data(),
                                  static_cast<DWORD>(plan.answer.size()));
                return;
            case UsbRequestPlan_t::Action_t::Fail:
                request->Complete(plan.error, nullptr, 0);
                return;
            case UsbRequestPlan_t::Action_t::Transfer:
                Submit(request, plan);
                return;
        }
    }

    void Cancelled(const DeviceRequest_t& request) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = inFlight_.find(&request);
        if (it != inFlight_.end()) {
            libusb_cancel_transfer(it->second->transfer);  // completes on the event thread
        }
    }

private:
    struct Transfer_t {
        UsbUnitDevice_t* device;
        std::shared_ptr<DeviceRequest_t> request;
        libusb_transfer* transfer;
        std::vector<unsigned char> buffer;
    };

    bool Vanished() {
        std::lock_guard<std::mutex> lock(mutex_);
        return vanished_;
    }

    void Submit(const std::shared_ptr<DeviceRequest_t>& request, const UsbRequestPlan_t& plan) {
        libusb_transfer* transfer = libusb_alloc_transfer(0);
        if (transfer == nullptr) {
            request->Complete(ERROR_NOT_ENOUGH_MEMORY, nullptr, 0);
            return;
        }
        auto record = std::make_unique<Transfer_t>(Transfer_t{this, request, transfer, {}});
        if (request->Kind() == RequestKind_t::Write) {
            record->buffer.assign(request->Input().begin(), request->Input().end());
        } else {
            record->buffer.resize(plan.length);
        }
        const int length = static_cast<int>(record->buffer.size());
        if (plan.type == LIBUSB_TRANSFER_TYPE_INTERRUPT) {
            libusb_fill_interrupt_transfer(transfer, handle_, plan.endpoint, record->buffer.data(),
                                           length, &TransferDone, record.get(), 0);
        } else {
            libusb_fill_bulk_transfer(transfer, handle_, plan.endpoint, record->buffer.data(),
                                      length, &TransferDone, record.get(), 0);
        }
        // Submitted under the lock, so a completion or cancel never meets a
        // transfer that is not yet recorded.
        std::unique_lock<std::mutex> lock(mutex_);
        const int result = vanished_ ? LIBUSB_ERROR_NO_DEVICE : libusb_submit_transfer(transfer);
        if (result == LIBUSB_SUCCESS) {
            inFlight_.emplace(request.get(), std::move(record));
            return;
        }
        vanished_ = vanished_ || result == LIBUSB_ERROR_NO_DEVICE;
        lock.unlock();
        libusb_free_transfer(transfer);
        request->Complete(UsbErrorCode(result), nullptr, 0);
    }

    static void LIBUSB_CALL TransferDone(libusb_transfer* transfer) {
        auto* record = static_cast<Transfer_t*>(transfer->user_data);
        record->device->Finish(*record);
    }

    // Event thread. A cancelled request was completed with 995 already, so
    // completing it again does nothing.
    void Finish(Transfer_t& record) {
        const DWORD error = UsbTransferStatusCode(record.transfer->status);
        const int count =
            std::clamp(record.transfer->actual_length, 0, static_cast<int>(record.buffer.size()));
        if (error == ERROR_DEVICE_NOT_CONNECTED) {
            std::lock_guard<std::mutex> lock(mutex_);
            vanished_ = true;
        }
        record.request->Complete(error, record.buffer.data(), static_cast<DWORD>(count));
        libusb_free_transfer(record.transfer);
        // The last touch of the device: its destructor may go on from here.
        std::lock_guard<std::mutex> lock(mutex_);
        inFlight_.erase(record.request.get());
        if (inFlight_.empty()) {
            idle_.notify_all();
        }
    }

    const std::shared_ptr<UsbContext_t> context_;
    libusb_device_handle* const handle_;
    const UsbUnitInterface_t unit_;

    std::mutex mutex_;
    std::condition_variable idle_;  // inFlight_ became empty
    std::map<const DeviceRequest_t*, std::unique_ptr<Transfer_t>> inFlight_;  // mutex_
    bool vanished_ = false;                                                   // mutex_
};

// Opens and claims the unit at a location; null when it cannot be had.
std::shared_ptr<UsbUnitDevice_t> OpenUnit(const std::shared_ptr<UsbContext_t>& context,
                                          const UsbUnitLocation_t& location) {
    const DeviceList_t devices(context->Get());
    for (libusb_device* device : devices) {
        if (LocationOf(device) != location) {
            continue;
        }
        const std::optional<UsbUnitInterface_t> unit = UnitInterfaceOf(device);
        libusb_device_handle* handle = nullptr;
        if (!unit || libusb_open(device, &handle) != LIBUSB_SUCCESS) {
            return nullptr;
        }
        libusb_set_auto_detach_kernel_driver(handle, 1);  // given back on release
        if (libusb_claim_interface(handle, unit->number) != LIBUSB_SUCCESS) {
            libusb_close(handle);
            return nullptr;
        }
        if (unit->altSetting != 0 &&
            libusb_set_interface_alt_setting(handle, unit->number, unit->altSetting) !=
                LIBUSB_SUCCESS) {
            libusb_release_interface(handle, unit->number);
            libusb_close(handle);
            return nullptr;
        }
        return std::make_shared<UsbUnitDevice_t>(context, handle, *unit);
    }
    return nullptr;
}

}  // namespace

UsbRequestPlan_t PlanUsbRequest(const DeviceRequest_t& request, const UsbUnitInterface_t& unit) {
    UsbRequestPlan_t plan;
    const auto transfer = [&](std::uint8_t endpoint, std::uint8_t type, std::size_t length) {
        plan.action = UsbRequestPlan_t::Action_t::Transfer;
        plan.endpoint = endpoint;
        plan.type = type;
        plan.length = length;
    };
    const auto answer = [&](std::uint32_t value, std::size_t size) {
        plan.action = UsbRequestPlan_t::Action_t::Answer;
        for (std::size_t i = 0; i < size; ++i) {
            plan.answer.push_back(static_cast<BYTE>(value >> (8 * i)));
        }
    };
    switch (request.Kind()) {
        case RequestKind_t::Write:
            transfer(unit.bulkOut, LIBUSB_TRANSFER_TYPE_BULK, request.Input().size());
            return plan;
        case RequestKind_t::Read:
            transfer(unit.bulkIn, LIBUSB_TRANSFER_TYPE_BULK,
                     std::min<std::size_t>(request.OutputCapacity(), kUsbBulkChunk));
            break;
        case RequestKind_t::Control:
            if (request.Code() == kUsbIoctlDriverVersion) {
                answer(kDriverVersion, 4);
            } else if (request.Code() == kUsbIoctlPacketSize) {
                answer(unit.packetSize, 2);
            } else if (request.Code() == kUsbIoctlInterruptRead) {
                transfer(unit.interruptIn, LIBUSB_TRANSFER_TYPE_INTERRUPT,
                         std::min<std::size_t>(request.OutputCapacity(), kUsbInterruptChunk));
            } else {
                plan.error = ERROR_INVALID_FUNCTION;
            }
            break;
    }
    if (plan.action == UsbRequestPlan_t::Action_t::Transfer && plan.length == 0) {
        answer(0, 0);  // nothing to read into: done at once
    }
    return plan;
}

struct UsbDriver_t::State_t {
    std::shared_ptr<UsbContext_t> context;
    std::mutex mutex;
    // The open units by canonical path, so a second open meets the same
    // device (and the device model's sharing rule). Guarded by mutex.
    std::map<std::string, std::weak_ptr<UsbUnitDevice_t>> open;
};

UsbDriver_t::UsbDriver_t() : state_(std::make_shared<State_t>()) {
    state_->context = UsbContext_t::Create();
}

UsbDriver_t::~UsbDriver_t() = default;

bool UsbDriver_t::HasUsb() const {
    return state_->context != nullptr;
}

std::shared_ptr<Device_t> UsbDriver_t::Find(const std::string& path) {
    const std::optional<UsbUnitLocation_t> location = ParseUsbUnitPath(path);
    if (!location || !state_->context || !IsListedUsbId(ConfiguredUsbIds(), location->id)) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(state_->mutex);
    auto& open = state_->open;
    for (auto it = open.begin(); it != open.end();) {
        it = it->second.expired() ? open.erase(it) : std::next(it);
    }
    const std::string key = UsbUnitPath(*location);
    if (const auto it = open.find(key); it != open.end()) {
        if (std::shared_ptr<UsbUnitDevice_t> device = it->second.lock()) {
            return device;
        }
    }
    std::shared_ptr<UsbUnitDevice_t> device = OpenUnit(state_->context, *location);
    if (device) {
        open[key] = device;
    }
    return device;
}

std::vector<std::string> UsbDriver_t::UnitPaths() {
    const std::vector<UsbId_t> ids = ConfiguredUsbIds();
    if (!state_->context || ids.empty()) {
        return {};
    }
    std::vector<std::string> paths;
    const DeviceList_t devices(state_->context->Get());
    for (libusb_device* device : devices) {
        const std::optional<UsbUnitLocation_t> location = LocationOf(device);
        if (location && IsListedUsbId(ids, location->id) && UnitInterfaceOf(device)) {
            paths.push_back(UsbUnitPath(*location));
        }
    }
    return paths;
}

std::shared_ptr<UsbDriver_t> InstallUsbUnits() {
    static std::mutex mutex;
    static std::shared_ptr<UsbDriver_t> installed;
    std::lock_guard<std::mutex> lock(mutex);
    if (!installed) {
        installed = std::make_shared<UsbDriver_t>();
        RegisterDriver(installed);
    }
    return installed;
}

namespace testhooks {

void FailUsbInit(bool fail) {
    failInit = fail;
}

}  // namespace testhooks

}  // namespace pal
