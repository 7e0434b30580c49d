#include "pal/PAL_VersionInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pal/PAL_Error.h"
#include "pal/PAL_Module.h"
#include "support/TestRoot.h"

namespace {

using namespace pal;
namespace vb = pal::versionblock;

constexpr vb::Contents_t<3> kContents{
    {3, 4, 5, 6},
    0x0409,
    1252,
    vb::kFileTypeDll,
    {{{"ProductName", "Crafted"}, {"FileVersion", "3.4.5.6"}, {"ResourceFilename", "x.so"}}}};
constexpr std::size_t kBlockSize = vb::EncodedSize(kContents);
constexpr auto kBlock = vb::Encode<kBlockSize>(kContents);

// A minimal ELF64 file: header, three section headers, the section names,
// then the version block. Offsets are kept so that cases can damage fields.
struct Elf_t {
    static constexpr std::size_t kShoff = 64;
    static constexpr std::size_t kNames = kShoff + 3 * 64;
    static constexpr char kNameTable[] = "\0.shstrtab\0.quorvel_version";
    static constexpr std::size_t kBlockAt = kNames + sizeof kNameTable;
    static constexpr std::size_t kVersionHeader = kShoff + 2 * 64;

    std::vector<std::uint8_t> bytes;

    Elf_t() : bytes(kBlockAt + kBlockSize, 0) {
        std::memcpy(bytes.data(),
                    "\x7f"
                    "ELF\x02\x01\x01",
                    7);
        Put(16, 2, 3);   // e_type: shared object
        Put(18, 2, 62);  // e_machine
        Put(20, 4, 1);
        Put(0x28, 8, kShoff);
        Put(0x34, 2, 64);
        Put(0x3A, 2, 64);
        Put(0x3C, 2, 3);
        Put(0x3E, 2, 1);
        Section(1, 1, 3, kNames, sizeof kNameTable);
        Section(2, 11, 1, kBlockAt, kBlockSize);
        std::memcpy(bytes.data() + kNames, kNameTable, sizeof kNameTable);
        std::memcpy(bytes.data() + kBlockAt, kBlock.data(), kBlockSize);
    }
    void Put(std::size_t at, std::size_t width, std::uint64_t value) {
        for (std::size_t i = 0; i < width; ++i) {
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    void Section(std::size_t index, std::uint32_t name, std::uint32_t type, std::uint64_t offset,
                 std::uint64_t size) {
        const std::size_t at = kShoff + index * 64;
        Put(at, 4, name);
        Put(at + 4, 4, type);
        Put(at + 0x18, 8, offset);
        Put(at + 0x20, 8, size);
    }
    std::string Write(const std::string& path) const {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

struct HostileCase {
    const char* name;
    std::function<void(Elf_t&)> damage;
    DWORD error;
};

class HostileFileTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileFileTest, GivesAClearErrorAndNoCrash) {
    Elf_t elf;
    GetParam().damage(elf);
    const std::string path = elf.Write(testsupport::FreshRoot() + "/crafted.so");
    DWORD handle = 99;
    EXPECT_EQ(GetFileVersionInfoSizeA(path.c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), GetParam().error);
    EXPECT_EQ(handle, 0u);
    std::vector<std::uint8_t> buffer(4096);
    EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, 4096, buffer.data()));
    EXPECT_EQ(GetLastError(), GetParam().error);
}

const std::size_t kBlk = Elf_t::kBlockAt;
const std::size_t kSec = Elf_t::kVersionHeader;

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileFileTest,
    ::testing::Values(
        HostileCase{"NotElf", [](Elf_t& e) { e.bytes[1] = 'X'; }, ERROR_BAD_EXE_FORMAT},
        HostileCase{"BigEndian", [](Elf_t& e) { e.bytes[5] = 2; }, ERROR_BAD_EXE_FORMAT},
        HostileCase{"EmptyFile", [](Elf_t& e) { e.bytes.clear(); }, ERROR_BAD_EXE_FORMAT},
        HostileCase{"HeaderCut", [](Elf_t& e) { e.bytes.resize(40); }, ERROR_BAD_EXE_FORMAT},
        HostileCase{"SectionTableBeyondFile", [](Elf_t& e) { e.Put(0x28, 8, ~0ull - 8); },
                    ERROR_BAD_EXE_FORMAT},
        HostileCase{"NamesIndexOutOfRange", [](Elf_t& e) { e.Put(0x3E, 2, 7); },
                    ERROR_BAD_EXE_FORMAT},
        HostileCase{"ExtendedCountHuge",
                    [](Elf_t& e) {
                        e.Put(0x3C, 2, 0);
                        e.Put(Elf_t::kShoff + 0x20, 8, 1ull << 40);
                    },
                    ERROR_BAD_EXE_FORMAT},
        HostileCase{"NamesTableBeyondFile",
                    [](Elf_t& e) { e.Put(Elf_t::kShoff + 64 + 0x18, 8, ~0ull - 2); },
                    ERROR_BAD_EXE_FORMAT},
        HostileCase{"NoSectionTable", [](Elf_t& e) { e.Put(0x28, 8, 0); },
                    ERROR_RESOURCE_TYPE_NOT_FOUND},
        HostileCase{"OtherSectionName", [](Elf_t& e) { e.bytes[Elf_t::kNames + 25] = 'X'; },
                    ERROR_RESOURCE_TYPE_NOT_FOUND},
        HostileCase{"NameOffsetPastTable", [](Elf_t& e) { e.Put(kSec, 4, 0xFFFFFFF0u); },
                    ERROR_RESOURCE_TYPE_NOT_FOUND},
        HostileCase{"SectionBeyondFile", [](Elf_t& e) { e.Put(kSec + 0x18, 8, 1u << 20); },
                    ERROR_INVALID_DATA},
        HostileCase{"SectionWrapsAround", [](Elf_t& e) { e.Put(kSec + 0x18, 8, ~0ull - 4); },
                    ERROR_INVALID_DATA},
        HostileCase{"SectionHuge", [](Elf_t& e) { e.Put(kSec + 0x20, 8, 1ull << 40); },
                    ERROR_INVALID_DATA},
        HostileCase{"SectionWithoutBytes", [](Elf_t& e) { e.Put(kSec + 4, 4, 8); },
                    ERROR_INVALID_DATA},
        HostileCase{"FileCutInBlock", [](Elf_t& e) { e.bytes.resize(kBlk + 70); },
                    ERROR_INVALID_DATA},
        HostileCase{"BlockMagic", [](Elf_t& e) { e.bytes[kBlk] = 'X'; }, ERROR_INVALID_DATA},
        HostileCase{"BlockLongerThanSection", [](Elf_t& e) { e.Put(kBlk + 4, 4, kBlockSize + 1); },
                    ERROR_INVALID_DATA},
        HostileCase{"BlockShorterThanHeader", [](Elf_t& e) { e.Put(kBlk + 4, 4, 12); },
                    ERROR_INVALID_DATA},
        HostileCase{"BlockCutInStrings", [](Elf_t& e) { e.Put(kBlk + 4, 4, kBlockSize - 3); },
                    ERROR_INVALID_DATA},
        HostileCase{"FixedSignature", [](Elf_t& e) { e.bytes[kBlk + 8] ^= 1; }, ERROR_INVALID_DATA},
        HostileCase{"TranslationCountHuge", [](Elf_t& e) { e.Put(kBlk + 60, 4, 0x40000000u); },
                    ERROR_INVALID_DATA},
        HostileCase{"TableCountHuge", [](Elf_t& e) { e.Put(kBlk + 68, 4, 0xFFFFFFFFu); },
                    ERROR_INVALID_DATA},
        HostileCase{"EntryCountHuge", [](Elf_t& e) { e.Put(kBlk + 80, 4, 0xFFFFFFFFu); },
                    ERROR_INVALID_DATA},
        HostileCase{"KeyRunsPastEnd", [](Elf_t& e) { e.Put(kBlk + 84, 2, 0xFFFF); },
                    ERROR_INVALID_DATA},
        HostileCase{"KeyWithoutNul", [](Elf_t& e) { e.Put(kBlk + 84, 2, 11); }, ERROR_INVALID_DATA},
        HostileCase{"EmptyKeySize", [](Elf_t& e) { e.Put(kBlk + 84, 2, 0); }, ERROR_INVALID_DATA}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(VersionInfoTest, CraftedFileReadsAndQueries) {
    const std::string path = Elf_t().Write(testsupport::FreshRoot() + "/crafted.so");
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_EQ(size, kBlockSize);
    std::vector<std::uint8_t> block(size);
    // Too small a buffer is refused rather than filled in part.
    EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed{};
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00030004u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00050006u);

    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    std::uint32_t translation = 0;
    std::memcpy(&translation, value, 4);
    EXPECT_EQ(translation, 0x04e40409u);

    // Names compare without regard to case; the length counts the NUL.
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\productname", &value, &length));
    EXPECT_EQ(std::string(static_cast<const char*>(value)), "Crafted");
    EXPECT_EQ(length, 8u);

    for (const char* missing :
         {"\\StringFileInfo\\040904b0\\ProductName", "\\StringFileInfo\\040904e4\\NoSuchValue",
          "\\Other", "\\StringFileInfo\\040904e4"}) {
        EXPECT_FALSE(VerQueryValueA(block.data(), missing, &value, &length)) << missing;
    }
}

TEST(VersionInfoTest, RandomDamageNeverCrashes) {
    const Elf_t good;
    const std::string path = testsupport::FreshRoot() + "/damaged.so";
    std::mt19937 random(20260101);
    int accepted = 0;
    for (int round = 0; round < 2000; ++round) {
        Elf_t elf = good;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f) {
            elf.bytes[random() % elf.bytes.size()] = static_cast<std::uint8_t>(random());
        }
        elf.Write(path);
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
        if (size == 0) {
            continue;
        }
        ++accepted;
        std::vector<std::uint8_t> block(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
        void* value = nullptr;
        UINT length = 0;
        for (const char* query :
             {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904e4\\ProductName"}) {
            if (VerQueryValueA(block.data(), query, &value, &length)) {
                const auto* at = static_cast<const std::uint8_t*>(value);
                ASSERT_GE(at, block.data());
                ASSERT_LE(at + length, block.data() + block.size());
            }
        }
    }
    // Flips in padding and unused fields leave a readable block.
    EXPECT_GT(accepted, 0);
}

TEST(VersionInfoTest, ReadsTheRunningProgramsOwnBlock) {
    char path[4096];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    const DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\ClassNameGuid", &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), "{F3C4A02E-944C-483a-A32C-3F398B15A3C6}");
}

TEST(VersionInfoTest, MissingFileAndNonElfFiles) {
    const std::string root = testsupport::FreshRoot();
    EXPECT_EQ(GetFileVersionInfoSizeA((root + "/none").c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileVersionInfoSizeA(root.c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
    std::ofstream(root + "/text") << "just text, no ELF";
    EXPECT_EQ(GetFileVersionInfoSizeA((root + "/text").c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
}

}  // namespace
