// The device model: the driver's side. A driver serves the devices behind
// some paths; each open handle's requests reach the device as
// DeviceRequest_t objects, which the driver completes exactly once, at once
// or later from any thread. Real drivers (libusb) and simulated ones (the
// simulated unit) use this one seam, and tests inject faults here.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pal/PAL_Device.h"
#include "pal/PAL_Kernel.h"

namespace pal {

// The unit driver interface.
constexpr DWORD kUsbIoctlDriverVersion = 0x222000;  // 4 bytes out: 1
constexpr DWORD kUsbIoctlInterruptRead = 0x222140;  // up to 64 bytes out
constexpr DWORD kUsbIoctlPacketSize = 0x222144;     // 2 bytes out

class DeviceFile;

enum class RequestKind_t { Read, Write, Control };

// One request of one handle. The caller's buffers are never touched by the
// driver: input is copied at the start, output is copied to the caller when
// the request completes, under the device model's lock.
class DeviceRequest_t {
public:
    DeviceRequest_t(RequestKind_t kind, DWORD code, std::vector<BYTE> input, void* output,
                    DWORD outputCapacity, OVERLAPPED* overlapped, std::shared_ptr<Event> event);

    RequestKind_t Kind() const { return kind_; }
    DWORD Code() const { return code_; }  // control code; 0 for reads and writes
    const std::vector<BYTE>& Input() const { return input_; }  // bytes to write, control input
    DWORD OutputCapacity() const { return outputCapacity_; }   // bytes to read, control output
    DWORD ThreadId() const { return threadId_; }

    // The first call wins and returns true; later ones (after a cancel, say)
    // do nothing and return false. For reads and controls count bytes of
    // output are delivered (at most the capacity); for writes count is the
    // number of bytes written and output is ignored. Any thread.
    bool Complete(DWORD error, const void* output, DWORD count);
    bool IsDone() const;

private:
    friend class DeviceFile;
    friend BOOL StartRequest(HANDLE, const std::shared_ptr<DeviceRequest_t>&, DWORD*);
    // Device model lock held.
    bool CompleteLocked(DWORD error, const void* output, DWORD count);

    const RequestKind_t kind_;
    const DWORD code_;
    const std::vector<BYTE> input_;
    const DWORD outputCapacity_;
    const DWORD threadId_;
    // Guarded by the device model's lock.
    void* output_;
    OVERLAPPED* overlapped_;
    std::shared_ptr<Event> event_;
    DeviceFile* file_ = nullptr;
    bool done_ = false;
    DWORD error_ = 0;
    DWORD count_ = 0;
    std::condition_variable doneSignal_;  // for callers without an OVERLAPPED
};

// One device that a driver serves. The driver keeps the requests it has not
// completed; Start must not block.
class Device_t {
public:
    virtual ~Device_t() = default;
    virtual void Start(const std::shared_ptr<DeviceRequest_t>& request) = 0;
    // The request was completed with 995 by CancelIo or the handle's close:
    // forget it (completing it again is harmless).
    virtual void Cancelled(const DeviceRequest_t& /*request*/) {}
    // The first handle was opened, the last one closed.
    virtual void Opened() {}
    virtual void Closed() {}
};

class Driver_t {
public:
    virtual ~Driver_t() = default;
    // The device behind path, or null when this driver does not serve it.
    virtual std::shared_ptr<Device_t> Find(const std::string& path) = 0;
    // The device paths of the GPS units this driver has present, for the unit
    // bus; other drivers list none.
    virtual std::vector<std::string> UnitPaths() { return {}; }
};

// Registered drivers are asked in the order of registration. Thread-safe.
void RegisterDriver(const std::shared_ptr<Driver_t>& driver);
void UnregisterDriver(const std::shared_ptr<Driver_t>& driver);
// The unit bus: the device paths of every present unit of every driver, in
// driver order.
std::vector<std::string> PresentUnitPaths();

namespace testhooks {

// A fault the device model applies to the next matching requests on devices
// opened by path, before the driver sees them.
struct DeviceFault_t {
    enum class Action_t {
        Fail,   // complete at once with error (a request refused at start)
        Pend,   // never reaches the driver: pending until cancelled
        Delay,  // reaches the driver after delayMs
    };
    std::string path;
    RequestKind_t kind = RequestKind_t::Control;
    DWORD code = 0;  // for controls; 0 matches any code
    Action_t action = Action_t::Fail;
    DWORD error = ERROR_GEN_FAILURE;
    DWORD delayMs = 0;
    unsigned skip = 0;   // matching requests let through first
    unsigned count = 1;  // requests the fault applies to
};
void InjectDeviceFault(const DeviceFault_t& fault);
void ClearDeviceFaults();
// Requests issued on devices and not yet completed.
std::size_t PendingDeviceRequests();

}  // namespace testhooks

}  // namespace pal
