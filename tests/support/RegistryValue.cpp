#include "support/RegistryValue.h"

#include <gtest/gtest.h>

#include "pal/PAL_Error.h"
#include "pal/PAL_Registry.h"

namespace testsupport {

void SetRegistryValue(const std::string& path, const std::string& name, pal::DWORD type,
                      const std::string& bytes) {
    pal::HKEY key = 0;
    ASSERT_EQ(pal::RegCreateKeyExA(pal::HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                   pal::KEY_ALL_ACCESS, nullptr, &key, nullptr),
              pal::ERROR_SUCCESS);
    ASSERT_EQ(pal::RegSetValueExA(key, name.c_str(), 0, type,
                                  reinterpret_cast<const pal::BYTE*>(bytes.data()),
                                  static_cast<pal::DWORD>(bytes.size())),
              pal::ERROR_SUCCESS);
    pal::RegCloseKey(key);
}

}  // namespace testsupport
