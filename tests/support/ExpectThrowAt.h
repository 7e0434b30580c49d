// Checks that a call throws E, raised at the given module and line.
#pragma once

#include <gtest/gtest.h>

#include <functional>

namespace testsupport {

template <typename E>
void ExpectThrowAt(const std::function<void()>& call, const char* file, unsigned line) {
    try {
        call();
        ADD_FAILURE() << "expected a throw at line " << line;
    } catch (const E& e) {
        EXPECT_STREQ(e.SourceFile(), file);
        EXPECT_EQ(e.SourceLine(), line);
    }
}

}  // namespace testsupport
