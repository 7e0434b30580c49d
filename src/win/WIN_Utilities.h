// The program's own module and directory, the temporary directory, and the
// language resource module that lies next to the program.
#pragma once

#include <cstdint>
#include <string>

#include "glo/GLO_Optional.h"
#include "pal/PAL_Types.h"

namespace win {

pal::HMODULE ModuleHandle();
// The module's full path; never cut short.
std::string ModuleFileName(pal::HMODULE module);
// The directory of the program's file, ending in "/".
std::string ProgramDirectory();
// The system's temporary directory (ending in "/"), made sure to exist on
// every call.
std::string TempDirectory();
// True when the directory was created (or path is the root), false when it
// existed already. A file in the way is replaced by the directory.
bool EnsureDirectory(const std::string& path);

// The program's version string "ResourceFilename"; empty when it has none.
glo::Optional_t<std::string> ResourceFileName();
// The program directory followed by that name; empty when the name is.
glo::Optional_t<std::string> ResourceModulePath();
// The language resource module: its file version must equal the program's.
// Loaded on the first successful call and kept for the life of the process.
pal::HMODULE ResourceModule();
// The language of the resource module's translation, 0x409 when the
// program names no resource module.
std::uint16_t ResourceLanguage();

}  // namespace win
