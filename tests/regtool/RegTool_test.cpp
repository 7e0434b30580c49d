#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pal/PAL_Error.h"
#include "pal/PAL_Locations.h"
#include "pal/PAL_Registry.h"
#include "regtool/RegText.h"
#include "support/RegistryValue.h"
#include "support/TestRoot.h"

namespace {

using testsupport::SetRegistryValue;

std::string Export(const std::string& path = "") {
    std::string text;
    EXPECT_EQ(regtool::ExportText(path, text), pal::ERROR_SUCCESS);
    return text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream input(path);
    std::stringstream text;
    text << input.rdbuf();
    return text.str();
}

// Runs the tool on the current root; its exit code, stdout and stderr.
int RunTool(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr) {
    const std::string root = std::getenv("QUORVEL_ROOT");
    const std::string command = std::string(QUORVEL_REG_TOOL) + " " + arguments + " >" + root +
                                "/tool.out 2>" + root + "/tool.err";
    const int status = std::system(command.c_str());
    if (out != nullptr) {
        *out = ReadFile(root + "/tool.out");
    }
    if (err != nullptr) {
        *err = ReadFile(root + "/tool.err");
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RegToolTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = testsupport::FreshRoot(); }
    std::string root_;
};

TEST_F(RegToolTest, ExportWritesRegStyleText) {
    SetRegistryValue("Software\\X", "Name", pal::REG_SZ, std::string("text\0", 5));
    SetRegistryValue("Software\\X", "N", pal::REG_DWORD, std::string("\x0a\0\0\0", 4));
    SetRegistryValue("Software\\X", "B", pal::REG_BINARY, "\x01\x02");
    SetRegistryValue("Software\\X", "", pal::REG_SZ, std::string("d\0", 2));
    EXPECT_EQ(Export("Software"),
              "Quorvel Registry Export 1\n"
              "\n[HKEY_LOCAL_MACHINE\\Software]\n"
              "\n[HKEY_LOCAL_MACHINE\\Software\\X]\n"
              "\"Name\"=\"text\"\n"
              "\"N\"=dword:0000000a\n"
              "\"B\"=hex:01,02\n"
              "@=\"d\"\n");
}

TEST_F(RegToolTest, ImportOfAnExportGivesTheSameStore) {
    SetRegistryValue("A\\B", "Quote\"And\\Slash", pal::REG_SZ, std::string("C:\\Path \"x\"\0", 13));
    SetRegistryValue("A\\B", "Unterminated", pal::REG_SZ, "abc");
    SetRegistryValue("A\\B", "Line", pal::REG_SZ, std::string("a\nb\0", 4));
    SetRegistryValue("A\\B", "ShortNumber", pal::REG_DWORD, "\x01\x02");
    SetRegistryValue("A\\B", "Multi", pal::REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    SetRegistryValue("A\\B", "Empty", pal::REG_BINARY, "");
    SetRegistryValue("A\\B", "Odd", 0x1234, "\xff");
    SetRegistryValue("A\\C\\D", "Big", pal::REG_BINARY, std::string(3000, '\x5a'));
    SetRegistryValue("E", "", pal::REG_DWORD, std::string("\xff\xff\xff\xff", 4));
    const std::string text = Export();

    testsupport::FreshRoot();
    regtool::Import_t import;
    std::string error;
    ASSERT_TRUE(regtool::ParseText(text, import, error)) << error;
    ASSERT_EQ(pal::RegApplyEdits(import.edits), pal::ERROR_SUCCESS);
    EXPECT_EQ(Export(), text);

    pal::HKEY key = 0;
    ASSERT_EQ(pal::RegOpenKeyExA(pal::HKEY_LOCAL_MACHINE, "a\\b", 0, pal::KEY_READ, &key),
              pal::ERROR_SUCCESS);
    pal::DWORD type = 0;
    pal::DWORD size = 0;
    EXPECT_EQ(pal::RegQueryValueExA(key, "ShortNumber", nullptr, &type, nullptr, &size),
              pal::ERROR_SUCCESS);
    EXPECT_EQ(type, pal::REG_DWORD);
    EXPECT_EQ(size, 2u);
    pal::RegCloseKey(key);
}

TEST_F(RegToolTest, ContinuedHexLinesAndDeletions) {
    SetRegistryValue("Keep", "Gone", pal::REG_SZ, std::string("x\0", 2));
    SetRegistryValue("Keep", "Stays", pal::REG_SZ, std::string("y\0", 2));
    SetRegistryValue("Drop\\Deep", "V", pal::REG_SZ, std::string("z\0", 2));
    const std::string text =
        "; a comment\r\n"
        "[-HKEY_LOCAL_MACHINE\\Drop]\r\n"
        "[HKEY_LOCAL_MACHINE\\Keep]\r\n"
        "\"Gone\"=-\r\n"
        "\"Long\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"Typed\"=hex(7):61,00,00\r\n";
    regtool::Import_t import;
    std::string error;
    ASSERT_TRUE(regtool::ParseText(text, import, error)) << error;
    ASSERT_EQ(pal::RegApplyEdits(import.edits), pal::ERROR_SUCCESS);
    EXPECT_EQ(Export(),
              "Quorvel Registry Export 1\n"
              "\n[HKEY_LOCAL_MACHINE]\n"
              "\n[HKEY_LOCAL_MACHINE\\Keep]\n"
              "\"Stays\"=\"y\"\n"
              "\"Long\"=hex:01,02,03,04\n"
              "\"Typed\"=hex(7):61,00,00\n");
}

TEST_F(RegToolTest, MalformedLinesAreReportedByNumber) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"\"V\"=\"x\"\n", "line 1: a value before any [key] line"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"unterminated\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\n\"V\"=dword:123456789\n", "line 3:"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex:1,zz\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex:01,\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex(q):01\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\"V\"=bogus\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\"V\"\n", "line 2:"},
        {"[HKEY_CURRENT_USER\\A]\n", "line 1:"},
        {"[HKEY_LOCAL_MACHINE\\A\\\\B]\n", "line 1:"},
        {"[HKEY_LOCAL_MACHINE\\A\n", "line 1:"},
        {"[-HKEY_LOCAL_MACHINE]\n", "line 1:"},
        {"junk\n", "line 1:"},
        {"[HKEY_LOCAL_MACHINE\\A]\n\"Bad\\escape\"=\"x\"\n", "line 2:"},
    };
    for (const Case& c : cases) {
        regtool::Import_t import;
        std::string error;
        EXPECT_FALSE(regtool::ParseText(c.text, import, error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " gave " << error;
    }
}

TEST_F(RegToolTest, ToolImportIsAllOrNothing) {
    SetRegistryValue("Existing", "V", pal::REG_SZ, std::string("before\0", 7));
    const std::string before = Export();
    const std::string file = root_ + "/bad.reg";
    std::ofstream(file) << "Quorvel Registry Export 1\n"
                        << "[-HKEY_LOCAL_MACHINE\\Existing]\n"
                        << "[HKEY_LOCAL_MACHINE\\New]\n"
                        << "\"A\"=\"fine\"\n"
                        << "\"B\"=dword:xyz\n";
    std::string err;
    EXPECT_EQ(RunTool("import " + file, nullptr, &err), 1);
    EXPECT_NE(err.find("line 5:"), std::string::npos) << err;
    EXPECT_NE(err.find("nothing changed"), std::string::npos) << err;
    EXPECT_EQ(Export(), before);

    std::ofstream(file) << "[HKEY_LOCAL_MACHINE\\New]\n\"A\"=\"fine\"\n";
    EXPECT_EQ(RunTool("import " + file), 0);
    std::string out;
    EXPECT_EQ(RunTool("export 'HKEY_LOCAL_MACHINE\\New'", &out), 0);
    EXPECT_EQ(out, "Quorvel Registry Export 1\n\n[HKEY_LOCAL_MACHINE\\New]\n\"A\"=\"fine\"\n");
}

TEST_F(RegToolTest, ToolDeletesAndSetsTheReadRight) {
    SetRegistryValue("T\\Sub", "V", pal::REG_SZ, std::string("x\0", 2));
    SetRegistryValue("T", "W", pal::REG_SZ, std::string("y\0", 2));
    EXPECT_EQ(RunTool("deny-read 'T\\Sub'"), 0);
    pal::HKEY key = 0;
    ASSERT_EQ(pal::RegOpenKeyExA(pal::HKEY_LOCAL_MACHINE, "T\\Sub", 0, pal::KEY_READ, &key),
              pal::ERROR_SUCCESS);
    pal::BOOL denied = pal::FALSE;
    EXPECT_EQ(pal::RegGetKeyReadDenied(key, &denied), pal::ERROR_SUCCESS);
    EXPECT_TRUE(denied);
    pal::RegCloseKey(key);

    EXPECT_EQ(RunTool("delete T W"), 0);
    EXPECT_EQ(RunTool("delete T W"), 1);
    EXPECT_EQ(RunTool("delete 'HKEY_LOCAL_MACHINE\\T'"), 0);
    EXPECT_EQ(Export(), "Quorvel Registry Export 1\n\n[HKEY_LOCAL_MACHINE]\n");
    EXPECT_EQ(RunTool("frobnicate"), 2);
}

TEST_F(RegToolTest, ToolTellsWhereTheStoreAndAPortAre) {
    std::string out;
    EXPECT_EQ(RunTool("where", &out), 0);
    EXPECT_EQ(out, pal::RegistryFilePath() + "\n");

    std::filesystem::create_directories(pal::PortsDirectory());
    const std::string port = pal::PortsDirectory() + "/COM7";
    std::filesystem::create_symlink("/dev/null", port);
    for (const char* name : {"COM7", "com7", "//./COM7"}) {
        EXPECT_EQ(RunTool(std::string("where ") + name, &out), 0) << name;
        EXPECT_EQ(out, port + " -> /dev/null\n") << name;
    }
    EXPECT_EQ(RunTool("where null", &out), 1);  // a device, but no serial port

    std::string err;
    EXPECT_EQ(RunTool("where COM8", &out, &err), 1);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find("Windows error 2"), std::string::npos) << err;
    EXPECT_EQ(RunTool("where ../ports/COM7", nullptr, &err), 1);
    EXPECT_NE(err.find("Windows error 123"), std::string::npos) << err;
}

}  // namespace
