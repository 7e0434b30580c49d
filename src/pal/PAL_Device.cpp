#include "pal/PAL_Device.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "pal/PAL_Driver.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_SetupApi.h"
#include "pal/PAL_Sync.h"

namespace pal {
namespace {

// One lock over every request's completion state, every open handle's list
// of pending requests, the open counts and the injected faults. Driver
// callbacks and event signals happen outside it, so drivers may hold their
// own locks while completing.
std::mutex& ModelMutex() {
    static std::mutex mutex;
    return mutex;
}
using ModelLock = std::unique_lock<std::mutex>;

struct OpenState {
    unsigned handles = 0;
    bool exclusive = false;
};

struct Model {
    std::vector<std::shared_ptr<Driver_t>> drivers;
    std::map<const Device_t*, OpenState> opens;
    std::vector<testhooks::DeviceFault_t> faults;
    std::size_t pending = 0;
};

Model& TheModel() {  // ModelMutex
    static Model model;
    return model;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Starts requests whose fault says they reach the driver late.
class Delayer {
public:
    ~Delayer() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    void Add(DWORD delayMs, std::shared_ptr<Device_t> device,
             std::shared_ptr<DeviceRequest_t> request) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { Run(); });
        }
        due_.emplace(Clock::now() + std::chrono::milliseconds(delayMs),
                     Entry{std::move(device), std::move(request)});
        wake_.notify_all();
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        std::shared_ptr<Device_t> device;
        std::shared_ptr<DeviceRequest_t> request;
    };

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            if (due_.empty()) {
                wake_.wait(lock);
                continue;
            }
            const auto first = due_.begin();
            if (Clock::now() < first->first) {
                wake_.wait_until(lock, first->first);
                continue;
            }
            Entry entry = std::move(first->second);
            due_.erase(first);
            lock.unlock();
            if (!entry.request->IsDone()) {
                entry.device->Start(entry.request);
            }
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<Clock::time_point, Entry> due_;
    bool stopping_ = false;
    std::thread thread_;
};

// The pseudo-modules of the late-bound device calls exist whenever the
// device model is linked in.
const bool kModulesRegistered = (RegisterDeviceModules(), true);

Delayer& TheDelayer() {
    static Delayer delayer;
    return delayer;
}

}  // namespace

// An open handle to a device.
class DeviceFile final : public KernelObject {
public:
    DeviceFile(std::string path, std::shared_ptr<Device_t> device)
        : path_(std::move(path)), device_(std::move(device)) {}

    // The last reference is gone: whatever is still pending is cancelled, as
    // closing a handle does.
    ~DeviceFile() override {
        std::vector<std::shared_ptr<DeviceRequest_t>> cancelled;
        bool last = false;
        {
            ModelLock lock(ModelMutex());
            cancelled = pending_;
            for (const auto& request : cancelled) {
                request->CompleteLocked(ERROR_OPERATION_ABORTED, nullptr, 0);
            }
            auto& opens = TheModel().opens;
            const auto it = opens.find(device_.get());
            if (it != opens.end() && --it->second.handles == 0) {
                opens.erase(it);
                last = true;
            }
        }
        Notify(cancelled);
        if (last) {
            device_->Closed();
        }
    }

    // Completes the calling thread's pending requests with 995.
    void CancelThreadRequests() {
        std::vector<std::shared_ptr<DeviceRequest_t>> cancelled;
        const DWORD thread = GetCurrentThreadId();
        {
            ModelLock lock(ModelMutex());
            for (const auto& request : pending_) {
                if (request->ThreadId() == thread) {
                    cancelled.push_back(request);
                }
            }
            for (const auto& request : cancelled) {
                request->CompleteLocked(ERROR_OPERATION_ABORTED, nullptr, 0);
            }
        }
        Notify(cancelled);
    }

    const std::string& Path() const { return path_; }
    const std::shared_ptr<Device_t>& Device() const { return device_; }
    std::vector<std::shared_ptr<DeviceRequest_t>> pending_;  // ModelMutex

private:
    void Notify(const std::vector<std::shared_ptr<DeviceRequest_t>>& cancelled) {
        for (const auto& request : cancelled) {
            if (request->event_) {
                request->event_->Set();
            }
            device_->Cancelled(*request);
        }
    }

    const std::string path_;
    const std::shared_ptr<Device_t> device_;
};

DeviceRequest_t::DeviceRequest_t(RequestKind_t kind, DWORD code, std::vector<BYTE> input,
                                 void* output, DWORD outputCapacity, OVERLAPPED* overlapped,
                                 std::shared_ptr<Event> event)
    : kind_(kind),
      code_(code),
      input_(std::move(input)),
      outputCapacity_(outputCapacity),
      threadId_(GetCurrentThreadId()),
      output_(output),
      overlapped_(overlapped),
      event_(std::move(event)) {}

bool DeviceRequest_t::Complete(DWORD error, const void* output, DWORD count) {
    std::shared_ptr<Event> event;
    {
        ModelLock lock(ModelMutex());
        if (!CompleteLocked(error, output, count)) {
            return false;
        }
        event = event_;
    }
    if (event) {
        event->Set();
    }
    return true;
}

bool DeviceRequest_t::IsDone() const {
    ModelLock lock(ModelMutex());
    return done_;
}

bool DeviceRequest_t::CompleteLocked(DWORD error, const void* output, DWORD count) {
    if (done_) {
        return false;
    }
    done_ = true;
    error_ = error;
    count_ = kind_ == RequestKind_t::Write ? count : std::min(count, outputCapacity_);
    if (kind_ != RequestKind_t::Write) {
        if (output == nullptr) {
            count_ = 0;
        } else if (count_ > 0) {
            std::memcpy(output_, output, count_);
        }
    }
    if (overlapped_ != nullptr) {
        overlapped_->Internal = error_;
        overlapped_->InternalHigh = count_;
    }
    if (file_ != nullptr) {
        auto& pending = file_->pending_;
        pending.erase(std::remove_if(pending.begin(), pending.end(),
                                     [this](const auto& request) { return request.get() == this; }),
                      pending.end());
        file_ = nullptr;
        --TheModel().pending;
    }
    // From here on the caller's buffers are no business of ours.
    output_ = nullptr;
    overlapped_ = nullptr;
    doneSignal_.notify_all();
    return true;
}

namespace {

std::shared_ptr<DeviceFile> DeviceFileOf(HANDLE handle) {
    return LookupHandle<DeviceFile>(handle);
}

// ModelMutex held. The fault for this request, if one applies.
std::optional<testhooks::DeviceFault_t> TakeFault(const std::string& path,
                                                  const DeviceRequest_t& request) {
    auto& faults = TheModel().faults;
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        if (it->path != path || it->kind != request.Kind() ||
            (it->code != 0 && it->code != request.Code())) {
            continue;
        }
        if (it->skip > 0) {
            --it->skip;
            return std::nullopt;
        }
        testhooks::DeviceFault_t fault = *it;
        if (--it->count == 0) {
            faults.erase(it);
        }
        return fault;
    }
    return std::nullopt;
}

}  // namespace

// Hands the request to the device (or to an injected fault) and reports the
// outcome as the Win32 calls do.
BOOL StartRequest(HANDLE handle, const std::shared_ptr<DeviceRequest_t>& request,
                  DWORD* transferred) {
    if (transferred != nullptr) {
        *transferred = 0;
    }
    const std::shared_ptr<DeviceFile> file = DeviceFileOf(handle);
    if (!file) {
        return FALSE;
    }
    std::optional<testhooks::DeviceFault_t> fault;
    {
        ModelLock lock(ModelMutex());
        request->file_ = file.get();
        file->pending_.push_back(request);
        ++TheModel().pending;
        if (request->overlapped_ != nullptr) {
            request->overlapped_->Internal = ERROR_IO_PENDING;
            request->overlapped_->InternalHigh = 0;
        }
        fault = TakeFault(file->Path(), *request);
    }
    if (!fault) {
        file->Device()->Start(request);
    } else if (fault->action == testhooks::DeviceFault_t::Action_t::Fail) {
        request->Complete(fault->error, nullptr, 0);
    } else if (fault->action == testhooks::DeviceFault_t::Action_t::Delay) {
        TheDelayer().Add(fault->delayMs, file->Device(), request);
    }
    ModelLock lock(ModelMutex());
    if (!request->done_) {
        if (request->overlapped_ != nullptr) {
            return Fail(ERROR_IO_PENDING);
        }
        request->doneSignal_.wait(lock, [&] { return request->done_; });
    }
    if (request->error_ != ERROR_SUCCESS) {
        return Fail(request->error_);
    }
    if (transferred != nullptr) {
        *transferred = request->count_;
    }
    return TRUE;
}

namespace {

// The event an OVERLAPPED names, held by reference for the completion. An
// OVERLAPPED without an event is allowed; a bad event handle is not.
bool EventOf(const OVERLAPPED* overlapped, std::shared_ptr<Event>& event) {
    if (overlapped == nullptr || overlapped->hEvent == 0) {
        return true;
    }
    event = LookupHandle<Event>(overlapped->hEvent);
    return event != nullptr;
}

BOOL Issue(HANDLE handle, RequestKind_t kind, DWORD code, const void* input, DWORD inputSize,
           void* output, DWORD outputSize, DWORD* transferred, OVERLAPPED* overlapped) {
    if ((input == nullptr && inputSize > 0) || (output == nullptr && outputSize > 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::shared_ptr<Event> event;
    if (!EventOf(overlapped, event)) {
        return FALSE;
    }
    if (event) {
        event->Reset();  // as the system does when a request starts
    }
    const auto* bytes = static_cast<const BYTE*>(input);
    std::vector<BYTE> copy(bytes, bytes + (input != nullptr ? inputSize : 0));
    auto request = std::make_shared<DeviceRequest_t>(kind, code, std::move(copy), output,
                                                     outputSize, overlapped, std::move(event));
    return StartRequest(handle, request, transferred);
}

}  // namespace

bool IsDevicePath(const std::string& path) {
    return path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0 ||
           path.rfind("\\\\?\\", 0) == 0;
}

HANDLE CreateDeviceFile(const std::string& path, DWORD, DWORD shareMode, DWORD, DWORD) {
    std::vector<std::shared_ptr<Driver_t>> drivers;
    {
        ModelLock lock(ModelMutex());
        drivers = TheModel().drivers;
    }
    std::shared_ptr<Device_t> device;
    for (const auto& driver : drivers) {
        device = driver->Find(path);
        if (device) {
            break;
        }
    }
    if (!device) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    bool first = false;
    {
        ModelLock lock(ModelMutex());
        OpenState& state = TheModel().opens[device.get()];
        if (state.handles > 0 && (state.exclusive || shareMode == 0)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
        first = state.handles++ == 0;
        state.exclusive = shareMode == 0;
    }
    // Opened before the handle exists, so Closed always follows Opened.
    if (first) {
        device->Opened();
    }
    const HANDLE handle = InsertHandle(std::make_shared<DeviceFile>(path, device));
    if (handle == 0) {
        return INVALID_HANDLE_VALUE;  // the object is gone already, and counted down
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

bool IsDeviceHandle(HANDLE handle) {
    const DWORD saved = GetLastError();
    const bool device = DeviceFileOf(handle) != nullptr;
    SetLastError(saved);
    return device;
}

BOOL ReadDevice(HANDLE device, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    return Issue(device, RequestKind_t::Read, 0, nullptr, 0, buffer, toRead, read, overlapped);
}

BOOL WriteDevice(HANDLE device, const void* buffer, DWORD toWrite, DWORD* written,
                 OVERLAPPED* overlapped) {
    return Issue(device, RequestKind_t::Write, 0, buffer, toWrite, nullptr, 0, written, overlapped);
}

BOOL DeviceIoControl(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                     DWORD outputSize, DWORD* returned, OVERLAPPED* overlapped) {
    return Issue(device, RequestKind_t::Control, code, input, inputSize, output, outputSize,
                 returned, overlapped);
}

BOOL GetOverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) {
    if (overlapped == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!DeviceFileOf(device)) {
        return FALSE;
    }
    ModelLock lock(ModelMutex());
    if (overlapped->Internal == ERROR_IO_PENDING) {
        if (!wait) {
            return Fail(ERROR_IO_INCOMPLETE);
        }
        if (overlapped->hEvent == 0) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        lock.unlock();
        if (WaitForSingleObject(overlapped->hEvent, INFINITE) != WAIT_OBJECT_0) {
            return FALSE;
        }
        lock.lock();
        if (overlapped->Internal == ERROR_IO_PENDING) {
            return Fail(ERROR_IO_INCOMPLETE);  // the event was set by someone else
        }
    }
    if (transferred != nullptr) {
        *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    }
    const auto error = static_cast<DWORD>(overlapped->Internal);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL CancelIo(HANDLE device) {
    const std::shared_ptr<DeviceFile> file = DeviceFileOf(device);
    if (!file) {
        return FALSE;
    }
    file->CancelThreadRequests();
    return TRUE;
}

void RegisterDriver(const std::shared_ptr<Driver_t>& driver) {
    ModelLock lock(ModelMutex());
    auto& drivers = TheModel().drivers;
    if (std::find(drivers.begin(), drivers.end(), driver) == drivers.end()) {
        drivers.push_back(driver);
    }
}

void UnregisterDriver(const std::shared_ptr<Driver_t>& driver) {
    ModelLock lock(ModelMutex());
    auto& drivers = TheModel().drivers;
    drivers.erase(std::remove(drivers.begin(), drivers.end(), driver), drivers.end());
}

std::vector<std::string> PresentUnitPaths() {
    std::vector<std::shared_ptr<Driver_t>> drivers;
    {
        ModelLock lock(ModelMutex());
        drivers = TheModel().drivers;
    }
    std::vector<std::string> paths;
    for (const auto& driver : drivers) {
        for (std::string& path : driver->UnitPaths()) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

namespace testhooks {

void InjectDeviceFault(const DeviceFault_t& fault) {
    ModelLock lock(ModelMutex());
    TheModel().faults.push_back(fault);
}

void ClearDeviceFaults() {
    ModelLock lock(ModelMutex());
    TheModel().faults.clear();
}

std::size_t PendingDeviceRequests() {
    ModelLock lock(ModelMutex());
    return TheModel().pending;
}

}  // namespace testhooks

}  // namespace pal
