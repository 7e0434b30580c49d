// Byte-oriented streams: the standard stream state model, but values travel
// as raw little-endian bytes and text as its characters plus one NUL.
#pragma once

#include <cstdint>
#include <ios>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>
#include <type_traits>
#include <vector>

namespace bin {

template <typename CharT, typename Traits = std::char_traits<CharT>>
class basic_istream : virtual public std::basic_ios<CharT, Traits> {
public:
    using int_type = typename Traits::int_type;

    explicit basic_istream(std::basic_streambuf<CharT, Traits>* buffer) { this->init(buffer); }
    ~basic_istream() override = default;

    // Next byte into c; at end of data the stream becomes eof and fail and c
    // keeps its value.
    basic_istream& get(CharT& c);
    // Next byte as 0..255, or -1 at end of data (count 0, eof and fail).
    int_type get();
    // All n bytes or none: a partly present value leaves dest untouched.
    basic_istream& read_all(void* dest, std::streamsize n);
    // Block read: as many of n bytes as there are; fewer sets eof and fail.
    basic_istream& read(CharT* dest, std::streamsize n);
    std::streamsize gcount() const { return lastCount_; }

    template <typename T>
    requires std::is_integral_v<T> basic_istream& operator>>(T& value) {
        return read_all(&value, sizeof(T));
    }
    // Text up to a NUL (consumed, not stored) or the end of the data.
    basic_istream& operator>>(std::basic_string<CharT, Traits>& text);

protected:
    basic_istream() = default;

private:
    std::int32_t lastCount_ = 0;
    std::vector<CharT> staging_;
};

template <typename CharT, typename Traits = std::char_traits<CharT>>
class basic_ostream : virtual public std::basic_ios<CharT, Traits> {
public:
    explicit basic_ostream(std::basic_streambuf<CharT, Traits>* buffer) { this->init(buffer); }
    ~basic_ostream() override = default;

    basic_ostream& put(CharT c);
    basic_ostream& write(const void* bytes, std::streamsize n);

    template <typename T>
    requires std::is_integral_v<T> basic_ostream& operator<<(T value) {
        return write(&value, sizeof(T));
    }
    basic_ostream& operator<<(const std::basic_string<CharT, Traits>& text);
    basic_ostream& operator<<(const CharT* text);

protected:
    basic_ostream() = default;
};

template <typename CharT, typename Traits = std::char_traits<CharT>>
class basic_iostream : public basic_istream<CharT, Traits>, public basic_ostream<CharT, Traits> {
public:
    explicit basic_iostream(std::basic_streambuf<CharT, Traits>* buffer) { this->init(buffer); }
    ~basic_iostream() override = default;

protected:
    basic_iostream() = default;
};

template <typename CharT, typename Traits = std::char_traits<CharT>>
class basic_stringstream : public basic_iostream<CharT, Traits> {
public:
    basic_stringstream() : buffer_(std::ios_base::in | std::ios_base::out) { this->init(&buffer_); }
    ~basic_stringstream() override = default;

    std::basic_string<CharT, Traits> str() const { return buffer_.str(); }

private:
    std::basic_stringbuf<CharT, Traits> buffer_;
};

using istream = basic_istream<char>;
using ostream = basic_ostream<char>;
using iostream = basic_iostream<char>;
using stringstream = basic_stringstream<char>;

}  // namespace bin

#include "bin/BIN_Stream.inl"
