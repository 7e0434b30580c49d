#include "win/WIN_RegKey.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "pal/PAL_Error.h"
#include "support/ChildProcess.h"
#include "support/TestRoot.h"
#include "win/WIN_ConstRegValue.h"
#include "win/WIN_Exception.h"

namespace {

using win::RegKey_t;

void SetValue(const std::string& path, const std::string& name, pal::DWORD type,
              const std::vector<pal::BYTE>& data) {
    pal::HKEY key = 0;
    ASSERT_EQ(pal::RegCreateKeyExA(pal::HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                   pal::KEY_ALL_ACCESS, nullptr, &key, nullptr),
              pal::ERROR_SUCCESS);
    if (!name.empty()) {
        ASSERT_EQ(pal::RegSetValueExA(key, name.c_str(), 0, type, data.data(),
                                      static_cast<pal::DWORD>(data.size())),
                  pal::ERROR_SUCCESS);
    }
    pal::RegCloseKey(key);
}

void SetString(const std::string& path, const std::string& name, const std::string& text) {
    std::vector<pal::BYTE> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(path, name, pal::REG_SZ, data);
}

template <typename Call>
win::RegError_t CatchRegError(Call call) {
    try {
        call();
    } catch (const win::RegError_t& error) {
        return error;
    }
    ADD_FAILURE() << "no RegError_t";
    return win::RegError_t("none", 0, "", 0);
}

template <typename Call>
unsigned AssertLine(Call call) {
    try {
        call();
    } catch (const glo::Assert_t& error) {
        return error.SourceLine();
    }
    return 0;
}

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = testsupport::FreshRoot();
        SetString("Top\\Middle\\Leaf", "Text", "hello");
    }
    std::string root_;
};

TEST_F(RegKeyTest, WalksThePathAndNamesTheKeyByItsLastComponent) {
    const RegKey_t leaf(win::LocalMachineKey(), "Top\\Middle\\Leaf");
    EXPECT_EQ(leaf.Name(), "Leaf");
    EXPECT_EQ(leaf.ReadString("Text"), "hello");
    const RegKey_t middle(win::LocalMachineKey(), "TOP\\middle\\");  // trailing separator
    EXPECT_EQ(middle.Name(), "middle");
    EXPECT_TRUE(middle.HasSubKey("Leaf"));
    EXPECT_EQ(win::LocalMachineKey().Name(), "HKEY_LOCAL_MACHINE");

    const RegKey_t copy = [] {
        const RegKey_t original(win::LocalMachineKey(), "Top\\Middle\\Leaf");
        return RegKey_t(original);
    }();
    EXPECT_EQ(copy.ReadString("text"), "hello");  // the copy keeps the key open
}

TEST_F(RegKeyTest, UsesTheGivenInitializerForEveryComponent) {
    struct Recorder final : RegKey_t::KeyInitializer_t {
        pal::HKEY Open(pal::HKEY parent, const std::string& component) const override {
            components.push_back(component);
            return RegKey_t::KeyReader_t().Open(parent, component);
        }
        mutable std::vector<std::string> components;
    } recorder;
    const RegKey_t leaf(win::LocalMachineKey(), "Top\\Middle\\Leaf\\", recorder);
    EXPECT_EQ(recorder.components, (std::vector<std::string>{"Top", "Middle", "Leaf"}));
}

TEST_F(RegKeyTest, EmptyComponentsFailTheInternalCheck) {
    for (const char* path : {"", "\\Top", "Top\\\\Middle", "Top\\Middle\\\\"}) {
        EXPECT_EQ(AssertLine([&] { RegKey_t(win::LocalMachineKey(), path); }), 231u) << path;
    }
}

TEST_F(RegKeyTest, MissingComponentThrowsWithItsName) {
    const win::RegError_t error =
        CatchRegError([] { RegKey_t(win::LocalMachineKey(), "Top\\Absent\\Leaf"); });
    EXPECT_EQ(error.code, pal::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(error.SourceLine(), 644);
    EXPECT_NE(error.message.find("; Reg name: Absent"), std::string::npos) << error.message;
    EXPECT_FALSE(win::LocalMachineKey().HasSubKey("Top\\Absent"));
    EXPECT_TRUE(win::LocalMachineKey().HasSubKey("top\\MIDDLE\\leaf"));
}

TEST_F(RegKeyTest, ValueNamesByIndex) {
    SetString("Names", "First", "1");
    SetValue("Names", "Second", pal::REG_DWORD, {2, 0, 0, 0});
    SetString("Names", std::string(200, 'L'), "3");
    const RegKey_t key(win::LocalMachineKey(), "Names");
    ASSERT_EQ(key.ValueCount(), 3u);
    EXPECT_EQ(key.ValueName(0), "First");
    EXPECT_EQ(key.ValueName(1), "Second");
    EXPECT_EQ(key.ValueName(2), std::string(200, 'L'));
    EXPECT_EQ(AssertLine([&] { key.ValueName(key.ValueCount()); }), 257u);
}

TEST_F(RegKeyTest, ReadStringChecksTypeAndSize) {
    SetValue("Read", "Unterminated", pal::REG_SZ, {'a', 'b'});
    SetValue("Read", "Embedded", pal::REG_SZ, {'a', 0, 'b', 0});
    SetValue("Read", "Empty", pal::REG_SZ, {});
    SetValue("Read", "Number", pal::REG_DWORD, {10, 0, 0, 0});
    SetValue("Read", "Bytes", pal::REG_BINARY, {'a', 0});
    const RegKey_t key(win::LocalMachineKey(), "Read");
    EXPECT_EQ(key.ReadString("Unterminated"), "ab");
    EXPECT_EQ(key.ReadString("Embedded"), "a");
    EXPECT_EQ(key.ReadString("Empty"), "");

    struct Case {
        const char* name;
        unsigned line;
        std::uint32_t code;
    };
    for (const Case& c : {Case{"Number", 318, 0}, Case{"Bytes", 318, 0},
                          Case{"Missing", 302, pal::ERROR_FILE_NOT_FOUND}}) {
        const win::RegError_t error = CatchRegError([&] { key.ReadString(c.name); });
        EXPECT_EQ(error.SourceLine(), c.line) << c.name;
        EXPECT_EQ(error.code, c.code) << c.name;
        EXPECT_NE(error.message.find(std::string("; Reg name: ") + c.name), std::string::npos);
    }
}

TEST_F(RegKeyTest, DeletedKeyFailsWithItsName) {
    SetString("Doomed", "V", "x");
    const RegKey_t key(win::LocalMachineKey(), "Doomed");
    ASSERT_EQ(pal::RegDeleteKeyA(pal::HKEY_LOCAL_MACHINE, "Doomed"), pal::ERROR_SUCCESS);
    const win::RegError_t error = CatchRegError([&] { key.ValueCount(); });
    EXPECT_EQ(error.SourceLine(), 243);
    EXPECT_EQ(error.code, pal::ERROR_KEY_DELETED);
    EXPECT_NE(error.message.find("; Reg name: Doomed"), std::string::npos);
}

TEST_F(RegKeyTest, ConstRegValue) {
    SetValue("Top", "Number", pal::REG_DWORD, {1, 0, 0, 0});
    const RegKey_t key(win::LocalMachineKey(), "Top\\Middle\\Leaf");
    const win::ConstRegValue_t<std::string> present(key, "Text");
    EXPECT_TRUE(present.HasValue());
    EXPECT_EQ(present.Get(), "hello");

    const win::ConstRegValue_t<std::string> missing(key, "Nothing");
    EXPECT_FALSE(missing.HasValue());
    const win::RegError_t error = CatchRegError([&] { missing.Get(); });
    EXPECT_EQ(error.code, pal::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(error.SourceLine(), 95);
    EXPECT_NE(error.message.find("; Reg name: Nothing"), std::string::npos);

    const RegKey_t top(win::LocalMachineKey(), "Top");
    EXPECT_EQ(CatchRegError([&] { win::ConstRegValue_t<std::string>(top, "Number"); }).SourceLine(),
              318);
}

TEST_F(RegKeyTest, MakerKeyOpensTheMakersKey) {
    SetString("Software\\Halvex\\SerialPortSpecification", "COM20", "");
    EXPECT_EQ(win::MakerKey().Name(), "Halvex");
    EXPECT_TRUE(win::MakerKey().HasSubKey("SerialPortSpecification"));
}

// Run as nobody by UnreadableKeyThrowsAccessDenied.
TEST(RegKeyChild, DISABLED_UnreadableKey) {
    ASSERT_NE(geteuid(), 0u);
    setenv("QUORVEL_ROOT", std::getenv("QUORVEL_TEST_STORE"), 1);
    EXPECT_FALSE(win::LocalMachineKey().HasSubKey("Guarded\\Absent"));
    EXPECT_TRUE(win::LocalMachineKey().HasSubKey("Top"));
    const win::RegError_t error =
        CatchRegError([] { win::LocalMachineKey().HasSubKey("Guarded\\Secret"); });
    EXPECT_EQ(error.code, pal::ERROR_ACCESS_DENIED);
    EXPECT_EQ(error.SourceLine(), 644);
}

TEST_F(RegKeyTest, UnreadableKeyThrowsAccessDenied) {
    if (!testsupport::CanRunAsNobody()) {
        GTEST_SKIP() << "needs root and setpriv to run a part as nobody";
    }
    SetString("Guarded\\Secret", "V", "x");
    pal::HKEY secret = 0;
    ASSERT_EQ(pal::RegOpenKeyExA(pal::HKEY_LOCAL_MACHINE, "Guarded\\Secret", 0, pal::KEY_ALL_ACCESS,
                                 &secret),
              pal::ERROR_SUCCESS);
    ASSERT_EQ(pal::RegSetKeyReadDenied(secret, pal::TRUE), pal::ERROR_SUCCESS);
    pal::RegCloseKey(secret);
    EXPECT_TRUE(win::LocalMachineKey().HasSubKey("Guarded\\Secret"));  // root reads it

    ASSERT_EQ(chmod(testsupport::RunRoot().c_str(), 0755), 0);
    const auto child = testsupport::StartSelf("RegKeyChild.DISABLED_UnreadableKey",
                                              {{"QUORVEL_TEST_STORE", root_}}, true);
    EXPECT_EQ(testsupport::Wait(child), 0);
}

}  // namespace
