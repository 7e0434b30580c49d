// Member definitions of the byte streams; included by BIN_Stream.h only.
#pragma once

#include <cstring>

namespace bin {
namespace detail {

// The buffer threw: the stream becomes bad, and the buffer's exception goes
// on only when the caller's exception mask asks for bad.
template <typename CharT, typename Traits>
void SetBadAfterBufferFailure(std::basic_ios<CharT, Traits>& stream) {
    if ((stream.exceptions() & std::ios_base::badbit) == 0) {
        stream.setstate(std::ios_base::badbit);
        return;
    }
    try {
        stream.setstate(std::ios_base::badbit);
    } catch (...) {
    }
    throw;
}

}  // namespace detail

template <typename CharT, typename Traits>
basic_istream<CharT, Traits>& basic_istream<CharT, Traits>::get(CharT& c) {
    const int_type next = get();
    if (!Traits::eq_int_type(next, Traits::eof())) {
        c = Traits::to_char_type(next);
    }
    return *this;
}

template <typename CharT, typename Traits>
typename basic_istream<CharT, Traits>::int_type basic_istream<CharT, Traits>::get() {
    lastCount_ = 0;
    if (!this->good()) {
        return Traits::eof();
    }
    int_type next = Traits::eof();
    try {
        next = this->rdbuf()->sbumpc();
    } catch (...) {
        detail::SetBadAfterBufferFailure(*this);
        return Traits::eof();
    }
    if (Traits::eq_int_type(next, Traits::eof())) {
        this->setstate(std::ios_base::eofbit | std::ios_base::failbit);
        return next;
    }
    lastCount_ = 1;
    return next;
}

template <typename CharT, typename Traits>
basic_istream<CharT, Traits>& basic_istream<CharT, Traits>::read_all(void* dest,
                                                                     std::streamsize n) {
    if (!this->good() || n <= 0) {
        return *this;
    }
    staging_.clear();
    for (std::streamsize i = 0; i < n; ++i) {
        const int_type next = get();
        if (Traits::eq_int_type(next, Traits::eof())) {
            return *this;  // get() has set the state; dest keeps its value
        }
        staging_.push_back(Traits::to_char_type(next));
    }
    std::memcpy(dest, staging_.data(), staging_.size() * sizeof(CharT));
    return *this;
}

template <typename CharT, typename Traits>
basic_istream<CharT, Traits>& basic_istream<CharT, Traits>::read(CharT* dest, std::streamsize n) {
    lastCount_ = 0;
    if (!this->good() || n <= 0) {
        return *this;
    }
    std::streamsize obtained = 0;
    try {
        obtained = this->rdbuf()->sgetn(dest, n);
    } catch (...) {
        detail::SetBadAfterBufferFailure(*this);
        return *this;
    }
    lastCount_ = static_cast<std::int32_t>(obtained);
    if (obtained < n) {
        this->setstate(std::ios_base::eofbit | std::ios_base::failbit);
    }
    return *this;
}

template <typename CharT, typename Traits>
basic_istream<CharT, Traits>& basic_istream<CharT, Traits>::operator>>(
    std::basic_string<CharT, Traits>& text) {
    text.clear();
    for (;;) {
        const int_type next = get();
        if (Traits::eq_int_type(next, Traits::eof())) {
            return *this;
        }
        const CharT c = Traits::to_char_type(next);
        if (Traits::eq(c, CharT())) {
            return *this;
        }
        text.push_back(c);
    }
}

template <typename CharT, typename Traits>
basic_ostream<CharT, Traits>& basic_ostream<CharT, Traits>::put(CharT c) {
    if (!this->good()) {
        return *this;
    }
    try {
        if (Traits::eq_int_type(this->rdbuf()->sputc(c), Traits::eof())) {
            this->setstate(std::ios_base::badbit);
        }
    } catch (...) {
        detail::SetBadAfterBufferFailure(*this);
    }
    return *this;
}

template <typename CharT, typename Traits>
basic_ostream<CharT, Traits>& basic_ostream<CharT, Traits>::write(const void* bytes,
                                                                  std::streamsize n) {
    const auto* chars = static_cast<const CharT*>(bytes);
    for (std::streamsize i = 0; i < n && this->good(); ++i) {
        put(chars[i]);
    }
    return *this;
}

template <typename CharT, typename Traits>
basic_ostream<CharT, Traits>& basic_ostream<CharT, Traits>::operator<<(
    const std::basic_string<CharT, Traits>& text) {
    for (const CharT c : text) {
        if (!this->good()) {
            return *this;
        }
        put(c);
    }
    return put(CharT());
}

template <typename CharT, typename Traits>
basic_ostream<CharT, Traits>& basic_ostream<CharT, Traits>::operator<<(const CharT* text) {
    // A null text is written as the empty text.
    for (; text != nullptr && !Traits::eq(*text, CharT()); ++text) {
        if (!this->good()) {
            return *this;
        }
        put(*text);
    }
    return put(CharT());
}

}  // namespace bin
