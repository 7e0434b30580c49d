#include "app/ProgramInfo.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "win/WIN_FileMetaData.h"
#include "win/WIN_Utilities.h"

namespace {

app::ProgramInfo_t WithBuildType(const std::string& buildType) {
    app::ProgramInfo_t::Fields_t fields;
    fields.productName = "Quorvel";
    fields.fileVersion = win::Version_t(2, 1, 0, 7);
    fields.buildDate = "Dec  9 2026";
    fields.buildTime = "10:11:12";
    fields.buildOrigin = "ci-7";
    fields.buildType = buildType;
    return app::ProgramInfo_t(fields);
}

struct BuildTypeCase {
    const char* buildType;
    bool release;
    const char* versionText;
    const char* dateText;    // null: absent
    const char* originText;  // null: absent
};

class ProgramInfoTextTest : public ::testing::TestWithParam<BuildTypeCase> {};

TEST_P(ProgramInfoTextTest, TextsFollowTheBuildType) {
    const BuildTypeCase& c = GetParam();
    const app::ProgramInfo_t info = WithBuildType(c.buildType);
    EXPECT_EQ(info.IsRelease(), c.release);
    EXPECT_EQ(info.VersionText(), c.versionText);
    EXPECT_EQ(info.BuildDateText().HasValue(), c.dateText != nullptr);
    if (c.dateText != nullptr) {
        EXPECT_EQ(*info.BuildDateText(), c.dateText);
    }
    EXPECT_EQ(info.BuildOriginText().HasValue(), c.originText != nullptr);
    if (c.originText != nullptr) {
        EXPECT_EQ(*info.BuildOriginText(), c.originText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    BuildTypes, ProgramInfoTextTest,
    ::testing::Values(
        BuildTypeCase{"Release", true, "2.1.0", nullptr, nullptr},
        BuildTypeCase{"Beta", false, "2.1.0.7 Beta", nullptr, nullptr},
        BuildTypeCase{"Alpha", false, "2.1.0.7 Alpha", "Dec  9 2026 10:11:12", nullptr},
        BuildTypeCase{"Internal", false, "2.1.0.7 Internal", "Dec  9 2026 10:11:12", "(ci-7)"},
        // The comparison is case-sensitive.
        BuildTypeCase{"release", false, "2.1.0.7 release", nullptr, nullptr}));

TEST(ProgramInfoTest, GetReadsTheProgramsOwnBlockOnce) {
    const app::ProgramInfo_t& info = app::ProgramInfo_t::Get();
    EXPECT_EQ(&app::ProgramInfo_t::Get(), &info);
    const win::FileMetaData_t own(win::ModuleFileName(win::ModuleHandle()));
    EXPECT_EQ(info.ProductName(), "Quorvel");
    EXPECT_EQ(info.FileVersion(), own.FileVersion());
    EXPECT_EQ(info.PartNumber(), own.GetString("PartNumber"));
    EXPECT_EQ(info.BetaContact(), own.GetString("BetaEmail"));
    EXPECT_EQ(info.WindowClassName(), "{F3C4A02E-944C-483a-A32C-3F398B15A3C6}");
    EXPECT_EQ(info.BuildType(), own.GetString("BuildType"));
    EXPECT_EQ(info.LegalCopyright(), own.GetString("LegalCopyright"));
    EXPECT_FALSE(info.BuildOrigin().empty());
    // The compiler's forms: "Mmm dd yyyy" and "hh:mm:ss".
    EXPECT_TRUE(
        std::regex_match(info.BuildDate(), std::regex("[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4}")))
        << info.BuildDate();
    EXPECT_TRUE(std::regex_match(info.BuildTime(), std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}")));
}

}  // namespace
