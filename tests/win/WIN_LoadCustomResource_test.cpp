#include "win/WIN_LoadCustomResource.h"

#include <gtest/gtest.h>

#include <string>

#include "pal/PAL_Error.h"
#include "win/WIN_Exception.h"

namespace {

std::string Text(const win::CustomResource_t& r) {
    return std::string(reinterpret_cast<const char*>(r.bytes), r.size);
}

TEST(LoadCustomResourceTest, NamedAndNumericTypes) {
    EXPECT_NE(Text(win::LoadCustomResource(7, "XSD")).find("<xs:schema"), std::string::npos);
    EXPECT_NE(Text(win::LoadCustomResource(7, "xsd")).find("<xs:schema"), std::string::npos);
    EXPECT_NE(Text(win::LoadCustomResource(101, "#5")).find("QDialog"), std::string::npos);
}

TEST(LoadCustomResourceTest, MissingResourceFailsAtLine29) {
    const std::pair<std::uint16_t, const char*> cases[] = {{8, "XSD"}, {7, "DTD"}, {7, "#5"}};
    for (const auto& [id, type] : cases) {
        try {
            win::LoadCustomResource(id, type);
            ADD_FAILURE() << id << " " << type;
        } catch (const win::Error_t& e) {
            EXPECT_STREQ(e.SourceFile(), "src/win/WIN_LoadCustomResource.cpp");
            EXPECT_EQ(e.SourceLine(), 29);
        }
    }
}

}  // namespace
