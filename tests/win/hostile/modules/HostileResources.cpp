// A resource module as a damaged or forged file next to the program could
// be: entries that claim more bytes than they hold, entries without bytes,
// and strings without a terminator. Its file version is the program's, so
// it loads.
#include "pal/PAL_Resource.h"

namespace {

const std::uint8_t kText[] = {'a', 'b', 'c'};  // no terminator
const std::uint8_t kEmptyText[] = {0, 'x'};
const std::uint8_t kSchema[] = {'<', 's', '/', '>'};
constexpr std::uint32_t kOversized = pal::kMaxResourceSize + 1;

const pal::ResourceEntry_t kEntries[] = {
    {pal::RT_STRING, nullptr, 1, kText, sizeof kText},
    {pal::RT_STRING, nullptr, 2, kText, kOversized},
    {pal::RT_STRING, nullptr, 3, nullptr, 5},
    {pal::RT_STRING, nullptr, 4, kEmptyText, sizeof kEmptyText},
    {0, "XSD", 10, kSchema, sizeof kSchema},
    {0, "XSD", 11, kSchema, kOversized},
    {0, "XSD", 12, kSchema, 0},
    {0, "XSD", 13, nullptr, 16},
    {0, nullptr, 14, kSchema, sizeof kSchema},  // a named type without a name
};

}  // namespace

extern "C" [[gnu::visibility("default")]] const pal::ResourceDirectory_t QuorvelResourceDirectory;
const pal::ResourceDirectory_t QuorvelResourceDirectory = {
    pal::kResourceDirectoryMagic, pal::kResourceDirectoryVersion,
    sizeof kEntries / sizeof kEntries[0], kEntries};
