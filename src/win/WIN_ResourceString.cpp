#include "win/WIN_ResourceString.h"

#include <vector>

#include "glo/GLO_SubstituteArgs.h"
#include "pal/PAL_Resource.h"
#include "win/WIN_Exception.h"
#include "win/WIN_Utilities.h"

namespace win {
namespace {

constexpr std::size_t kFirstBuffer = 256;
constexpr std::size_t kGrowth = 256;

// A length that leaves more than 2 bytes of the buffer free cannot have
// been cut short.
bool IsComplete(int length, std::size_t bufferSize) {
    return static_cast<std::size_t>(length) + 2 < bufferSize;
}

}  // namespace

ResourceString_t::ResourceString_t(int id, const char* file, unsigned line) : id_(id) {
    const pal::HMODULE module = ResourceModule();
    const pal::UINT stringId = static_cast<pal::UINT>(id);
    char first[kFirstBuffer];
    int length = pal::LoadStringA(module, stringId, first, static_cast<int>(sizeof first));
    if (length == 0) {
        throw Error_t(file, line);
    }
    if (IsComplete(length, sizeof first)) {
        text_.assign(first, static_cast<std::size_t>(length));
        return;
    }
    std::vector<char> buffer(kFirstBuffer);
    do {
        buffer.resize(buffer.size() + kGrowth);
        length = pal::LoadStringA(module, stringId, buffer.data(), static_cast<int>(buffer.size()));
        if (length == 0) {
            throw Error_t(file, line);
        }
    } while (!IsComplete(length, buffer.size()));
    text_.assign(buffer.data(), static_cast<std::size_t>(length));
}

std::string ResourceString_t::Format(const std::string& arg, const char* file,
                                     unsigned line) const {
    return glo::Format(text_, arg, file, line);
}

}  // namespace win
