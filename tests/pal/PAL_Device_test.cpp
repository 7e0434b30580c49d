#include "pal/PAL_Device.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "PalTestSupport.h"
#include "pal/PAL_Driver.h"

namespace {

using paltest::NewEvent;
using paltest::ScopedHandle;

// Answers controls at once (4 bytes, the code back) and keeps reads and
// writes until the test completes them.
class HoldingDevice final : public pal::Device_t {
public:
    void Start(const std::shared_ptr<pal::DeviceRequest_t>& request) override {
        if (request->Kind() == pal::RequestKind_t::Control) {
            const pal::DWORD code = request->Code();
            request->Complete(0, &code, sizeof code);
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            held_.push_back(request);
        }
        arrived_.notify_all();
    }
    void Cancelled(const pal::DeviceRequest_t&) override { ++cancelled_; }
    void Closed() override { ++closed_; }

    std::shared_ptr<pal::DeviceRequest_t> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (held_.empty()) {
            return nullptr;
        }
        auto request = held_.front();
        held_.pop_front();
        return request;
    }

    std::shared_ptr<pal::DeviceRequest_t> TakeWhenThere() {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_.wait(lock, [this] { return !held_.empty(); });
        auto request = held_.front();
        held_.pop_front();
        return request;
    }

    int cancelled_ = 0;  // the test's thread only
    int closed_ = 0;

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::shared_ptr<pal::DeviceRequest_t>> held_;
};

class OneDeviceDriver final : public pal::Driver_t {
public:
    explicit OneDeviceDriver(std::shared_ptr<pal::Device_t> device) : device_(std::move(device)) {}
    std::shared_ptr<pal::Device_t> Find(const std::string& path) override {
        return path == kPath ? device_ : nullptr;
    }
    std::vector<std::string> UnitPaths() override { return {kPath}; }
    static constexpr const char* kPath = "\\\\?\\test#unit#0";

private:
    std::shared_ptr<pal::Device_t> device_;
};

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { pal::RegisterDriver(driver_); }
    void TearDown() override {
        pal::UnregisterDriver(driver_);
        pal::testhooks::ClearDeviceFaults();
    }
    pal::HANDLE Open(pal::DWORD share = 0) {
        return pal::CreateDeviceFile(OneDeviceDriver::kPath, 0xC0000000u, share, 3, 0x40000000u);
    }

    std::shared_ptr<HoldingDevice> device_ = std::make_shared<HoldingDevice>();
    std::shared_ptr<OneDeviceDriver> driver_ = std::make_shared<OneDeviceDriver>(device_);
};

TEST_F(DeviceTest, PathsAndOpens) {
    EXPECT_TRUE(pal::IsDevicePath("\\\\.\\QVSP"));
    EXPECT_TRUE(pal::IsDevicePath("//./QVSP"));
    EXPECT_TRUE(pal::IsDevicePath(OneDeviceDriver::kPath));
    EXPECT_FALSE(pal::IsDevicePath("/tmp/x"));

    EXPECT_EQ(pal::CreateDeviceFile("\\\\?\\nobody", 0, 0, 3, 0), pal::INVALID_HANDLE_VALUE);
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_FILE_NOT_FOUND);

    ScopedHandle first(Open());
    ASSERT_NE(first.get(), pal::INVALID_HANDLE_VALUE);
    EXPECT_TRUE(pal::IsDeviceHandle(first.get()));
    EXPECT_EQ(Open(), pal::INVALID_HANDLE_VALUE);
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Open(3), pal::INVALID_HANDLE_VALUE);
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_SHARING_VIOLATION);
    pal::CloseHandle(first.release());
    EXPECT_EQ(device_->closed_, 1);

    ScopedHandle shared(Open(3));
    ScopedHandle second(Open(3));
    EXPECT_NE(second.get(), pal::INVALID_HANDLE_VALUE);
    EXPECT_EQ(pal::PresentUnitPaths(), std::vector<std::string>{OneDeviceDriver::kPath});
}

TEST_F(DeviceTest, ImmediateAndLateCompletion) {
    ScopedHandle file(Open());
    ScopedHandle event(NewEvent(true));
    pal::OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();

    pal::DWORD value = 0;
    pal::DWORD returned = 0;
    ASSERT_TRUE(
        pal::DeviceIoControl(file.get(), 0x222000, nullptr, 0, &value, 4, &returned, &overlapped));
    EXPECT_EQ(returned, 4u);
    EXPECT_EQ(value, 0x222000u);

    char buffer[8] = {};
    pal::DWORD read = 0;
    EXPECT_FALSE(pal::ReadDevice(file.get(), buffer, sizeof buffer, &read, &overlapped));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_IO_PENDING);
    EXPECT_FALSE(pal::GetOverlappedResult(file.get(), &overlapped, &read, pal::FALSE));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_IO_INCOMPLETE);
    EXPECT_EQ(pal::WaitForSingleObject(event.get(), 0), pal::WAIT_TIMEOUT);

    auto request = device_->Take();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->OutputCapacity(), sizeof buffer);
    std::thread completer([&] { request->Complete(0, "abcdefghijk", 11); });
    ASSERT_TRUE(pal::GetOverlappedResult(file.get(), &overlapped, &read, pal::TRUE));
    completer.join();
    EXPECT_EQ(read, 8u);  // never more than the buffer holds
    EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
    EXPECT_FALSE(request->Complete(0, "x", 1));  // exactly once

    // A failed completion reaches the caller with its code.
    ASSERT_FALSE(pal::WriteDevice(file.get(), "12", 2, &read, &overlapped));
    device_->Take()->Complete(pal::ERROR_DEVICE_NOT_CONNECTED, nullptr, 0);
    EXPECT_EQ(pal::WaitForSingleObject(event.get(), 0), pal::WAIT_OBJECT_0);
    EXPECT_FALSE(pal::GetOverlappedResult(file.get(), &overlapped, &read, pal::FALSE));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(DeviceTest, BlockingCallWithoutOverlapped) {
    ScopedHandle file(Open());
    std::thread completer([&] {
        const auto request = device_->TakeWhenThere();
        request->Complete(0, nullptr, static_cast<pal::DWORD>(request->Input().size()));
    });
    pal::DWORD written = 0;
    EXPECT_TRUE(pal::WriteDevice(file.get(), "hello", 5, &written, nullptr));
    completer.join();
    EXPECT_EQ(written, 5u);
}

TEST_F(DeviceTest, CancelIoCancelsOnlyTheCallingThreadsRequests) {
    ScopedHandle file(Open());
    ScopedHandle mine(NewEvent(true));
    ScopedHandle theirs(NewEvent(true));
    pal::OVERLAPPED myOverlapped{};
    myOverlapped.hEvent = mine.get();
    pal::OVERLAPPED theirOverlapped{};
    theirOverlapped.hEvent = theirs.get();
    char a[4];
    char b[4];
    ASSERT_FALSE(pal::ReadDevice(file.get(), a, 4, nullptr, &myOverlapped));
    std::thread other(
        [&] { EXPECT_FALSE(pal::ReadDevice(file.get(), b, 4, nullptr, &theirOverlapped)); });
    other.join();
    EXPECT_EQ(pal::testhooks::PendingDeviceRequests(), 2u);

    ASSERT_TRUE(pal::CancelIo(file.get()));
    EXPECT_EQ(device_->cancelled_, 1);
    pal::DWORD count = 0;
    EXPECT_FALSE(pal::GetOverlappedResult(file.get(), &myOverlapped, &count, pal::TRUE));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(pal::GetOverlappedResult(file.get(), &theirOverlapped, &count, pal::FALSE));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_IO_INCOMPLETE);

    // Closing the handle cancels the rest.
    pal::CloseHandle(file.release());
    EXPECT_EQ(pal::WaitForSingleObject(theirs.get(), 0), pal::WAIT_OBJECT_0);
    EXPECT_EQ(theirOverlapped.Internal, pal::ERROR_OPERATION_ABORTED);
    EXPECT_EQ(pal::testhooks::PendingDeviceRequests(), 0u);
}

TEST_F(DeviceTest, InjectedFaults) {
    using Action = pal::testhooks::DeviceFault_t::Action_t;
    ScopedHandle file(Open());
    ScopedHandle event(NewEvent(true));
    pal::OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    pal::DWORD value = 0;
    pal::DWORD returned = 0;

    // Fail the second version query with 31.
    pal::testhooks::InjectDeviceFault({OneDeviceDriver::kPath, pal::RequestKind_t::Control,
                                       0x222000, Action::Fail, pal::ERROR_GEN_FAILURE, 0, 1, 1});
    EXPECT_TRUE(
        pal::DeviceIoControl(file.get(), 0x222000, nullptr, 0, &value, 4, &returned, &overlapped));
    EXPECT_FALSE(
        pal::DeviceIoControl(file.get(), 0x222000, nullptr, 0, &value, 4, &returned, &overlapped));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_GEN_FAILURE);
    EXPECT_TRUE(
        pal::DeviceIoControl(file.get(), 0x222000, nullptr, 0, &value, 4, &returned, &overlapped));

    // A query left pending stays so until cancelled.
    pal::testhooks::InjectDeviceFault(
        {OneDeviceDriver::kPath, pal::RequestKind_t::Control, 0, Action::Pend, 0, 0, 0, 1});
    EXPECT_FALSE(
        pal::DeviceIoControl(file.get(), 0x222144, nullptr, 0, &value, 2, &returned, &overlapped));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_IO_PENDING);
    EXPECT_EQ(pal::WaitForSingleObject(event.get(), 50), pal::WAIT_TIMEOUT);
    pal::CancelIo(file.get());
    EXPECT_EQ(pal::WaitForSingleObject(event.get(), 0), pal::WAIT_OBJECT_0);

    // A late one completes through the event.
    pal::testhooks::InjectDeviceFault(
        {OneDeviceDriver::kPath, pal::RequestKind_t::Control, 0, Action::Delay, 0, 30, 0, 1});
    value = 0;
    const pal::DWORD start = pal::GetTickCount();
    EXPECT_FALSE(
        pal::DeviceIoControl(file.get(), 0x222140, nullptr, 0, &value, 4, &returned, &overlapped));
    ASSERT_TRUE(pal::GetOverlappedResult(file.get(), &overlapped, &returned, pal::TRUE));
    EXPECT_GE(pal::GetTickCount() - start, 25u);
    EXPECT_EQ(value, 0x222140u);
}

}  // namespace
