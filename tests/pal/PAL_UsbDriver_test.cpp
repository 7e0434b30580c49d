#include "pal/PAL_UsbDriver.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "pal/PAL_Device.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_File.h"
#include "pal/PAL_Registry.h"
#include "pal/PAL_UsbError.h"
#include "pal/PAL_UsbIds.h"
#include "pal/PAL_UsbPath.h"
#include "support/TestRoot.h"

namespace {

using pal::UsbId_t;
using pal::UsbUnitInterface_t;
using pal::UsbUnitLocation_t;

using namespace std::string_literals;

// ---- the id list

struct IdsCase {
    std::string text;
    std::vector<UsbId_t> ids;
};

class UsbIdsParseTest : public testing::TestWithParam<IdsCase> {};

TEST_P(UsbIdsParseTest, GivesTheWellFormedEntriesOnce) {
    EXPECT_EQ(pal::ParseUsbIds(GetParam().text), GetParam().ids) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, UsbIdsParseTest,
    testing::Values(
        IdsCase{"0b2d:0003,1234:5678", {{0x0b2d, 0x0003}, {0x1234, 0x5678}}},
        IdsCase{"0B2D:ABCD", {{0x0b2d, 0xabcd}}}, IdsCase{"aBcD:eF01", {{0xabcd, 0xef01}}},
        IdsCase{" b2d:3 ;\t1234:5678\r\n", {{0x0b2d, 0x0003}, {0x1234, 0x5678}}},
        IdsCase{"1234:5678,0b2d:0003", {{0x1234, 0x5678}, {0x0b2d, 0x0003}}},  // order kept
        IdsCase{"0b2d:0003,0B2D:3,00b2d:0003", {{0x0b2d, 0x0003}}}, IdsCase{"", {}},
        IdsCase{",,; \n", {}}, IdsCase{"hello", {}}, IdsCase{"0b2d", {}}, IdsCase{"0b2d:", {}},
        IdsCase{":0003", {}}, IdsCase{"0b2d:0003:1", {}}, IdsCase{"0xb2d:3", {}},
        IdsCase{"12345:1", {}}, IdsCase{"1:12345", {}}, IdsCase{"-1:2", {}}, IdsCase{"+1:2", {}},
        IdsCase{"gb2d:3", {}}, IdsCase{"0b2d;0003", {}}, IdsCase{"0b2d :0003", {}},
        IdsCase{"\xff\xfe:\x80", {}}, IdsCase{"zz:1,0b2d:0003,bad", {{0x0b2d, 0x0003}}},
        // REG_MULTI_SZ: NUL-separated, ending in two NULs.
        IdsCase{"0b2d:0003\0001234:5678\0\0"s, {{0x0b2d, 0x0003}, {0x1234, 0x5678}}}));

TEST(UsbIdsTest, AHugeHostileListIsReadQuickly) {
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text += "0001:0001,junk:,";
    }
    text += "ffff:ffff";
    EXPECT_EQ(pal::ParseUsbIds(text), (std::vector<UsbId_t>{{1, 1}, {0xffff, 0xffff}}));
}

// A fresh registry and QUORVEL_USB_IDS unset for each case, as it was found
// afterwards.
class ConfiguredIdsTest : public testing::Test {
protected:
    void SetUp() override {
        if (const char* value = std::getenv(pal::kUsbIdsVariable)) {
            saved_ = value;
        }
        unsetenv(pal::kUsbIdsVariable);
        testsupport::FreshRoot();
    }
    void TearDown() override {
        if (saved_) {
            setenv(pal::kUsbIdsVariable, saved_->c_str(), 1);
        } else {
            unsetenv(pal::kUsbIdsVariable);
        }
    }

    static void SetIds(pal::DWORD type, const std::string& data) {
        pal::HKEY key = 0;
        ASSERT_EQ(pal::RegCreateKeyExA(pal::HKEY_LOCAL_MACHINE, pal::kUsbUnitsKey, 0, nullptr, 0,
                                       pal::KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  pal::ERROR_SUCCESS);
        ASSERT_EQ(pal::RegSetValueExA(key, pal::kUsbIdsValue, 0, type,
                                      reinterpret_cast<const pal::BYTE*>(data.data()),
                                      static_cast<pal::DWORD>(data.size())),
                  pal::ERROR_SUCCESS);
        pal::RegCloseKey(key);
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(ConfiguredIdsTest, NothingListedGivesNoIds) {
    EXPECT_TRUE(pal::ConfiguredUsbIds().empty());
}

TEST_F(ConfiguredIdsTest, RegistryValueIsRead) {
    SetIds(pal::REG_SZ, "0b2d:0003"s + '\0');
    EXPECT_EQ(pal::ConfiguredUsbIds(), (std::vector<UsbId_t>{{0x0b2d, 0x0003}}));
    SetIds(pal::REG_SZ, "1234:5678");  // without its NUL
    EXPECT_EQ(pal::ConfiguredUsbIds(), (std::vector<UsbId_t>{{0x1234, 0x5678}}));
    SetIds(pal::REG_MULTI_SZ, "0b2d:0003\0001234:5678\0\0"s);
    EXPECT_EQ(pal::ConfiguredUsbIds(), (std::vector<UsbId_t>{{0x0b2d, 0x0003}, {0x1234, 0x5678}}));
}

TEST_F(ConfiguredIdsTest, ValueOfAnotherTypeGivesNoIds) {
    SetIds(pal::REG_DWORD, "\x03\x00\x1e\x09"s);
    EXPECT_TRUE(pal::ConfiguredUsbIds().empty());
    SetIds(pal::REG_BINARY, "0b2d:0003");
    EXPECT_TRUE(pal::ConfiguredUsbIds().empty());
}

TEST_F(ConfiguredIdsTest, EnvironmentVariableOverridesTheRegistry) {
    SetIds(pal::REG_SZ, "0b2d:0003"s + '\0');
    setenv(pal::kUsbIdsVariable, "1234:5678", 1);
    EXPECT_EQ(pal::ConfiguredUsbIds(), (std::vector<UsbId_t>{{0x1234, 0x5678}}));
    setenv(pal::kUsbIdsVariable, "", 1);  // set but empty: no device at all
    EXPECT_TRUE(pal::ConfiguredUsbIds().empty());
}

// ---- endpoint selection over hand-made descriptors

libusb_endpoint_descriptor Endpoint(std::uint8_t address, std::uint8_t type,
                                    std::uint16_t packetSize = 64) {
    libusb_endpoint_descriptor endpoint{};
    endpoint.bLength = LIBUSB_DT_ENDPOINT_SIZE;
    endpoint.bDescriptorType = LIBUSB_DT_ENDPOINT;
    endpoint.bEndpointAddress = address;
    endpoint.bmAttributes = type;
    endpoint.wMaxPacketSize = packetSize;
    return endpoint;
}

constexpr std::uint8_t kBulk = LIBUSB_TRANSFER_TYPE_BULK;
constexpr std::uint8_t kInterrupt = LIBUSB_TRANSFER_TYPE_INTERRUPT;
constexpr std::uint8_t kIsochronous = LIBUSB_TRANSFER_TYPE_ISOCHRONOUS;

// An interface descriptor over endpoints the caller keeps.
libusb_interface_descriptor Interface(std::uint8_t number, std::uint8_t altSetting,
                                      const std::vector<libusb_endpoint_descriptor>& endpoints) {
    libusb_interface_descriptor interface {};
    interface.bLength = LIBUSB_DT_INTERFACE_SIZE;
    interface.bDescriptorType = LIBUSB_DT_INTERFACE;
    interface.bInterfaceNumber = number;
    interface.bAlternateSetting = altSetting;
    interface.bNumEndpoints = static_cast<std::uint8_t>(endpoints.size());
    interface.bInterfaceClass = LIBUSB_CLASS_VENDOR_SPEC;
    interface.endpoint = endpoints.data();
    return interface;
}

const std::vector<libusb_endpoint_descriptor> kUnitEndpoints = {
    Endpoint(0x81, kBulk, 512), Endpoint(0x02, kBulk, 512), Endpoint(0x83, kInterrupt, 64)};

struct EndpointsCase {
    const char* name;
    std::vector<libusb_endpoint_descriptor> endpoints;
    std::optional<UsbUnitInterface_t> unit;
};

class UsbEndpointsTest : public testing::TestWithParam<EndpointsCase> {};

TEST_P(UsbEndpointsTest, FindsTheThreeKindsOrRejects) {
    const libusb_interface_descriptor interface = Interface(2, 0, GetParam().endpoints);
    EXPECT_EQ(pal::UnitEndpointsOf(interface), GetParam().unit) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, UsbEndpointsTest,
    testing::Values(
        EndpointsCase{"unit", kUnitEndpoints, UsbUnitInterface_t{2, 0, 0x81, 0x02, 0x83, 512}},
        EndpointsCase{
            "any order",
            {Endpoint(0x85, kInterrupt), Endpoint(0x01, kBulk, 64), Endpoint(0x82, kBulk, 64)},
            UsbUnitInterface_t{2, 0, 0x82, 0x01, 0x85, 64}},
        EndpointsCase{
            "first of each kind",
            {Endpoint(0x81, kBulk), Endpoint(0x84, kBulk), Endpoint(0x02, kBulk, 64),
             Endpoint(0x03, kBulk, 8), Endpoint(0x83, kInterrupt), Endpoint(0x86, kInterrupt)},
            UsbUnitInterface_t{2, 0, 0x81, 0x02, 0x83, 64}},
        EndpointsCase{
            "packet size bits only",
            {Endpoint(0x81, kBulk), Endpoint(0x02, kBulk, 0x1840), Endpoint(0x83, kInterrupt)},
            UsbUnitInterface_t{2, 0, 0x81, 0x02, 0x83, 0x40}},
        EndpointsCase{"attribute bits above the type ignored",
                      {Endpoint(0x81, kBulk | 0x0C), Endpoint(0x02, kBulk | 0x30, 64),
                       Endpoint(0x83, kInterrupt | 0x30)},
                      UsbUnitInterface_t{2, 0, 0x81, 0x02, 0x83, 64}},
        EndpointsCase{"no interrupt IN", {Endpoint(0x81, kBulk), Endpoint(0x02, kBulk)}, {}},
        EndpointsCase{"interrupt OUT only",
                      {Endpoint(0x81, kBulk), Endpoint(0x02, kBulk), Endpoint(0x03, kInterrupt)},
                      {}},
        EndpointsCase{"no bulk OUT", {Endpoint(0x81, kBulk), Endpoint(0x83, kInterrupt)}, {}},
        EndpointsCase{"no bulk IN", {Endpoint(0x02, kBulk), Endpoint(0x83, kInterrupt)}, {}},
        EndpointsCase{
            "isochronous is no bulk",
            {Endpoint(0x81, kIsochronous), Endpoint(0x02, kBulk), Endpoint(0x83, kInterrupt)},
            {}},
        EndpointsCase{"no endpoints", {}, {}}),
    [](const testing::TestParamInfo<EndpointsCase>& param) {
        std::string name = param.param.name;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(UsbEndpointsTest, EndpointCountWithoutEndpointsIsRejected) {
    libusb_interface_descriptor interface = Interface(0, 0, {});
    interface.bNumEndpoints = 3;
    interface.endpoint = nullptr;
    EXPECT_FALSE(pal::UnitEndpointsOf(interface));
}

// A configuration over interfaces (each a list of alternate settings) the
// caller keeps.
libusb_config_descriptor Config(const std::vector<libusb_interface>& interfaces) {
    libusb_config_descriptor config{};
    config.bLength = LIBUSB_DT_CONFIG_SIZE;
    config.bDescriptorType = LIBUSB_DT_CONFIG;
    config.bNumInterfaces = static_cast<std::uint8_t>(interfaces.size());
    config.interface = interfaces.data();
    return config;
}

libusb_interface Settings(const std::vector<libusb_interface_descriptor>& settings) {
    return libusb_interface{settings.data(), static_cast<int>(settings.size())};
}

TEST(UsbConfigTest, PicksTheFirstSuitableInterface) {
    const std::vector<libusb_endpoint_descriptor> hid = {Endpoint(0x81, kInterrupt, 8)};
    const std::vector<libusb_endpoint_descriptor> other = {
        Endpoint(0x84, kBulk, 64), Endpoint(0x05, kBulk, 64), Endpoint(0x86, kInterrupt)};
    const std::vector<libusb_interface_descriptor> first = {Interface(0, 0, hid)};
    const std::vector<libusb_interface_descriptor> second = {Interface(1, 0, kUnitEndpoints)};
    const std::vector<libusb_interface_descriptor> third = {Interface(2, 0, other)};
    const std::vector<libusb_interface> interfaces = {Settings(first), Settings(second),
                                                      Settings(third)};
    EXPECT_EQ(pal::FindUnitInterface(Config(interfaces)),
              (UsbUnitInterface_t{1, 0, 0x81, 0x02, 0x83, 512}));
}

TEST(UsbConfigTest, AlternateSettingsAreLookedAt) {
    const std::vector<libusb_endpoint_descriptor> none = {};
    const std::vector<libusb_interface_descriptor> settings = {Interface(0, 0, none),
                                                               Interface(0, 1, kUnitEndpoints)};
    const std::vector<libusb_interface> interfaces = {Settings(settings)};
    EXPECT_EQ(pal::FindUnitInterface(Config(interfaces)),
              (UsbUnitInterface_t{0, 1, 0x81, 0x02, 0x83, 512}));
}

TEST(UsbConfigTest, NoSuitableInterfaceAndBrokenDescriptorsGiveNothing) {
    const std::vector<libusb_endpoint_descriptor> hid = {Endpoint(0x81, kInterrupt, 8)};
    const std::vector<libusb_interface_descriptor> only = {Interface(0, 0, hid)};
    std::vector<libusb_interface> interfaces = {Settings(only)};
    EXPECT_FALSE(pal::FindUnitInterface(Config(interfaces)));
    EXPECT_FALSE(pal::FindUnitInterface(Config({})));

    libusb_config_descriptor config = Config(interfaces);
    config.bNumInterfaces = 4;
    config.interface = nullptr;
    EXPECT_FALSE(pal::FindUnitInterface(config));

    // A broken interface is passed over, a good one after it still found.
    const std::vector<libusb_interface_descriptor> good = {Interface(1, 0, kUnitEndpoints)};
    interfaces = {libusb_interface{nullptr, 3}, Settings(good)};
    EXPECT_EQ(pal::FindUnitInterface(Config(interfaces)),
              (UsbUnitInterface_t{1, 0, 0x81, 0x02, 0x83, 512}));
}

// ---- device paths

const std::string kClass = "#{2c9c45c2-8e7d-4c08-a12d-816bbae722c0}";

TEST(UsbPathTest, HasTheSystemsShape) {
    EXPECT_EQ(pal::UsbUnitPath({{0x0b2d, 0x0003}, 3, {1, 4}}),
              "\\\\?\\usb#vid_0b2d&pid_0003#3-1.4" + kClass);
    EXPECT_TRUE(pal::IsDevicePath(pal::UsbUnitPath({{0x0b2d, 0x0003}, 3, {1, 4}})));
}

TEST(UsbPathTest, RoundTrips) {
    const std::vector<UsbUnitLocation_t> locations = {
        {{0x0b2d, 0x0003}, 3, {1, 4}},
        {{0xabcd, 0xef01}, 1, {2}},
        {{0x0000, 0x0000}, 0, {0}},
        {{0xffff, 0xffff}, 255, {255, 255, 255, 255, 255, 255, 255}},
        {{0x1234, 0x5678}, 12, {10, 9, 100}},
    };
    for (const UsbUnitLocation_t& location : locations) {
        const std::string path = pal::UsbUnitPath(location);
        EXPECT_EQ(pal::ParseUsbUnitPath(path), location) << path;
    }
}

TEST(UsbPathTest, LettersCompareWithoutCase) {
    EXPECT_EQ(pal::ParseUsbUnitPath(
                  "\\\\?\\USB#VID_0B2D&PID_ABCD#3-1.4#{2C9C45C2-8E7D-4C08-A12D-816BBAE722C0}"),
              (UsbUnitLocation_t{{0x0b2d, 0xabcd}, 3, {1, 4}}));
}

class UsbHostilePathTest : public testing::TestWithParam<std::string> {};

TEST_P(UsbHostilePathTest, IsNoUnitPath) {
    EXPECT_FALSE(pal::ParseUsbUnitPath(GetParam())) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UsbHostilePathTest,
    testing::Values(
        "", "\\\\?\\usb#", "\\\\?\\usb#vid_0b2d&pid_0003#3-1",
        "\\\\.\\usb#vid_0b2d&pid_0003#3-1" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1" + kClass + "x",
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1#{2c9c45c2-8e7d-4c08-a12d-816bbae722c1}",
        "\\\\?\\usb#vid_b2d&pid_0003#3-1" + kClass, "\\\\?\\usb#vid_00b2d&pid_0003#3-1" + kClass,
        "\\\\?\\usb#vid_gb2d&pid_0003#3-1" + kClass, "\\\\?\\usb#vid_0b2d&pid_-003#3-1" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#256-1" + kClass, "\\\\?\\usb#vid_0b2d&pid_0003#03-1" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#-1" + kClass, "\\\\?\\usb#vid_0b2d&pid_0003#3-" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1..4" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1." + kClass, "\\\\?\\usb#vid_0b2d&pid_0003#3-.1" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1.256" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1.1000" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-+1" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1.2.3.4.5.6.7.8" + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1\0"s + kClass,
        "\\\\?\\usb#vid_0b2d&pid_0003#3-1" + kClass + std::string(10000, '1'),
        "\\\\?\\quorvel-sim#unit-1#{2C9C45C2-8E7D-4C08-A12D-816BBAE722C0}", "COM1"));

// ---- errors

TEST(UsbErrorTest, LibusbErrorsHaveWindowsCodes) {
    const std::pair<int, pal::DWORD> cases[] = {
        {LIBUSB_SUCCESS, 0},
        {LIBUSB_ERROR_IO, pal::ERROR_GEN_FAILURE},
        {LIBUSB_ERROR_INVALID_PARAM, pal::ERROR_INVALID_PARAMETER},
        {LIBUSB_ERROR_ACCESS, pal::ERROR_ACCESS_DENIED},
        {LIBUSB_ERROR_NO_DEVICE, pal::ERROR_DEVICE_NOT_CONNECTED},
        {LIBUSB_ERROR_NOT_FOUND, pal::ERROR_FILE_NOT_FOUND},
        {LIBUSB_ERROR_BUSY, pal::ERROR_BUSY},
        {LIBUSB_ERROR_TIMEOUT, pal::ERROR_SEM_TIMEOUT},
        {LIBUSB_ERROR_OVERFLOW, pal::ERROR_MORE_DATA},
        {LIBUSB_ERROR_PIPE, pal::ERROR_GEN_FAILURE},
        {LIBUSB_ERROR_INTERRUPTED, pal::ERROR_OPERATION_ABORTED},
        {LIBUSB_ERROR_NO_MEM, pal::ERROR_NOT_ENOUGH_MEMORY},
        {LIBUSB_ERROR_NOT_SUPPORTED, pal::ERROR_NOT_SUPPORTED},
        {LIBUSB_ERROR_OTHER, pal::ERROR_GEN_FAILURE},
        {-1000, pal::ERROR_GEN_FAILURE},
        {7, pal::ERROR_GEN_FAILURE},
    };
    for (const auto& [error, code] : cases) {
        EXPECT_EQ(pal::UsbErrorCode(error), code) << error;
    }
}

TEST(UsbErrorTest, TransferStatusesHaveWindowsCodes) {
    const std::pair<int, pal::DWORD> cases[] = {
        {LIBUSB_TRANSFER_COMPLETED, 0},
        {LIBUSB_TRANSFER_ERROR, pal::ERROR_GEN_FAILURE},
        {LIBUSB_TRANSFER_TIMED_OUT, pal::ERROR_SEM_TIMEOUT},
        {LIBUSB_TRANSFER_CANCELLED, pal::ERROR_OPERATION_ABORTED},
        {LIBUSB_TRANSFER_STALL, pal::ERROR_GEN_FAILURE},
        {LIBUSB_TRANSFER_NO_DEVICE, pal::ERROR_DEVICE_NOT_CONNECTED},
        {LIBUSB_TRANSFER_OVERFLOW, pal::ERROR_MORE_DATA},
        {99, pal::ERROR_GEN_FAILURE},
        {-1, pal::ERROR_GEN_FAILURE},
    };
    for (const auto& [status, code] : cases) {
        EXPECT_EQ(pal::UsbTransferStatusCode(status), code) << status;
    }
}

// ---- what a request comes to

using Action = pal::UsbRequestPlan_t::Action_t;

pal::UsbRequestPlan_t Plan(pal::RequestKind_t kind, pal::DWORD code, pal::DWORD capacity,
                           std::size_t inputSize = 0, std::uint16_t packetSize = 512) {
    const pal::DeviceRequest_t request(kind, code, std::vector<pal::BYTE>(inputSize, 0x55), nullptr,
                                       capacity, nullptr, nullptr);
    return pal::PlanUsbRequest(request, {0, 0, 0x81, 0x02, 0x83, packetSize});
}

TEST(UsbRequestPlanTest, DriverAnswersVersionAndPacketSizeItself) {
    const auto version = Plan(pal::RequestKind_t::Control, pal::kUsbIoctlDriverVersion, 4);
    EXPECT_EQ(version.action, Action::Answer);
    EXPECT_EQ(version.answer, (std::vector<pal::BYTE>{1, 0, 0, 0}));
    const auto size = Plan(pal::RequestKind_t::Control, pal::kUsbIoctlPacketSize, 2, 0, 512);
    EXPECT_EQ(size.action, Action::Answer);
    EXPECT_EQ(size.answer, (std::vector<pal::BYTE>{0x00, 0x02}));
    EXPECT_EQ(Plan(pal::RequestKind_t::Control, pal::kUsbIoctlPacketSize, 2, 0, 64).answer,
              (std::vector<pal::BYTE>{64, 0}));
}

TEST(UsbRequestPlanTest, TransfersGoToTheirEndpoints) {
    struct Case {
        pal::RequestKind_t kind;
        pal::DWORD code;
        pal::DWORD capacity;
        std::size_t input;
        std::uint8_t endpoint;
        std::uint8_t type;
        std::size_t length;
    };
    const Case cases[] = {
        {pal::RequestKind_t::Control, pal::kUsbIoctlInterruptRead, 64, 0, 0x83, kInterrupt, 64},
        {pal::RequestKind_t::Control, pal::kUsbIoctlInterruptRead, 256, 0, 0x83, kInterrupt, 64},
        {pal::RequestKind_t::Control, pal::kUsbIoctlInterruptRead, 10, 0, 0x83, kInterrupt, 10},
        {pal::RequestKind_t::Read, 0, 4096, 0, 0x81, kBulk, 4096},
        {pal::RequestKind_t::Read, 0, 100000, 0, 0x81, kBulk, 4096},
        {pal::RequestKind_t::Read, 0, 100, 0, 0x81, kBulk, 100},
        {pal::RequestKind_t::Write, 0, 0, 5, 0x02, kBulk, 5},
        {pal::RequestKind_t::Write, 0, 0, 5000, 0x02, kBulk, 5000},
        {pal::RequestKind_t::Write, 0, 0, 0, 0x02, kBulk, 0},  // the zero-length transfer
    };
    for (const Case& c : cases) {
        const auto plan = Plan(c.kind, c.code, c.capacity, c.input);
        EXPECT_EQ(plan.action, Action::Transfer);
        EXPECT_EQ(plan.endpoint, c.endpoint);
        EXPECT_EQ(plan.type, c.type);
        EXPECT_EQ(plan.length, c.length) << c.capacity << " " << c.input;
    }
}

TEST(UsbRequestPlanTest, ReadsIntoNothingAndUnknownControlsEndAtOnce) {
    const auto empty = Plan(pal::RequestKind_t::Read, 0, 0);
    EXPECT_EQ(empty.action, Action::Answer);
    EXPECT_TRUE(empty.answer.empty());
    const auto unknown = Plan(pal::RequestKind_t::Control, 0x222004, 4);
    EXPECT_EQ(unknown.action, Action::Fail);
    EXPECT_EQ(unknown.error, pal::ERROR_INVALID_FUNCTION);
}

// ---- the driver on a machine without units

class UsbDriverTest : public ConfiguredIdsTest {
protected:
    void TearDown() override {
        pal::testhooks::FailUsbInit(false);
        ConfiguredIdsTest::TearDown();
    }
    // An id no real device here has.
    static constexpr const char* kIds = "dead:beef";
    const std::string path_ = pal::UsbUnitPath({{0xdead, 0xbeef}, 1, {1}});
};

TEST_F(UsbDriverTest, WithoutLibusbNothingIsListedOrOpened) {
    pal::testhooks::FailUsbInit(true);
    setenv(pal::kUsbIdsVariable, kIds, 1);
    const auto driver = std::make_shared<pal::UsbDriver_t>();
    EXPECT_FALSE(driver->HasUsb());
    EXPECT_TRUE(driver->UnitPaths().empty());
    EXPECT_EQ(driver->Find(path_), nullptr);

    pal::RegisterDriver(driver);
    EXPECT_TRUE(pal::PresentUnitPaths().empty());
    EXPECT_EQ(pal::CreateFileA(path_.c_str(), pal::GENERIC_READ | pal::GENERIC_WRITE, 0, nullptr,
                               pal::OPEN_EXISTING, pal::FILE_FLAG_OVERLAPPED, 0),
              pal::INVALID_HANDLE_VALUE);
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_FILE_NOT_FOUND);
    pal::UnregisterDriver(driver);
}

TEST_F(UsbDriverTest, ABusWithoutListedUnitsListsNothing) {
    setenv(pal::kUsbIdsVariable, kIds, 1);
    const auto driver = std::make_shared<pal::UsbDriver_t>();
    EXPECT_TRUE(driver->UnitPaths().empty());
    EXPECT_EQ(driver->Find(path_), nullptr);
    EXPECT_EQ(driver->Find("\\\\.\\COM1"), nullptr);
}

TEST_F(UsbDriverTest, InstalledOnceForTheProcess) {
    const auto driver = pal::InstallUsbUnits();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(pal::InstallUsbUnits(), driver);
    setenv(pal::kUsbIdsVariable, kIds, 1);
    EXPECT_TRUE(pal::PresentUnitPaths().empty());
}

}  // namespace
