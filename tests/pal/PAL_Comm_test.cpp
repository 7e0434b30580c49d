#include "pal/PAL_Comm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "pal/PAL_Error.h"
#include "pal/PAL_Locations.h"
#include "support/TestRoot.h"

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

struct NameCase {
    const char* name;
    pal::DWORD result;
};

// Devices that are no serial port never resolve, so a name a user types
// cannot open them; virtual ports resolve in either spelling and form.
TEST(ResolvePortNameTest, VirtualPortsAndTheMachinesSerialDevicesOnly) {
    testsupport::FreshRoot();
    std::filesystem::create_directories(pal::PortsDirectory());
    const std::string virtualPort = pal::PortsDirectory() + "/COM5";
    std::filesystem::create_symlink("/dev/null", virtualPort);
    const NameCase cases[] = {
        {"COM5", pal::ERROR_SUCCESS},
        {"com5", pal::ERROR_SUCCESS},
        {"//./COM5", pal::ERROR_SUCCESS},
        {"\\\\.\\com5", pal::ERROR_SUCCESS},
        {"COM6", pal::ERROR_FILE_NOT_FOUND},
        {"null", pal::ERROR_FILE_NOT_FOUND},
        {"tty", pal::ERROR_FILE_NOT_FOUND},
        {"watchdog", pal::ERROR_FILE_NOT_FOUND},
        {"zero", pal::ERROR_FILE_NOT_FOUND},
        {"//./tty", pal::ERROR_FILE_NOT_FOUND},
        {"", pal::ERROR_INVALID_NAME},
        {"..", pal::ERROR_INVALID_NAME},
        {"../ports/COM5", pal::ERROR_INVALID_NAME},
        {"pts/0", pal::ERROR_INVALID_NAME},
        {"COM\n5", pal::ERROR_INVALID_NAME},
    };
    for (const NameCase& c : cases) {
        std::string path = "untouched";
        EXPECT_EQ(pal::ResolvePortName(c.name, path), c.result) << c.name;
        EXPECT_EQ(path, c.result == pal::ERROR_SUCCESS ? virtualPort : "untouched") << c.name;
    }
}

TEST(ResolvePortNameTest, SerialDeviceKeepsItsLinuxName) {
    if (!Exists("/sys/class/tty/ttyS0/device") || !Exists("/dev/ttyS0")) {
        GTEST_SKIP() << "this machine has no ttyS0";
    }
    testsupport::FreshRoot();
    std::string path;
    EXPECT_EQ(pal::ResolvePortName("ttyS0", path), pal::ERROR_SUCCESS);
    EXPECT_EQ(path, "/dev/ttyS0");
}

}  // namespace
