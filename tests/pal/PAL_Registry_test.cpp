#include "pal/PAL_Registry.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "pal/PAL_Error.h"
#include "pal/PAL_Locations.h"
#include "support/ChildProcess.h"
#include "support/TestRoot.h"

using namespace pal;

namespace {

// Closes a key at the end of a scope.
class Key {
public:
    Key() = default;
    explicit Key(HKEY key) : key_(key) {}
    ~Key() {
        if (key_ != 0) {
            RegCloseKey(key_);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* Out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = 0;
};

LONG Create(const char* path, Key& key, DWORD* disposition = nullptr,
            HKEY parent = HKEY_LOCAL_MACHINE, REGSAM access = KEY_ALL_ACCESS) {
    return RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                           key.Out(), disposition);
}

LONG Open(const char* path, Key& key, REGSAM access = KEY_READ, HKEY parent = HKEY_LOCAL_MACHINE) {
    return RegOpenKeyExA(parent, path, 0, access, key.Out());
}

LONG SetString(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}

// Reads a value whole: type and bytes.
LONG Read(HKEY key, const char* name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    data.assign(size, 0);
    status = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    data.resize(size);
    return status;
}

// Collects the names enumAt(index, buffer, size) gives until it fails.
template <typename EnumAt>
std::vector<std::string> Names(EnumAt enumAt) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[300];
        DWORD size = sizeof(name);
        if (enumAt(i, name, &size) != ERROR_SUCCESS) {
            return names;
        }
        names.emplace_back(name, size);
    }
}

std::vector<std::string> ValueNames(HKEY key) {
    return Names([key](DWORD i, char* name, DWORD* size) {
        return RegEnumValueA(key, i, name, size, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::string> SubKeyNames(HKEY key) {
    return Names([key](DWORD i, char* name, DWORD* size) {
        return RegEnumKeyExA(key, i, name, size, nullptr, nullptr, nullptr, nullptr);
    });
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = testsupport::FreshRoot(); }
    std::string root_;
};

TEST_F(RegistryTest, MissingStoreReadsEmptyAndFirstWriteCreatesIt) {
    const std::string nested = root_ + "/deeper/still";
    setenv("QUORVEL_ROOT", nested.c_str(), 1);
    Key key;
    EXPECT_EQ(Open("Software", key), ERROR_FILE_NOT_FOUND);
    DWORD subKeys = 9;
    DWORD values = 9;
    EXPECT_EQ(RegQueryInfoKeyA(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr, &subKeys, nullptr,
                               nullptr, &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 0u);
    char name[16];
    DWORD size = sizeof(name);
    EXPECT_EQ(RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_FALSE(std::filesystem::exists(RegistryFilePath()));

    DWORD disposition = 0;
    ASSERT_EQ(Create("Software\\Maker\\Product", key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_TRUE(std::filesystem::exists(RegistryFilePath()));
    struct stat info {};
    ASSERT_EQ(stat(RegistryFilePath().c_str(), &info), 0);
    if (geteuid() == 0) {
        EXPECT_EQ(info.st_mode & 0777, 0644u);
    }
}

TEST_F(RegistryTest, CreateMakesIntermediateKeysAndReportsDisposition) {
    Key first;
    DWORD disposition = 0;
    ASSERT_EQ(Create("Software\\Maker\\Product", first, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);

    Key second;
    ASSERT_EQ(Create("SOFTWARE\\maker\\PRODUCT\\", second, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    Key middle;
    ASSERT_EQ(Open("software\\MAKER", middle), ERROR_SUCCESS);
    EXPECT_EQ(SubKeyNames(middle.get()), std::vector<std::string>{"Product"});
    Key root;
    ASSERT_EQ(Open("", root), ERROR_SUCCESS);
    EXPECT_EQ(SubKeyNames(root.get()), std::vector<std::string>{"Software"});
}

TEST_F(RegistryTest, OpenFailsForMissingKeysAndBadPaths) {
    Key made;
    ASSERT_EQ(Create("A\\B", made), ERROR_SUCCESS);
    struct Case {
        const char* path;
        LONG expected;
    };
    const Case cases[] = {
        {"A\\C", ERROR_FILE_NOT_FOUND},
        {"X", ERROR_FILE_NOT_FOUND},
        {"A\\\\B", ERROR_INVALID_PARAMETER},
        {"\\A", ERROR_INVALID_PARAMETER},
        {"A\\B\\\\", ERROR_INVALID_PARAMETER},
        {"a\\b", ERROR_SUCCESS},
        {"A\\B\\", ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        Key key;
        EXPECT_EQ(Open(c.path, key), c.expected) << c.path;
    }
    const std::string longName(256, 'n');
    Key key;
    EXPECT_EQ(Create(longName.c_str(), key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Open("A", key, KEY_READ, 0x1234), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, ValuesKeepTypeAndBytesAsGiven) {
    Key key;
    ASSERT_EQ(Create("Values", key), ERROR_SUCCESS);
    struct Case {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
    };
    const Case cases[] = {
        {"Text", REG_SZ, {'a', 'b', 0}},
        {"Unterminated", REG_SZ, {'x', 'y'}},
        {"Number", REG_DWORD, {10, 0, 0, 0}},
        {"ShortNumber", REG_DWORD, {1, 2}},
        {"Bytes", REG_BINARY, {1, 2, 0, 255}},
        {"Empty", REG_BINARY, {}},
        {"Expand", REG_EXPAND_SZ, {'%', 'x', '%', 0}},
        {"Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
        {"", REG_SZ, {'d', 0}},
        {"Odd type", 0x12345, {9}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(RegSetValueExA(key.get(), c.name, 0, c.type, c.data.data(),
                                 static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS)
            << c.name;
    }
    Key reader;
    ASSERT_EQ(Open("VALUES", reader), ERROR_SUCCESS);
    for (const Case& c : cases) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_EQ(Read(reader.get(), c.name, type, data), ERROR_SUCCESS) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(data, c.data) << c.name;
    }
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_EQ(Read(reader.get(), nullptr, type, data), ERROR_SUCCESS);  // the default value
    EXPECT_EQ(data, (std::vector<BYTE>{'d', 0}));
    EXPECT_EQ(Read(reader.get(), "text", type, data), ERROR_SUCCESS);
    EXPECT_EQ(Read(reader.get(), "Missing", type, data), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, QueryReportsSizesAndRefusesSmallBuffers) {
    Key key;
    ASSERT_EQ(Create("Q", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), "Name", "COM12"), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key.get(), "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);

    BYTE small[3] = {0x55, 0x55, 0x55};
    size = sizeof(small);
    EXPECT_EQ(RegQueryValueExA(key.get(), "Name", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);

    BYTE exact[6] = {};
    size = sizeof(exact);
    EXPECT_EQ(RegQueryValueExA(key.get(), "Name", nullptr, nullptr, exact, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(reinterpret_cast<char*>(exact), "COM12");

    BYTE large[64] = {};
    size = sizeof(large);
    EXPECT_EQ(RegQueryValueExA(key.get(), "Name", nullptr, nullptr, large, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegQueryValueExA(key.get(), "Name", nullptr, nullptr, large, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, OverwriteKeepsSpellingAndPlace) {
    Key key;
    ASSERT_EQ(Create("Order", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), "First", "1"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), "Second", "2"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key.get(), "FIRST", 7), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.get()), (std::vector<std::string>{"First", "Second"}));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(Read(key.get(), "first", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
}

TEST_F(RegistryTest, EnumValueReportsNamesTypesAndSizes) {
    Key key;
    ASSERT_EQ(Create("Enum", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), "LongerName", "abcdef"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key.get(), "N", 3), ERROR_SUCCESS);

    char name[32];
    DWORD nameSize = sizeof(name);
    DWORD type = 0;
    BYTE data[32];
    DWORD dataSize = sizeof(data);
    ASSERT_EQ(RegEnumValueA(key.get(), 0, name, &nameSize, nullptr, &type, data, &dataSize),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "LongerName");
    EXPECT_EQ(nameSize, 10u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(dataSize, 7u);
    EXPECT_STREQ(reinterpret_cast<char*>(data), "abcdef");

    nameSize = 10;  // no room for the NUL
    EXPECT_EQ(RegEnumValueA(key.get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    nameSize = sizeof(name);
    dataSize = 3;
    EXPECT_EQ(RegEnumValueA(key.get(), 0, name, &nameSize, nullptr, nullptr, data, &dataSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 7u);
    nameSize = sizeof(name);
    dataSize = 0;
    EXPECT_EQ(RegEnumValueA(key.get(), 1, name, &nameSize, nullptr, &type, nullptr, &dataSize),
              ERROR_SUCCESS);
    EXPECT_EQ(dataSize, 4u);
    nameSize = sizeof(name);
    EXPECT_EQ(RegEnumValueA(key.get(), 2, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryTest, EnumKeysAndQueryInfo) {
    Key parent;
    ASSERT_EQ(Create("Parent", parent), ERROR_SUCCESS);
    for (const char* child : {"beta", "Alpha", "Gamma-long-name"}) {
        Key key;
        ASSERT_EQ(Create(child, key, nullptr, parent.get()), ERROR_SUCCESS);
    }
    ASSERT_EQ(SetString(parent.get(), "ValueNameOf15c", "0123456789"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(parent.get(), "V", 1), ERROR_SUCCESS);

    EXPECT_EQ(SubKeyNames(parent.get()),
              (std::vector<std::string>{"Alpha", "beta", "Gamma-long-name"}));
    char name[8];
    DWORD size = sizeof(name);
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 2, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    size = sizeof(name);
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 3, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);

    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    ASSERT_EQ(RegQueryInfoKeyA(parent.get(), nullptr, nullptr, nullptr, &subKeys, &maxSubKey,
                               nullptr, &values, &maxValueName, &maxValue, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 3u);
    EXPECT_EQ(maxSubKey, 15u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxValueName, 14u);
    EXPECT_EQ(maxValue, 11u);
}

TEST_F(RegistryTest, DeletesAndTheirErrors) {
    Key parent;
    ASSERT_EQ(Create("Del\\Child\\Grandchild", parent), ERROR_SUCCESS);
    Key del;
    ASSERT_EQ(Open("Del", del, KEY_ALL_ACCESS), ERROR_SUCCESS);
    ASSERT_EQ(SetString(del.get(), "V", "x"), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteValueA(del.get(), "v"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(del.get(), "V"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(del.get(), "Child"), ERROR_ACCESS_DENIED);  // has a subkey
    EXPECT_EQ(RegDeleteKeyA(del.get(), "Nothing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(del.get(), "child\\GRANDCHILD"), ERROR_SUCCESS);

    // The handle to the deleted key is stale now.
    EXPECT_EQ(SetString(parent.get(), "V", "x"), ERROR_KEY_DELETED);
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKeyA(parent.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(*parent.Out()), ERROR_SUCCESS);
    *parent.Out() = 0;

    Key again;
    ASSERT_EQ(Create("Del\\Child\\A\\B", again), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Del"), ERROR_SUCCESS);
    Key gone;
    EXPECT_EQ(Open("Del", gone), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, ReadHandlesRefuseWrites) {
    Key made;
    ASSERT_EQ(Create("RO\\Sub", made), ERROR_SUCCESS);
    Key reader;
    ASSERT_EQ(Open("RO", reader, KEY_READ), ERROR_SUCCESS);
    Key created;
    EXPECT_EQ(SetString(reader.get(), "V", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader.get(), "V"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Create("New", created, nullptr, reader.get()), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(reader.get(), "Sub"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetKeyReadDenied(reader.get(), TRUE), ERROR_ACCESS_DENIED);
    // Opening an existing key through a read handle is still fine.
    Key existing;
    EXPECT_EQ(Create("Sub", existing, nullptr, reader.get(), KEY_READ), ERROR_SUCCESS);

    Key writer;
    ASSERT_EQ(Open("RO", writer, KEY_SET_VALUE), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(writer.get(), "V", nullptr, nullptr, nullptr, &size),
              ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, BadArguments) {
    Key key;
    ASSERT_EQ(Create("Args", key), ERROR_SUCCESS);
    const std::string longName(kMaxValueNameLength + 1, 'v');
    EXPECT_EQ(SetString(key.get(), longName.c_str(), "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key.get(), "V", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    std::vector<BYTE> huge(kMaxValueSize + 1, 0);
    EXPECT_EQ(
        RegSetValueExA(key.get(), "V", 0, REG_BINARY, huge.data(), static_cast<DWORD>(huge.size())),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key.get(), "V", 0, REG_BINARY, huge.data(), kMaxValueSize),
              ERROR_SUCCESS);
    EXPECT_EQ(RegEnumValueA(key.get(), 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(0x4321), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, EditsApplyAllOrNothing) {
    const std::vector<BYTE> text{'x', 0};
    std::vector<RegEdit_t> edits = {
        {RegEdit_t::Kind::CreateKey, "Batch\\Empty", "", REG_NONE, {}},
        {RegEdit_t::Kind::SetValue, "Batch\\Values", "Name", REG_SZ, text},
        {RegEdit_t::Kind::SetValue, "Batch\\Values", std::string(kMaxValueNameLength + 1, 'x'),
         REG_SZ, text},
    };
    std::size_t failed = 99;
    EXPECT_EQ(RegApplyEdits(edits, &failed), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(failed, 2u);
    Key key;
    EXPECT_EQ(Open("Batch", key), ERROR_FILE_NOT_FOUND);

    edits.pop_back();
    edits.push_back({RegEdit_t::Kind::DeleteValue, "Batch\\Values", "Missing", REG_NONE, {}});
    ASSERT_EQ(RegApplyEdits(edits), ERROR_SUCCESS);
    ASSERT_EQ(Open("Batch\\Values", key), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.get()), std::vector<std::string>{"Name"});
}

TEST_F(RegistryTest, ThreadsWritingAtOnceLoseNothing) {
    constexpr int kThreads = 4;
    constexpr int kValues = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            Key key;
            const std::string path = "Threads\\T" + std::to_string(t);
            ASSERT_EQ(Create(path.c_str(), key), ERROR_SUCCESS);
            for (int i = 0; i < kValues; ++i) {
                ASSERT_EQ(
                    SetDword(key.get(), ("V" + std::to_string(i)).c_str(), static_cast<DWORD>(i)),
                    ERROR_SUCCESS);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        Key key;
        ASSERT_EQ(Open(("Threads\\T" + std::to_string(t)).c_str(), key), ERROR_SUCCESS);
        EXPECT_EQ(ValueNames(key.get()).size(), static_cast<std::size_t>(kValues));
    }
}

// Run by ProcessesWritingAtOnceLoseNothing in two child processes.
TEST(RegistryChild, DISABLED_WriteMany) {
    const char* tag = std::getenv("QUORVEL_TEST_WRITER");
    ASSERT_NE(tag, nullptr);
    setenv("QUORVEL_ROOT", std::getenv("QUORVEL_TEST_STORE"), 1);
    Key key;
    ASSERT_EQ(Create("Shared", key), ERROR_SUCCESS);
    for (int i = 0; i < 40; ++i) {
        const std::string name = std::string(tag) + "-" + std::to_string(i);
        ASSERT_EQ(SetDword(key.get(), name.c_str(), static_cast<DWORD>(i)), ERROR_SUCCESS);
        Key sub;
        ASSERT_EQ(Create(("Shared\\" + name).c_str(), sub), ERROR_SUCCESS);
    }
}

TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNothing) {
    std::vector<testsupport::Child_t> children;
    for (const char* tag : {"a", "b"}) {
        children.push_back(
            testsupport::StartSelf("RegistryChild.DISABLED_WriteMany",
                                   {{"QUORVEL_TEST_WRITER", tag}, {"QUORVEL_TEST_STORE", root_}}));
    }
    for (const testsupport::Child_t& child : children) {
        EXPECT_EQ(testsupport::Wait(child), 0);
    }
    Key key;
    ASSERT_EQ(Open("Shared", key), ERROR_SUCCESS);
    DWORD subKeys = 0;
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 80u);
    EXPECT_EQ(subKeys, 80u);
}

// The store is there but read-only for this user; a denied key is under
// "Denied". Run as nobody by ReadOnlyStore, or directly when not root.
void CheckReadOnlyStore() {
    Key key;
    ASSERT_EQ(Open("Open", key), ERROR_SUCCESS);
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_EQ(Read(key.get(), "Value", type, data), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.get()).size(), 1u);
    Key existing;
    DWORD disposition = 0;
    EXPECT_EQ(Create("Open", existing, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    Key writer;
    ASSERT_EQ(Open("Open", writer, KEY_ALL_ACCESS), ERROR_SUCCESS);
    Key created;
    EXPECT_EQ(SetString(writer.get(), "Value", "changed"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetString(writer.get(), "Other", "new"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(writer.get(), "Value"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Create("Open\\New", created), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Open\\Sub"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegApplyEdits({{RegEdit_t::Kind::CreateKey, "X", "", REG_NONE, {}}}),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(key.get(), "Value", type, data), ERROR_SUCCESS);
    EXPECT_EQ(std::string(data.begin(), data.end() - 1), "original");
}

TEST(RegistryChild, DISABLED_ReadOnlyStore) {
    setenv("QUORVEL_ROOT", std::getenv("QUORVEL_TEST_STORE"), 1);
    ASSERT_NE(geteuid(), 0u);
    CheckReadOnlyStore();
    Key denied;
    EXPECT_EQ(Open("Denied", denied), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open("Denied", denied, KEY_SET_VALUE), ERROR_SUCCESS);
    Key below;
    EXPECT_EQ(Open("Denied\\Below", below), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ReadOnlyStoreRefusesEveryWriteWithAccessDenied) {
    {
        Key key;
        ASSERT_EQ(Create("Open\\Sub", key), ERROR_SUCCESS);
        Key open;
        ASSERT_EQ(Open("Open", open, KEY_ALL_ACCESS), ERROR_SUCCESS);
        ASSERT_EQ(SetString(open.get(), "Value", "original"), ERROR_SUCCESS);
        Key denied;
        ASSERT_EQ(Create("Denied\\Below", denied), ERROR_SUCCESS);
        Key deniedKey;
        ASSERT_EQ(Open("Denied", deniedKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
        ASSERT_EQ(RegSetKeyReadDenied(deniedKey.get(), TRUE), ERROR_SUCCESS);
        BOOL flag = FALSE;
        EXPECT_EQ(RegGetKeyReadDenied(deniedKey.get(), &flag), ERROR_SUCCESS);
        EXPECT_TRUE(flag);
        Key asRoot;
        EXPECT_EQ(Open("Denied", asRoot), geteuid() == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED);
    }
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(RegistryFilePath().c_str(), 0444), 0);
        CheckReadOnlyStore();
        return;
    }
    if (!testsupport::CanRunAsNobody()) {
        GTEST_SKIP() << "needs setpriv";
    }
    ASSERT_EQ(chmod(testsupport::RunRoot().c_str(), 0755), 0);
    const auto child = testsupport::StartSelf("RegistryChild.DISABLED_ReadOnlyStore",
                                              {{"QUORVEL_TEST_STORE", root_}}, true);
    EXPECT_EQ(testsupport::Wait(child), 0);
}

class HostileStoreTest : public RegistryTest {
protected:
    // Writes rows straight into the file, as a damaged or forged store would hold.
    void Exec(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(RegistryFilePath().c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << (error != nullptr ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
};

TEST_F(HostileStoreTest, ForgedRowsNeverCrashAReader) {
    Key key;
    ASSERT_EQ(Create("H", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), "Fine", "x"), ERROR_SUCCESS);
    Exec(
        "INSERT INTO reg_values(key, name, type, data) "
        "SELECT id, 'Huge', 1, zeroblob(2000000) FROM reg_keys WHERE name = 'H';"
        "INSERT INTO reg_values(key, name, type, data) "
        "SELECT id, 'TextData', 'junk', 'abc' FROM reg_keys WHERE name = 'H';"
        "INSERT INTO reg_values(key, name, type, data) "
        "SELECT id, 'Negative', -5, x'00' FROM reg_keys WHERE name = 'H';"
        "INSERT INTO reg_keys(id, parent, name) VALUES(500, 501, 'Loop1');"
        "INSERT INTO reg_keys(id, parent, name) VALUES(501, 500, 'Loop2');");
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key.get(), "Huge", nullptr, &type, nullptr, &size),
              ERROR_REGISTRY_CORRUPT);
    std::vector<BYTE> data;
    EXPECT_EQ(Read(key.get(), "TextData", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data.size(), 3u);
    EXPECT_EQ(Read(key.get(), "Negative", type, data), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.get()).size(), 4u);
    EXPECT_EQ(Read(key.get(), "Fine", type, data), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "H"), ERROR_SUCCESS);
}

TEST_F(HostileStoreTest, FileThatIsNoDatabaseGivesErrorsNotCrashes) {
    std::filesystem::create_directories(std::filesystem::path(RegistryFilePath()).parent_path());
    std::ofstream(RegistryFilePath()) << std::string(4096, 'Z');
    Key key;
    EXPECT_EQ(Open("Anything", key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(Create("Anything", key), ERROR_REGISTRY_CORRUPT);
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKeyA(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_REGISTRY_CORRUPT);
}

}  // namespace
