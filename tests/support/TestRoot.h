// Every test program runs with QUORVEL_ROOT and XDG_RUNTIME_DIR pointing at
// a fresh directory of its own, removed at exit; FreshRoot() gives a test a
// newer one still.
#pragma once

#include <string>

namespace testsupport {

// The directory of this test program's run.
const std::string& RunRoot();
// A new empty directory under the run root; sets QUORVEL_ROOT to it.
std::string FreshRoot();

}  // namespace testsupport
