#include "iou/IOU_UsbLink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "UsbFixture.h"
#include "iol/IOL_UsbPacket.h"
#include "pal/PAL_Device.h"
#include "pal/PAL_Kernel.h"
#include "pal/PAL_Module.h"
#include "win/WIN_Exception.h"

namespace {

using ioutest::UsbFixture;

std::vector<std::uint8_t> Packet(std::uint8_t type, std::uint16_t id, std::size_t size) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7);
    }
    return iol::EncodeUsbPacket(type, id, data.data(), data.size());
}

std::uint32_t Since(std::chrono::steady_clock::time_point start) {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
}

// Where the exception of type E that call throws was raised.
struct Raised {
    std::string file;
    unsigned line = 0;
    std::string text;
    unsigned SourceLine() const { return line; }
    const char* SourceFile() const { return file.c_str(); }
};

template <class E>
Raised Caught(const std::function<void()>& call) {
    try {
        call();
    } catch (const E& error) {
        return {error.SourceFile(), error.SourceLine(), error.what()};
    }
    ADD_FAILURE() << "nothing thrown";
    return {};
}

class UsbLinkTest : public UsbFixture {
protected:
    std::unique_ptr<iou::UsbLink_t> Open(const std::shared_ptr<sim::UsbUnit_t>& unit,
                                         bool tolerant) {
        return std::make_unique<iou::UsbLink_t>(terminate_, PathOf(unit), tolerant);
    }
};

TEST_F(UsbLinkTest, StartsAndExchangesFrames) {
    auto unit = Plug({}, 42);
    auto link = Open(unit, false);
    EXPECT_EQ(link->GetUnitId(), 42u);
    EXPECT_EQ(link->GetStartupReply(), 4096u);
    EXPECT_EQ(link->GetPacketSize(), 64);
    link->WriteFrame(iol::Frame_t(254), 3000);  // product request
    const iol::Frame_t product = link->ReadFrame(3000);
    EXPECT_EQ(product.GetId(), 255);
    EXPECT_GE(product.Size(), 4u);
}

TEST_F(UsbLinkTest, NoStartConfirmationTimesOutAndReleasesEverything) {
    sim::UsbFaults_t faults;
    faults.noStartConfirmation = true;
    auto unit = Plug(faults);
    const auto start = std::chrono::steady_clock::now();
    const auto error = Caught<glo::Timeout_t>([&] { Open(unit, false); });
    EXPECT_EQ(error.SourceLine(), 105);
    EXPECT_GE(Since(start), 3000u);
    EXPECT_LT(Since(start), 8000u);
    EXPECT_EQ(pal::testhooks::PendingDeviceRequests(), 0u);  // both readers gone
    const pal::HANDLE again = pal::CreateDeviceFile(PathOf(unit), 0, 0, 3, 0);
    EXPECT_NE(again, pal::INVALID_HANDLE_VALUE);  // the device was closed
    pal::CloseHandle(again);
}

TEST_F(UsbLinkTest, NoAnswerToSixteenStillStarts) {
    sim::UsbFaults_t faults;
    faults.noStartReply = true;
    auto unit = Plug(faults);
    const auto start = std::chrono::steady_clock::now();
    auto link = Open(unit, false);
    EXPECT_GE(Since(start), 3000u);
    EXPECT_LT(Since(start), 8000u);
    EXPECT_EQ(link->GetStartupReply(), iou::UsbLink_t::kNoStartupReply);
}

struct WriteCase {
    std::uint16_t packetSize;
    std::size_t dataSize;
    std::vector<std::size_t> writes;
};

TEST_F(UsbLinkTest, WritesInPiecesWithTheZeroLengthRule) {
    const WriteCase cases[] = {
        {64, 52, {64, 0}},        // exactly one packet: a zero-length write ends it
        {64, 53, {65}},           // a short packet ends it by itself
        {64, 5000, {4096, 916}},  // 5012 bytes in two pieces
        {64, 4084, {4096, 0}},    // a full last piece
        {0, 52, {64}},            // a driver reporting 0: no division, no zero-length write
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.dataSize);
        sim::UsbFaults_t faults;
        faults.packetSize = c.packetSize;
        auto unit = Plug(faults);
        auto link = Open(unit, false);
        const std::size_t before = unit->BulkWriteSizes().size();
        link->WriteFrame(
            iol::Frame_t(99, std::vector<std::uint8_t>(c.dataSize, 1).data(), c.dataSize), 3000);
        const std::vector<std::size_t> sizes = unit->BulkWriteSizes();
        EXPECT_EQ(std::vector<std::size_t>(sizes.begin() + static_cast<long>(before), sizes.end()),
                  c.writes);
    }
}

TEST_F(UsbLinkTest, LongPacketArrivesAsOneFrame) {
    auto unit = Plug();
    auto link = Open(unit, false);
    unit->SendOnBulk(Packet(20, 99, 4196 - 12));
    unit->SendOnBulk(Packet(20, 98, 4096 - 12));  // ends in a zero-length read
    unit->SendOnBulk(Packet(20, 97, 3));
    const iol::Frame_t first = link->ReadFrame(3000);
    EXPECT_EQ(first.GetId(), 99);
    ASSERT_EQ(first.Size(), 4184u);
    EXPECT_EQ(first.GetData()[4183], static_cast<std::uint8_t>(4183 * 7));
    EXPECT_EQ(link->ReadFrame(3000).Size(), 4084u);
    EXPECT_EQ(link->ReadFrame(3000).GetId(), 97);
}

struct MalformedCase {
    const char* name;
    bool bulk;
    std::vector<std::uint8_t> bytes;
    unsigned line;
};

std::vector<std::uint8_t> WrongSize(std::vector<std::uint8_t> packet) {
    packet[8] = static_cast<std::uint8_t>(packet[8] + 1);
    return packet;
}

TEST_F(UsbLinkTest, MalformedPackets) {
    const MalformedCase cases[] = {
        {"short bulk", true, std::vector<std::uint8_t>(8, 20), 475},
        {"wrong size bulk", true, WrongSize(Packet(20, 99, 5)), 490},
        {"short interrupt", false, std::vector<std::uint8_t>(8, 0), 475},
        {"wrong size interrupt", false, WrongSize(Packet(0, 2, 0)), 490},
    };
    for (const MalformedCase& c : cases) {
        for (const bool tolerant : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (tolerant ? " tolerant" : " strict"));
            auto unit = Plug();
            auto link = Open(unit, tolerant);
            if (c.bulk) {
                unit->SendOnBulk(c.bytes);
            } else {
                unit->SendOnInterrupt(c.bytes);
            }
            unit->SendOnBulk(Packet(20, 77, 1));
            if (tolerant) {
                EXPECT_EQ(link->ReadFrame(3000).GetId(), 77);
                continue;
            }
            for (int call = 0; call < 2; ++call) {
                const auto error = Caught<iou::Exception_t>([&] { link->ReadFrame(3000); });
                EXPECT_EQ(error.SourceLine(), c.line);
                EXPECT_STREQ(error.SourceFile(), "src/iou/IOU_UsbLink.cpp");
            }
            const auto error =
                Caught<iou::Exception_t>([&] { link->WriteFrame(iol::Frame_t(1), 3000); });
            EXPECT_EQ(error.SourceLine(), c.line);
        }
    }
}

TEST_F(UsbLinkTest, ApplicationPacketBeforeStartConfirmationIsDropped) {
    auto unit = Plug();
    unit->SendOnInterrupt(Packet(20, 99, 2));  // waiting when the link opens
    auto link = Open(unit, false);
    EXPECT_THROW(link->ReadFrame(100), glo::Timeout_t);
    unit->SendOnBulk(Packet(20, 98, 2));
    EXPECT_EQ(link->ReadFrame(3000).GetId(), 98);
}

// Tolerance covers only the length checks: a link packet of the wrong data
// size is stored even by a tolerant link.
TEST_F(UsbLinkTest, LinkPacketOfWrongDataSizeIsStoredEvenWhenTolerant) {
    struct Case {
        std::uint16_t id;
        std::size_t dataSize;
        unsigned line;
    };
    const Case cases[] = {
        {2, 4, 516},  // an announcement that carries data
        {17, 2, 526},
        {6, 3, 538},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto unit = Plug();
        auto link = Open(unit, true);
        unit->SendOnInterrupt(Packet(0, c.id, c.dataSize));
        EXPECT_EQ(Caught<iou::Exception_t>([&] { link->ReadFrame(3000); }).SourceLine(), c.line);
        EXPECT_EQ(
            Caught<iou::Exception_t>([&] { link->WriteFrame(iol::Frame_t(1), 3000); }).SourceLine(),
            c.line);
    }
}

TEST_F(UsbLinkTest, TerminateEventEndsAWaitingRead) {
    auto unit = Plug();
    auto link = Open(unit, true);
    std::thread signaller([&] {
        // Once the owner really waits (the event's waiters include it).
        for (int i = 0; i < 20000 && pal::testhooks::WaiterCount(terminate_) == 0; ++i) {
            pal::Sleep(1);
        }
        pal::SetEvent(terminate_);
    });
    const auto start = std::chrono::steady_clock::now();
    const auto error = Caught<glo::Terminate_t>([&] { link->ReadFrame(20000); });
    signaller.join();
    EXPECT_EQ(error.SourceLine(), 191);
    EXPECT_LT(Since(start), 10000u);
    // Not stored: with the event reset, the link reads on.
    pal::ResetEvent(terminate_);
    unit->SendOnBulk(Packet(20, 5, 0));
    EXPECT_EQ(link->ReadFrame(3000).GetId(), 5);
}

TEST_F(UsbLinkTest, ReadTimesOutAndGoesOn) {
    auto unit = Plug();
    auto link = Open(unit, false);
    EXPECT_EQ(Caught<glo::Timeout_t>([&] { link->ReadFrame(50); }).SourceLine(), 217);
    unit->SendOnBulk(Packet(20, 5, 0));
    EXPECT_EQ(link->ReadFrame(3000).GetId(), 5);
}

TEST_F(UsbLinkTest, SecondOpenOfAHeldUnitFails) {
    auto unit = Plug();
    auto link = Open(unit, false);
    EXPECT_EQ(Caught<iou::Exception_t>([&] { Open(unit, false); }).SourceLine(), 48);
}

TEST_F(UsbLinkTest, UnpluggingFailsTheNextCall) {
    auto unit = Plug();
    auto link = Open(unit, true);
    bus_->Unplug(unit);
    try {
        link->ReadFrame(3000);
        ADD_FAILURE() << "read after unplugging";
    } catch (const glo::CommunicationsError_t& error) {
        // A reader waiting in a transfer learns of it at completion (740,
        // with the code); one that starts a transfer just after the unplug
        // is refused at once (692).
        if (error.SourceLine() == 740) {
            EXPECT_EQ(std::string(error.what()).rfind("1167 : ", 0), 0u) << error.what();
        } else {
            EXPECT_EQ(error.SourceLine(), 692);
        }
    }
    EXPECT_THROW(link->WriteFrame(iol::Frame_t(1), 3000), iou::Exception_t);
}

struct SetupFaultCase {
    pal::DWORD code;
    pal::testhooks::DeviceFault_t::Action_t action;
    unsigned line;
};

TEST_F(UsbLinkTest, SetupQueryFailures) {
    using Action = pal::testhooks::DeviceFault_t::Action_t;
    const SetupFaultCase cases[] = {
        {0x222000, Action::Fail, 60},
        {0x222144, Action::Fail, 75},
        {0x222000, Action::Pend, 574},
        {0x222144, Action::Pend, 574},
    };
    for (const SetupFaultCase& c : cases) {
        SCOPED_TRACE(c.line);
        auto unit = Plug();
        pal::testhooks::InjectDeviceFault(
            {PathOf(unit), pal::RequestKind_t::Control, c.code, c.action, 31, 0, 0, 1});
        EXPECT_EQ(Caught<iou::Exception_t>([&] { Open(unit, false); }).SourceLine(), c.line);
        EXPECT_EQ(pal::testhooks::PendingDeviceRequests(), 0u);
    }
    sim::UsbFaults_t future;
    future.driverVersion = 2;
    auto unit = Plug(future);
    EXPECT_EQ(Caught<iou::FutureApi_t>([&] { Open(unit, false); }).SourceLine(), 65);
}

TEST_F(UsbLinkTest, TransferFaults) {
    using Action = pal::testhooks::DeviceFault_t::Action_t;
    auto unit = Plug();
    auto link = Open(unit, false);
    // Refused at start.
    pal::testhooks::InjectDeviceFault(
        {PathOf(unit), pal::RequestKind_t::Write, 0, Action::Fail, 31, 0, 0, 1});
    EXPECT_EQ(
        Caught<iou::Exception_t>([&] { link->WriteFrame(iol::Frame_t(1), 3000); }).SourceLine(),
        692);
    // Never done: cancelled, then a time-out that leaves the link usable.
    pal::testhooks::InjectDeviceFault(
        {PathOf(unit), pal::RequestKind_t::Write, 0, Action::Pend, 0, 0, 0, 1});
    EXPECT_EQ(Caught<glo::Timeout_t>([&] { link->WriteFrame(iol::Frame_t(1), 100); }).SourceLine(),
              747);
    EXPECT_EQ(pal::testhooks::PendingDeviceRequests(), 1u);  // the interrupt reader's
    // Ended by the terminate event: cancelled too, and nothing stored.
    pal::testhooks::InjectDeviceFault(
        {PathOf(unit), pal::RequestKind_t::Write, 0, Action::Pend, 0, 0, 0, 1});
    pal::SetEvent(terminate_);
    EXPECT_EQ(
        Caught<glo::Terminate_t>([&] { link->WriteFrame(iol::Frame_t(1), 20000); }).SourceLine(),
        715);
    EXPECT_EQ(pal::testhooks::PendingDeviceRequests(), 1u);
    pal::ResetEvent(terminate_);
    link->WriteFrame(iol::Frame_t(254), 3000);
    EXPECT_EQ(link->ReadFrame(3000).GetId(), 255);
}

// A late binding that fails is reported as such, but never leaves the
// request pending on a buffer that is about to go.
TEST_F(UsbLinkTest, FailedCancelBindingStillCancels) {
    using Action = pal::testhooks::DeviceFault_t::Action_t;
    auto unit = Plug();
    auto link = Open(unit, false);
    const auto cancelIo = reinterpret_cast<pal::FARPROC>(&pal::CancelIo);
    pal::RegisterBuiltinModule("kernel32.dll", {{"CancelIo", nullptr}});
    pal::testhooks::InjectDeviceFault(
        {PathOf(unit), pal::RequestKind_t::Write, 0, Action::Pend, 0, 0, 0, 1});
    const Raised raised = Caught<win::Error_t>([&] { link->WriteFrame(iol::Frame_t(1), 100); });
    pal::RegisterBuiltinModule("kernel32.dll", {{"CancelIo", cancelIo}});
    EXPECT_NE(raised.file.find("WIN_Library"), std::string::npos);
    EXPECT_EQ(raised.line, 89u);
    EXPECT_EQ(pal::testhooks::PendingDeviceRequests(), 1u);  // the interrupt reader's
}

}  // namespace
