#include "pal/PAL_SetupApi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pal/PAL_Device.h"
#include "pal/PAL_Driver.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_Module.h"

namespace {

const pal::HDEVINFO kInvalidSet = reinterpret_cast<pal::HDEVINFO>(static_cast<std::uintptr_t>(-1));

class TwoUnitDriver final : public pal::Driver_t {
public:
    std::shared_ptr<pal::Device_t> Find(const std::string&) override { return nullptr; }
    std::vector<std::string> UnitPaths() override { return {"\\\\?\\a#1", "\\\\?\\bb#22"}; }
};

class SetupApiTest : public ::testing::Test {
protected:
    void SetUp() override { pal::RegisterDriver(driver_); }
    void TearDown() override { pal::UnregisterDriver(driver_); }

    static pal::SP_DEVICE_INTERFACE_DATA Interface() {
        pal::SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = pal::kInterfaceDataSize;
        return data;
    }

    std::shared_ptr<TwoUnitDriver> driver_ = std::make_shared<TwoUnitDriver>();
};

// The late-bound names resolve to the calls themselves.
TEST_F(SetupApiTest, PseudoModulesOfferTheLateBoundCalls) {
    const pal::HMODULE kernel = pal::LoadLibraryA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(pal::GetProcAddress(kernel, "CancelIo"),
              reinterpret_cast<pal::FARPROC>(&pal::CancelIo));
    EXPECT_EQ(pal::GetProcAddress(kernel, "CancelIoEx"), nullptr);
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(pal::FreeLibrary(kernel));

    const pal::HMODULE setup = pal::LoadLibraryA("setupapi.dll");
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(pal::GetProcAddress(setup, "SetupDiGetClassDevsA"),
              reinterpret_cast<pal::FARPROC>(&pal::SetupDiGetClassDevsA));
    EXPECT_EQ(pal::GetProcAddress(setup, "SetupDiEnumDeviceInterfaces"),
              reinterpret_cast<pal::FARPROC>(&pal::SetupDiEnumDeviceInterfaces));
    EXPECT_EQ(pal::GetProcAddress(setup, "SetupDiGetDeviceInterfaceDetailA"),
              reinterpret_cast<pal::FARPROC>(&pal::SetupDiGetDeviceInterfaceDetailA));
    EXPECT_EQ(pal::GetProcAddress(setup, "SetupDiDestroyDeviceInfoList"),
              reinterpret_cast<pal::FARPROC>(&pal::SetupDiDestroyDeviceInfoList));
    EXPECT_TRUE(pal::FreeLibrary(setup));
}

TEST_F(SetupApiTest, EnumeratesTheUnitBus) {
    const pal::HDEVINFO set =
        pal::SetupDiGetClassDevsA(&pal::kUnitInterfaceClass, nullptr, nullptr,
                                  pal::DIGCF_PRESENT | pal::DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, kInvalidSet);
    std::vector<std::string> paths;
    for (pal::DWORD index = 0;; ++index) {
        pal::SP_DEVICE_INTERFACE_DATA data = Interface();
        if (!pal::SetupDiEnumDeviceInterfaces(set, nullptr, &pal::kUnitInterfaceClass, index,
                                              &data)) {
            EXPECT_EQ(pal::GetLastError(), pal::ERROR_NO_MORE_ITEMS);
            break;
        }
        pal::DWORD required = 0;
        EXPECT_FALSE(
            pal::SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
        EXPECT_EQ(pal::GetLastError(), pal::ERROR_INSUFFICIENT_BUFFER);
        std::vector<char> buffer(required, 0);
        auto* detail = reinterpret_cast<pal::SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = 8;  // the size of another system's layout
        EXPECT_FALSE(
            pal::SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
        EXPECT_EQ(pal::GetLastError(), 1784u);
        detail->cbSize = pal::kDetailFixedSize;
        EXPECT_FALSE(pal::SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required - 1,
                                                           nullptr, nullptr));
        ASSERT_TRUE(
            pal::SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
        paths.emplace_back(detail->DevicePath);
        EXPECT_EQ(required, 4 + paths.back().size() + 1);
    }
    EXPECT_EQ(paths, driver_->UnitPaths());
    EXPECT_TRUE(pal::SetupDiDestroyDeviceInfoList(set));

    // A released set is no set.
    pal::SP_DEVICE_INTERFACE_DATA data = Interface();
    EXPECT_FALSE(
        pal::SetupDiEnumDeviceInterfaces(set, nullptr, &pal::kUnitInterfaceClass, 0, &data));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_INVALID_HANDLE);
    EXPECT_FALSE(pal::SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_INVALID_HANDLE);
}

TEST_F(SetupApiTest, OtherClassesAndBadArguments) {
    const pal::GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const pal::HDEVINFO set = pal::SetupDiGetClassDevsA(
        &other, nullptr, nullptr, pal::DIGCF_PRESENT | pal::DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, kInvalidSet);
    pal::SP_DEVICE_INTERFACE_DATA data = Interface();
    EXPECT_FALSE(pal::SetupDiEnumDeviceInterfaces(set, nullptr, &other, 0, &data));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_NO_MORE_ITEMS);
    data.cbSize = 32;  // a 64-bit layout
    EXPECT_FALSE(pal::SetupDiEnumDeviceInterfaces(set, nullptr, &other, 0, &data));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(pal::SetupDiDestroyDeviceInfoList(set));

    EXPECT_EQ(
        pal::SetupDiGetClassDevsA(&pal::kUnitInterfaceClass, nullptr, nullptr, pal::DIGCF_PRESENT),
        kInvalidSet);
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_INVALID_PARAMETER);
}

}  // namespace
