#include "spo/SPO_Enumerate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pal/PAL_Error.h"
#include "pal/PAL_Locations.h"
#include "pal/PAL_Registry.h"
#include "pal/PAL_Version.h"
#include "support/RegistryValue.h"
#include "support/TestRoot.h"
#include "win/WIN_Exception.h"
#include "win/WIN_RegKey.h"

namespace {

using spo::PortNames_t;

using testsupport::SetRegistryValue;

void SerialComm(const std::string& valueName, const std::string& port) {
    SetRegistryValue("HARDWARE\\DEVICEMAP\\SERIALCOMM", valueName, pal::REG_SZ,
                     std::string(port.c_str(), port.size() + 1));
}

pal::OSVERSIONINFOA Version(pal::DWORD platform, pal::DWORD major, pal::DWORD minor) {
    pal::OSVERSIONINFOA record;
    record.dwPlatformId = platform;
    record.dwMajorVersion = major;
    record.dwMinorVersion = minor;
    return record;
}

const PortNames_t kBase = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"};

class EnumerateTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = testsupport::FreshRoot();
        sysfs_ = root_ + "/sys";
        std::filesystem::create_directories(sysfs_ + "/class/tty");
        spo::SetSysfsRoot(sysfs_);
        UseVersion(nullptr);
    }
    void TearDown() override {
        UseVersion(nullptr);
        spo::SetSysfsRoot("/sys");
        // The maker's key is process-wide and stays in the store it was
        // first opened in; leave no names behind for the next test.
        try {
            pal::HKEY maker = 0;
            if (pal::RegOpenKeyExA(win::MakerKey().Handle(), "", 0, pal::KEY_ALL_ACCESS, &maker) ==
                pal::ERROR_SUCCESS) {
                pal::RegDeleteTreeA(maker, "SerialPortSpecification");
                pal::RegCloseKey(maker);
            }
        } catch (const win::RegError_t&) {
            // Not opened yet: nothing to clean.
        }
    }
    void UseVersion(const pal::OSVERSIONINFOA* record) {
        pal::SetVersionOverride(record);
        spo::ForgetSystemVersion();
    }
    void AddTty(const std::string& name, bool withDevice = true, const char* type = nullptr) {
        const std::string dir = sysfs_ + "/class/tty/" + name;
        std::filesystem::create_directories(dir);
        if (withDevice) {
            std::filesystem::create_directories(dir + "/device");
        }
        if (type != nullptr) {
            std::ofstream(dir + "/type") << type << "\n";
        }
    }
    std::string root_;
    std::string sysfs_;
};

TEST_F(EnumerateTest, WithoutOtherSourcesTheListIsComOneToEight) {
    EXPECT_EQ(spo::EnumerateSerialPorts(), kBase);
}

TEST_F(EnumerateTest, SerialCommNamesSortByCharacters) {
    SerialComm("\\Device\\Serial2", "COM3");
    SerialComm("\\Device\\Serial11", "COM12");
    EXPECT_EQ(spo::EnumerateSerialPorts(), (PortNames_t{"COM1", "COM12", "COM2", "COM3", "COM4",
                                                        "COM5", "COM6", "COM7", "COM8"}));
}

TEST_F(EnumerateTest, CaseVariantsAreTakenOnceInTheFormAlreadyListed) {
    SerialComm("A", "com3");
    SerialComm("B", "Extra");
    SerialComm("C", "EXTRA");
    SetRegistryValue("HARDWARE\\DEVICEMAP\\SERIALCOMM", "Number", pal::REG_DWORD,
                     std::string(4, '\1'));
    SetRegistryValue("HARDWARE\\DEVICEMAP\\SERIALCOMM", "Garbage", pal::REG_SZ, "\xff\xfe");
    PortNames_t expected = kBase;
    expected.push_back("Extra");
    EXPECT_EQ(spo::EnumerateSerialPorts(), expected);
}

TEST_F(EnumerateTest, DeviceClassListsRealSerialDevicesButNoPrinterPorts) {
    AddTty("ttyUSB0");
    AddTty("ttyS0", true, "4");
    AddTty("ttyS5", true, "0");  // registered without hardware
    AddTty("tty1", false);       // a console, no device
    AddTty("LPT1");
    AddTty("lpt2");
    PortNames_t expected = kBase;
    expected.insert(expected.end(), {"ttyS0", "ttyUSB0"});
    EXPECT_EQ(spo::EnumerateSerialPorts(), expected);

    // An NT below 5 has no device class to ask.
    const pal::OSVERSIONINFOA nt4 = Version(pal::VER_PLATFORM_WIN32_NT, 4, 0);
    UseVersion(&nt4);
    SerialComm("X", "COM9");
    PortNames_t withoutDevices = kBase;
    withoutDevices.push_back("COM9");
    EXPECT_EQ(spo::EnumerateSerialPorts(), withoutDevices);
}

TEST_F(EnumerateTest, MakerSpecificationAddsValueNames) {
    SetRegistryValue("Software\\Halvex\\SerialPortSpecification", "COM20", pal::REG_SZ,
                     std::string("ignored\0", 8));
    PortNames_t expected = {"COM1", "COM2", "COM20", "COM3", "COM4",
                            "COM5", "COM6", "COM7",  "COM8"};
    EXPECT_EQ(spo::EnumerateSerialPorts(), expected);
}

TEST_F(EnumerateTest, NineXRecords) {
    SerialComm("A", "COM12");
    AddTty("ttyUSB0");
    struct Case {
        pal::OSVERSIONINFOA version;
        bool onlyBase;
    };
    const Case cases[] = {
        {Version(pal::VER_PLATFORM_WIN32_WINDOWS, 4, 0), true},    // Windows 95
        {Version(pal::VER_PLATFORM_WIN32_WINDOWS, 3, 95), true},   // below 4
        {Version(pal::VER_PLATFORM_WIN32_WINDOWS, 4, 10), false},  // Windows 98
        {Version(pal::VER_PLATFORM_WIN32_WINDOWS, 4, 90), false},  // Windows Me
    };
    for (const Case& c : cases) {
        UseVersion(&c.version);
        const PortNames_t names = spo::EnumerateSerialPorts();
        if (c.onlyBase) {
            EXPECT_EQ(names, kBase) << c.version.dwMajorVersion << "." << c.version.dwMinorVersion;
        } else {
            EXPECT_EQ(names.size(), 10u)
                << c.version.dwMajorVersion << "." << c.version.dwMinorVersion;
        }
    }
}

TEST_F(EnumerateTest, UnreadableSerialCommAddsNothing) {
    const std::filesystem::path store = pal::RegistryFilePath();
    std::filesystem::create_directories(store.parent_path());
    std::ofstream(store) << "not a database";
    spo::SetSysfsRoot(root_ + "/missing");
    EXPECT_EQ(spo::EnumerateSerialPorts(), kBase);
}

TEST(MergePortNames, SortedUnionKeepsTheFirstListsForm) {
    EXPECT_EQ(spo::MergePortNames({"COM1", "com3", "COM5"}, {"COM2", "COM3", "COM6"}),
              (PortNames_t{"COM1", "COM2", "com3", "COM5", "COM6"}));
    EXPECT_EQ(spo::MergePortNames({}, {"A"}), PortNames_t{"A"});
}

}  // namespace
