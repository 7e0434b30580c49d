// Between the fault translator and the exception module.
#pragma once

#include "win/WIN_Exception.h"

namespace win {

// Makes the StructuredException_t of a fault (at WIN_Exception line 32) and
// throws it.
[[noreturn]] void ThrowTranslatedFault(const ExceptionPointers_t& record);

}  // namespace win
