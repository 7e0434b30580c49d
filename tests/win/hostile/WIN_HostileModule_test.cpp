// This program's resource module is Quorvel_HOSTILE.so (modules/): every
// damaged resource gives a clear error at its line, and no byte outside the
// module's data is read.
#include <gtest/gtest.h>

#include <string>

#include "pal/PAL_Error.h"
#include "pal/PAL_Module.h"
#include "pal/PAL_Resource.h"
#include "win/WIN_Exception.h"
#include "win/WIN_LoadCustomResource.h"
#include "win/WIN_ResourceString.h"
#include "win/WIN_Utilities.h"

namespace {

struct ResourceCase {
    std::uint16_t id;
    const char* type;
    unsigned line;  // 0: loads
};

TEST(HostileModuleTest, CustomResourcesAreCheckedBeforeUse) {
    const ResourceCase cases[] = {
        {10, "XSD", 0},   // sound
        {11, "XSD", 29},  // claims more than the limit
        {12, "XSD", 48},  // empty
        {13, "XSD", 29},  // bytes claimed, none there
        {14, "XSD", 29},  // under a type without a name
        {99, "XSD", 29},  // missing
    };
    for (const ResourceCase& c : cases) {
        SCOPED_TRACE(c.id);
        try {
            const win::CustomResource_t resource = win::LoadCustomResource(c.id, c.type);
            EXPECT_EQ(c.line, 0u);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(resource.bytes), resource.size),
                      "<s/>");
        } catch (const win::Error_t& e) {
            EXPECT_STREQ(e.SourceFile(), "src/win/WIN_LoadCustomResource.cpp");
            EXPECT_EQ(e.SourceLine(), c.line);
        }
    }
}

TEST(HostileModuleTest, DamagedStringsAreMissingAtTheCallersLine) {
    EXPECT_EQ(win::ResourceString_t(1, __FILE__, __LINE__).Text(), "abc");  // ends with its data
    for (const int id : {2, 3, 4, 5}) {
        SCOPED_TRACE(id);
        try {
            win::ResourceString_t text(id, "Caller", 12);
            ADD_FAILURE() << "loaded: " << text.Text();
        } catch (const win::Error_t& e) {
            EXPECT_STREQ(e.SourceFile(), "Caller");
            EXPECT_EQ(e.SourceLine(), 12);
            EXPECT_EQ(e.code, pal::ERROR_RESOURCE_NAME_NOT_FOUND);
        }
    }
}

TEST(HostileModuleTest, DirectoryThatClaimsTooManyEntriesIsNone) {
    const pal::HMODULE module =
        pal::LoadLibraryA((win::ProgramDirectory() + "Quorvel_BADDIR.so").c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(
        pal::FindResourceA(module, pal::MAKEINTRESOURCEA(1), pal::MAKEINTRESOURCEA(pal::RT_STRING)),
        nullptr);
    EXPECT_EQ(pal::GetLastError(), pal::ERROR_RESOURCE_DATA_NOT_FOUND);
    char buffer[16];
    EXPECT_EQ(pal::LoadStringA(module, 1, buffer, sizeof buffer), 0);
}

}  // namespace
