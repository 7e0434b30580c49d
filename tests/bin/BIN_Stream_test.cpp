#include "bin/BIN_Stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const bin::stringstream& stream) {
    const std::string text = stream.str();
    return Bytes(text.begin(), text.end());
}

void Fill(bin::stringstream& stream, const Bytes& bytes) {
    for (const auto byte : bytes) {
        stream.put(static_cast<char>(byte));
    }
}

struct WriteCase {
    const char* name;
    void (*write)(bin::stringstream&);
    Bytes expected;
};

const WriteCase kWriteCases[] = {
    {"u8", [](bin::stringstream& s) { s << std::uint8_t{0xAB}; }, {0xAB}},
    {"i8", [](bin::stringstream& s) { s << std::int8_t{-1}; }, {0xFF}},
    {"u16", [](bin::stringstream& s) { s << std::uint16_t{0x1234}; }, {0x34, 0x12}},
    {"i16", [](bin::stringstream& s) { s << std::int16_t{-2}; }, {0xFE, 0xFF}},
    {"u32 one", [](bin::stringstream& s) { s << std::uint32_t{1}; }, {0x01, 0x00, 0x00, 0x00}},
    {"i32", [](bin::stringstream& s) { s << std::int32_t{-0x01020304}; }, {0xFC, 0xFC, 0xFD, 0xFE}},
    {"text", [](bin::stringstream& s) { s << std::string("abc"); }, {0x61, 0x62, 0x63, 0x00}},
    {"empty text", [](bin::stringstream& s) { s << std::string(); }, {0x00}},
    {"literal", [](bin::stringstream& s) { s << "ab"; }, {0x61, 0x62, 0x00}},
    {"null literal", [](bin::stringstream& s) { s << static_cast<const char*>(nullptr); }, {0x00}},
    {"text with high byte", [](bin::stringstream& s) { s << std::string("\xE9"); }, {0xE9, 0x00}},
    {"block", [](bin::stringstream& s) { s.write("\x01\x00\x02", 3); }, {0x01, 0x00, 0x02}},
    {"sequence",
     [](bin::stringstream& s) {
         s << std::uint8_t{7} << std::string("A") << std::uint16_t{0x0102};
     },
     {0x07, 0x41, 0x00, 0x02, 0x01}},
};

TEST(BinStreamWrite, EncodesLittleEndianAndNulTerminatedText) {
    for (const auto& c : kWriteCases) {
        SCOPED_TRACE(c.name);
        bin::stringstream stream;
        c.write(stream);
        EXPECT_TRUE(stream.good());
        EXPECT_EQ(BytesOf(stream), c.expected);
    }
}

TEST(BinStreamWrite, WritesNothingWhenNotGood) {
    for (const auto state :
         {std::ios_base::failbit, std::ios_base::eofbit, std::ios_base::badbit}) {
        bin::stringstream stream;
        stream.setstate(state);
        stream << std::uint32_t{5} << std::string("x") << "y";
        stream.put('z').write("ab", 2);
        EXPECT_TRUE(BytesOf(stream).empty());
        EXPECT_EQ(stream.rdstate(), state);
    }
}

struct IntReadCase {
    const char* name;
    Bytes bytes;
    bool ok;
    std::uint32_t value;  // after the read; the old value 0xDEADBEEF when failed
    int left;             // bytes still readable afterwards
};

const IntReadCase kU32Cases[] = {
    {"exact", {0x78, 0x56, 0x34, 0x12}, true, 0x12345678u, 0},
    {"extra", {0x01, 0, 0, 0, 0x09}, true, 1u, 1},
    {"three of four", {0x01, 0x02, 0x03}, false, 0xDEADBEEFu, 0},
    {"none", {}, false, 0xDEADBEEFu, 0},
};

TEST(BinStreamRead, U32IsAllOrNothing) {
    for (const auto& c : kU32Cases) {
        SCOPED_TRACE(c.name);
        bin::stringstream stream;
        Fill(stream, c.bytes);
        std::uint32_t value = 0xDEADBEEFu;
        stream >> value;
        EXPECT_EQ(!stream.fail(), c.ok);
        EXPECT_EQ(stream.eof(), !c.ok);
        EXPECT_EQ(value, c.value);
        stream.clear();
        int left = 0;
        while (stream.get() != std::char_traits<char>::eof()) {
            ++left;
        }
        EXPECT_EQ(left, c.left);  // a failed read consumed what was there
    }
}

TEST(BinStreamRead, U16FromOneByteFailsAndKeepsValue) {
    bin::stringstream stream;
    Fill(stream, {0x41});
    std::uint16_t value = 0x7777;
    stream >> value;
    EXPECT_TRUE(stream.fail());
    EXPECT_TRUE(stream.eof());
    EXPECT_FALSE(stream.bad());
    EXPECT_EQ(value, 0x7777);
}

TEST(BinStreamRead, SignedValuesRoundTrip) {
    bin::stringstream stream;
    stream << std::int16_t{-300} << std::int32_t{-70000} << std::int8_t{-5};
    std::int16_t a = 0;
    std::int32_t b = 0;
    std::int8_t c = 0;
    stream >> a >> b >> c;
    EXPECT_TRUE(stream.good());
    EXPECT_EQ(a, -300);
    EXPECT_EQ(b, -70000);
    EXPECT_EQ(c, -5);
}

TEST(BinStreamRead, GetByteAndCount) {
    bin::stringstream stream;
    Fill(stream, {0xFF});
    EXPECT_EQ(stream.get(), 0xFF);  // as 0..255, not sign-extended
    EXPECT_EQ(stream.gcount(), 1);
    EXPECT_EQ(stream.get(), -1);
    EXPECT_EQ(stream.gcount(), 0);
    EXPECT_TRUE(stream.eof());
    EXPECT_TRUE(stream.fail());
}

TEST(BinStreamRead, GetIntoVariableAtEndKeepsIt) {
    bin::stringstream stream;
    char c = 'q';
    stream.get(c);
    EXPECT_EQ(c, 'q');
    EXPECT_TRUE(stream.eof());
    EXPECT_TRUE(stream.fail());
}

struct TextCase {
    const char* name;
    Bytes bytes;
    std::vector<std::string> texts;  // successive reads
    std::vector<bool> ok;
};

const TextCase kTextCases[] = {
    {"no NUL", {0x41, 0x42}, {"AB"}, {false}},
    {"two texts, second unterminated", {0x41, 0x00, 0x42}, {"A", "B"}, {true, false}},
    {"empty text", {0x00, 0x43, 0x00}, {"", "C"}, {true, true}},
    {"nothing", {}, {""}, {false}},
    {"high bytes kept", {0xC3, 0xA9, 0x00}, {"\xC3\xA9"}, {true}},
};

TEST(BinStreamRead, TextStopsAtNulOrEnd) {
    for (const auto& c : kTextCases) {
        SCOPED_TRACE(c.name);
        bin::stringstream stream;
        Fill(stream, c.bytes);
        for (std::size_t i = 0; i < c.texts.size(); ++i) {
            std::string text = "old";
            stream >> text;
            EXPECT_EQ(text, c.texts[i]);
            EXPECT_EQ(!stream.fail(), c.ok[i]);
        }
    }
}

TEST(BinStreamRead, BlockReadCountsAndKeepsPartialBytes) {
    bin::stringstream stream;
    Fill(stream, {1, 2, 3});
    char block[5] = {9, 9, 9, 9, 9};
    stream.read(block, 2);
    EXPECT_TRUE(stream.good());
    EXPECT_EQ(stream.gcount(), 2);
    stream.read(block, 5);
    EXPECT_EQ(stream.gcount(), 1);
    EXPECT_TRUE(stream.fail());
    EXPECT_TRUE(stream.eof());
    EXPECT_EQ(block[0], 3);  // what arrived stays
    EXPECT_EQ(block[1], 2);
}

// Every read on a failed stream reads nothing and leaves its destination.
TEST(BinStreamRead, FailedStreamReadsNothing) {
    bin::stringstream stream;
    Fill(stream, {0x41, 0x00, 1, 2, 3, 4});
    stream.setstate(std::ios_base::failbit);
    std::string text = "old";
    stream >> text;
    EXPECT_EQ(text, "");  // the text read still empties its string
    std::uint32_t value = 7;
    stream >> value;
    EXPECT_EQ(value, 7u);
    char c = 'k';
    stream.get(c);
    EXPECT_EQ(c, 'k');
    EXPECT_EQ(stream.get(), -1);
    char block[2] = {5, 5};
    stream.read(block, 2);
    EXPECT_EQ(block[0], 5);
    EXPECT_EQ(stream.gcount(), 0);
    EXPECT_EQ(stream.rdstate(), std::ios_base::failbit);
    stream.clear();
    stream >> text;
    EXPECT_EQ(text, "A");  // nothing was consumed meanwhile
}

TEST(BinStreamReadWrite, ReadingFollowsWrites) {
    bin::stringstream stream;
    stream << std::uint8_t{1};
    std::uint8_t a = 0;
    stream >> a;
    stream << std::uint16_t{0x0203};
    std::uint16_t b = 0;
    stream >> b;
    EXPECT_TRUE(stream.good());
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0x0203);
}

// A buffer that throws on every access, to see the stream's own reaction.
class ThrowingBuffer : public std::streambuf {
protected:
    int_type underflow() override { throw std::runtime_error("read"); }
    int_type overflow(int_type) override { throw std::runtime_error("write"); }
};

class FullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST(BinStreamBuffer, ThrowingBufferSetsBadWithoutThrowing) {
    ThrowingBuffer buffer;
    bin::iostream stream(&buffer);
    std::uint32_t value = 3;
    EXPECT_NO_THROW(stream >> value);
    EXPECT_TRUE(stream.bad());
    EXPECT_EQ(value, 3u);
    stream.clear();
    EXPECT_NO_THROW(stream << std::uint8_t{1});
    EXPECT_TRUE(stream.bad());
}

TEST(BinStreamBuffer, ThrowingBufferRethrowsWhenMaskAsks) {
    ThrowingBuffer buffer;
    bin::iostream stream(&buffer);
    stream.exceptions(std::ios_base::badbit);
    EXPECT_THROW(stream.get(), std::runtime_error);
    EXPECT_TRUE(stream.bad());
}

TEST(BinStreamBuffer, RefusedByteMakesStreamBad) {
    FullBuffer buffer;
    bin::ostream stream(&buffer);
    stream << std::uint16_t{1};
    EXPECT_TRUE(stream.bad());
}

}  // namespace
