// The version block of a file, its file version and its string values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win/WIN_Version.h"

namespace win {

class FileMetaData_t {
public:
    // Reads the block of the file at path: win::Error_t at line 30 when the
    // file has no (readable, well-formed) block, 38 when it cannot be read.
    explicit FileMetaData_t(const std::string& path);

    // The first entry of "\VarFileInfo\Translation": language in the low
    // half, code page in the high half.
    std::uint32_t Translation() const;
    // A string value under the block's translation; win::Error_t (93) when
    // it is absent.
    std::string GetString(const std::string& name) const;

    const std::vector<std::uint8_t>& Block() const { return block_; }
    const Version_t& FileVersion() const { return version_; }
    const std::string& Path() const { return path_; }

private:
    std::vector<std::uint8_t> block_;
    Version_t version_;
    std::string path_;
};

// "\StringFileInfo\llllcccc\name" for a translation entry.
std::string StringSubBlock(std::uint32_t translation, const std::string& name);

}  // namespace win
