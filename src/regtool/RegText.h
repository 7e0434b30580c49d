// The registry as text in the style of a .reg file, and back.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pal/PAL_Registry.h"

namespace regtool {

constexpr const char* kHeader = "Quorvel Registry Export 1";

// The key below HKEY_LOCAL_MACHINE ("" for all of it) with its subkeys, as
// text. Returns 0 or the Windows error of the first failing read.
pal::LONG ExportText(const std::string& keyPath, std::string& text);

struct Import_t {
    std::vector<pal::RegEdit_t> edits;
    std::vector<std::size_t> lines;  // the line of each edit
};

// Parses the whole text; false with "line N: ..." in error when any line is
// malformed.
bool ParseText(const std::string& text, Import_t& result, std::string& error);

// A path as the tool's arguments give it: an optional "HKEY_LOCAL_MACHINE\"
// prefix; false when it names another root.
bool KeyPathOfArgument(const std::string& argument, std::string& keyPath);

}  // namespace regtool
