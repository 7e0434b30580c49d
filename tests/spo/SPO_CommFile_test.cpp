#include "spo/SPO_CommFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "pal/PAL_Error.h"
#include "pal/PAL_Kernel.h"
#include "pal/PAL_Locations.h"
#include "pal/PAL_Sync.h"
#include "spo/SPO_Exception.h"
#include "support/TestRoot.h"

namespace {

// A real pseudo-terminal published in the ports directory as a virtual port
// would be, with its slave held open by another process.
class PtyPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshRoot();
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        slavePath_ = ptsname(master_);
        std::filesystem::create_directories(pal::PortsDirectory());
        std::filesystem::create_symlink(slavePath_, pal::PortsDirectory() + "/COM40");
        HoldSlaveInAnotherProcess();
        slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave_, 0);
    }
    void TearDown() override {
        if (holder_ > 0) {
            close(release_);
            int status = 0;
            waitpid(holder_, &status, 0);
        }
        close(slave_);
        close(master_);
    }

    void HoldSlaveInAnotherProcess() {
        int ready[2];
        int release[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(release), 0);
        holder_ = fork();
        ASSERT_GE(holder_, 0);
        if (holder_ == 0) {
            close(release[1]);
            close(ready[0]);
            const int held = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
            char byte = held >= 0 ? 1 : 0;
            (void)!write(ready[1], &byte, 1);
            (void)!read(release[0], &byte, 1);  // until the test closes its end
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        release_ = release[1];
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        ASSERT_EQ(byte, 1);
    }

    termios Settings() const {
        termios settings{};
        EXPECT_EQ(tcgetattr(slave_, &settings), 0);
        return settings;
    }

    int master_ = -1;
    int slave_ = -1;
    int release_ = -1;
    pid_t holder_ = -1;
    std::string slavePath_;
};

unsigned FailureLine(const std::string& name, pal::DWORD& code) {
    try {
        spo::CommFile_t port(name, spo::LineSettings_t{});
    } catch (const spo::CommFileError_t& error) {
        code = error.code;
        EXPECT_EQ(error.subId, std::to_string(error.code));
        return error.SourceLine();
    }
    return 0;
}

TEST_F(PtyPortTest, PortExistsForAPortAnotherProcessHolds) {
    EXPECT_TRUE(spo::PortExists("COM40"));
    EXPECT_TRUE(spo::PortExists("com40"));
    EXPECT_TRUE(spo::PortExists("//./COM40"));
    EXPECT_FALSE(spo::PortExists("COM41"));
    EXPECT_FALSE(spo::PortExists("../ports/COM40"));
    EXPECT_FALSE(spo::PortExists(""));
}

TEST_F(PtyPortTest, LineSettingsReachTheTerminal) {
    spo::LineSettings_t settings;
    settings.baudRate = 19200;
    settings.stopBits = pal::TWOSTOPBITS;
    settings.ctsRtsHandshake = true;
    settings.xonXoff = true;
    settings.xonChar = 0x01;
    settings.xoffChar = 0x02;
    {
        const spo::CommFile_t port("COM40", settings);
        const termios applied = Settings();
        EXPECT_EQ(cfgetospeed(&applied), static_cast<speed_t>(B19200));
        EXPECT_NE(applied.c_cflag & CSTOPB, 0u);
        EXPECT_NE(applied.c_cflag & CRTSCTS, 0u);
        EXPECT_NE(applied.c_iflag & IXON, 0u);
        EXPECT_NE(applied.c_iflag & IXOFF, 0u);
        EXPECT_EQ(applied.c_cc[VSTART], 0x01);
        EXPECT_EQ(applied.c_cc[VSTOP], 0x02);
        EXPECT_EQ(applied.c_lflag & (ICANON | ECHO | ISIG), 0u);  // binary mode
        EXPECT_EQ(applied.c_oflag & OPOST, 0u);
        EXPECT_EQ(applied.c_iflag & (ISTRIP | INPCK | ICRNL), 0u);
    }
    const spo::CommFile_t plain("COM40", spo::LineSettings_t{});
    const termios applied = Settings();
    EXPECT_EQ(cfgetospeed(&applied), static_cast<speed_t>(B9600));
    EXPECT_EQ(applied.c_cflag & (CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(applied.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(PtyPortTest, OpenIsExclusiveWhileHeld) {
    pal::DWORD code = 0;
    {
        const spo::CommFile_t first("COM40", spo::LineSettings_t{});
        EXPECT_EQ(FailureLine("COM40", code), 60u);
        EXPECT_EQ(code, pal::ERROR_ACCESS_DENIED);
        EXPECT_TRUE(spo::PortExists("COM40"));  // in use still exists
    }
    EXPECT_EQ(FailureLine("COM40", code), 0u);  // released on destruction
    int exclusive = 1;
    ASSERT_EQ(ioctl(slave_, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);  // the others' opens are not left refused
}

TEST_F(PtyPortTest, FailuresNameTheirStep) {
    pal::DWORD code = 0;
    EXPECT_EQ(FailureLine("NoSuchPort", code), 60u);  // after the "//./" retry too
    EXPECT_EQ(code, pal::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailureLine("a/b", code), 60u);
    EXPECT_EQ(code, pal::ERROR_INVALID_NAME);

    // A device that is no terminal opens but has no port state.
    std::filesystem::create_symlink("/dev/null", pal::PortsDirectory() + "/NULLPORT");
    EXPECT_EQ(FailureLine("NULLPORT", code), 147u);
    EXPECT_FALSE(spo::PortExists("NULLPORT"));

    spo::LineSettings_t odd;
    odd.baudRate = 12345;
    try {
        spo::CommFile_t port("COM40", odd);
        ADD_FAILURE() << "opened with an unknown rate";
    } catch (const spo::CommFileError_t& error) {
        EXPECT_EQ(error.SourceLine(), 270);
        EXPECT_EQ(error.code, pal::ERROR_INVALID_PARAMETER);
    }
    spo::LineSettings_t noQueue;
    noQueue.inputQueue = 0;
    try {
        spo::CommFile_t port("COM40", noQueue);
        ADD_FAILURE() << "opened without queues";
    } catch (const spo::CommFileError_t& error) {
        EXPECT_EQ(error.SourceLine(), 299);
    }
    EXPECT_EQ(FailureLine("COM40", code), 0u);  // failed opens closed the port again
}

// The port is an object of the handle table, as every other handle of ours:
// it lives until its last handle closes, and no other handle reaches it.
TEST_F(PtyPortTest, PortIsAHandleOfTheTable) {
    const std::size_t before = pal::testhooks::OpenHandleCount();
    pal::HANDLE handle = pal::INVALID_HANDLE_VALUE;
    pal::HANDLE duplicate = pal::INVALID_HANDLE_VALUE;
    {
        const spo::CommFile_t port("COM40", spo::LineSettings_t{});
        handle = port.Handle();
        EXPECT_EQ(pal::testhooks::OpenHandleCount(), before + 1);
        ASSERT_TRUE(pal::DuplicateHandle(pal::GetCurrentProcess(), handle, pal::GetCurrentProcess(),
                                         &duplicate, 0, pal::FALSE, pal::DUPLICATE_SAME_ACCESS));
    }
    pal::DCB state;
    EXPECT_FALSE(pal::GetCommState(handle, &state));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_INVALID_HANDLE);
    ASSERT_TRUE(pal::GetCommState(duplicate, &state));  // still open through the copy
    EXPECT_EQ(state.BaudRate, 9600u);
    pal::DWORD code = 0;
    EXPECT_EQ(FailureLine("COM40", code), 60u);  // and still held exclusively
    EXPECT_EQ(code, pal::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(pal::CloseHandle(duplicate));
    EXPECT_EQ(pal::testhooks::OpenHandleCount(), before);
    EXPECT_EQ(FailureLine("COM40", code), 0u);

    // A failed configuration leaves no handle behind; an event is no port.
    std::filesystem::create_symlink("/dev/null", pal::PortsDirectory() + "/NULLPORT");
    EXPECT_EQ(FailureLine("NULLPORT", code), 147u);
    EXPECT_EQ(pal::testhooks::OpenHandleCount(), before);
    const pal::HANDLE event = pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
    EXPECT_FALSE(pal::GetCommState(event, &state));
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_INVALID_HANDLE);
    pal::CloseHandle(event);
}

}  // namespace
