#include "support/TestRoot.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace testsupport {
namespace {

std::string MakeRunRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    return pattern;
}

class RootEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QUORVEL_ROOT", RunRoot().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", RunRoot().c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(RunRoot(), ignored);
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new RootEnvironment);

}  // namespace

const std::string& RunRoot() {
    static const std::string root = MakeRunRoot();
    return root;
}

std::string FreshRoot() {
    static std::atomic<int> next{0};
    const std::string dir = RunRoot() + "/root" + std::to_string(next++);
    std::filesystem::create_directories(dir);
    setenv("QUORVEL_ROOT", dir.c_str(), 1);
    return dir;
}

}  // namespace testsupport
