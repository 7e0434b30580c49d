// A resource module whose directory claims far more entries than it holds.
#include "pal/PAL_Resource.h"

namespace {

const std::uint8_t kText[] = {'a'};
const pal::ResourceEntry_t kEntries[] = {{pal::RT_STRING, nullptr, 1, kText, sizeof kText}};

}  // namespace

extern "C" [[gnu::visibility("default")]] const pal::ResourceDirectory_t QuorvelResourceDirectory;
const pal::ResourceDirectory_t QuorvelResourceDirectory = {
    pal::kResourceDirectoryMagic, pal::kResourceDirectoryVersion, 0xFFFFFFFFu, kEntries};
