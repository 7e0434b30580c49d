#include <gtest/gtest.h>
#include <QByteArray>
#include <QImage>

#include <string>

#include "glo/GLO_SubstituteArgs.h"
#include "pal/PAL_Resource.h"
#include "win/WIN_FileMetaData.h"
#include "win/WIN_ResourceString.h"
#include "win/WIN_Utilities.h"

namespace {

// Every string the program asks for and how many arguments it formats in.
struct StringUse {
    int id;
    int arguments;  // 0 or 1 ("%0")
};

constexpr StringUse kStrings[] = {
    {102, 0}, {103, 1}, {104, 0},  {105, 0},  {106, 1},  {108, 0},  {109, 0},  {110, 1}, {111, 1},
    {112, 0}, {113, 1}, {114, 0},  {115, 0},  {116, 1},  {118, 1},  {119, 1},  {121, 0}, {123, 0},
    {124, 0}, {125, 0}, {5602, 1}, {5606, 0}, {5608, 0}, {5611, 1}, {5831, 1},
};

TEST(LanguageModuleTest, IsARealSharedObjectNextToTheProgram) {
    const pal::HMODULE module = win::ResourceModule();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(win::ModuleFileName(module), win::ProgramDirectory() + "Quorvel_LANG.so");
    const win::FileMetaData_t program(win::ModuleFileName(win::ModuleHandle()));
    const win::FileMetaData_t language(win::ModuleFileName(module));
    EXPECT_EQ(language.FileVersion(), program.FileVersion());
    EXPECT_EQ(language.Translation(), 0x04e40409u);
    EXPECT_EQ(win::ResourceLanguage(), 0x409);
}

TEST(LanguageModuleTest, EveryStringExistsWithItsPlaceholders) {
    for (const StringUse& use : kStrings) {
        SCOPED_TRACE(use.id);
        const win::ResourceString_t text(use.id, __FILE__, __LINE__);
        EXPECT_FALSE(text.Text().empty());
        // Substitution checks every "%", and that each argument is used.
        if (use.arguments == 1) {
            const std::string formatted = text.Format("<ARG>", __FILE__, __LINE__);
            EXPECT_NE(formatted.find("<ARG>"), std::string::npos);
        } else {
            EXPECT_NO_THROW(glo::SubstituteArgs(text.Text(), {}, __FILE__, __LINE__));
        }
    }
}

QImage Decode(std::uint16_t id, std::uint16_t type, const char* format) {
    const pal::HMODULE module = win::ResourceModule();
    const pal::HRSRC found =
        pal::FindResourceA(module, pal::MAKEINTRESOURCEA(id), pal::MAKEINTRESOURCEA(type));
    if (found == nullptr) {
        return {};
    }
    const auto* bytes =
        static_cast<const char*>(pal::LockResource(pal::LoadResource(module, found)));
    const QByteArray data =
        QByteArray::fromRawData(bytes, static_cast<qsizetype>(pal::SizeofResource(module, found)));
    return QImage::fromData(data, format);
}

TEST(LanguageModuleTest, IconAndSplashDecodeAsImages) {
    const QImage icon = Decode(100, pal::RT_ICON, "PNG");
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.width(), 64);
    EXPECT_EQ(icon.height(), 64);
    EXPECT_TRUE(icon.hasAlphaChannel());
    // Transparent corners, an opaque centre.
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(32, 32)), 255);

    const QImage splash = Decode(117, pal::RT_BITMAP, "BMP");
    ASSERT_FALSE(splash.isNull());
    EXPECT_GT(splash.width(), splash.height());
    EXPECT_GE(splash.height(), 200);
    // Not a blank picture.
    EXPECT_NE(splash.pixel(5, 5), splash.pixel(splash.height() / 2, splash.height() / 2));
}

}  // namespace
