// Writes registry values for tests that read them back through other code.
#pragma once

#include <string>

#include "pal/PAL_Types.h"

namespace testsupport {

// Creates the key at path under HKEY_LOCAL_MACHINE as needed and stores the
// value's bytes as they stand; a failure fails the calling test.
void SetRegistryValue(const std::string& path, const std::string& name, pal::DWORD type,
                      const std::string& bytes);

}  // namespace testsupport
