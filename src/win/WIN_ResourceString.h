// A text loaded by string ID from the language resource module.
#pragma once

#include <string>

namespace win {

class ResourceString_t {
public:
    // file and line are the caller's: a missing ID throws win::Error_t there.
    ResourceString_t(int id, const char* file, unsigned line);

    int Id() const { return id_; }
    const std::string& Text() const { return text_; }
    // The text with its placeholders filled from the one argument; a
    // malformed text fails the check at the caller's file and line.
    std::string Format(const std::string& arg, const char* file, unsigned line) const;

private:
    int id_;
    std::string text_;
};

}  // namespace win
