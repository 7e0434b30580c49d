#include "thr/THR_Wait.h"

#include <vector>

#include "glo/GLO_Exception.h"
#include "win/WIN_Exception.h"

namespace thr {

pal::DWORD WaitOrStop(pal::HANDLE stopEvent, std::initializer_list<pal::HANDLE> objects,
                      pal::DWORD milliseconds, const char* file, unsigned line) {
    std::vector<pal::HANDLE> handles;
    handles.reserve(objects.size() + 1);
    handles.push_back(stopEvent);
    handles.insert(handles.end(), objects.begin(), objects.end());
    const auto count = static_cast<pal::DWORD>(handles.size());

    const pal::DWORD result =
        pal::WaitForMultipleObjects(count, handles.data(), pal::FALSE, milliseconds);
    if (result == pal::WAIT_OBJECT_0 || result == pal::WAIT_ABANDONED_0) {
        throw glo::Terminate_t(file, line);
    }
    if (result > pal::WAIT_OBJECT_0 && result < pal::WAIT_OBJECT_0 + count) {
        return result - pal::WAIT_OBJECT_0 - 1;
    }
    if (result > pal::WAIT_ABANDONED_0 && result < pal::WAIT_ABANDONED_0 + count) {
        return result - pal::WAIT_ABANDONED_0 - 1;
    }
    if (result == pal::WAIT_TIMEOUT) {
        throw glo::Timeout_t(file, line);
    }
    throw win::Error_t(file, line);
}

}  // namespace thr
