#pragma once

namespace glo {

// Base of windows, links, threads, files and streams: none of them may be
// copied or assigned.
class NonCopyable_t {
protected:
    NonCopyable_t() = default;
    ~NonCopyable_t() = default;

public:
    NonCopyable_t(const NonCopyable_t&) = delete;
    NonCopyable_t& operator=(const NonCopyable_t&) = delete;
};

}  // namespace glo
